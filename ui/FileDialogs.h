#pragma once

#include <optional>
#include <string>

class QString;
class QWidget;

// A file-open dialog: the default extension added to a name typed without one, the filter in the
// "Text (*.ext)|*.ext|...||" form of the dialog templates, and the folder or file to start from. The
// chosen file must exist.
struct OpenFileRequest {
    std::string defaultExtension;
    std::string filter;
    std::string initialPath;
};

// Every file dialog of the dialogs goes through here, so tests can answer them. The default shows the
// Qt file dialog.
class IFileDialogs {
public:
    virtual ~IFileDialogs() = default;
    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string> GetOpenFileName(QWidget* parent, const OpenFileRequest& request) = 0;
    // A file-save dialog: the path to write, or nothing when the user cancelled. Overwriting an existing
    // file needs the user's confirmation. The default shows the Qt file dialog.
    virtual std::optional<std::string> GetSaveFileName(QWidget* parent, const OpenFileRequest& request);
};

std::optional<std::string> ShowOpenFileDialog(QWidget* parent, const OpenFileRequest& request);
std::optional<std::string> ShowSaveFileDialog(QWidget* parent, const OpenFileRequest& request);

// Installs the file dialogs to use (nullptr: the Qt ones again); returns the previous ones.
IFileDialogs* SetFileDialogs(IFileDialogs* dialogs);

// "Binary Files (*.bin)|*.bin|All Files (*.*)|*.*||" as a Qt name filter
// "Binary Files (*.bin);;All Files (*)": the text of each pair, with the pattern that the pair gives
// ("*.*" means every file, as on Windows).
QString QtNameFilter(const std::string& pipeFilter);
