// The worker's update loop and reader check sequence running the USB FLASH firmware operations on
// simulated readers.
#include "core/Broadcast.h"
#include "core/MessageIds.h"
#include "core/UpdateDialogHooks.h"
#include "core/VrkThread.h"
#include "device/DevTypeInfo.h"
#include "device/FirmwareTable.h"
#include "model/ConfigIni.h"
#include "model/IcTypeIni.h"
#include "platform/FakeClock.h"
#include "platform/Text.h"
#include "tests/support/ProcessGlobals.h"
#include "tests/support/ReaderValues.h"
#include "tests/support/RecordingDialog.h"
#include "tests/support/SimReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>

using testsupport::SimReader;

namespace {

// An update dialog: the messages it receives, each with the fake clock's tick; and the scan-pending
// flag of the multi-reader dialog.
class RecordingDialog6 : public testsupport::RecordingDialog, public IPatchPkgDlg6Hooks {
public:
    void SignalCompletion() override {}
    void ClearScanPending() override { m_scanCleared = true; }

    // The tick of the first message with that id and wParam; 0 when there is none.
    uint32_t TickOf(uint32_t id, uintptr_t wParam) const {
        for (const testsupport::PostedMessage& m : Posted())
            if (m.id == id && m.wParam == wParam)
                return m.tick;
        return 0;
    }
    bool ScanCleared() const { return m_scanCleared; }

private:
    std::atomic<bool> m_scanCleared = false;
};

constexpr const char* kFlashIni = "[Quillix Config]\nProject Type=Flash\nBus Type=USB\n[Vendor Info M1]\n"
                                  "PreOffset=0\nConfig Addr=8\nConfig DataMode=10\nUSBSTR Addr=9\n";

// A firmware image of 8 KiB with a vendor block 256 bytes before its end.
std::vector<uint8_t> Image() {
    std::vector<uint8_t> image(0x2000);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i * 13 + 1);
    uint8_t* block = image.data() + image.size() - 256;
    std::fill(block, block + 256, 0x00);
    block[0] = 0x55;
    block[1] = 0xAA;
    block[8] = 0x60;
    const uint8_t strings[] = {5, 3, 'N', 'E', 'W', 4, 3, 'P', 'R', 4, 3, 'S', 'N'};
    std::memcpy(block + 9, strings, sizeof(strings));
    return image;
}

// Simulated FLASH readers, the USB FLASH device-type object, a firmware table, the fake clock and one
// recording update dialog; the worker runs the posted requests and ends.
class FirmwareWorkerTest : public testing::Test {
protected:
    void Start(const std::string& preset, MemoryKind kind = FLASH) {
        m_sim = std::make_unique<SimReader>(preset);
        m_sim->Write("chip.ini", kFlashIni);
        g_pIcTypeIni = new CIcTypeIni();
        g_pIcTypeIni->ListIniFiles();
        g_pIcTypeIni->LoadIcIni();
        g_pIcTypeIni->Parse_ProjectType();
        g_ProjectType = kind;
        g_pConfigIni = &m_config;
        CreateDevTypeInfo();
    }
    void TearDown() override {
        testsupport::ResetProcessGlobals();
        m_sim.reset();
    }

    std::vector<uint8_t> Flash(size_t n) const {
        std::string path = m_sim->File("flash-now.bin");
        m_sim->MustSim("read " + std::to_string(n) + " flash " + path);
        std::string bytes = testsupport::ReadFileBytes(path);
        return std::vector<uint8_t>(bytes.begin(), bytes.end());
    }
    static bool StartsWith(const std::vector<uint8_t>& flash, const std::vector<uint8_t>& image) {
        return flash.size() >= image.size() && std::equal(image.begin(), image.end(), flash.begin());
    }

    void Run(const std::vector<std::pair<uint32_t, intptr_t>>& requests) {
        ASSERT_NE(StartVrkThread(), nullptr);
        for (const auto& [id, lParam] : requests)
            ASSERT_TRUE(g_pVrkThread->PostThreadMessage(id, 0, lParam));
        g_pVrkThread->PostQuitMessage();
        g_pVrkThread->Join();
    }

    platform::FakeClock m_clock;
    CIniFile m_config;
    std::unique_ptr<SimReader> m_sim;
    RecordingDialog6 m_dialog;
};

} // namespace

TEST_F(FirmwareWorkerTest, StationStopsAtTheSecondSocket) {
    Start("station");
    g_dwCustomizeUI = 5;
    g_pPatchPkgDlg5 = &m_dialog;
    std::vector<uint32_t> readers = testsupport::ReaderValues();
    ASSERT_EQ(readers.size(), 3u);
    m_sim->Write("sd1.bin", Image());
    m_sim->Write("sd2.bin", Image());
    for (uint32_t i = 0; i < 3; ++i)
        g_pDevTypeInfo->m_dwSocketReader[i] = readers[i];
    g_pDevTypeInfo->m_strSocketFile[0] = "sd1.bin";
    g_pDevTypeInfo->m_strSocketFile[1] = "cf-missing.bin"; // the second socket's image cannot be read
    g_pDevTypeInfo->m_strSocketFile[2] = "sd2.bin";
    std::vector<uint8_t> third = Flash(2);

    Run({{UM_REQ_UPDATE_ALL, 0}});

    EXPECT_EQ(m_dialog.Of(UM_SOCKET_BEGIN), (std::vector<uintptr_t>{0, 1}));
    EXPECT_EQ(m_dialog.Of(UM_SUCCEED), (std::vector<uintptr_t>{41754}));
    EXPECT_EQ(m_dialog.Of(UM_FAIL), (std::vector<uintptr_t>{41530}));
    EXPECT_EQ(m_dialog.Of(UM_UPDATE_STOPPED).size(), 1u);
    EXPECT_TRUE(m_dialog.Of(UM_ALL_UPDATED).empty());
    uint32_t failed = m_dialog.TickOf(UM_FAIL, 41530);
    EXPECT_EQ(m_dialog.TickOf(UM_UPDATE_STOPPED, 0) - failed, 1000u) << "stopped after 1000 ms";
    EXPECT_EQ(m_clock.Sleeps().back(), 1000u);
    EXPECT_TRUE(StartsWith(Flash(0), Image())) << "the first socket was updated";
    EXPECT_EQ(Flash(2), third) << "the third socket was never started";
}

TEST_F(FirmwareWorkerTest, ReaderCheckSequenceThenUpdateOfTheCountedReader) {
    Start("flash-usb");
    g_dwCustomizeUI = 6;
    g_pPatchPkgDlg6 = &m_dialog;
    g_pPatchPkgDlg6Hooks = &m_dialog;
    // The reader's firmware key (0x0120, 0x0001) names its image in the table.
    std::string section = FirmwareTable::SectionName(FLASH, 0);
    m_config.SetEntry(section, "Rom FwVersion", "0x01200001");
    m_config.SetEntry(section, "FWFile", "fw.bin");
    m_config.SetEntry(section, "FWInfo", "release");
    m_sim->Write("fw.bin", Image());

    Run({{UM_REQ_CHECK_READERS, 0}, {UM_REQ_UPDATE_ALL, 0}});

    EXPECT_TRUE(m_dialog.ScanCleared());
    // The scan reports the first reader's version, the check finds its firmware and names no reader.
    EXPECT_EQ(m_dialog.Of(UM_FW_STATUS), (std::vector<uintptr_t>{41906, 41906, 41906, 41906}));
    EXPECT_EQ(m_dialog.Of(UM_FW_VERSIONS), (std::vector<uintptr_t>{0}));
    EXPECT_EQ(m_dialog.Of(UM_READERS_CHECKED).size(), 1u);
    EXPECT_EQ(m_dialog.Of(UM_SUCCEED), (std::vector<uintptr_t>{41754}));
    EXPECT_EQ(m_dialog.Of(UM_ALL_UPDATED).size(), 1u);
    EXPECT_TRUE(m_dialog.Of(UM_UPDATE_STOPPED).empty());
    EXPECT_TRUE(m_dialog.Of(UM_FAIL).empty());
    EXPECT_TRUE(StartsWith(Flash(0), Image()));
}

TEST_F(FirmwareWorkerTest, OtherDeviceTypesDoNotSupportTheFirmwareRequests) {
    Start("flash-usb", EEPROM);
    g_pPatchPkgDlg6 = &m_dialog;
    g_pDevTypeInfo->m_dwDevCount = 1;
    Run({{UM_REQ_CHECK_DEV_INFO, 0}, {UM_REQ_UPDATE_ALL, 0}});
    EXPECT_EQ(m_dialog.Of(UM_FAIL), (std::vector<uintptr_t>{41500, 41500}));
    EXPECT_EQ(m_dialog.Of(UM_UPDATE_STOPPED).size(), 1u);
}

TEST_F(FirmwareWorkerTest, ReadersSentIntoRomCodeAreRestartedAfterTheCheck) {
    Start("flash-usb");
    m_sim->MustSim("add flash-usb");
    for (const char* reader : {"0", "1"}) {
        // Both must go into ROM code, and each shows a zero firmware key for a while after a reset.
        m_sim->MustSim(std::string("set ") + reader + " ext.29 0x42");
        m_sim->MustSim(std::string("set ") + reader + " ext.21 0x40");
        m_sim->MustSim(std::string("set ") + reader + " zero-key-reads 4");
    }
    g_pPatchPkgDlg6 = &m_dialog;
    g_pPatchPkgDlg6Hooks = &m_dialog;
    m_sim->MustSim("journal on");

    Run({{UM_REQ_CHECK_READERS, 0}});

    EXPECT_EQ(g_pDevTypeInfo->m_dwDevCount, 2u);
    EXPECT_EQ(g_pDevTypeInfo->m_bSkipReset, 0u);
    EXPECT_EQ(m_sim->JournalOf("QDResetRom").size(), 2u);
    EXPECT_EQ(m_sim->JournalOf("QDRst2FlashCode").size(), 2u);
    std::vector<uint32_t> sleeps = m_clock.Sleeps();
    EXPECT_NE(std::find(sleeps.begin(), sleeps.end(), 200u), sleeps.end()) << "the zero key was polled";
    // Readers in ROM code are not looked up in the table.
    EXPECT_EQ(m_dialog.Of(UM_FW_VERSIONS), (std::vector<uintptr_t>{0}));
    EXPECT_EQ(m_dialog.Of(UM_READERS_CHECKED).size(), 1u);
    EXPECT_TRUE(m_dialog.ScanCleared());
}
