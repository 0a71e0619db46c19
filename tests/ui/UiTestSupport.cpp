#include "tests/ui/UiTestSupport.h"

#include "device/DevTypeInfo.h"
#include "model/ConfigIni.h"
#include "model/IcTypeIni.h"
#include "platform/Clock.h"
#include "tests/support/ProcessGlobals.h"
#include "tests/ui/LayoutCheck.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QWidget>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace uitest {

void EnsureApplication() {
    if (QApplication::instance())
        return;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt cannot tear its application down from the exit handlers, after main.
    static QApplication* application = new QApplication(argc, argv);
    (void)application;
}

bool PumpUntil(const std::function<bool()>& done, int deadlineMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > deadlineMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

void PumpPending() {
    QApplication::processEvents();
}

void SaveScreenshot(QWidget* widget, const std::string& name) {
    ExpectLayoutFits(widget, name);
    QDir().mkpath(QStringLiteral(QUILLIX_SCREENSHOT_DIR));
    widget->grab().save(QStringLiteral(QUILLIX_SCREENSHOT_DIR "/%1.png").arg(QString::fromStdString(name)));
}

MsgAnswer RecordingMessageBoxes::Show(QWidget*, const MessageBoxRequest& request) {
    shown.push_back(request);
    ticks.push_back(platform::GetTickCount());
    // An unanswered box takes its default button.
    if (answers.empty())
        return request.buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
    MsgAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

std::optional<std::string> ScriptedFileDialogs::GetOpenFileName(QWidget*, const OpenFileRequest& request) {
    requests.push_back(request);
    if (paths.empty())
        return std::nullopt;
    std::string path = paths.front();
    paths.pop_front();
    return path;
}

std::string SourceText(const std::string& relative) {
    std::ifstream in(std::string(QUILLIX_SOURCE_DIR "/") + relative, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void LoadProject(const std::string& configPath) {
    g_pConfigIni = new CIniFile(configPath);
    g_pConfigIni->Load();
    g_pIcTypeIni = new CIcTypeIni();
    g_pIcTypeIni->LoadUserSetting();
    g_pIcTypeIni->ListIniFiles();
    g_pIcTypeIni->LoadIcIni();
    g_pIcTypeIni->Parse_ProjectType();
    CreateDevTypeInfo();
}

void UnloadProject() {
    CIniFile* config = g_pConfigIni;
    testsupport::ResetProcessGlobals();
    delete config;
}

} // namespace uitest
