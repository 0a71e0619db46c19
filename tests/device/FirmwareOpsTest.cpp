#include "core/Broadcast.h"
#include "core/MessageIds.h"
#include "core/UpdateDialogHooks.h"
#include "device/FirmwareTable.h"
#include "device/FlashInfo.h"
#include "model/ConfigIni.h"
#include "model/IcTypeIni.h"
#include "platform/FakeClock.h"
#include "platform/Text.h"
#include "tests/support/ProcessGlobals.h"
#include "tests/support/RecordingDialog.h"
#include "tests/support/SimReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using testsupport::SimReader;

namespace {

// An update dialog as the operations reach it: the messages it is sent and the fields they fill in.
class RecordingDialog3 : public testsupport::RecordingDialog, public IPatchPkgDlg3Hooks {
public:
    void SetFwVersion(uint16_t wVersion) override {
        fields.push_back(platform::StrPrintf("fw %04X", wVersion));
    }
    void SetVendorProductId(uint16_t wVid, uint16_t wPid) override {
        fields.push_back(platform::StrPrintf("ids %04X %04X", wVid, wPid));
    }
    uint32_t GetRomReset() const override { return romReset; }
    void SetRomReset(uint32_t bRomReset) override {
        romReset = bRomReset;
        fields.push_back(platform::StrPrintf("rom %u", bRomReset));
    }
    void SignalCompletion() override { fields.push_back("completed"); }

    std::vector<std::string> fields;
    uint32_t romReset = 0;
};

using Statuses = std::vector<std::pair<uintptr_t, intptr_t>>;

// The firmware version as a passed check carries it.
intptr_t Passed(uint16_t version) {
    return static_cast<intptr_t>(0xFF000000u | version);
}

// The vendor layout of a FLASH image relative to its vendor area.
constexpr const char* kLayout = "PreOffset=0\nConfig Addr=8\nConfig DataMode=10\n"
                                "VID AddrMode=100\nVID Addr=2\nVID Mask=0xFF\nVID DataMode=21\n"
                                "PID AddrMode=100\nPID Addr=4\nPID Mask=0xFF\nPID DataMode=21\n"
                                "USBSTR Addr=9\n";

// Firmware key of the flash-usb preset: version 0x0120, sub-version 0x0001.
constexpr uint32_t kPresetKey = 0x01200001;

// The USB FLASH device type on simulated readers, with the fake clock, a firmware table in config.ini
// and a recording update dialog (the only dialog, so failures also land in g_dwErrorCode).
class FirmwareOpsTest : public testing::Test {
protected:
    // `settings` are lines of "Vendor Info M1" besides the layout.
    void Start(const std::string& preset = "flash-usb", const std::string& settings = "") {
        m_sim = std::make_unique<SimReader>(preset);
        m_sim->Write("chip.ini", std::string("[Quillix Config]\nProject Type=Flash\nBus Type=USB\n"
                                             "[Vendor Info M1]\n") +
                                     kLayout + settings);
        g_pIcTypeIni = new CIcTypeIni();
        g_pIcTypeIni->ListIniFiles();
        g_pIcTypeIni->LoadIcIni();
        g_BusType = USB;
        g_ProjectType = FLASH;
        g_pConfigIni = &m_config;
        m_flash = std::make_unique<CFlashInfo_USB>();
        ASSERT_EQ(m_flash->LoadLib(), 1u);
        ASSERT_EQ(m_flash->LoadFun(), 1u);
        g_pPatchPkgDlg3 = &m_dialog;
        g_pPatchPkgDlg3Hooks = &m_dialog;
        m_sim->MustSim("journal on");
        m_sim->MustSim("journal clear");
    }
    void TearDown() override {
        m_flash.reset();
        m_sim.reset();
        testsupport::ResetProcessGlobals();
        m_config.Clear();
        m_dialog.Clear();
        m_dialog.fields.clear();
        m_dialog.romReset = 0;
        m_clock.ClearSleeps();
    }

    void Sim(const std::string& arguments) const { m_sim->MustSim(arguments); }
    // Status bytes 7-8 and extended bytes 0-1 of reader n.
    void SetKey(size_t n, uint32_t key) const {
        std::string reader = std::to_string(n);
        Sim(platform::StrPrintf("set %s status.7 %u", reader.c_str(), key >> 24));
        Sim(platform::StrPrintf("set %s status.8 %u", reader.c_str(), (key >> 16) & 0xFF));
        Sim(platform::StrPrintf("set %s ext.0 %u", reader.c_str(), (key >> 8) & 0xFF));
        Sim(platform::StrPrintf("set %s ext.1 %u", reader.c_str(), key & 0xFF));
    }
    // A reader whose status says it must be sent into ROM code before its flash is written.
    void NeedsRomReset(size_t n) const {
        Sim("set " + std::to_string(n) + " ext.29 0x42");
        Sim("set " + std::to_string(n) + " ext.21 0x40");
    }
    // A firmware-table section of config.ini.
    void TableEntry(unsigned index, uint32_t romFwVersion, const std::string& file, const std::string& info) {
        std::string section = FirmwareTable::SectionName(FLASH, index);
        m_config.SetEntry(section, "Rom FwVersion", platform::StrPrintf("0x%X", romFwVersion));
        m_config.SetEntry(section, "FWFile", file);
        m_config.SetEntry(section, "FWInfo", info);
    }

    std::vector<uint8_t> Flash(size_t n = 0) const {
        std::string path = m_sim->File("flash-now.bin");
        Sim("read " + std::to_string(n) + " flash " + path);
        std::string bytes = testsupport::ReadFileBytes(path);
        return std::vector<uint8_t>(bytes.begin(), bytes.end());
    }
    // Journal lines of `entry` calls.
    size_t CallsOf(const std::string& entry) const { return m_sim->JournalOf(entry).size(); }

    Statuses FwStatus() const { return m_dialog.ParamsOf(UM_FW_STATUS); }
    std::vector<uintptr_t> Failures() const { return m_dialog.Of(UM_FAIL); }
    std::vector<uintptr_t> Successes() const { return m_dialog.Of(UM_SUCCEED); }
    std::vector<uint32_t> Sleeps(uint32_t ms, size_t count) const { return std::vector<uint32_t>(count, ms); }

    // A firmware image with a vendor block 256 bytes before its end (manufacturer "NEW", product "PR",
    // serial "SN").
    static std::vector<uint8_t> Image(uint32_t size = 0x2000, bool vendorBlock = true) {
        std::vector<uint8_t> image(size);
        for (uint32_t i = 0; i < size; ++i)
            image[i] = static_cast<uint8_t>(i * 7 + 3);
        if (vendorBlock) {
            uint8_t* block = image.data() + size - 256;
            std::fill(block, block + 256, 0x00);
            block[0] = 0x55;
            block[1] = 0xAA;
            block[2] = 0x2C;
            block[3] = 0x7A;
            block[8] = 0x60;
            const uint8_t strings[] = {5, 3, 'N', 'E', 'W', 4, 3, 'P', 'R', 4, 3, 'S', 'N'};
            std::memcpy(block + 9, strings, sizeof(strings));
        }
        return image;
    }
    static bool Contains(const std::vector<uint8_t>& data, const std::vector<uint8_t>& part) {
        return std::search(data.begin(), data.end(), part.begin(), part.end()) != data.end();
    }

    platform::FakeClock m_clock;
    CIniFile m_config;
    std::unique_ptr<SimReader> m_sim;
    std::unique_ptr<CFlashInfo_USB> m_flash;
    RecordingDialog3 m_dialog;
};

// One of the single-reader operations that share the reader check.
struct SingleReaderOp {
    const char* name;
    uint32_t (CFlashInfo_USB::*run)();
};
const SingleReaderOp kSingleReaderOps[] = {
    {"DT_CheckDevInfo", &CFlashInfo_USB::DT_CheckDevInfo},
    {"DT_GetFwVersion", &CFlashInfo_USB::DT_GetFwVersion},
    {"DT_LoadFwVersion", &CFlashInfo_USB::DT_LoadFwVersion},
};

// Successful opens in the journal minus closes: the handles left open (the session holds one at a time).
long HandlesLeftOpen(const std::vector<std::string>& journal) {
    long open = 0;
    for (const std::string& line : journal) {
        if (line.find("QDOpenVrk") != std::string::npos && line.find(" -> 0x0") == std::string::npos)
            ++open;
        else if (line.find("QDClose(") != std::string::npos)
            --open;
    }
    return open;
}

} // namespace

TEST_F(FirmwareOpsTest, SingleReaderOperationsRefuseWithoutExactlyOneAnsweringReader) {
    struct Case {
        const char* name;
        const char* preset;
        const char* scene; // a control-tool command, or null
        BusType bus;
        uintptr_t code;
    } cases[] = {
        {"unknown bus", "flash-usb", nullptr, static_cast<BusType>(7), 41511},
        {"no reader", "none", nullptr, USB, 41511},
        {"two readers", "flash-usb", "add flash-usb", USB, 41513},
        // Counted, but every open attempt fails.
        {"open fails", "flash-usb", "fault 0 fail QDOpenVrkUsbDisk 3 1", USB, 41511},
        // Opened, but the status block does not come.
        {"status fails", "flash-usb", "fault 0 fail QDReadStatus 1 1", USB, 41511},
    };
    for (const SingleReaderOp& op : kSingleReaderOps) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(op.name) + ": " + c.name);
            Start(c.preset);
            if (c.scene)
                Sim(c.scene);
            g_BusType = c.bus;
            EXPECT_EQ(((*m_flash).*op.run)(), 0u);
            EXPECT_EQ(FwStatus(), (Statuses{{c.code, 0}}));
            EXPECT_TRUE(m_dialog.ParamsOf(UM_FW_VERSIONS).empty());
            EXPECT_EQ(m_flash->m_hDev, 0u);
            // Only the identity fetch writes into the dialog when it fails: no identity is left over.
            if (std::string(op.name) == "DT_LoadFwVersion")
                EXPECT_EQ(m_dialog.fields, (std::vector<std::string>{"ids 0000 0000"}));
            else
                EXPECT_TRUE(m_dialog.fields.empty());
            TearDown();
        }
    }
}

TEST_F(FirmwareOpsTest, CheckDevInfoComparesTheCheckVersions) {
    struct Case {
        const char* settings;
        uint32_t result;
        Statuses status;
    } cases[] = {
        {"", 1, {{41906, Passed(0x0120)}}}, // no Check key: every reader passes
        {"Check FwVersion=0x0120\nCheck SubVersion=0x0001\n", 1, {{41906, Passed(0x0120)}}},
        {"Check IcVersion=0x01FF\n", 1, {{41906, Passed(0x0120)}}}, // only the high byte counts
        {"Check FwVersion=0x0121\n", 0, {{41905, 0x0120}}},
        {"Check SubVersion=0x0002\n", 0, {{41905, 0x0120}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        Start("flash-usb", c.settings);
        EXPECT_EQ(m_flash->DT_CheckDevInfo(), c.result);
        EXPECT_EQ(FwStatus(), c.status);
        EXPECT_EQ(m_dialog.fields, (std::vector<std::string>{"fw 0120"}));
        EXPECT_EQ(m_flash->m_hDev, 0u);
        TearDown();
    }
}

TEST_F(FirmwareOpsTest, FirmwareVersionsArePublishedThroughTheObject) {
    Start();
    SetKey(0, 0x84120203);
    ASSERT_EQ(m_flash->DT_GetFwVersion(), 1u);
    EXPECT_EQ(m_flash->m_wFwVersion, 0x8412);
    EXPECT_EQ(m_flash->m_wSubVersion, 0x0203);
    Statuses versions = m_dialog.ParamsOf(UM_FW_VERSIONS);
    ASSERT_EQ(versions.size(), 1u);
    EXPECT_EQ(versions[0].first, 0u);
    // The receiver reads the two 16-bit values one after the other at the address.
    const auto* pair = reinterpret_cast<const uint16_t*>(versions[0].second);
    ASSERT_EQ(pair, &m_flash->m_wFwVersion);
    EXPECT_EQ(pair[0], 0x8412);
    EXPECT_EQ(pair[1], 0x0203);
    EXPECT_TRUE(FwStatus().empty());
}

TEST_F(FirmwareOpsTest, IdentityGoesIntoTheDialog) {
    Start();
    Sim("set 0 status.2 0x12");
    Sim("set 0 status.3 0x34");
    ASSERT_EQ(m_flash->DT_LoadFwVersion(), 1u);
    EXPECT_EQ(m_dialog.fields, (std::vector<std::string>{"ids 2C7A 1234"}));
    EXPECT_TRUE(m_dialog.Posted().empty());
    // Without the dialog there is nothing to fill in.
    g_pPatchPkgDlg3Hooks = nullptr;
    m_dialog.fields.clear();
    EXPECT_EQ(m_flash->DT_LoadFwVersion(), 1u);
    EXPECT_TRUE(m_dialog.fields.empty());
}

TEST_F(FirmwareOpsTest, WaitCheckWaitsForOneReader) {
    struct Case {
        const char* name;
        const char* preset;
        const char* scene;
        uint32_t flag;
        Statuses status;
        std::vector<uint32_t> sleeps;
    } cases[] = {
        // 30 empty counts, 128 ms after each.
        {"no reader ever", "none", nullptr, 0, {{41511, 0}}, std::vector<uint32_t>(30, 128)},
        {"two readers", "flash-usb", "add flash-usb", 0, {{41513, 0}}, {}},
        // Without waiting only the open is tried: three attempts.
        {"no reader, do not wait", "none", nullptr, 1, {{41511, 0}}, {128, 128, 128}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start(c.preset);
        if (c.scene)
            Sim(c.scene);
        EXPECT_EQ(m_flash->DT_WaitCheckDevInfo(c.flag), 0u);
        EXPECT_EQ(FwStatus(), c.status);
        EXPECT_EQ(m_clock.Sleeps(), c.sleeps);
        EXPECT_TRUE(m_dialog.fields.empty());
        TearDown();
    }
}

TEST_F(FirmwareOpsTest, WaitCheckSendsTheReaderIntoRomCodeWhenNeeded) {
    struct Case {
        const char* name;
        bool needsReset;
        bool refuse;
        uint32_t flag;
        uint32_t dialogRomReset; // the dialog's field before the call
        uint32_t result;
        std::vector<std::string> fields;
        Statuses status;
    } cases[] = {
        {"needs the reset", true, false, 0, 0, 1, {"fw 0120", "rom 1"}, {}},
        {"needs it, do not wait", true, false, 1, 0, 1, {"fw 0120", "rom 1"}, {}},
        {"refuses the reset", true, true, 0, 0, 0, {"fw 0120"}, {{41512, 0}}},
        {"in flash code", false, false, 0, 0, 1, {"fw 0120", "rom 0"}, {}},
        // Without waiting the field stays as it is.
        {"in flash code, do not wait", false, false, 1, 0, 1, {"fw 0120"}, {}},
        // Back from ROM code: the version shown stays the one from before the reset.
        {"back from ROM code", false, false, 0, 1, 1, {"rom 0"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start();
        if (c.needsReset)
            NeedsRomReset(0);
        if (c.refuse)
            Sim("set 0 accept.QDResetRom 0");
        m_dialog.romReset = c.dialogRomReset;
        EXPECT_EQ(m_flash->DT_WaitCheckDevInfo(c.flag), c.result);
        EXPECT_EQ(m_dialog.fields, c.fields);
        EXPECT_EQ(FwStatus(), c.status);
        std::vector<std::string> resets = m_sim->JournalOf("QDResetRom");
        ASSERT_EQ(resets.size(), c.needsReset ? 1u : 0u);
        if (c.needsReset) {
            EXPECT_NE(resets[0].find("(buf[16]"), std::string::npos) << resets[0];
        }
        EXPECT_EQ(m_flash->m_hDev, 0u);
        TearDown();
    }
}

TEST_F(FirmwareOpsTest, RefusedRomResetClosesTheReader) {
    struct Case {
        const char* name;
        uint32_t (*run)(CFlashInfo_USB& flash);
    } cases[] = {
        {"reader check", [](CFlashInfo_USB& flash) { return flash.DT_WaitCheckDevInfo(0); }},
        {"reader scan", [](CFlashInfo_USB& flash) { return flash.DT_ScanReaders(0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start();
        NeedsRomReset(0);
        Sim("set 0 accept.QDResetRom 0");
        EXPECT_EQ(c.run(*m_flash), 0u);
        ASSERT_FALSE(FwStatus().empty());
        EXPECT_EQ(FwStatus().back().first, 41512u);
        const std::vector<std::string> journal = m_sim->Journal();
        auto reset = std::find_if(journal.begin(), journal.end(), [](const std::string& line) {
            return line.find("QDResetRom(") != std::string::npos;
        });
        ASSERT_NE(reset, journal.end());
        EXPECT_TRUE(std::any_of(reset, journal.end(), [](const std::string& line) {
            return line.find("QDClose(") != std::string::npos;
        })) << "the reader that refused the reset is closed";
        EXPECT_EQ(HandlesLeftOpen(journal), 0);
        EXPECT_EQ(m_flash->m_hDev, 0u);
        TearDown();
    }
}

TEST_F(FirmwareOpsTest, SocketUpdateWritesTheSocketImageWithItsSerialNumber) {
    Start("station");
    g_dwCustomizeUI = 5;
    m_sim->Write("socket2.bin", Image());
    // The reader value of each socket, as the station stores it.
    for (uint32_t i = 0; i < 3; ++i) {
        ASSERT_EQ(m_flash->OpenReaderByIndex(i), 1u);
        m_flash->Qd_GetReaderInst(m_flash->m_hDev, &m_flash->m_dwSocketReader[i]);
        m_flash->CloseDevice();
    }
    m_flash->m_strSocketFile[1] = "socket2.bin";
    m_flash->m_strSocketText[1] = "SN0042";
    std::vector<uint8_t> first = Flash(0);
    std::vector<uint8_t> third = Flash(2);
    m_sim->MustSim("journal clear");

    ASSERT_EQ(m_flash->DT_UpdateSocket(2), 1u);
    EXPECT_EQ(Successes(), (std::vector<uintptr_t>{41754}));
    EXPECT_EQ(m_dialog.Of(UM_PROGRESS).back(), 100u);
    EXPECT_TRUE(Failures().empty());
    std::vector<uint8_t> written = Flash(1);
    std::vector<uint8_t> image = Image();
    // The code is the file's; the vendor block keeps manufacturer and product and gets the serial.
    EXPECT_TRUE(std::equal(image.begin(), image.end() - 256, written.begin()));
    std::vector<uint8_t> block(written.begin() + 0x2000 - 256, written.begin() + 0x2000);
    EXPECT_TRUE(Contains(block, {5, 3, 'N', 'E', 'W', 4, 3, 'P', 'R', 8, 3, 'S', 'N', '0', '0', '4', '2'}));
    EXPECT_EQ(Flash(0), first) << "other sockets untouched";
    EXPECT_EQ(Flash(2), third);
    EXPECT_EQ(m_flash->m_hDev, 0u);
}

TEST_F(FirmwareOpsTest, SocketUpdateFailures) {
    const std::string tooLong(120, 'X');
    struct Case {
        const char* name;
        std::string file; // the socket's file; written from `image` unless empty
        std::vector<uint8_t> image;
        std::string text;
        bool wrongReader;
        std::vector<uintptr_t> failures;
    } cases[] = {
        {"no reader has the socket's value", "s.bin", Image(), "", true, {41511}},
        {"file missing", "missing.bin", {}, "", false, {41530}},
        {"file without a vendor block", "s.bin", Image(0x2000, false), "", false, {41523}},
        // The serial number would not fit: the reader is left as it was.
        {"serial number too long", "s.bin", Image(), tooLong, false, {41522}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start("station");
        g_dwCustomizeUI = 5;
        if (!c.image.empty())
            m_sim->Write(c.file, c.image);
        ASSERT_EQ(m_flash->OpenReaderByIndex(0), 1u);
        m_flash->Qd_GetReaderInst(m_flash->m_hDev, &m_flash->m_dwSocketReader[0]);
        m_flash->CloseDevice();
        if (c.wrongReader)
            m_flash->m_dwSocketReader[0] = 0x7777;
        m_flash->m_strSocketFile[0] = c.file;
        m_flash->m_strSocketText[0] = c.text;
        std::vector<uint8_t> before = Flash(0);
        m_sim->MustSim("journal clear");
        EXPECT_EQ(m_flash->DT_UpdateSocket(1), 0u);
        EXPECT_EQ(Failures(), c.failures);
        EXPECT_TRUE(Successes().empty());
        EXPECT_EQ(g_dwErrorCode, c.failures.back()) << "without a main dialog the code is the exit code";
        EXPECT_EQ(CallsOf("QDEraseFlash2"), 0u);
        EXPECT_EQ(Flash(0), before);
        EXPECT_EQ(m_flash->m_hDev, 0u);
        TearDown();
    }
}

// A failed write attempt reopens the socket's own reader: the other readers of the station are never
// reset, written or erased, whatever the retry count.
TEST_F(FirmwareOpsTest, FailedSocketWriteNeverTouchesAnotherReader) {
    for (const char* retries : {"1", "2"}) {
        SCOPED_TRACE(retries);
        Start("station", std::string("Flash RetryCount=") + retries + "\n");
        g_dwCustomizeUI = 5;
        m_sim->Write("s.bin", Image());
        for (uint32_t i = 0; i < 3; ++i) {
            ASSERT_EQ(m_flash->OpenReaderByIndex(i), 1u);
            m_flash->Qd_GetReaderInst(m_flash->m_hDev, &m_flash->m_dwSocketReader[i]);
            m_flash->CloseDevice();
        }
        m_flash->m_strSocketFile[1] = "s.bin";
        std::vector<uint8_t> first = Flash(0);
        std::vector<uint8_t> third = Flash(2);
        Sim("fault 1 fail QDWriteFlash2 1000");
        m_sim->MustSim("journal clear");

        EXPECT_EQ(m_flash->DT_UpdateSocket(2), 0u);
        EXPECT_EQ(Failures(), (std::vector<uintptr_t>{41706}));
        EXPECT_TRUE(Successes().empty());
        EXPECT_EQ(Flash(0), first);
        EXPECT_EQ(Flash(2), third);
        // Finding the socket's reader opens the others and reads their status, nothing more.
        for (const std::string& line : m_sim->Journal()) {
            bool otherReader = line.rfind("[0]", 0) == 0 || line.rfind("[2]", 0) == 0;
            bool changes = line.find("Erase") != std::string::npos ||
                           line.find("Write") != std::string::npos ||
                           line.find("Reset") != std::string::npos || line.find("Rst2") != std::string::npos;
            EXPECT_FALSE(otherReader && changes) << line;
        }
        std::vector<uint8_t> erased = Flash(1);
        EXPECT_TRUE(std::all_of(erased.begin(), erased.end(), [](uint8_t b) { return b == 0xFF; }))
            << "the socket's reader is left erased, as after every failed write";
        TearDown();
    }
}

TEST_F(FirmwareOpsTest, ReaderUpdateTakesTheFirmwareOfItsKey) {
    Start();
    SetKey(0, 0x84120003);
    // Two sections match: the lower index wins.
    TableEntry(4, 0x84120003, "other.bin", "other");
    TableEntry(1, 0x84120003, "fw.bin", "the right one");
    TableEntry(0, 0x84120004, "near.bin", "near");
    m_sim->Write("fw.bin", Image());
    m_sim->Write("other.bin", Image(0x1000));

    ASSERT_EQ(m_flash->DT_UpdateReader(7), 1u);
    EXPECT_EQ(m_flash->m_strDevFwInfo, "the right one");
    std::vector<uint8_t> image = Image();
    std::vector<uint8_t> flash = Flash();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.begin()));
    EXPECT_EQ(FwStatus(), (Statuses{{41906, Passed(0x8412)}, {41906, 0}}));
    EXPECT_EQ(Successes(), (std::vector<uintptr_t>{41754}));
    std::vector<uintptr_t> progress = m_dialog.Of(UM_PROGRESS);
    ASSERT_GE(progress.size(), 2u);
    EXPECT_EQ(progress.front(), 20u) << "opening the first reader reports no progress";
    EXPECT_EQ(progress.back(), 100u);
    EXPECT_EQ(m_flash->m_hDev, 0u);
}

TEST_F(FirmwareOpsTest, ReaderUpdateFailures) {
    struct Case {
        const char* name;
        const char* preset;
        uint32_t tableKey;
        const char* file; // written with `image` when not null
        std::vector<uint8_t> image;
        const char* settings;
        std::vector<uintptr_t> failures;
    } cases[] = {
        {"no reader", "none", kPresetKey, "fw.bin", Image(), "", {41511}},
        {"no firmware for the key", "flash-usb", kPresetKey + 1, "fw.bin", Image(), "", {41905}},
        {"file missing", "flash-usb", kPresetKey, nullptr, {}, "", {41530}},
        {"file without a vendor block", "flash-usb", kPresetKey, "fw.bin", Image(0x2000, false), "", {41523}},
        // The write itself refuses a reader that is not the chip the IC INI file was made for.
        {"write refused", "flash-usb", kPresetKey, "fw.bin", Image(), "Rom FwVersion=0x0999\n", {41905}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start(c.preset, c.settings);
        TableEntry(0, c.tableKey, "fw.bin", "info");
        if (c.file)
            m_sim->Write(c.file, c.image);
        std::vector<uint8_t> before = std::string(c.preset) == "none" ? std::vector<uint8_t>() : Flash();
        EXPECT_EQ(m_flash->DT_UpdateReader(1), 0u);
        EXPECT_EQ(Failures(), c.failures);
        EXPECT_TRUE(FwStatus().empty()) << "no 41906 without an update";
        EXPECT_TRUE(Successes().empty());
        if (!before.empty()) {
            EXPECT_EQ(Flash(), before);
        }
        EXPECT_EQ(m_flash->m_hDev, 0u);
        TearDown();
    }
}

TEST_F(FirmwareOpsTest, FindFwFileLeavesTheStringsWithoutAMatch) {
    Start();
    TableEntry(2, 0x01200001, "a.bin", "first");
    m_flash->m_strDownloadFile = "kept.bin";
    m_flash->m_strDevFwInfo = "kept";
    EXPECT_EQ(m_flash->FindFwFile(0x01200002), 0u);
    EXPECT_EQ(m_flash->FindFwFile(0), 0u);
    EXPECT_EQ(m_flash->m_strDownloadFile, "kept.bin");
    EXPECT_EQ(m_flash->m_strDevFwInfo, "kept");
    EXPECT_EQ(m_flash->FindFwFile(0x01200001), 1u);
    EXPECT_EQ(m_flash->m_strDownloadFile, "a.bin");
    EXPECT_EQ(m_flash->m_strDevFwInfo, "first");
    g_pConfigIni = nullptr;
    EXPECT_EQ(m_flash->FindFwFile(0x01200001), 0u) << "no settings, no table";
}

TEST_F(FirmwareOpsTest, ScanCountsAndSendsReadersIntoRomCode) {
    struct Case {
        const char* name;
        std::vector<bool> needsReset; // per reader
        uint32_t flag;
        uint32_t result;
        uint32_t skipReset;
        size_t romResets;
    } cases[] = {
        // Only the last reader needs no reset: the flag follows the last reader.
        {"last needs no reset", {true, true, false}, 0, 1, 1, 2},
        {"last needs a reset", {false, false, true}, 0, 1, 0, 1},
        {"none needs one", {false, false}, 0, 1, 1, 0},
        // The short scan only counts.
        {"short scan", {true, true, false}, 1, 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start();
        SetKey(0, 0x84120003);
        for (size_t i = 1; i < c.needsReset.size(); ++i)
            Sim("add flash-usb");
        for (size_t i = 0; i < c.needsReset.size(); ++i)
            if (c.needsReset[i])
                NeedsRomReset(i);
        m_sim->MustSim("journal clear");
        EXPECT_EQ(m_flash->DT_ScanReaders(c.flag), c.result);
        EXPECT_EQ(m_flash->m_dwDevCount, c.needsReset.size());
        EXPECT_EQ(m_flash->m_bSkipReset, c.skipReset);
        EXPECT_EQ(CallsOf("QDResetRom"), c.romResets);
        if (c.flag) {
            EXPECT_TRUE(FwStatus().empty());
            EXPECT_TRUE(m_clock.Sleeps().empty());
        } else {
            // The first reader's version only, then 100 ms after each reader.
            EXPECT_EQ(FwStatus(), (Statuses{{41906, Passed(0x8412)}}));
            EXPECT_EQ(m_clock.Sleeps(), Sleeps(100, c.needsReset.size()));
        }
        EXPECT_EQ(m_flash->m_hDev, 0u);
        TearDown();
    }
}

TEST_F(FirmwareOpsTest, ScanFailures) {
    struct Case {
        const char* name;
        const char* preset;
        uint32_t flag;
        bool refuse;
        Statuses status;
        std::vector<uint32_t> sleeps;
        uint32_t count;
    } cases[] = {
        {"no reader", "none", 0, false, {{41511, 0}}, std::vector<uint32_t>(21, 100), 0},
        {"no reader, short", "none", 1, false, {{41511, 0}}, std::vector<uint32_t>(6, 100), 0},
        {"reset refused", "flash-usb", 0, true, {{41906, Passed(0x0120)}, {41512, 0}}, {}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start(c.preset);
        m_flash->m_dwDevCount = 9;
        if (c.refuse) {
            NeedsRomReset(0);
            Sim("set 0 accept.QDResetRom 0");
        }
        EXPECT_EQ(m_flash->DT_ScanReaders(c.flag), 0u);
        EXPECT_EQ(FwStatus(), c.status);
        EXPECT_EQ(m_clock.Sleeps(), c.sleeps);
        EXPECT_EQ(m_flash->m_dwDevCount, c.count);
        EXPECT_EQ(m_flash->m_hDev, 0u);
        TearDown();
    }
}

TEST_F(FirmwareOpsTest, CheckReadersReportsTheFirstReaderWithoutFirmware) {
    struct Case {
        const char* name;
        std::vector<uint32_t> keys; // per reader; 0 for one that needs a ROM reset
        uintptr_t missing;          // location value of the first reader without firmware
        size_t found;               // 41906 reports
    } cases[] = {
        {"every reader has firmware", {0x84120003, 0x84130003, 0x84120003}, 0, 3},
        // Readers on ports 1, 2, 3 of hub 1: location A is the hub, set per reader below.
        {"second reader has none", {0x84120003, 0x99990000, 0x84130003}, 0x12, 1},
        // A reader in ROM code is not looked up.
        {"reader in ROM code", {0, 0x84130003}, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start();
        TableEntry(0, 0x84120003, "a.bin", "a");
        TableEntry(1, 0x84130003, "b.bin", "b");
        for (size_t i = 0; i < c.keys.size(); ++i) {
            if (i > 0)
                Sim("add flash-usb");
            Sim(platform::StrPrintf("set %zu location-a 0x%zX", i, 0x11 + i));
            if (c.keys[i] == 0)
                NeedsRomReset(i);
            else
                SetKey(i, c.keys[i]);
        }
        m_flash->m_dwDevCount = static_cast<uint32_t>(c.keys.size());
        EXPECT_EQ(m_flash->DT_CheckReaders(), 1u);
        EXPECT_EQ(FwStatus(), Statuses(c.found, {41906, 0}));
        EXPECT_EQ(m_dialog.ParamsOf(UM_FW_VERSIONS), (Statuses{{c.missing, 0}}));
        EXPECT_TRUE(m_clock.Sleeps().empty());
        EXPECT_EQ(m_flash->m_hDev, 0u);
        TearDown();
    }
}

TEST_F(FirmwareOpsTest, CheckReadersPollsAZeroFirmwareKey) {
    struct Case {
        const char* name;
        uint32_t zeroReads; // status reads that show a zero key
        bool found;
    } cases[] = {
        // The key shows after a few polls, 200 ms apart.
        {"key comes back", 7, true},
        // It never does: 30 polls, about 6 s, then the reader counts as one without firmware.
        {"key stays zero", 1000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start();
        TableEntry(0, kPresetKey, "a.bin", "a");
        Sim("set 0 location-a 0x21");
        Sim(platform::StrPrintf("set 0 zero-key-reads %u", c.zeroReads));
        m_flash->m_dwDevCount = 1;
        EXPECT_EQ(m_flash->DT_CheckReaders(), 1u);
        std::vector<uint32_t> sleeps = m_clock.Sleeps();
        EXPECT_TRUE(std::all_of(sleeps.begin(), sleeps.end(), [](uint32_t ms) { return ms == 200; }));
        if (c.found) {
            EXPECT_GE(sleeps.size(), 1u);
            EXPECT_LT(sleeps.size(), 30u);
            EXPECT_EQ(FwStatus(), (Statuses{{41906, 0}}));
            EXPECT_EQ(m_dialog.ParamsOf(UM_FW_VERSIONS), (Statuses{{0, 0}}));
        } else {
            EXPECT_EQ(sleeps.size(), 30u);
            EXPECT_TRUE(FwStatus().empty());
            EXPECT_EQ(m_dialog.ParamsOf(UM_FW_VERSIONS), (Statuses{{0x21, 0}}));
        }
        TearDown();
    }
}

TEST_F(FirmwareOpsTest, CheckAndWaitNeedTheCountedReaders) {
    struct Case {
        const char* name;
        uint32_t counted;
        uint32_t (CFlashInfo_USB::*run)();
        std::vector<uint32_t> sleeps;
    } cases[] = {
        {"check without a scan", 0, &CFlashInfo_USB::DT_CheckReaders, {}},
        // 41 counts that never see the two readers, 100 ms after each.
        {"check, a reader missing", 2, &CFlashInfo_USB::DT_CheckReaders, std::vector<uint32_t>(41, 100)},
        {"wait, a reader missing", 2, &CFlashInfo_USB::DT_WaitReaders, std::vector<uint32_t>(41, 100)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start();
        m_flash->m_dwDevCount = c.counted;
        EXPECT_EQ(((*m_flash).*c.run)(), 0u);
        EXPECT_EQ(FwStatus(), (Statuses{{41511, 0}}));
        EXPECT_EQ(m_clock.Sleeps(), c.sleeps);
        EXPECT_TRUE(m_dialog.ParamsOf(UM_FW_VERSIONS).empty());
        TearDown();
    }
}

TEST_F(FirmwareOpsTest, WaitEndsWhenTheReadersAreBack) {
    Start();
    Sim("add flash-usb");
    // The second reader is away after a restart and refuses its first two opens.
    Sim("set 1 reconnect-opens 2");
    ASSERT_EQ(m_flash->OpenReaderByIndex(1), 1u);
    ASSERT_EQ(m_flash->SendResetCommand(kResetToFlashCode1), 1u);
    m_flash->m_dwDevCount = 2;
    EXPECT_EQ(m_flash->DT_WaitReaders(), 1u);
    std::vector<uint32_t> sleeps = m_clock.Sleeps();
    EXPECT_FALSE(sleeps.empty()) << "the first count misses the second reader";
    EXPECT_LT(sleeps.size(), 41u);
    EXPECT_TRUE(std::all_of(sleeps.begin(), sleeps.end(), [](uint32_t ms) { return ms == 100; }));
    EXPECT_TRUE(FwStatus().empty());
}

TEST_F(FirmwareOpsTest, ResetRestartsEveryReaderIntoItsFlashCode) {
    struct Case {
        const char* name;
        bool refuse;     // the second reader refuses the restart
        bool cancel;     // the dialog has asked to stop
        size_t restarts; // QDRst2FlashCode calls
        std::vector<uint32_t> sleeps;
    } cases[] = {
        {"three readers", false, false, 3, {}},
        // Three attempts, 128 ms after each failed one, then the next reader.
        {"second refuses", true, false, 5, {128, 128, 128}},
        {"cancelled", false, true, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start();
        Sim("add flash-usb");
        Sim("add flash-usb");
        if (c.refuse)
            Sim("set 1 accept.QDRst2FlashCode 0");
        if (c.cancel)
            m_dialog.SetCancelFlag();
        m_sim->MustSim("journal clear");
        EXPECT_EQ(m_flash->DT_ResetReaders(), 1u);
        std::vector<std::string> restarts = m_sim->JournalOf("QDRst2FlashCode");
        EXPECT_EQ(restarts.size(), c.restarts);
        for (const std::string& line : restarts)
            EXPECT_NE(line.find("(0x1)"), std::string::npos) << line;
        EXPECT_EQ(m_clock.Sleeps(), c.sleeps);
        EXPECT_TRUE(m_dialog.Posted().empty());
        EXPECT_EQ(m_flash->m_hDev, 0u);
        TearDown();
    }
}
