#include "app/DialogModule.h"
#include "app/QuillixApp.h"
#include "core/Broadcast.h"
#include "tests/support/ProcessGlobals.h"
#include "tests/support/TempDir.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/AboutDlg.h"
#include "ui/DialogChoice.h"
#include "ui/DialogUnits.h"
#include "ui/FileDialogs.h"
#include "ui/ResultDialog.h"
#include "ui/WindowTitles.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <map>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

TEST(DialogUnits, ScaleByQuarterWidthAndEighthHeight) {
    DialogBaseUnits units{7, 16};
    EXPECT_EQ(DluToPixels({7, 7, 250, 123}, units), QRect(12, 14, 438, 246));
    // Rounded to the nearest pixel.
    EXPECT_EQ(DluToPixelsX(1, units), 2);
    EXPECT_EQ(DluToPixelsY(3, units), 6);
    EXPECT_EQ(DluToPixelsX(0, units), 0);
}

TEST(DialogUnits, BaseUnitsComeFromTheFont) {
    uitest::EnsureApplication();
    DialogBaseUnits units = BaseUnitsOf(QApplication::font());
    EXPECT_GT(units.cx, 2);
    EXPECT_GT(units.cy, units.cx);
}

struct ChoiceCase {
    uint32_t customizeUI;
    DialogKind kind;
    IResultDialog** pointer;
};

class DialogChoiceTable : public testing::TestWithParam<ChoiceCase> {};

TEST_P(DialogChoiceTable, CustomizeUISelectsTheDialog) {
    DialogChoice choice = ChooseDialog(GetParam().customizeUI);
    EXPECT_EQ(choice.kind, GetParam().kind);
    EXPECT_EQ(choice.globalPointer, GetParam().pointer);
}

INSTANTIATE_TEST_SUITE_P(Runner, DialogChoiceTable,
                         testing::Values(ChoiceCase{0, DialogKind::Main, &g_pMainDlg},
                                         ChoiceCase{1, DialogKind::PatchPkg, &g_pPatchPkgDlg},
                                         ChoiceCase{2, DialogKind::Main, &g_pMainDlg},
                                         ChoiceCase{3, DialogKind::PatchPkg3, &g_pPatchPkgDlg3},
                                         ChoiceCase{4, DialogKind::PatchPkg4, &g_pPatchPkgDlg4},
                                         ChoiceCase{5, DialogKind::PatchPkg5, &g_pPatchPkgDlg5},
                                         ChoiceCase{6, DialogKind::PatchPkg6, &g_pPatchPkgDlg6},
                                         ChoiceCase{7, DialogKind::Main, &g_pMainDlg},
                                         ChoiceCase{0xFFFFFFFF, DialogKind::Main, &g_pMainDlg}),
                         [](const auto& info) {
                             return "CustomizeUI" + std::to_string(info.param.customizeUI);
                         });

TEST(WindowTitles, ReaderTitle) {
    EXPECT_EQ(ReaderWindowTitle(EFUSE, "2.43", USB), "ReaderEfuse 2.43 (Corvane USB Card Reader)");
    EXPECT_EQ(ReaderWindowTitle(EEPROM, "", PCIE), "ReaderEE  (Corvane PCIE Card Reader)");
}

TEST(WindowTitles, UpdateDialogTitles) {
    EXPECT_EQ(UpdateDialogTitle(1, "Line 3 Updater", FLASH, "1.00", USB), "Line 3 Updater");
    EXPECT_EQ(UpdateDialogTitle(3, "", FLASH, "1.00", USB), "ReaderFF 1.00 (Corvane USB Card Reader)");
    EXPECT_EQ(UpdateDialogTitle(4, "ignored", FLASH, "1.00", PCIE),
              "Reader Check 1.00 (Corvane PCIE Card Reader)");
    EXPECT_EQ(UpdateDialogTitle(5, "ignored", FLASH, "1.00", USB), "ReaderFF 1.00 (Corvane USB Card Reader)");
}

TEST(FileDialogs, WindowsFilterBecomesQtFilter) {
    EXPECT_EQ(QtNameFilter("Binary Files (*.bin)|*.bin|All Files (*.*)|*.*||").toStdString(),
              "Binary Files (*.bin);;All Files (*)");
    EXPECT_EQ(QtNameFilter("Images|*.bin;*.img||").toStdString(), "Images (*.bin *.img)");
    EXPECT_EQ(QtNameFilter("").toStdString(), "");
}

// A listening TCP socket on the loopback whose port stands for X display port - 6000.
class FakeXServer {
public:
    FakeXServer() {
        m_fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        for (int port = 6100; port < 6200 && m_display < 0; ++port) {
            address.sin_port = htons(static_cast<uint16_t>(port));
            if (bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
                listen(m_fd, 4) == 0)
                m_display = port - 6000;
        }
    }
    ~FakeXServer() { close(m_fd); }
    int Display() const { return m_display; }

private:
    int m_fd;
    int m_display = -1;
};

TEST(DisplayCheck, SaysWhyNoWindowCanBeShown) {
    FakeXServer server;
    ASSERT_GE(server.Display(), 0);
    const std::string listening = "localhost:" + std::to_string(server.Display()) + ".0";
    struct Case {
        std::map<std::string, std::string> env;
        bool available;
        const char* reasonPart;
    };
    const Case cases[] = {
        {{}, false, "DISPLAY is not set"},
        {{{"DISPLAY", ""}}, false, "DISPLAY is not set"},
        {{{"QT_QPA_PLATFORM", "offscreen"}}, true, ""},
        {{{"QT_QPA_PLATFORM", "xcb"}}, false, "DISPLAY is not set"},
        {{{"DISPLAY", "nonsense"}}, false, "not of the form"},
        {{{"DISPLAY", ":x"}}, false, "not of the form"},
        {{{"DISPLAY", ":9876"}}, false, "does not accept a connection"},
        {{{"DISPLAY", listening}}, true, ""},
    };
    for (const Case& c : cases) {
        std::string reason = DisplayUnavailableReason([&](const char* name) -> const char* {
            auto it = c.env.find(name);
            return it == c.env.end() ? nullptr : it->second.c_str();
        });
        EXPECT_EQ(reason.empty(), c.available) << reason;
        EXPECT_NE(reason.find(c.reasonPart), std::string::npos) << reason;
    }
}

TEST(DialogModule, MissingModuleIsReportedAsNotSupported) {
    testsupport::ProcessGlobals globals;
    testsupport::TempProgramFolder folder;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    testing::internal::CaptureStderr();
    RunDialogModule();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(g_dwErrorCode, 41500u);
    EXPECT_NE(err.find("libquillix-ui.so"), std::string::npos) << err;
}

TEST(AboutBox, ShowsTheVersionAndNotice) {
    uitest::EnsureApplication();
    ReadShortVersion("2.43.0.0");
    CAboutDlg about;
    about.show();
    EXPECT_EQ(about.windowTitle().toStdString(), "About Quillix");
    auto* version = FindControl<QLabel>(&about, CAboutDlg::IDC_VERSION);
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->text().toStdString(), "Quillix Version 2.43");
    auto* notice = FindControl<QPlainTextEdit>(&about, CAboutDlg::IDC_NOTICE);
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isReadOnly());
    EXPECT_FALSE(notice->toPlainText().isEmpty());
    uitest::SaveScreenshot(&about, "about-box");
    ReadShortVersion();
}

} // namespace
