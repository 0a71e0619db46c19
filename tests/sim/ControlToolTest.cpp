// quillix-sim run as a process: every command, its output and its bad-input errors.
#include "tests/sim/SimFixture.h"

#include <gmock/gmock.h>

#include <array>
#include <fstream>
#include <regex>
#include <thread>

namespace simtest {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class ControlToolTest : public SimTest {
protected:
    std::vector<std::string> ShowLines() {
        RunResult result = Sim({"show"});
        EXPECT_EQ(result.status, 0) << result.err;
        std::vector<std::string> lines;
        std::istringstream in(result.out);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    void WriteScratch(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::ofstream(Scratch(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
};

TEST_F(ControlToolTest, FreshFolderStartsWithAnEepromReaderOnUsb) {
    EXPECT_THAT(ShowLines(),
                ElementsAre("0 eeprom-usb usb attached status=2C7A0201000000211000000000000000 ext=" +
                            std::string(64, '0') + " efuse=0 eeprom=512 flash=0"));
    std::vector<uint8_t> eeprom = Memory(0, "eeprom");
    ASSERT_EQ(eeprom.size(), 512u);
    EXPECT_EQ(eeprom[0], 0x08); // the EEPROM layout mark 0x0807
    EXPECT_EQ(eeprom[1], 0x07);
}

struct PresetRow {
    const char* preset;
    const char* bus;
    uint32_t efuse, eeprom, flash;
    uint8_t generation; // status byte 7
    uint8_t status14;
    bool extended; // status byte 15 bit 7
    uint8_t ext29;
};

class PresetTest : public ControlToolTest, public ::testing::WithParamInterface<PresetRow> {};

TEST_P(PresetTest, InitShowsTheReaderOfThePreset) {
    const PresetRow& row = GetParam();
    SimOk({"init", row.preset});
    std::vector<std::string> lines = ShowLines();
    ASSERT_EQ(lines.size(), 1u);
    std::smatch m;
    std::regex pattern("0 (\\S+) (usb|pcie) attached status=([0-9A-F]{32}) ext=([0-9A-F]{64}) efuse=(\\d+) "
                       "eeprom=(\\d+) flash=(\\d+)");
    ASSERT_TRUE(std::regex_match(lines[0], m, pattern)) << lines[0];
    EXPECT_EQ(m[1], row.preset);
    EXPECT_EQ(m[2], row.bus);
    std::string status = m[3], ext = m[4];
    EXPECT_EQ(std::stoul(status.substr(14, 2), nullptr, 16), row.generation);
    EXPECT_EQ(std::stoul(status.substr(28, 2), nullptr, 16), row.status14);
    EXPECT_EQ((std::stoul(status.substr(30, 2), nullptr, 16) & 0x80) != 0, row.extended);
    EXPECT_EQ(std::stoul(ext.substr(58, 2), nullptr, 16), row.ext29);
    EXPECT_EQ(std::stoul(m[5]), row.efuse);
    EXPECT_EQ(std::stoul(m[6]), row.eeprom);
    EXPECT_EQ(std::stoul(m[7]), row.flash);
}

INSTANTIATE_TEST_SUITE_P(
    Presets, PresetTest,
    ::testing::Values(PresetRow{"eeprom-usb", "usb", 0, 512, 0, 0x21, 0, false, 0},
                      PresetRow{"eeprom-pcie", "pcie", 0, 512, 0, 0x22, 0, false, 0},
                      PresetRow{"efuse-usb", "usb", 16, 0, 0, 0x31, 0, false, 0},
                      PresetRow{"efuse-usb-reg", "usb", 16, 0, 0, 0x84, 0, false, 0},
                      PresetRow{"efuse-usb-mapped", "usb", 40, 0, 0, 0x02, 0, false, 0},
                      PresetRow{"efuse-pcie", "pcie", 8, 0, 0, 0x32, 0, false, 0},
                      PresetRow{"flash-usb", "usb", 0, 0, 0x20000, 0x01, 0, true, 0x02},
                      PresetRow{"flash-usb16", "usb", 0, 0, 0x10000, 0x81, 0x01, false, 0},
                      PresetRow{"flash-usb-ctrl", "usb", 0, 0, 0x10000, 0x51, 0, false, 0}),
    [](const auto& info) {
        std::string name = info.param.preset;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

// Factory content passes the image checks of the matching device types.
TEST_F(ControlToolTest, FactoryContentCarriesTheVendorInformation) {
    SimOk({"init", "flash-usb"});
    SimOk({"add", "efuse-usb"});
    SimOk({"add", "efuse-usb-mapped"});
    SimOk({"add", "eeprom-pcie"});
    std::vector<uint8_t> flash = Memory(0, "flash");
    ASSERT_EQ(flash.size(), 0x20000u);
    EXPECT_EQ(flash[0x20000 - 256], 0x55); // vendor block 256 bytes before the end of the code
    EXPECT_EQ(flash[0x20000 - 255], 0xAA);
    EXPECT_NE(flash[0], 0xFF); // firmware code at the start
    EXPECT_EQ(Memory(1, "efuse"), std::vector<uint8_t>(16, 0xFF));
    EXPECT_EQ(Memory(2, "efuse"), std::vector<uint8_t>(40, 0x00));
    std::vector<uint8_t> pcie = Memory(3, "eeprom");
    EXPECT_THAT(std::vector<uint8_t>(pcie.begin(), pcie.begin() + 4), ElementsAre(0x0C, 0x00, 0x0C, 0xAA));
}

TEST_F(ControlToolTest, InitNoneAndStationAndAdd) {
    SimOk({"init", "none"});
    EXPECT_TRUE(ShowLines().empty());
    SimOk({"init", "station"});
    SimOk({"add", "efuse-pcie"});
    std::vector<std::string> lines = ShowLines();
    ASSERT_EQ(lines.size(), 4u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(lines[i].substr(0, 15), std::to_string(i) + " flash-usb usb");
    EXPECT_EQ(lines[3].substr(0, 16), "3 efuse-pcie pci");
}

TEST_F(ControlToolTest, AttachAndDetach) {
    SimOk({"add", "flash-usb"});
    SimOk({"detach", "1"});
    EXPECT_THAT(ShowLines()[1], HasSubstr(" detached "));
    EXPECT_THAT(ShowLines()[0], HasSubstr(" attached "));
    SimOk({"attach", "1"});
    EXPECT_THAT(ShowLines()[1], HasSubstr(" attached "));
}

struct SetRow {
    const char* key;
    const char* value;
    const char* expected; // substring of the show line
};

class SetTest : public ControlToolTest, public ::testing::WithParamInterface<SetRow> {};

TEST_P(SetTest, ChangesTheSetting) {
    SimOk({"init", "flash-usb"});
    SimOk({"set", "0", GetParam().key, GetParam().value});
    EXPECT_THAT(ShowLines()[0], HasSubstr(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, SetTest,
    ::testing::Values(SetRow{"status.4", "1", "status=2C7A040101"}, SetRow{"status.15", "0x00", "00 ext="},
                      SetRow{"ext.0", "0xAB", "ext=AB01"}, SetRow{"ext.31", "255", "FF efuse="},
                      SetRow{"eeprom-size", "256", "eeprom=256 "}, SetRow{"efuse-size", "0x10", "efuse=16 "},
                      SetRow{"flash-size", "0x1000", "flash=4096"}));

TEST_F(ControlToolTest, MemorySizeChangeKeepsContentAndBlanksNewBytes) {
    SimOk({"set", "0", "eeprom-size", "1024"});
    std::vector<uint8_t> eeprom = Memory(0, "eeprom");
    ASSERT_EQ(eeprom.size(), 1024u);
    EXPECT_EQ(eeprom[0], 0x08);
    EXPECT_EQ(eeprom[1023], 0xFF);
    SimOk({"set", "0", "eeprom-size", "0"});
    EXPECT_THAT(ShowLines()[0], HasSubstr("eeprom=0 "));
}

TEST_F(ControlToolTest, WriteThenReadRoundTrips) {
    WriteScratch("in.bin", {1, 2, 3, 4, 5});
    SimOk({"write", "0", "eeprom", Scratch("in.bin")});
    SimOk({"read", "0", "eeprom", Scratch("out.bin")});
    std::string out = testsupport::ReadFileBytes(Scratch("out.bin"));
    ASSERT_EQ(out.size(), 512u);
    EXPECT_EQ(out.substr(0, 5), std::string("\x01\x02\x03\x04\x05"));
    EXPECT_EQ(static_cast<uint8_t>(out[8]), 0x60); // the rest of the factory content stays
}

TEST_F(ControlToolTest, ReadIntoAFolderPathFails) {
    WriteScratch("file", {0});
    RunResult result = Sim({"read", "0", "eeprom", Scratch("file/out.bin")});
    EXPECT_EQ(result.status, 1);
    EXPECT_THAT(result.err, HasSubstr("cannot write"));
}

TEST_F(ControlToolTest, JournalCommands) {
    SimOk({"journal", "on"});
    uint32_t index = 0;
    uint32_t dev = Lib().QDOpenVrkUsbStor(&index);
    ASSERT_NE(dev, 0u);
    Lib().QDClose(dev);
    RunResult shown = Sim({"journal", "show"});
    EXPECT_EQ(shown.status, 0);
    EXPECT_THAT(shown.out, HasSubstr("[0] QDOpenVrkUsbStor(&0x0) -> 0x"));
    EXPECT_THAT(shown.out, HasSubstr("[0] QDClose() -> 0x1\n"));
    SimOk({"journal", "clear"});
    EXPECT_EQ(Sim({"journal", "show"}).out, "");
    SimOk({"journal", "off"});
    dev = Lib().QDOpenVrkUsbStor(&index);
    Lib().QDClose(dev);
    EXPECT_TRUE(JournalLines().empty());
}

TEST_F(ControlToolTest, FaultCommandsAreAccepted) {
    for (std::initializer_list<std::string> args :
         {std::initializer_list<std::string>{"fault", "0", "fail", "QDReadEeprom", "2"},
          {"fault", "0", "fail", "QDReadEeprom", "2", "1"},
          {"fault", "0", "lie", "QDWriteEeprom", "1"},
          {"fault", "0", "flip", "QDReadEeprom"},
          {"fault", "0", "detach-after", "QDReadStatus", "3"},
          {"fault", "0", "busy", "on"},
          {"fault", "0", "busy", "off"},
          {"fault", "0", "reset-gone", "on"},
          {"fault", "0", "off"}}) {
        RunResult result = Sim(args);
        EXPECT_EQ(result.status, 0) << result.err;
    }
    EXPECT_THAT(ScenarioBytes(), ::testing::Not(HasSubstr("Fault0")));
}

// Bad input: status 2, one line on stderr, state files unchanged.
class BadInputTest : public ControlToolTest,
                     public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(BadInputTest, IsRefusedAndChangesNothing) {
    SimOk({"init", "eeprom-usb"});
    std::ofstream(Scratch("big.bin"), std::ios::binary) << std::string(513, 'x');
    std::string scenario = ScenarioBytes();
    std::vector<uint8_t> eeprom = Memory(0, "eeprom");
    std::vector<std::string> args = GetParam();
    for (std::string& arg : args)
        if (arg == "BIG")
            arg = Scratch("big.bin");
        else if (arg == "MISSING")
            arg = Scratch("missing.bin");
    RunResult result = RunProgram(QUILLIX_SIM_TOOL, args);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_EQ(ScenarioBytes(), scenario);
    EXPECT_EQ(Memory(0, "eeprom"), eeprom);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, BadInputTest,
    ::testing::Values(std::vector<std::string>{"frobnicate"}, std::vector<std::string>{"init", "eeprom-usb3"},
                      std::vector<std::string>{"init"}, std::vector<std::string>{"add", "station"},
                      std::vector<std::string>{"add", "nothing"}, std::vector<std::string>{"attach", "1"},
                      std::vector<std::string>{"detach", "x"},
                      std::vector<std::string>{"set", "0", "colour", "1"},
                      std::vector<std::string>{"set", "0", "status.16", "1"},
                      std::vector<std::string>{"set", "0", "status.4", "256"},
                      std::vector<std::string>{"set", "0", "ext.1", "0xZZ"},
                      std::vector<std::string>{"set", "0", "efuse-size", "256"},
                      std::vector<std::string>{"set", "0", "accept.QDReadEeprom", "0"},
                      std::vector<std::string>{"set", "3", "ldo", "1"},
                      std::vector<std::string>{"write", "0", "eeprom", "MISSING"},
                      std::vector<std::string>{"write", "0", "eeprom", "BIG"},
                      std::vector<std::string>{"write", "0", "rom", "BIG"},
                      std::vector<std::string>{"read", "0", "sram", "out.bin"},
                      std::vector<std::string>{"fault", "0", "melt"},
                      std::vector<std::string>{"fault", "0", "fail", "QDNoSuchEntry", "1"},
                      std::vector<std::string>{"fault", "0", "fail", "QDReadEeprom"},
                      std::vector<std::string>{"fault", "0", "lie", "QDReadEeprom", "1"},
                      std::vector<std::string>{"fault", "0", "flip", "QDWriteEeprom"},
                      std::vector<std::string>{"fault", "0", "busy", "maybe"},
                      std::vector<std::string>{"fault", "0", "detach-after", "QDReadStatus", "0"},
                      std::vector<std::string>{"journal", "loud"},
                      std::vector<std::string>{"hub", "0", "ports", "8"},
                      std::vector<std::string>{"hub", "1", "colour", "1"}, std::vector<std::string>{"--dir"},
                      std::vector<std::string>{}));

TEST_F(ControlToolTest, DirOptionChoosesTheStateFolder) {
    std::string other = Scratch("other");
    RunResult result = RunProgram(QUILLIX_SIM_TOOL, {"--dir", other, "init", "flash-usb16"});
    ASSERT_EQ(result.status, 0) << result.err;
    result = RunProgram(QUILLIX_SIM_TOOL, {"--dir", other, "show"});
    EXPECT_THAT(result.out, HasSubstr("0 flash-usb16 usb"));
    EXPECT_THAT(ShowLines()[0], HasSubstr("0 eeprom-usb usb"));
}

TEST_F(ControlToolTest, UnreadableStateIsAFailure) {
    std::ofstream(Scratch("notafolder")) << "x";
    RunResult result = RunProgram(QUILLIX_SIM_TOOL, {"--dir", Scratch("notafolder"), "show"});
    EXPECT_EQ(result.status, 1);
    EXPECT_THAT(result.err, HasSubstr("quillix-sim: "));
}

TEST_F(ControlToolTest, InitStartsAfreshFromAnUnreadableScenario) {
    SimOk({"show"});
    std::ofstream(StateFolder() + "scenario.ini", std::ios::trunc) << "[Reader 0]\nStatus=zz\n";
    RunResult shown = Sim({"show"});
    EXPECT_EQ(shown.status, 1);
    EXPECT_THAT(shown.err, HasSubstr("Status"));
    uint32_t index = 0;
    EXPECT_EQ(Lib().QDOpenVrkUsbStor(&index), 0u);
    SimOk({"init", "efuse-usb"});
    EXPECT_THAT(ShowLines(), ElementsAre(HasSubstr("0 efuse-usb usb attached")));
}

// Side-by-side processes: every add lands, each under its own index.
TEST_F(ControlToolTest, ConcurrentProcessesDoNotLoseChanges) {
    SimOk({"init", "none"});
    std::array<RunResult, 6> results;
    std::vector<std::thread> runs;
    for (RunResult& result : results)
        runs.emplace_back([&result] { result = RunProgram(QUILLIX_SIM_TOOL, {"add", "eeprom-usb"}); });
    for (std::thread& run : runs)
        run.join();
    for (const RunResult& result : results)
        EXPECT_EQ(result.status, 0) << result.err;
    std::vector<std::string> lines = ShowLines();
    ASSERT_EQ(lines.size(), 6u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(lines[i].substr(0, 2), std::to_string(i) + " ");
}

} // namespace
} // namespace simtest
