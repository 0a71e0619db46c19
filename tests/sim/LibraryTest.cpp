// libQdCRLib.so loaded with dlopen: enumeration, status, memories, resets, faults, journal and
// the device tree, each against a fresh state folder.
#include "tests/sim/SimFixture.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <array>
#include <fstream>

namespace simtest {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// `prefix` followed by one or more upper-case hexadecimal digits and nothing else. (GoogleTest's regular
// expressions on Windows know no character classes.)
::testing::Matcher<const std::string&> StartsWithThenUpperHex(const std::string& prefix) {
    return ::testing::AllOf(
        ::testing::StartsWith(prefix), ::testing::Truly([prefix](const std::string& line) {
            const std::string digits = line.substr(std::min(prefix.size(), line.size()));
            return !digits.empty() && digits.find_first_not_of("0123456789ABCDEF") == std::string::npos;
        }));
}

class LibraryTest : public SimTest {
protected:
    static const SimLibrary& L() { return Lib(); }
    uint32_t OpenStor(uint32_t index = 0) { return Open(L().QDOpenVrkUsbStor, index); }
    uint32_t OpenDisk(uint32_t index = 0) { return Open(L().QDOpenVrkUsbDisk, index); }
    uint32_t OpenPcie(uint32_t index = 0) { return Open(L().QDOpenVrkPcieStor, index); }
    // The first reader the tool's open order finds.
    uint32_t OpenFirst() {
        uint32_t dev = OpenStor();
        if (!dev)
            dev = OpenDisk();
        if (!dev)
            dev = OpenPcie();
        return dev;
    }
    std::array<uint8_t, 16> Status(uint32_t dev, uint32_t* result = nullptr) {
        std::array<uint8_t, 16> status{};
        uint32_t r = L().QDReadStatus(dev, status.data(), 16);
        if (result)
            *result = r;
        return status;
    }
    uint32_t Count(PFN_QDOpenVrkUsbDisk open) {
        uint32_t n = 0;
        for (uint32_t dev; (dev = Open(open, n)) != 0; ++n)
            L().QDClose(dev);
        return n;
    }
};

struct EnumerationRow {
    const char* preset;
    uint32_t stor, disk, cdrom, pcieStor, pcieDisk;
};

class EnumerationTest : public LibraryTest, public ::testing::WithParamInterface<EnumerationRow> {};

TEST_P(EnumerationTest, ReaderShowsUnderItsDeviceClasses) {
    const EnumerationRow& row = GetParam();
    SimOk({"init", row.preset});
    EXPECT_EQ(Count(L().QDOpenVrkUsbStor), row.stor);
    EXPECT_EQ(Count(L().QDOpenVrkUsbDisk), row.disk);
    EXPECT_EQ(Count(L().QDOpenVrkUsbCdrom), row.cdrom);
    EXPECT_EQ(Count(L().QDOpenVrkPcieStor), row.pcieStor);
    EXPECT_EQ(Count(L().QDOpenVrkPcieDisk), row.pcieDisk);
}

INSTANTIATE_TEST_SUITE_P(Presets, EnumerationTest,
                         ::testing::Values(EnumerationRow{"eeprom-usb", 1, 1, 0, 0, 0},
                                           EnumerationRow{"efuse-usb-reg", 1, 1, 0, 0, 0},
                                           EnumerationRow{"flash-usb", 0, 1, 0, 0, 0},
                                           EnumerationRow{"eeprom-pcie", 0, 0, 0, 1, 1},
                                           EnumerationRow{"station", 0, 3, 0, 0, 0},
                                           EnumerationRow{"none", 0, 0, 0, 0, 0}));

// A storage reader's disk is a child of its storage interface, so the tool counts it once.
TEST_F(LibraryTest, DiskOfAStorageReaderHangsBelowItsStorageInterface) {
    uint32_t stor = OpenStor(), disk = OpenDisk();
    uint32_t storInst = L().QDGetHandleInst(stor), diskInst = L().QDGetHandleInst(disk);
    EXPECT_NE(storInst, 0u);
    EXPECT_NE(storInst, diskInst);
    uint32_t parent = 0;
    ASSERT_EQ(L().QdSimGetParentInst(diskInst, &parent), 1u);
    EXPECT_EQ(parent, storInst);
    uint32_t readerInst = 0;
    EXPECT_EQ(L().Qd_GetReaderInst(disk, &readerInst), 1u);
    EXPECT_EQ(readerInst, storInst);
    L().QDClose(stor);
    L().QDClose(disk);
}

TEST_F(LibraryTest, StatusBlocksFollowTheSettings) {
    SimOk({"init", "flash-usb"});
    SimOk({"set", "0", "status.8", "0x42"});
    SimOk({"set", "0", "ext.21", "0x40"});
    uint32_t dev = OpenDisk();
    uint32_t ok = 0;
    std::array<uint8_t, 16> status = Status(dev, &ok);
    EXPECT_EQ(ok, 1u);
    EXPECT_THAT(std::vector<uint8_t>(status.begin(), status.begin() + 4),
                ElementsAre(0x2C, 0x7A, 0x04, 0x01));
    EXPECT_EQ(status[8], 0x42);
    std::array<uint8_t, 32> ext{};
    EXPECT_EQ(L().QDPpStatus(dev, ext.data(), 32), 1u);
    EXPECT_EQ(ext[21], 0x40);
    EXPECT_EQ(ext[29], 0x02);
    EXPECT_EQ(L().QDReadStatus(dev, status.data(), 15), 0u); // too short a buffer
    uint32_t pid = 0;
    EXPECT_EQ(L().QDDmGetPID(dev, &pid), 1u);
    EXPECT_EQ(pid, 0x0401u);
    L().QDClose(dev);
}

TEST_F(LibraryTest, ExtendedStatusOnlyWhenTheStatusOffersIt) {
    uint32_t dev = OpenStor();
    std::array<uint8_t, 32> ext{};
    EXPECT_EQ(L().QDPpStatus(dev, ext.data(), 32), 0u);
    L().QDClose(dev);
}

TEST_F(LibraryTest, EepromReadsAndWritesFromAddressZero) {
    uint32_t dev = OpenStor();
    std::vector<uint8_t> buffer(128);
    ASSERT_EQ(L().QDReadEeprom(dev, 128, buffer.data(), 128), 1u);
    EXPECT_EQ(buffer[0], 0x08);
    EXPECT_EQ(buffer[8], 0x60);
    std::vector<uint8_t> block(511, 0);
    block[0] = 0x10;
    block[1] = 0x06;
    ASSERT_EQ(L().QDWriteEeprom(dev, 511, block.data(), 511), 1u);
    ASSERT_EQ(L().QDReadEeprom(dev, 128, buffer.data(), 128), 1u);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 3),
              (std::vector<uint8_t>{0x10, 0x06, 0x00}));
    EXPECT_EQ(Memory(0, "eeprom")[511], 0xFF); // beyond the block: untouched
    // Lengths beyond the EEPROM or the buffer fail without touching anything.
    std::vector<uint8_t> big(600, 0xAB);
    EXPECT_EQ(L().QDWriteEeprom(dev, 600, big.data(), 600), 0u);
    EXPECT_EQ(L().QDReadEeprom(dev, 129, buffer.data(), 128), 0u);
    EXPECT_EQ(Memory(0, "eeprom")[0], 0x10);
    L().QDClose(dev);
}

struct EfuseRow {
    const char* preset;
    uint8_t blank, first, second, result;
};

class EfuseTest : public LibraryTest, public ::testing::WithParamInterface<EfuseRow> {};

// Fuses are one-time programmable: a second write cannot undo what the first one burnt.
TEST_P(EfuseTest, ProgrammedBitsStayProgrammed) {
    const EfuseRow& row = GetParam();
    SimOk({"init", row.preset});
    uint32_t dev = OpenFirst();
    ASSERT_NE(dev, 0u);
    std::array<uint8_t, 8> data{};
    ASSERT_EQ(L().QDReadEfuse(dev, 0, 8, data.data()), 1u);
    EXPECT_EQ(data[0], row.blank);
    data.fill(row.first);
    ASSERT_NE(L().QDWriteEfuse(dev, 0, 8, data.data()), 0u);
    data.fill(row.second);
    ASSERT_NE(L().QDWriteEfuse(dev, 0, 8, data.data()), 0u);
    ASSERT_EQ(L().QDReadEfuse(dev, 0, 8, data.data()), 1u);
    EXPECT_EQ(data[7], row.result);
    EXPECT_EQ(L().QDReadEfuse(dev, 0, 255, nullptr), 0u); // beyond the fuses
    L().QDClose(dev);
}

INSTANTIATE_TEST_SUITE_P(Generations, EfuseTest,
                         ::testing::Values(EfuseRow{"efuse-usb", 0xFF, 0xF0, 0x3C, 0x30},
                                           EfuseRow{"efuse-usb-mapped", 0x00, 0x0F, 0x30, 0x3F},
                                           EfuseRow{"efuse-pcie", 0xFF, 0x0F, 0xFF, 0x0F}));

class RegisterEfuseTest : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        SimOk({"init", "efuse-usb-reg"});
        m_dev = OpenStor();
    }
    void TearDown() override {
        L().QDClose(m_dev);
        LibraryTest::TearDown();
    }
    uint8_t Reg(uint16_t address) {
        uint8_t value = 0;
        EXPECT_EQ(L().QDReadMem(m_dev, address, 1, &value, 1), 1u);
        return value;
    }
    void SetReg(uint16_t address, uint8_t value) {
        EXPECT_NE(L().QDWriteMem(m_dev, address, 1, &value, 1), 0u);
    }
    uint32_t m_dev = 0;
};

TEST_F(RegisterEfuseTest, CommandRegisterReadsOneByte) {
    std::ofstream(Scratch("fuses.bin"), std::ios::binary) << std::string("\xFF\xFF\xFF\x5A", 4);
    SimOk({"write", "0", "efuse", Scratch("fuses.bin")});
    SetReg(0xFE7D, 0x83); // read byte 3; busy for two polls, done at the third
    EXPECT_EQ(Reg(0xFE7D) & 0x80, 0x80);
    EXPECT_EQ(Reg(0xFE7D) & 0x80, 0x80);
    EXPECT_EQ(Reg(0xFE7D) & 0x80, 0);
    EXPECT_EQ(Reg(0xFE7E), 0x5A);
}

TEST_F(RegisterEfuseTest, BusyFaultKeepsTheBusyBitAndRunsNoCommand) {
    SimOk({"fault", "0", "busy", "on"});
    SetReg(0xFE7E, 0x00);
    SetReg(0xFE7D, 0xA0);
    for (int poll = 0; poll < 64; ++poll)
        ASSERT_EQ(Reg(0xFE7D) & 0x80, 0x80);
    EXPECT_EQ(Memory(0, "efuse")[0], 0xFF);
    SimOk({"fault", "0", "busy", "off"});
    EXPECT_EQ(Reg(0xFE7D) & 0x80, 0);
}

TEST_F(RegisterEfuseTest, RomResetRegisterStartsAtItsPowerOnValueAfterAReset) {
    EXPECT_EQ(Reg(0xFE3A), 0x01);
    SetReg(0xFE3A, 0x00);
    EXPECT_EQ(Reg(0xFE3A), 0x00);
    uint8_t block[16] = {};
    ASSERT_EQ(L().QDSwReset(m_dev, block, 16), 1u);
    m_dev = OpenStor();
    EXPECT_EQ(Reg(0xFE3A), 0x01);
}

struct FlashRow {
    const char* preset;
    bool access32, access16;
};

class FlashAccessTest : public LibraryTest, public ::testing::WithParamInterface<FlashRow> {};

TEST_P(FlashAccessTest, OnlyTheReadersAccessMethodsWork) {
    SimOk({"init", GetParam().preset});
    uint32_t dev = OpenDisk();
    std::vector<uint8_t> buffer(256);
    EXPECT_EQ(L().QDReadFlash2(dev, 0, 256, buffer.data(), 256), GetParam().access32 ? 1u : 0u);
    EXPECT_EQ(L().QDReadFlash(dev, 0, 256, buffer.data(), 256), GetParam().access16 ? 1u : 0u);
    L().QDClose(dev);
}

INSTANTIATE_TEST_SUITE_P(Presets, FlashAccessTest,
                         ::testing::Values(FlashRow{"flash-usb", true, false},
                                           FlashRow{"flash-usb16", false, true},
                                           FlashRow{"flash-usb-ctrl", false, false}));

// NOR flash: erase sets every bit, a write only clears bits.
TEST_F(LibraryTest, FlashEraseWriteAndReadBack) {
    SimOk({"init", "flash-usb"});
    uint32_t dev = OpenDisk();
    std::vector<uint8_t> data(4096, 0xF0), back(4096);
    ASSERT_EQ(L().QDWriteFlash2(dev, 0x1000, 4096, data.data(), 4096), 1u);
    ASSERT_EQ(L().QDReadFlash2(dev, 0x1000, 4096, back.data(), 4096), 1u);
    EXPECT_NE(back, data); // written over firmware without an erase
    ASSERT_EQ(L().QDEraseFlash2(dev, 1, 0), 1u);
    ASSERT_EQ(L().QDReadFlash2(dev, 0x1000, 4096, back.data(), 4096), 1u);
    EXPECT_EQ(back, std::vector<uint8_t>(4096, 0xFF));
    ASSERT_EQ(L().QDWriteFlash2(dev, 0x1000, 4096, data.data(), 4096), 1u);
    std::vector<uint8_t> second(4096, 0x3C);
    ASSERT_EQ(L().QDWriteFlash2(dev, 0x1000, 4096, second.data(), 4096), 1u);
    ASSERT_EQ(L().QDReadFlash2(dev, 0x1000, 4096, back.data(), 4096), 1u);
    EXPECT_EQ(back, std::vector<uint8_t>(4096, 0x30));
    EXPECT_EQ(L().QDReadFlash2(dev, 0x1FF00, 0x200, back.data(), 4096), 0u); // crosses the end
    EXPECT_EQ(L().QDWriteFlash2(dev, 0, 4096, data.data(), 100), 0u);        // more than the data
    L().QDClose(dev);
}

TEST_F(LibraryTest, ControlPipePacketsWriteAndVerifyInSequence) {
    SimOk({"init", "flash-usb-ctrl"});
    uint32_t dev = OpenDisk();
    ASSERT_EQ(L().QDDmEraseFlash(dev), 1u);
    std::vector<uint8_t> packet(4097, 0x12);
    for (uint8_t seq = 0; seq < 3; ++seq) {
        packet[0] = seq;
        ASSERT_EQ(L().QDDmWriteFlashWithRetry(dev, packet.data(), 4097), 1u);
    }
    packet[0] = 7; // out of turn
    EXPECT_EQ(L().QDDmWriteFlashWithRetry(dev, packet.data(), 4097), 0u);
    for (uint8_t seq = 0; seq < 3; ++seq) {
        packet[0] = seq;
        ASSERT_EQ(L().QDDmVerifyFlashWithRetry(dev, packet.data(), 4097), 1u);
    }
    packet[0] = 3;
    EXPECT_EQ(L().QDDmVerifyFlashWithRetry(dev, packet.data(), 4097), 0u); // still erased there
    std::vector<uint8_t> flash = Memory(0, "flash");
    EXPECT_EQ(flash[3 * 4096 - 1], 0x12);
    EXPECT_EQ(flash[3 * 4096], 0xFF);
    L().QDClose(dev);
}

struct ResetRow {
    const char* entry;
    uint32_t (*send)(uint32_t dev);
};

class ResetTest : public LibraryTest, public ::testing::WithParamInterface<ResetRow> {};

TEST_P(ResetTest, AcceptedResetDisconnectsTheReader) {
    SimOk({"init", "flash-usb"});
    uint32_t dev = OpenDisk();
    EXPECT_EQ(GetParam().send(dev), 1u);
    uint32_t ok = 1;
    Status(dev, &ok);
    EXPECT_EQ(ok, 0u); // the handle died with the reset
    EXPECT_EQ(GetParam().send(dev), 0u);
    EXPECT_EQ(GetParam().send(0), 0u);
    uint32_t again = OpenDisk();
    EXPECT_NE(again, 0u);
    L().QDClose(again);
}

TEST_P(ResetTest, RefusedResetKeepsTheReaderConnected) {
    SimOk({"init", "flash-usb"});
    SimOk({"set", "0", std::string("accept.") + GetParam().entry, "0"});
    uint32_t dev = OpenDisk();
    EXPECT_EQ(GetParam().send(dev), 0u);
    uint32_t ok = 0;
    Status(dev, &ok);
    EXPECT_EQ(ok, 1u);
    L().QDClose(dev);
}

uint8_t g_block[16];
INSTANTIATE_TEST_SUITE_P(
    Entries, ResetTest,
    ::testing::Values(ResetRow{"QDSwReset", [](uint32_t dev) { return Lib().QDSwReset(dev, g_block, 16); }},
                      ResetRow{"QDResetRom", [](uint32_t dev) { return Lib().QDResetRom(dev, g_block, 16); }},
                      ResetRow{"QDDmResetRom", [](uint32_t dev) { return Lib().QDDmResetRom(dev); }},
                      ResetRow{"QDDmResetFlash", [](uint32_t dev) { return Lib().QDDmResetFlash(dev); }},
                      ResetRow{"QDRst2FlashCode",
                               [](uint32_t dev) { return Lib().QDRst2FlashCode(dev, 1); }}),
    [](const auto& info) { return std::string(info.param.entry); });

TEST_F(LibraryTest, ReaderRefusesReconnectOpensAfterAReset) {
    SimOk({"set", "0", "reconnect-opens", "2"});
    uint32_t dev = OpenStor();
    ASSERT_EQ(L().QDSwReset(dev, g_block, 16), 1u);
    // The tool's open attempt tries the storage interface, then the disk: one refusal per attempt.
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_EQ(OpenStor(), 0u);
        EXPECT_EQ(OpenDisk(), 0u);
    }
    uint32_t back = OpenStor();
    EXPECT_NE(back, 0u);
    L().QDClose(back);
}

TEST_F(LibraryTest, ResetGoneReaderComesBackWithTheDriverUpdateTool) {
    SimOk({"journal", "on"});
    SimOk({"fault", "0", "reset-gone", "on"});
    uint32_t dev = OpenStor();
    ASSERT_EQ(L().QDSwReset(dev, g_block, 16), 1u);
    for (int attempt = 0; attempt < 20; ++attempt)
        ASSERT_EQ(OpenStor(), 0u);
    RunResult bad = RunProgram(QUILLIX_SIM_UDRVUP, {"update", QUILLIX_SIM_INF, "PCI\\VEN_1234"});
    EXPECT_EQ(bad.status, 2);
    RunResult run = RunProgram(QUILLIX_SIM_UDRVUP, {"update", QUILLIX_SIM_INF, "USB\\VID_2C7A&PID_0105"});
    ASSERT_EQ(run.status, 0) << run.err;
    dev = OpenStor();
    EXPECT_NE(dev, 0u);
    L().QDClose(dev);
    std::string line =
        std::string("udrvup(update, \"") + QUILLIX_SIM_INF + "\", \"USB\\VID_2C7A&PID_0105\") -> 0x1";
    EXPECT_THAT(JournalLines(), ::testing::Contains(line));
}

TEST_F(LibraryTest, DriverUpdateToolNeedsItsDriverFile) {
    RunResult run =
        RunProgram(QUILLIX_SIM_UDRVUP, {"update", Scratch("missing.inf"), "USB\\VID_2C7A&PID_0105"});
    EXPECT_EQ(run.status, 1);
}

TEST_F(LibraryTest, JournalRecordsCallsWithTheirReader) {
    SimOk({"journal", "on"});
    uint32_t dev = OpenStor();
    std::vector<uint8_t> buffer(128);
    L().QDReadEeprom(dev, 128, buffer.data(), 128);
    uint32_t a = 0, b = 0;
    L().QDGetLocation(dev, &a, &b);
    L().QDClose(dev);
    L().QDReadEeprom(dev, 128, buffer.data(), 128); // dead handle: reaches no reader
    uint32_t index = 5;
    L().QDOpenVrkUsbStor(&index);
    EXPECT_THAT(JournalLines(),
                ElementsAre(StartsWithThenUpperHex("[0] QDOpenVrkUsbStor(&0x0) -> 0x"),
                            "[0] QDReadEeprom(0x80, buf[128], 0x80) -> 0x1",
                            "[0] QDGetLocation(&0x1, &0x1) -> 0x1", "[0] QDClose() -> 0x1",
                            "QDReadEeprom(0x80, buf[128], 0x80) -> 0x0", "QDOpenVrkUsbStor(&0x5) -> 0x0"));
}

// fail ENTRY COUNT [AFTER]: calls AFTER+1 ... AFTER+COUNT fail.
struct FailRow {
    std::vector<std::string> args;
    std::vector<uint32_t> results;
};

class FailFaultTest : public LibraryTest, public ::testing::WithParamInterface<FailRow> {};

TEST_P(FailFaultTest, FailsTheCountedCalls) {
    std::vector<std::string> args = {"fault", "0", "fail", "QDReadStatus"};
    args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
    ASSERT_EQ(RunProgram(QUILLIX_SIM_TOOL, args).status, 0);
    uint32_t dev = OpenStor();
    std::vector<uint32_t> results;
    for (size_t i = 0; i < GetParam().results.size(); ++i) {
        uint32_t ok = 0;
        Status(dev, &ok);
        results.push_back(ok);
    }
    EXPECT_EQ(results, GetParam().results);
    L().QDClose(dev);
}

INSTANTIATE_TEST_SUITE_P(Counts, FailFaultTest,
                         ::testing::Values(FailRow{{"2"}, {0, 0, 1, 1}}, FailRow{{"1", "2"}, {1, 1, 0, 1}},
                                           FailRow{{"0"}, {1, 1}}));

TEST_F(LibraryTest, FailFaultCountsAcrossProcesses) {
    SimOk({"fault", "0", "fail", "QDOpenVrkUsbStor", "1", "1"});
    uint32_t dev = OpenStor();
    ASSERT_NE(dev, 0u);
    L().QDClose(dev);
    EXPECT_THAT(ScenarioBytes(), HasSubstr("fail QDOpenVrkUsbStor 1 1 1"));
    EXPECT_EQ(OpenStor(), 0u);
    dev = OpenStor();
    EXPECT_NE(dev, 0u);
    L().QDClose(dev);
}

TEST_F(LibraryTest, LieFaultReportsSuccessAndStoresNothing) {
    SimOk({"fault", "0", "lie", "QDWriteEeprom", "1"});
    uint32_t dev = OpenStor();
    std::vector<uint8_t> data(16, 0x11);
    EXPECT_EQ(L().QDWriteEeprom(dev, 16, data.data(), 16), 1u);
    EXPECT_EQ(Memory(0, "eeprom")[0], 0x08);
    EXPECT_EQ(L().QDWriteEeprom(dev, 16, data.data(), 16), 1u);
    EXPECT_EQ(Memory(0, "eeprom")[0], 0x11);
    L().QDClose(dev);
}

TEST_F(LibraryTest, LieFaultCanWaitForALaterWrite) {
    SimOk({"fault", "0", "lie", "QDWriteEeprom", "1", "1"});
    uint32_t dev = OpenStor();
    std::vector<uint8_t> first(16, 0x11), second(16, 0x22), third(16, 0x33);
    EXPECT_EQ(L().QDWriteEeprom(dev, 16, first.data(), 16), 1u);
    EXPECT_EQ(Memory(0, "eeprom")[0], 0x11) << "the first write is not in the window";
    EXPECT_EQ(L().QDWriteEeprom(dev, 16, second.data(), 16), 1u);
    EXPECT_EQ(Memory(0, "eeprom")[0], 0x11) << "the second write lies";
    EXPECT_EQ(L().QDWriteEeprom(dev, 16, third.data(), 16), 1u);
    EXPECT_EQ(Memory(0, "eeprom")[0], 0x33);
    L().QDClose(dev);
}

TEST_F(LibraryTest, FlipFaultFlipsOneBitOfTheNextRead) {
    SimOk({"fault", "0", "flip", "QDReadEeprom"});
    uint32_t dev = OpenStor();
    std::vector<uint8_t> first(128), second(128);
    ASSERT_EQ(L().QDReadEeprom(dev, 128, first.data(), 128), 1u);
    ASSERT_EQ(L().QDReadEeprom(dev, 128, second.data(), 128), 1u);
    int differing = 0;
    for (size_t i = 0; i < 128; ++i)
        differing += __builtin_popcount(first[i] ^ second[i]);
    EXPECT_EQ(differing, 1);
    std::vector<uint8_t> stored = Memory(0, "eeprom");
    EXPECT_EQ(std::vector<uint8_t>(stored.begin(), stored.begin() + 128), second);
    L().QDClose(dev);
}

TEST_F(LibraryTest, DetachAfterFaultDropsTheReaderAfterTheKthCall) {
    SimOk({"fault", "0", "detach-after", "QDReadStatus", "2"});
    uint32_t dev = OpenStor();
    uint32_t ok = 0;
    Status(dev, &ok);
    EXPECT_EQ(ok, 1u);
    Status(dev, &ok);
    EXPECT_EQ(ok, 1u); // the K-th call itself completes
    Status(dev, &ok);
    EXPECT_EQ(ok, 0u);
    EXPECT_EQ(OpenStor(), 0u);
    EXPECT_THAT(Sim({"show"}).out, HasSubstr(" detached "));
}

TEST_F(LibraryTest, FaultOffClearsEveryFault) {
    SimOk({"fault", "0", "fail", "QDReadStatus", "5"});
    SimOk({"fault", "0", "busy", "on"});
    SimOk({"fault", "0", "off"});
    uint32_t dev = OpenStor();
    uint32_t ok = 0;
    Status(dev, &ok);
    EXPECT_EQ(ok, 1u);
    L().QDClose(dev);
}

TEST_F(LibraryTest, WritesPersistAcrossProcesses) {
    uint32_t dev = OpenStor();
    std::vector<uint8_t> data(16, 0x5C);
    ASSERT_EQ(L().QDWriteEeprom(dev, 16, data.data(), 16), 1u);
    L().QDClose(dev);
    SimOk({"read", "0", "eeprom", Scratch("dump.bin")});
    EXPECT_EQ(testsupport::ReadFileBytes(Scratch("dump.bin")).substr(0, 16), std::string(16, '\x5C'));
    std::ofstream(Scratch("in.bin"), std::ios::binary) << std::string(4, '\x21');
    SimOk({"write", "0", "eeprom", Scratch("in.bin")});
    dev = OpenStor();
    std::vector<uint8_t> back(8);
    ASSERT_EQ(L().QDReadEeprom(dev, 8, back.data(), 8), 1u);
    EXPECT_THAT(back, ElementsAre(0x21, 0x21, 0x21, 0x21, 0x5C, 0x5C, 0x5C, 0x5C));
    L().QDClose(dev);
}

TEST_F(LibraryTest, DetachKillsOpenHandlesAndAttachBringsTheReaderBack) {
    uint32_t dev = OpenStor();
    SimOk({"detach", "0"});
    uint32_t ok = 1;
    Status(dev, &ok);
    EXPECT_EQ(ok, 0u);
    EXPECT_EQ(OpenStor(), 0u);
    SimOk({"attach", "0"});
    dev = OpenStor();
    EXPECT_NE(dev, 0u);
    L().QDClose(dev);
}

TEST_F(LibraryTest, ArrivalsAndRemovalsAreCounted) {
    uint32_t before = L().QdSimGetChangeCount();
    SimOk({"detach", "0"});
    SimOk({"attach", "0"});
    ASSERT_EQ(L().QdSimGetChangeCount(), before + 2);
    uint32_t arrived = 9, device = 0;
    ASSERT_EQ(L().QdSimGetDeviceEvent(before, &arrived, &device), 1u);
    EXPECT_EQ(arrived, 0u);
    EXPECT_NE(device, 0u);
    ASSERT_EQ(L().QdSimGetDeviceEvent(before + 1, &arrived, &device), 1u);
    EXPECT_EQ(arrived, 1u);
    EXPECT_EQ(L().QdSimGetDeviceEvent(before + 2, &arrived, &device), 0u);
}

// The station: two high-speed hubs; SD1 on port 7 and CF on port 8 of hub 1, SD2 on port 7 of hub 2.
TEST_F(LibraryTest, StationReadersSitOnTheirHubPorts) {
    SimOk({"init", "station"});
    SimOk({"hub", "2", "high-speed", "0"});
    std::vector<std::array<uint32_t, 3>> hubs;
    std::array<uint32_t, 3> hub{};
    for (uint32_t i = 0; L().QdSimEnumHubs(i, &hub[0], &hub[1], &hub[2]); ++i)
        hubs.push_back(hub);
    ASSERT_EQ(hubs.size(), 2u);
    EXPECT_EQ(hubs[0][1], 1u);
    EXPECT_EQ(hubs[1][1], 0u);
    EXPECT_EQ(hubs[0][2], 8u);
    struct Socket {
        size_t hub;
        uint32_t port;
        uint32_t reader;
    };
    for (Socket socket : {Socket{0, 7, 0}, Socket{0, 8, 1}, Socket{1, 7, 2}}) {
        uint32_t device = 0;
        ASSERT_EQ(L().QdSimGetPortDevice(hubs[socket.hub][0], socket.port, &device), 1u);
        uint32_t dev = OpenDisk(socket.reader);
        uint32_t inst = L().QDGetHandleInst(dev), readerInst = 0, a = 0, b = 0;
        ASSERT_EQ(L().Qd_GetReaderInst(dev, &readerInst), 1u);
        EXPECT_EQ(readerInst, inst);
        ASSERT_EQ(L().QDGetLocation(dev, &a, &b), 1u);
        EXPECT_EQ(a, socket.hub + 1);
        EXPECT_EQ(b, socket.port);
        // The disk's ancestors lead to the port's device and then to the hub.
        uint32_t parent = 0;
        ASSERT_EQ(L().QdSimGetParentInst(inst, &parent), 1u);
        EXPECT_EQ(parent, device);
        ASSERT_EQ(L().QdSimGetParentInst(device, &parent), 1u);
        EXPECT_EQ(parent, hubs[socket.hub][0]);
        L().QDClose(dev);
    }
    uint32_t device = 0;
    EXPECT_EQ(L().QdSimGetPortDevice(hubs[1][0], 8, &device), 0u);
    SimOk({"detach", "1"});
    EXPECT_EQ(L().QdSimGetPortDevice(hubs[0][0], 8, &device), 0u);
}

TEST_F(LibraryTest, InstanceHandleOpensThePresentNode) {
    uint32_t dev = OpenStor();
    uint32_t inst = L().QDGetHandleInst(dev);
    L().QDClose(dev);
    uint32_t again = L().QDGetInstHandle(inst);
    ASSERT_NE(again, 0u);
    EXPECT_EQ(L().QDGetHandleInst(again), inst);
    L().QDClose(again);
    EXPECT_EQ(L().QDGetInstHandle(0x12345678), 0u);
}

TEST_F(LibraryTest, SmartCardEntriesReportNoCard) {
    uint32_t dev = OpenStor();
    uint32_t type = 7;
    EXPECT_EQ(L().QDSleInit(dev), 1u);
    EXPECT_EQ(L().QDSleGetCardType(dev, &type), 1u);
    EXPECT_EQ(type, 0u);
    std::vector<uint8_t> buffer(32);
    EXPECT_EQ(L().QDSle4442Read(dev, 0, 32, buffer.data(), 32), 0u);
    uint32_t width = 0;
    EXPECT_EQ(L().QDGetBusWidth(dev, &width), 0u);
    L().QDClose(dev);
}

TEST_F(LibraryTest, PhyRegistersKeepWhatIsWritten) {
    SimOk({"init", "flash-usb"});
    uint32_t dev = OpenDisk();
    uint16_t value = 0x5260, back = 0;
    EXPECT_EQ(L().QDPhyWrite(dev, 1, 4, 2, &value, 2), 0u); // two values need four bytes
    EXPECT_EQ(L().QDPhyWrite(dev, 1, 4, 1, &value, 2), 1u);
    EXPECT_EQ(L().QDPhyRead(dev, 1, 4, 1, &back, 2), 1u);
    EXPECT_EQ(back, 0x5260);
    L().QDClose(dev);
}

TEST_F(LibraryTest, UsbReaderSnapshot) {
    SimOk({"add", "eeprom-pcie"});
    SimOk({"add", "flash-usb"});
    EXPECT_EQ(L().GetUsbCRInfos(), 2u);
    EXPECT_EQ(L().GetUsbCRCount(), 2u);
    std::array<uint8_t, 16> status{};
    ASSERT_EQ(L().GetOneUsbCRInfo(1, status.data(), 16), 1u);
    EXPECT_EQ(status[2], 0x04);
    EXPECT_EQ(L().GetOneUsbCRInfo(2, status.data(), 16), 0u);
    EXPECT_EQ(L().ReleaseCRInfos(), 1u);
    EXPECT_EQ(L().GetUsbCRCount(), 0u);
}

} // namespace
} // namespace simtest
