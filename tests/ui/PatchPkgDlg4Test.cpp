#include "ui/update/PatchPkgDlg4.h"
#include "app/Messages.h"
#include "core/Broadcast.h"
#include "core/MessageIds.h"
#include "device/DevTypeInfo.h"
#include "tests/ui/UpdateDlgFixture.h"

#include <QTextCursor>
#include <QTextEdit>

#include <vector>

using uitest::PumpUntil;

namespace {

using Dlg = CPatchPkgDlg4;

std::string Bytes(const uint8_t* data, size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

// The firmware check dialog on the simulated FLASH reader; reference images are written beside it.
class PatchPkgDlg4Test : public UpdateDlgFixture {
protected:
    void Start(bool holdInfo = true) {
        Prepare("flash-usb", 4, "", [holdInfo](std::string& ini) {
            if (!holdInfo)
                ini.replace(ini.find("Flash HoldInfo=1"), 16, "Flash HoldInfo=0");
        });
        Show<CPatchPkgDlg4>(&g_pPatchPkgDlg4);
        ASSERT_TRUE(PumpUntil([&] { return m_dlg->windowTitle().startsWith("Reader"); }));
    }
    // Presses Check and waits until the result is shown; `running` names a screenshot of the check
    // under way.
    std::string Check(const std::string& running = "") {
        Click(Dlg::IDC_CHECK);
        EXPECT_FALSE(Enabled(Dlg::IDC_CHECK));
        if (!running.empty())
            Screenshot(running);
        EXPECT_TRUE(PumpUntil([&] { return Enabled(Dlg::IDC_CHECK) && !ResultText().empty(); }));
        uitest::PumpPending();
        return ResultText();
    }
    std::string ResultText() { return Control<QTextEdit>(Dlg::IDC_RESULT)->toPlainText().toStdString(); }
    // The colour of the character at `position` of the result.
    QColor ColourAt(int position) {
        QTextCursor cursor(Control<QTextEdit>(Dlg::IDC_RESULT)->document());
        cursor.setPosition(position + 1);
        return cursor.charFormat().foreground().color();
    }
    // What the reader holds, as the quiet read brought it.
    std::string ReaderImage() { return Bytes(g_pDevTypeInfo->GetDataUp(), g_pDevTypeInfo->GetDataUpSize()); }
    // The reader's image with another vendor ID in its vendor block.
    std::string WithOtherVendorId(std::string image) {
        std::vector<uint8_t> bytes(image.begin(), image.end());
        g_pDevTypeInfo->SetDownloadImage(bytes);
        EXPECT_TRUE(g_pDevTypeInfo->CheckDownloadImage());
        EXPECT_TRUE(g_pDevTypeInfo->DownloadFields().SetVID(0x1D6B));
        return Bytes(g_pDevTypeInfo->GetDataDown(), g_pDevTypeInfo->GetDataDownSize());
    }
};

TEST_F(PatchPkgDlg4Test, NoReferenceFileFails) {
    Start();
    EXPECT_EQ(m_dlg->windowTitle().toStdString(), "Reader Check 1.00 (Corvane USB Card Reader)");
    Screenshot("firmware-check-ready");
    EXPECT_EQ(Check("firmware-check-running"), "F/W compare FAIL");
    EXPECT_EQ(ColourAt(12), QColor(255, 0, 0));
    EXPECT_TRUE(m_boxes.shown.empty());
    Screenshot("firmware-check-fail");
}

TEST_F(PatchPkgDlg4Test, SecondReferenceMatchesAndIsNamed) {
    Start();
    Check();
    std::string image = ReaderImage();
    std::string other = image;
    other[100] = static_cast<char>(other[100] ^ 0x5A);
    Sim().Write("A-OLDER.BIN", other);
    Sim().Write("b-current.bin", image);
    EXPECT_EQ(Check(), "F/W compare PASS, the F/W version is \nb-current.bin");
    EXPECT_EQ(ColourAt(12), QColor(0, 0, 255));
    EXPECT_EQ(ColourAt(static_cast<int>(ResultText().find("b-current"))), QColor(0, 0, 255));
    EXPECT_EQ(ColourAt(0), QColor(0, 0, 0));
    Screenshot("firmware-check-pass");
}

struct HoldInfoCase {
    const char* name;
    bool holdInfo;
    const char* expected;
};

class FirmwareCheckHoldInfo : public PatchPkgDlg4Test, public testing::WithParamInterface<HoldInfoCase> {};

// A reference that differs from the reader only in its vendor information.
TEST_P(FirmwareCheckHoldInfo, VendorInformationCountsOnlyWithoutHoldInfo) {
    Start(GetParam().holdInfo);
    Check();
    Sim().Write("vendor.bin", WithOtherVendorId(ReaderImage()));
    EXPECT_EQ(Check(), GetParam().expected);
    Screenshot(std::string("firmware-check-hold-info-") + GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(FirmwareCheck, FirmwareCheckHoldInfo,
                         testing::Values(HoldInfoCase{"on", true,
                                                      "F/W compare PASS, the F/W version is \nvendor.bin"},
                                         HoldInfoCase{"off", false, "F/W compare FAIL"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Neither an empty reference nor one longer than the image read can pass.
TEST_F(PatchPkgDlg4Test, EmptyAndLongerReferencesNeverPass) {
    Start();
    Check();
    std::string image = ReaderImage();
    Sim().Write("a-empty.bin", std::string());
    Sim().Write("b-longer.bin", image + std::string(4096, '\xFF'));
    EXPECT_EQ(Check(), "F/W compare FAIL");
}

struct ReadFailureCase {
    const char* name;
    const char* scene;
    const char* expected;
};

class FirmwareCheckReadFailure : public PatchPkgDlg4Test,
                                 public testing::WithParamInterface<ReadFailureCase> {};

TEST_P(FirmwareCheckReadFailure, ShowsItsOwnWordingWithoutABox) {
    Start();
    Sim().MustSim(GetParam().scene);
    EXPECT_EQ(Check(), GetParam().expected);
    EXPECT_TRUE(m_boxes.shown.empty());
    EXPECT_EQ(ColourAt(3), QColor(0, 0, 0));
    Screenshot(std::string("firmware-check-") + GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(FirmwareCheck, FirmwareCheckReadFailure,
                         testing::Values(ReadFailureCase{"no-reader", "detach 0",
                                                         "Cann't Find Corvane Card Reader Device\n"},
                                         ReadFailureCase{"two-readers", "add flash-usb",
                                                         "Exist Multiple Corvane Card Reader Device\n"}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

TEST_F(PatchPkgDlg4Test, UnusableLibraryDisablesCheck) {
    Start();
    m_dlg->PostMessage(UM_FATAL, IDS_LOAD_LIB_FAIL, 0);
    WaitForBoxes(1);
    EXPECT_EQ(m_boxes.shown[0].caption, "ReaderFF");
    EXPECT_EQ(m_boxes.shown[0].icon, MsgIcon::Error);
    EXPECT_FALSE(Enabled(Dlg::IDC_CHECK));
}

} // namespace
