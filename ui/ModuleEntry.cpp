#include "app/DialogModule.h"
#include "app/ExitStatus.h"
#include "app/Messages.h"
#include "ui/AppIcon.h"
#include "ui/DialogRunner.h"

#include <QApplication>
#include <QLocale>

#include <cstdio>
#include <unistd.h>

namespace {

QtMessageHandler g_previousHandler = nullptr;

// Qt ends the process on a fatal error (a display that went away, a platform plugin that cannot start);
// the tool then says why and ends with the status of 41500 instead of aborting.
void GuardFatal(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtFatalMsg) {
        g_previousHandler(type, context, message);
        return;
    }
    std::fprintf(stderr, "quillix: the window cannot be shown: %s\n", message.toLocal8Bit().constData());
    std::fprintf(stderr, "%s\n", ResultReport(IDS_NOT_SUPPORT).c_str());
    _exit(ExitStatusForResult(IDS_NOT_SUPPORT));
}

} // namespace

extern "C" __attribute__((visibility("default"))) ResultCode QuillixRunDialog() {
    g_previousHandler = qInstallMessageHandler(GuardFatal);
    static int argc = 1;
    static char name[] = "quillix";
    static char* argv[] = {name, nullptr};
    // The dialogs speak US English whatever the user's locale.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    {
        QApplication application(argc, argv);
        QApplication::setWindowIcon(QuillixIcon());
        RunSelectedDialog();
    }
    qInstallMessageHandler(g_previousHandler);
    return 0;
}
