#pragma once

#include "ui/FileDialogs.h"
#include "ui/MessageBoxes.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace uitest {

// The one QApplication of the test program, created on first use (offscreen unless the environment
// names another platform).
void EnsureApplication();

// Processes GUI events until `done` holds. The deadline only keeps a broken test from hanging; false
// when it passed first.
bool PumpUntil(const std::function<bool()>& done, int deadlineMs = 20000);
// Processes the events that are already queued.
void PumpPending();

// The text of a file of the source tree, e.g. "examples/eeprom-usb.ini".
std::string SourceText(const std::string& relative);

// The process-wide project objects as start-up creates them from the config.ini at `configPath`: the
// settings, the IC INI file they name and the device-type object. UnloadProject deletes them and puts
// every process-wide object back into its start-up state.
void LoadProject(const std::string& configPath);
void UnloadProject();

// Saves what the widget shows as build/screenshots/<name>.png, after checking that every text it shows
// fits its control (tests/ui/LayoutCheck.h).
void SaveScreenshot(QWidget* widget, const std::string& name);

// Records every message box and answers from a queue (the default button once the queue is empty).
class RecordingMessageBoxes : public IMessageBoxes {
public:
    RecordingMessageBoxes() { m_previous = SetMessageBoxes(this); }
    ~RecordingMessageBoxes() override { SetMessageBoxes(m_previous); }

    MsgAnswer Show(QWidget* parent, const MessageBoxRequest& request) override;

    std::vector<MessageBoxRequest> shown;
    // The clock's tick count when each box was shown.
    std::vector<uint32_t> ticks;
    std::deque<MsgAnswer> answers;

private:
    IMessageBoxes* m_previous;
};

// Answers file-open dialogs with the queued paths (cancelled once the queue is empty).
class ScriptedFileDialogs : public IFileDialogs {
public:
    ScriptedFileDialogs() { m_previous = SetFileDialogs(this); }
    ~ScriptedFileDialogs() override { SetFileDialogs(m_previous); }

    std::optional<std::string> GetOpenFileName(QWidget* parent, const OpenFileRequest& request) override;

    std::deque<std::string> paths;
    std::vector<OpenFileRequest> requests;

private:
    IFileDialogs* m_previous;
};

} // namespace uitest
