#include "ui/FileDialogs.h"

#include "ui/QtText.h"

#include <QFileDialog>
#include <QStringList>

namespace {

class QtFileDialogs : public IFileDialogs {
public:
    std::optional<std::string> GetOpenFileName(QWidget* parent, const OpenFileRequest& request) override {
        QFileDialog dialog(parent);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setDefaultSuffix(ToQt(request.defaultExtension));
        dialog.setNameFilter(QtNameFilter(request.filter));
        if (!request.initialPath.empty())
            dialog.selectFile(ToQt(request.initialPath));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return FromQt(dialog.selectedFiles().front());
    }
};

QtFileDialogs g_QtFileDialogs;
IFileDialogs* g_pFileDialogs = &g_QtFileDialogs;

} // namespace

std::optional<std::string> IFileDialogs::GetSaveFileName(QWidget* parent, const OpenFileRequest& request) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(ToQt(request.defaultExtension));
    dialog.setNameFilter(QtNameFilter(request.filter));
    if (!request.initialPath.empty())
        dialog.selectFile(ToQt(request.initialPath));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return FromQt(dialog.selectedFiles().front());
}

std::optional<std::string> ShowSaveFileDialog(QWidget* parent, const OpenFileRequest& request) {
    return g_pFileDialogs->GetSaveFileName(parent, request);
}

std::optional<std::string> ShowOpenFileDialog(QWidget* parent, const OpenFileRequest& request) {
    return g_pFileDialogs->GetOpenFileName(parent, request);
}

IFileDialogs* SetFileDialogs(IFileDialogs* dialogs) {
    IFileDialogs* previous = g_pFileDialogs;
    g_pFileDialogs = dialogs ? dialogs : &g_QtFileDialogs;
    return previous;
}

QString QtNameFilter(const std::string& pipeFilter) {
    QStringList parts = ToQt(pipeFilter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns)
            if (pattern == QLatin1String("*.*"))
                pattern = QStringLiteral("*");
        QString text = parts[i];
        // The text usually repeats the patterns; Qt takes them from the last parentheses, so the pair's
        // own patterns are given there.
        qsizetype open = text.lastIndexOf(QLatin1Char('('));
        if (open > 0 && text.endsWith(QLatin1Char(')')))
            text = text.left(open).trimmed();
        filters << QStringLiteral("%1 (%2)").arg(text, patterns.join(QLatin1Char(' ')));
    }
    return filters.join(QStringLiteral(";;"));
}
