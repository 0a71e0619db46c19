#include "core/Broadcast.h"
#include "device/VrkFun.h"
#include "model/IcTypeIni.h"
#include "platform/FakeClock.h"
#include "platform/Text.h"
#include "tests/support/ProcessGlobals.h"
#include "tests/support/SimReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using testsupport::SimReader;

namespace {

// One device session on the simulated reader, with the fake clock and the call journal on.
class SessionTest : public testing::Test {
protected:
    void Start(const std::string& preset, BusType bus = USB, const std::string& icIni = "") {
        m_sim = std::make_unique<SimReader>(preset);
        if (!icIni.empty())
            m_sim->Write("chip.ini", icIni);
        g_pIcTypeIni = new CIcTypeIni();
        g_pIcTypeIni->ListIniFiles();
        g_pIcTypeIni->LoadIcIni();
        g_BusType = bus;
        ASSERT_EQ(m_session.LoadLib(), 1u);
        ASSERT_EQ(m_session.LoadFun(), 1u);
        m_sim->MustSim("journal on");
        m_sim->MustSim("journal clear");
    }
    void TearDown() override {
        m_session.CloseSession();
        m_sim.reset();
        testsupport::ResetProcessGlobals();
    }
    // Journal lines of the entries whose names start with `prefix`, by entry name only.
    std::vector<std::string> CalledEntries(const std::string& prefix) const {
        std::vector<std::string> names;
        for (const std::string& line : m_sim->Journal()) {
            // "[N] NAME(...)" when the call reached reader N, "NAME(...)" otherwise.
            size_t start = line.rfind('[', 0) == 0 ? line.find(']') + 2 : 0;
            size_t open = line.find('(', start);
            std::string name = line.substr(start, open - start);
            if (name.rfind(prefix, 0) == 0)
                names.push_back(name);
        }
        return names;
    }

    platform::FakeClock m_clock;
    std::unique_ptr<SimReader> m_sim;
    CVrkFun m_session;
};

} // namespace

TEST_F(SessionTest, CountsReadersOnTheConfiguredBus) {
    struct Case {
        const char* preset;
        const char* more; // a second reader, or none
        BusType bus;
        uint8_t count;
    } cases[] = {
        {"eeprom-usb", nullptr, USB, 1},      // storage device and its disk child: one reader
        {"flash-usb", nullptr, USB, 1},       // disk-only reader
        {"eeprom-usb", "eeprom-usb", USB, 2}, // two readers
        {"eeprom-usb", "flash-usb", USB, 2},  // storage reader and disk-only reader
        {"eeprom-pcie", nullptr, PCIE, 1},    // PCIe reader
        {"eeprom-pcie", nullptr, USB, 0},     // a PCIe reader is not on the USB bus
        {"eeprom-usb", nullptr, PCIE, 0},     // and a USB reader is not on PCIe
        {"none", nullptr, USB, 0},
    };
    for (const Case& c : cases) {
        Start(c.preset, c.bus);
        if (c.more)
            m_sim->MustSim(std::string("add ") + c.more);
        EXPECT_EQ(m_session.CountReaders(), c.count) << c.preset << " " << (c.more ? c.more : "");
        EXPECT_EQ(m_session.m_hDev, 0u) << "counting leaves no device open";
        TearDown();
    }
}

TEST_F(SessionTest, TwoReadersRefuseTheOperation) {
    Start("eeprom-usb");
    m_sim->MustSim("add eeprom-usb");
    EXPECT_EQ(m_session.BeginOperation(false), 0u);
    EXPECT_EQ(g_dwErrorCode, 41513u);
    EXPECT_TRUE(CalledEntries("QDOpenVrkUsbCdrom").empty()) << "no open is attempted";
}

TEST_F(SessionTest, DiskWithStatusByte4IsNeitherCountedNorSelectable) {
    Start("flash-usb");
    m_sim->MustSim("set 0 status.4 1");
    EXPECT_EQ(m_session.CountReaders(), 0u);
    EXPECT_EQ(m_session.OpenReaderByIndex(0), 0u);
    m_session.CloseDevice();
    m_sim->MustSim("set 0 status.4 0");
    EXPECT_EQ(m_session.OpenReaderByIndex(0), 1u);
    EXPECT_NE(m_session.m_hDev, 0u);
}

TEST_F(SessionTest, StorageReadersAreNeverSelectedByIndex) {
    Start("eeprom-usb");
    m_sim->MustSim("add flash-usb");
    ASSERT_EQ(m_session.OpenReaderByIndex(1), 1u)
        << "index 1 is the disk-only reader after one storage reader";
    uint32_t instance = 0;
    m_session.Qd_GetReaderInst(m_session.m_hDev, &instance);
    m_session.CloseDevice();
    EXPECT_EQ(m_session.OpenReaderByIndex(0), 0u);
    m_session.CloseDevice();
    EXPECT_EQ(m_session.OpenReaderByIndex(2), 0u);
}

TEST_F(SessionTest, ReaderListUsesHandlesOfItsOwn) {
    Start("station");
    ASSERT_EQ(m_session.OpenReaderByIndex(0), 1u);
    const uint32_t held = m_session.m_hDev;
    m_sim->MustSim("journal clear");

    const std::vector<uint32_t> all = m_session.ListReaderInstances(3);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(std::count(all.begin(), all.end(), 0u), 0);
    EXPECT_EQ(std::set<uint32_t>(all.begin(), all.end()).size(), 3u);
    EXPECT_EQ(m_session.ListReaderInstances(2), std::vector<uint32_t>(all.begin(), all.begin() + 2));

    // Every handle it opened is closed again; the session's own reader stays open.
    size_t opened = 0;
    for (const std::string& line : m_sim->Journal())
        if (line.find("QDOpenVrk") != std::string::npos && line.find(" -> 0x0") == std::string::npos)
            ++opened;
    EXPECT_EQ(CalledEntries("QDClose").size(), opened);
    EXPECT_EQ(m_session.m_hDev, held);

    CVrkFun unbound;
    EXPECT_TRUE(unbound.ListReaderInstances(3).empty());
}

TEST_F(SessionTest, PcieOpensOnlyThroughItsStorageEntry) {
    Start("eeprom-pcie", PCIE);
    EXPECT_EQ(m_session.BeginOperation(false), 1u);
    std::vector<std::string> opens = CalledEntries("QDOpen");
    ASSERT_FALSE(opens.empty());
    for (const std::string& name : opens)
        EXPECT_EQ(name, "QDOpenVrkPcieStor");
}

TEST_F(SessionTest, UnknownBusFailsAfterThreeOpenAttempts) {
    Start("eeprom-usb", static_cast<BusType>(7));
    EXPECT_EQ(m_session.BeginOperation(false), 0u);
    EXPECT_EQ(g_dwErrorCode, 41511u);
    EXPECT_EQ(m_clock.Sleeps(), (std::vector<uint32_t>{128, 128, 128}));
    EXPECT_TRUE(CalledEntries("QDOpen").empty());
}

TEST_F(SessionTest, MissingReaderFailsAfterThreeOpenAttempts) {
    Start("none");
    EXPECT_EQ(m_session.BeginOperation(false), 0u);
    EXPECT_EQ(g_dwErrorCode, 41511u);
    EXPECT_EQ(m_clock.Sleeps(), (std::vector<uint32_t>{128, 128, 128}));
}

TEST_F(SessionTest, NeedResetZeroSkipsTheReset) {
    Start("eeprom-usb", USB, "[Vendor Info M1]\nNeed Reset=0\n");
    ASSERT_EQ(m_session.OpenDevice(), 1u);
    uint32_t handle = m_session.m_hDev;
    m_sim->MustSim("journal clear");
    EXPECT_EQ(m_session.ResetDevice(kResetSw), 1u);
    EXPECT_EQ(m_session.m_hDev, handle) << "the device stays open";
    EXPECT_TRUE(m_sim->Journal().empty()) << "no library call";
    EXPECT_TRUE(m_clock.Sleeps().empty());
}

TEST_F(SessionTest, ReconnectionWaitDependsOnQuickReconnectAndCode) {
    struct Case {
        uint8_t ext29;
        uint8_t code;
        uint32_t wait;
    } cases[] = {
        {0x20, kResetRom, 128},
        {0x20, kResetSw, 1024},
        {0x00, kResetRom, 1024},
    };
    for (const Case& c : cases) {
        Start("flash-usb");
        m_sim->MustSim("set 0 ext.29 " + std::to_string(c.ext29));
        m_clock.ClearSleeps();
        ASSERT_EQ(m_session.OpenDevice(), 1u);
        EXPECT_EQ(m_session.ResetDevice(c.code), 1u);
        EXPECT_NE(m_session.m_hDev, 0u);
        EXPECT_EQ(m_clock.Sleeps(), (std::vector<uint32_t>{c.wait})) << int(c.code) << " " << int(c.ext29);
        TearDown();
    }
}

TEST_F(SessionTest, ReaderSlowToReturnIsWaitedFor) {
    Start("eeprom-usb");
    // The reader refuses three opens: the whole first reconnection attempt fails.
    m_sim->MustSim("set 0 reconnect-opens 3");
    ASSERT_EQ(m_session.OpenDevice(), 1u);
    EXPECT_EQ(m_session.ResetDevice(kResetSw), 1u);
    // A reconnection attempt waits 1024 ms and then tries to open three times, 128 ms apart.
    std::vector<uint32_t> sleeps = m_clock.Sleeps();
    EXPECT_EQ(sleeps, (std::vector<uint32_t>{1024, 128, 128, 128, 1024}));
}

TEST_F(SessionTest, RefusedResetFailsAfterThreeAttempts) {
    Start("eeprom-usb");
    m_sim->MustSim("fault 0 fail QDSwReset 3");
    ASSERT_EQ(m_session.OpenDevice(), 1u);
    EXPECT_EQ(m_session.ResetDevice(kResetSw), 0u);
    EXPECT_EQ(m_clock.Sleeps(), (std::vector<uint32_t>{128, 128, 128}));
    EXPECT_EQ(CalledEntries("QDSwReset").size(), 3u);
    EXPECT_EQ(m_session.m_hDev, 0u) << "a failed reset leaves no device open";
}

TEST_F(SessionTest, DriverRefreshAfterTheFifthFailedReconnection) {
    Start("eeprom-usb");
    m_sim->MustSim("fault 0 reset-gone on");
    ASSERT_EQ(m_session.OpenDevice(), 1u);
    EXPECT_EQ(m_session.ResetDevice(kResetSw), 1u) << "the driver-update tool brings the reader back";
    std::vector<uint32_t> sleeps = m_clock.Sleeps();
    EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), 1024u), 6) << "five failed attempts, then success";
    std::vector<std::string> journal = m_sim->Journal();
    EXPECT_EQ(std::count_if(journal.begin(), journal.end(),
                            [](const std::string& line) { return line.find("udrvup") != std::string::npos; }),
              1);
}

TEST_F(SessionTest, StationResetFindsTheSameReaderByLocation) {
    Start("station");
    g_dwCustomizeUI = 5;
    ASSERT_EQ(m_session.OpenReaderByIndex(2), 1u);
    uint32_t a = 0, b = 0, instance = 0;
    m_session.QDGetLocation(m_session.m_hDev, &a, &b);
    m_session.Qd_GetReaderInst(m_session.m_hDev, &instance);
    ASSERT_EQ(m_session.ResetDevice(kResetToFlashCode1), 1u);
    uint32_t a2 = 0, b2 = 0, instance2 = 0;
    m_session.QDGetLocation(m_session.m_hDev, &a2, &b2);
    m_session.Qd_GetReaderInst(m_session.m_hDev, &instance2);
    EXPECT_EQ(a2, a);
    EXPECT_EQ(b2, b);
    EXPECT_EQ(instance2, instance);
}

TEST_F(SessionTest, VersionChecksCompareOnlyTheKeysThatAreSet) {
    Start("flash-usb", USB,
          "[Vendor Info M1]\nRom IcVersion=0x8412\nCheck FwVersion=0x1234\nCheck SubVersion=0x0001\n");
    ReaderStatus status;
    ReaderStatusEx statusEx;
    status.bytes[7] = 0x84;
    status.bytes[8] = 0x99;
    EXPECT_EQ(m_session.CheckRomVersion(statusEx, status), 1u)
        << "only the high byte of Rom IcVersion counts";
    status.bytes[7] = 0x85;
    EXPECT_EQ(m_session.CheckRomVersion(statusEx, status), 0u);
    status.bytes[7] = 0x12;
    status.bytes[8] = 0x34;
    EXPECT_EQ(m_session.CheckDevVersion(statusEx, status), 0u) << "sub-version 0 does not match 1";
    statusEx.bytes[1] = 0x01;
    EXPECT_EQ(m_session.CheckDevVersion(statusEx, status), 1u);
}

TEST_F(SessionTest, LibraryProvidesTheDeviceTreeWhileLoaded) {
    Start("station");
    platform::IDeviceTree* tree = platform::DeviceTree();
    ASSERT_NE(tree, nullptr);
    std::vector<platform::UsbHub> hubs = tree->EnumerateHubs();
    ASSERT_EQ(hubs.size(), 2u);
    ASSERT_GE(hubs[0].portInstances.size(), 8u);
    EXPECT_NE(hubs[0].portInstances[6], 0u) << "SD1 on port 7 of hub 1";
    EXPECT_NE(hubs[0].portInstances[7], 0u) << "CF on port 8 of hub 1";
    EXPECT_NE(hubs[1].portInstances[6], 0u) << "SD2 on port 7 of hub 2";
    uint32_t changes = tree->ChangeCount();
    m_sim->MustSim("detach 1");
    EXPECT_GT(tree->ChangeCount(), changes);
    bool arrived = true;
    uint32_t instance = 0;
    EXPECT_TRUE(tree->GetDeviceEvent(tree->ChangeCount() - 1, arrived, instance));
    EXPECT_FALSE(arrived);
    EXPECT_EQ(instance, hubs[0].portInstances[7]);
    m_session.UnloadLib();
    EXPECT_EQ(platform::DeviceTree(), nullptr);
}
