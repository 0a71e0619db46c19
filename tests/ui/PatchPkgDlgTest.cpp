#include "ui/update/PatchPkgDlg.h"
#include "app/Messages.h"
#include "core/Broadcast.h"
#include "core/MessageIds.h"
#include "model/ConfigIni.h"
#include "tests/ui/UpdateDlgFixture.h"
#include "ui/update/PatchPkgDlg3.h"
#include "ui/update/PatchPkgDlg6.h"

#include <QColor>
#include <QPalette>
#include <QProgressBar>
#include <QWidget>

using uitest::PumpUntil;

namespace {

// The sample reader's firmware: IC generation 0x01, firmware 0x20, sub-version 0x0001.
constexpr const char* kReaderFirmware = "0120";
constexpr const char* kFirmwareKey = "0x01200001";

class PatchPkgDlgTest : public UpdateDlgFixture {
protected:
    using Dlg = CPatchPkgDlg;

    CPatchPkgDlg* Start(const std::string& config) {
        Prepare("flash-usb", 1, config);
        return Show<CPatchPkgDlg>(&g_pPatchPkgDlg);
    }
    // Waits until the reader check answered and no request runs.
    void WaitChecked(const std::string& expectedLine) {
        ASSERT_TRUE(PumpUntil([&] {
            return Text(Dlg::IDC_READER_INFO).find(expectedLine) != std::string::npos &&
                   Text(Dlg::IDC_UPDATE) == "Update";
        })) << Text(Dlg::IDC_READER_INFO);
        uitest::PumpPending();
    }
};

TEST_F(PatchPkgDlgTest, EmptyDownloadFileNeverEnablesUpdate) {
    Start("");
    WaitChecked(std::string("Current Firmware : ") + kReaderFirmware);
    EXPECT_EQ(Text(Dlg::IDC_READER_INFO),
              LoadMessage(IDS_CHECK_DEVICE_INFO_SUCCEED) + "\n\nCurrent Firmware : " + kReaderFirmware);
    EXPECT_EQ(m_dlg->windowTitle().toStdString(), "ReaderFF 1.00 (Corvane USB Card Reader)");
    EXPECT_FALSE(Enabled(Dlg::IDC_UPDATE));
    EXPECT_TRUE(Text(Dlg::IDC_UPDATE_INFO).empty());
    EXPECT_TRUE(m_boxes.shown.empty());
    Screenshot("update-one-reader-no-file");
}

TEST_F(PatchPkgDlgTest, UpdatesTheReaderAndShowsItsNewFirmware) {
    Prepare("flash-usb", 1);
    FirmwareFromReader("fw.bin");
    g_pConfigIni->SetEntry("Quillix Config", "Download File", "fw.bin");
    g_pConfigIni->SetEntry("Quillix Config", "FwInfo", "TRX9 firmware 1.21");
    g_pConfigIni->SetEntry("Quillix Config", "Title", "Line 3 Updater");
    Show<CPatchPkgDlg>(&g_pPatchPkgDlg);
    WaitChecked(std::string("Current Firmware : ") + kReaderFirmware);
    ASSERT_TRUE(PumpUntil([&] { return Enabled(Dlg::IDC_UPDATE); }));
    EXPECT_EQ(m_dlg->windowTitle().toStdString(), "Line 3 Updater");
    EXPECT_EQ(Text(Dlg::IDC_UPDATE_INFO), "Firmware Information : TRX9 firmware 1.21");
    Screenshot("update-one-reader-ready");

    // The new firmware reports version 0x21.
    Sim().MustSim("set 0 status.8 0x21");
    Click(Dlg::IDC_UPDATE);
    EXPECT_EQ(Text(Dlg::IDC_UPDATE), "Cancel");
    Screenshot("update-one-reader-running");
    WaitForBoxes(1);
    EXPECT_EQ(m_boxes.shown[0].text, LoadMessage(IDS_FW_UPDATE_SUCCEED));
    EXPECT_EQ(m_boxes.shown[0].caption, "Line 3 Updater");
    EXPECT_EQ(m_boxes.shown[0].icon, MsgIcon::None);
    // After the box the reader is checked again.
    WaitChecked("Current Firmware : 0121");
    EXPECT_EQ(Control<QProgressBar>(Dlg::IDC_PROGRESS)->value(), 0);
    EXPECT_TRUE(Enabled(Dlg::IDC_UPDATE));
    Screenshot("update-one-reader-updated");
}

// The colour of a label's text.
QColor TextColour(QWidget* label) {
    return label->palette().color(QPalette::WindowText);
}

TEST_F(PatchPkgDlgTest, FailedUpdateStaysOnShowUntilTheNextUpdate) {
    Prepare("flash-usb", 1);
    FirmwareFromReader("fw.bin");
    g_pConfigIni->SetEntry("Quillix Config", "Download File", "fw.bin");
    Show<CPatchPkgDlg>(&g_pPatchPkgDlg);
    WaitChecked(std::string("Current Firmware : ") + kReaderFirmware);
    ASSERT_TRUE(PumpUntil([&] { return Enabled(Dlg::IDC_UPDATE); }));
    const QColor normal = TextColour(Control<QWidget>(Dlg::IDC_READER_INFO));

    Sim().MustSim("fault 0 fail QDEraseFlash2 1000");
    Click(Dlg::IDC_UPDATE);
    WaitForBoxes(1);
    const std::string failure = m_boxes.shown[0].text;
    EXPECT_EQ(m_boxes.shown[0].icon, MsgIcon::Error);
    // The reader check after the box does not paint over the failure.
    WaitChecked(failure + "\n\nCurrent Firmware : ");
    EXPECT_EQ(Text(Dlg::IDC_READER_INFO).rfind(failure, 0), 0u) << Text(Dlg::IDC_READER_INFO);
    EXPECT_NE(TextColour(Control<QWidget>(Dlg::IDC_READER_INFO)), normal);
    Screenshot("update-one-reader-failed");

    Sim().MustSim("fault 0 off");
    Click(Dlg::IDC_UPDATE);
    WaitForBoxes(2);
    EXPECT_EQ(m_boxes.shown[1].text, LoadMessage(IDS_FW_UPDATE_SUCCEED));
    WaitChecked(LoadMessage(IDS_CHECK_DEVICE_INFO_SUCCEED));
    EXPECT_EQ(TextColour(Control<QWidget>(Dlg::IDC_READER_INFO)), normal);
}

TEST_F(PatchPkgDlgTest, ReaderRemovalAndArrivalAreCheckedAgain) {
    Start("");
    WaitChecked(kReaderFirmware);
    Sim().MustSim("detach 0");
    WaitChecked(LoadMessage(IDS_DETECT_DEVICE_FAIL));
    EXPECT_EQ(Text(Dlg::IDC_READER_INFO),
              LoadMessage(IDS_DETECT_DEVICE_FAIL) + "\n\nCurrent Firmware : 0000");
    Screenshot("update-one-reader-removed");
    Sim().MustSim("attach 0");
    WaitChecked(LoadMessage(IDS_CHECK_DEVICE_INFO_SUCCEED));
}

TEST_F(PatchPkgDlgTest, UnusableLibraryLeavesOnlyClosing) {
    Start("");
    WaitChecked(kReaderFirmware);
    m_dlg->PostMessage(UM_FATAL, IDS_LOAD_FUN_FAIL, 0);
    WaitForBoxes(1);
    EXPECT_EQ(m_boxes.shown[0].text, LoadMessage(IDS_LOAD_FUN_FAIL));
    EXPECT_EQ(m_boxes.shown[0].caption, "ReaderFF");
    EXPECT_EQ(m_boxes.shown[0].icon, MsgIcon::Error);
    EXPECT_FALSE(Enabled(Dlg::IDC_UPDATE));
    EXPECT_EQ(Text(Dlg::IDC_UPDATE), "Cancel");
}

// The table dialog: the firmware comes from the config.ini section that matches the reader.
class PatchPkgDlg3Test : public UpdateDlgFixture {
protected:
    using Dlg = CPatchPkgDlg3;

    void WaitIdleWithStatus(const std::string& status) {
        ASSERT_TRUE(PumpUntil([&] {
            return Text(Dlg::IDC_STATUS) == status && Text(Dlg::IDC_UPDATE) == "Update";
        })) << Text(Dlg::IDC_STATUS);
        uitest::PumpPending();
    }
};

TEST_F(PatchPkgDlg3Test, ReaderInNoSectionHasNoFirmware) {
    Prepare("flash-usb", 3,
            "[ReaderFF_FWInfo_00]\nFWFile=fw.bin\nFWInfo=Other reader\nCheck VID=0x1234\nCheck PID=0x5678\n"
            "Check IcVersion=0x0100\n");
    Show<CPatchPkgDlg3>(&g_pPatchPkgDlg3);
    WaitIdleWithStatus("Check Device Info Fail!");
    ASSERT_TRUE(PumpUntil([&] { return Text(Dlg::IDC_READER_INFO) == "Current Firmware : 0x0120"; }));
    EXPECT_EQ(Text(Dlg::IDC_UPDATE_INFO), "Firmware Information : N/A");
    EXPECT_FALSE(Enabled(Dlg::IDC_UPDATE));
    EXPECT_TRUE(m_boxes.shown.empty());
    Screenshot("update-table-unknown-reader");
}

TEST_F(PatchPkgDlg3Test, ChoosesTheSectionOfTheReaderAndUpdates) {
    Prepare(
        "flash-usb", 3,
        "[ReaderFF_FWInfo_00]\nFWFile=other.bin\nFWInfo=Older generation\nCheck VID=0x2C7A\nCheck "
        "PID=0x0401\n"
        "Check IcVersion=0x0200\n"
        "[ReaderFF_FWInfo_01]\nFWFile=fw.bin\nFWInfo=TRX9 firmware 1.21\nCheck VID=0x2C7A\nCheck PID=0x0401\n"
        "Check IcVersion=0x0100\nCheck FwVersion=0x0120\n");
    FirmwareFromReader("fw.bin");
    auto* dlg = Show<CPatchPkgDlg3>(&g_pPatchPkgDlg3);
    WaitIdleWithStatus("Check Device Info Succeed.");
    // The chosen file is loaded last.
    ASSERT_TRUE(
        PumpUntil([&] { return Text(Dlg::IDC_UPDATE_INFO) == "Firmware Information : TRX9 firmware 1.21"; }));
    EXPECT_TRUE(Enabled(Dlg::IDC_UPDATE));
    EXPECT_EQ(dlg->m_strFwPath, "fw.bin");
    EXPECT_EQ(Text(Dlg::IDC_READER_INFO), "Current Firmware : 0x0120");
    EXPECT_EQ(dlg->m_bHasRomVersions, 0u);
    Screenshot("update-table-ready");

    Click(Dlg::IDC_UPDATE);
    Screenshot("update-table-running");
    WaitForBoxes(1);
    EXPECT_EQ(m_boxes.shown[0].text, LoadMessage(IDS_FW_UPDATE_SUCCEED));
    EXPECT_EQ(m_boxes.shown[0].caption, "ReaderFF");
    WaitIdleWithStatus("Check Device Info Succeed.");
    Screenshot("update-table-updated");

    Sim().MustSim("fault 0 fail QDEraseFlash2 1000");
    Click(Dlg::IDC_UPDATE);
    WaitForBoxes(2);
    EXPECT_EQ(m_boxes.shown[1].text, LoadMessage(IDS_ERASE_FLASH_FAIL));
    EXPECT_EQ(m_boxes.shown[1].icon, MsgIcon::Error);
    // The failure stays in the status line until the next action.
    WaitIdleWithStatus(LoadMessage(IDS_ERASE_FLASH_FAIL));
    Screenshot("update-table-failed");
}

TEST_F(PatchPkgDlg3Test, FirmwareFileThatCannotBeLoadedKeepsUpdateDisabled) {
    Prepare("flash-usb", 3,
            "[ReaderFF_FWInfo_00]\nFWFile=gone.bin\nFWInfo=TRX9 firmware 1.21\nCheck VID=0x2C7A\n"
            "Check PID=0x0401\nCheck IcVersion=0x0100\n");
    Show<CPatchPkgDlg3>(&g_pPatchPkgDlg3);
    WaitForBoxes(1);
    EXPECT_EQ(m_boxes.shown[0].text, LoadMessage(IDS_LOAD_FILE_DATA_FAIL));
    ASSERT_TRUE(PumpUntil([&] { return Text(Dlg::IDC_UPDATE) == "Update"; }));
    uitest::PumpPending();
    EXPECT_FALSE(Enabled(Dlg::IDC_UPDATE));
    EXPECT_EQ(Text(Dlg::IDC_STATUS), LoadMessage(IDS_LOAD_FILE_DATA_FAIL));
}

TEST_F(PatchPkgDlg3Test, FailedUpdateStaysInTheStatusLine) {
    Prepare("flash-usb", 3,
            "[ReaderFF_FWInfo_00]\nFWFile=fw.bin\nFWInfo=TRX9 firmware 1.21\nCheck VID=0x2C7A\n"
            "Check PID=0x0401\nCheck IcVersion=0x0100\n");
    FirmwareFromReader("fw.bin");
    Show<CPatchPkgDlg3>(&g_pPatchPkgDlg3);
    WaitIdleWithStatus("Check Device Info Succeed.");
    ASSERT_TRUE(PumpUntil([&] { return Enabled(Dlg::IDC_UPDATE); }));
    const QColor normal = TextColour(Control<QWidget>(Dlg::IDC_STATUS));
    Sim().MustSim("fault 0 fail QDEraseFlash2 1000");
    Click(Dlg::IDC_UPDATE);
    WaitForBoxes(1);
    const std::string failure = m_boxes.shown[0].text;
    WaitIdleWithStatus(failure);
    EXPECT_NE(TextColour(Control<QWidget>(Dlg::IDC_STATUS)), normal);
}

TEST_F(PatchPkgDlg3Test, RomVersionsChooseByTheRomRule) {
    Prepare(
        "flash-usb", 3,
        "[ReaderFF_FWInfo_00]\nFWFile=check.bin\nFWInfo=By check rule\nCheck VID=0x2C7A\nCheck PID=0x0401\n"
        "Check IcVersion=0x0100\n"
        "[ReaderFF_FWInfo_01]\nFWFile=fw.bin\nFWInfo=By ROM rule\nRom VID=0x2C7A\nRom PID=0x0401\n"
        "Rom IcVersion=0x0100\nRom SubVersion=0x0001\n");
    FirmwareFromReader("fw.bin");
    auto* dlg = Show<CPatchPkgDlg3>(&g_pPatchPkgDlg3);
    WaitIdleWithStatus("Check Device Info Succeed.");
    ASSERT_TRUE(
        PumpUntil([&] { return Text(Dlg::IDC_UPDATE_INFO) == "Firmware Information : By ROM rule"; }));
    EXPECT_TRUE(Enabled(Dlg::IDC_UPDATE));
    EXPECT_EQ(dlg->m_bHasRomVersions, 1u);
    EXPECT_EQ(dlg->m_strFwPath, "fw.bin");
}

TEST_F(PatchPkgDlg3Test, ReaderLeavingAndComingBackIsLookedAtAgain) {
    Prepare(
        "flash-usb", 3,
        "[ReaderFF_FWInfo_00]\nFWFile=fw.bin\nFWInfo=TRX9 firmware 1.21\nCheck VID=0x2C7A\nCheck PID=0x0401\n"
        "Check IcVersion=0x0100\n");
    FirmwareFromReader("fw.bin");
    Show<CPatchPkgDlg3>(&g_pPatchPkgDlg3);
    WaitIdleWithStatus("Check Device Info Succeed.");
    Sim().MustSim("detach 0");
    WaitIdleWithStatus(LoadMessage(IDS_DETECT_DEVICE_FAIL));
    EXPECT_EQ(Text(Dlg::IDC_UPDATE_INFO), "Firmware Information : N/A");
    EXPECT_FALSE(Enabled(Dlg::IDC_UPDATE));
    Screenshot("update-table-no-reader");
    m_clock.ClearSleeps();
    Sim().MustSim("attach 0");
    WaitIdleWithStatus("Check Device Info Succeed.");
    ASSERT_TRUE(PumpUntil([&] { return Enabled(Dlg::IDC_UPDATE); }));
    // A reader that arrives gets a short pause before it is looked at.
    const std::vector<uint32_t> sleeps = m_clock.Sleeps();
    ASSERT_FALSE(sleeps.empty());
    EXPECT_EQ(sleeps.front(), CPatchPkgDlg3::kArrivalPauseMs);
}

// The multi-reader dialog: every reader is checked, then updated in turn.
class PatchPkgDlg6Test : public UpdateDlgFixture {
protected:
    using Dlg = CPatchPkgDlg6;

    CPatchPkgDlg6* Start(int readers) {
        Prepare(
            "flash-usb", 6,
            std::string("[ReaderFF_FWInfo_00]\nFWFile=fw.bin\nFWInfo=TRX9 firmware 1.21\nRom FwVersion=") +
                kFirmwareKey + "\n");
        for (int extra = 1; extra < readers; ++extra)
            Sim().MustSim("add flash-usb");
        FirmwareFromReader("fw.bin");
        return Show<CPatchPkgDlg6>(&g_pPatchPkgDlg6);
    }
    void WaitReady(CPatchPkgDlg6* dlg) {
        ASSERT_TRUE(PumpUntil([&] { return !dlg->ScanPending() && Enabled(Dlg::IDC_UPDATE); }))
            << Text(Dlg::IDC_STATUS);
        uitest::PumpPending();
    }
};

TEST_F(PatchPkgDlg6Test, ChecksEveryReaderBeforeTheUpdate) {
    auto* dlg = Start(3);
    WaitReady(dlg);
    EXPECT_EQ(Text(Dlg::IDC_STATUS), "Check Device Info Succeed.");
    EXPECT_EQ(Text(Dlg::IDC_READER_INFO), "Current Firmware : 0120");
    EXPECT_EQ(Text(Dlg::IDC_UPDATE_INFO), "Firmware Information : TRX9 firmware 1.21");
    EXPECT_TRUE(m_boxes.shown.empty());
    Screenshot("update-all-readers-ready");
}

TEST_F(PatchPkgDlg6Test, ReaderWithoutFirmwareNamesItsPort) {
    auto* dlg = Start(2);
    // The second reader runs a firmware the table does not know.
    Sim().MustSim("set 1 status.8 0x33");
    Sim().MustSim("set 1 location-a 5");
    ASSERT_TRUE(PumpUntil([&] { return !dlg->ScanPending() && Text(Dlg::IDC_STATUS).find("Port") == 0; }))
        << Text(Dlg::IDC_STATUS);
    EXPECT_EQ(Text(Dlg::IDC_STATUS), "Port 5 Check Device Info Fail!");
    EXPECT_FALSE(Enabled(Dlg::IDC_UPDATE));
    Screenshot("update-all-readers-unknown-firmware");
}

TEST_F(PatchPkgDlg6Test, NoReaderLeavesUpdateDisabled) {
    Start(1);
    Sim().MustSim("detach 0");
    ASSERT_TRUE(PumpUntil([&] { return Text(Dlg::IDC_STATUS) == LoadMessage(IDS_DETECT_DEVICE_FAIL); }))
        << Text(Dlg::IDC_STATUS);
    uitest::PumpPending();
    EXPECT_FALSE(Enabled(Dlg::IDC_UPDATE));
    Screenshot("update-all-readers-no-reader");
}

TEST_F(PatchPkgDlg6Test, SecondReaderFailingShowsOneErrorBoxAtTheEnd) {
    auto* dlg = Start(3);
    WaitReady(dlg);
    // Every update works on the first reader; its second flash erase and all after it fail.
    Sim().MustSim("fault 0 fail QDEraseFlash2 1000 1");
    Click(Dlg::IDC_UPDATE);
    EXPECT_EQ(Text(Dlg::IDC_UPDATE), "Cancel");
    Screenshot("update-all-readers-running");
    WaitForBoxes(1);
    ASSERT_TRUE(PumpUntil([&] { return Text(Dlg::IDC_UPDATE) == "Update" && !dlg->ScanPending(); }));
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_EQ(m_boxes.shown[0].icon, MsgIcon::Error);
    EXPECT_EQ(m_boxes.shown[0].caption, "ReaderFF");
    EXPECT_EQ(m_boxes.shown[0].text, LoadMessage(IDS_ERASE_FLASH_FAIL));
    Screenshot("update-all-readers-second-failed");
}

} // namespace
