// quillix-image's verdicts and refusals that need no reader: EFUSE plans, bad input, help.
#include "app/Messages.h"
#include "tests/support/NativePath.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

using testsupport::ExitStatusFor;
using testsupport::NativePath;
using testsupport::RunResult;

namespace {

RunResult Image(const std::vector<std::string>& args) {
    return testsupport::RunProgram(QUILLIX_IMAGE_BINARY, args);
}

std::vector<uint8_t> Bytes(size_t n, uint8_t fill) {
    return std::vector<uint8_t>(n, fill);
}

std::vector<uint8_t> With(std::vector<uint8_t> bytes, size_t at, uint8_t value) {
    bytes.at(at) = value;
    return bytes;
}

struct Bit {
    size_t byte;
    unsigned bit;
    int logicalByte = -1; // mapped generation only
    int logicalBit = -1;
};

struct PlanCase {
    const char* name;
    const char* generation;
    std::vector<uint8_t> current;
    std::vector<uint8_t> image;
    bool allowed;
    std::vector<Bit> burn;
    std::vector<Bit> unburn;
};

class EfusePlan : public testing::TestWithParam<PlanCase> {};

void ExpectBits(const nlohmann::json& listed, const std::vector<Bit>& expected, const std::string& what) {
    ASSERT_EQ(listed.size(), expected.size()) << what << ": " << listed.dump();
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(listed[i]["byte"], expected[i].byte) << what << " " << i;
        EXPECT_EQ(listed[i]["bit"], expected[i].bit) << what << " " << i;
        if (expected[i].logicalByte >= 0) {
            EXPECT_EQ(listed[i]["logical_byte"], expected[i].logicalByte) << what << " " << i;
            EXPECT_EQ(listed[i]["logical_bit"], expected[i].logicalBit) << what << " " << i;
        }
    }
}

TEST_P(EfusePlan, NamesTheFusesAndGivesTheFlowsVerdict) {
    const PlanCase& c = GetParam();
    testsupport::TempDir dir;
    dir.Write("current.bin", c.current);
    dir.Write("new.bin", c.image);
    RunResult plan = Image({"efuse-plan", NativePath(dir.File("current.bin")),
                            NativePath(dir.File("new.bin")), "--generation", c.generation, "--json"});
    EXPECT_EQ(plan.status, c.allowed ? 0 : ExitStatusFor(52, IDS_EFUSE_DATA_INVALID)) << plan.err;
    const nlohmann::json json = nlohmann::json::parse(plan.out);
    EXPECT_EQ(json["allowed"], c.allowed);
    ExpectBits(json["burn"], c.burn, "burn");
    ExpectBits(json["unburn"], c.unburn, "unburn");

    RunResult text = Image({"efuse-plan", NativePath(dir.File("current.bin")),
                            NativePath(dir.File("new.bin")), "--generation", c.generation});
    EXPECT_EQ(text.status, plan.status);
    for (const Bit& bit : c.unburn) {
        const std::string named =
            "Cannot un-burn byte " + std::to_string(bit.byte) + " bit " + std::to_string(bit.bit);
        EXPECT_NE(text.out.find(named), std::string::npos) << text.out;
    }
    if (!c.allowed) {
        EXPECT_NE(text.err.find("EFUSE Data is invalid!"), std::string::npos) << text.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Generations, EfusePlan,
    testing::Values(
        // Blank fuses of the generations that burn from 1 to 0 are 0xFF.
        PlanCase{
            "direct_blank", "direct", Bytes(16, 0xFF), With(Bytes(16, 0xFF), 3, 0xFE), true, {{3, 0}}, {}},
        PlanCase{"register_blank",
                 "register",
                 Bytes(16, 0xFF),
                 With(Bytes(16, 0xFF), 0, 0x7F),
                 true,
                 {{0, 7}},
                 {}},
        PlanCase{
            "pcie_blank", "pcie", Bytes(8, 0xFF), With(Bytes(8, 0xFF), 7, 0xFC), true, {{7, 0}, {7, 1}}, {}},
        // A fuse burnt to 0 cannot return to 1.
        PlanCase{"direct_zero_to_one",
                 "direct",
                 With(Bytes(16, 0xFF), 5, 0xF7),
                 With(Bytes(16, 0xFF), 5, 0xFF),
                 false,
                 {},
                 {{5, 3}}},
        // The mapped generation burns from 0 to 1, and its logical bytes lie scattered: logical byte 7
        // keeps bits 0-4 in physical byte 1 and bits 5-7 in physical byte 15, logical byte 0 is physical 37.
        PlanCase{"mapped_byte_map",
                 "mapped",
                 Bytes(40, 0x00),
                 With(With(Bytes(40, 0x00), 7, 0x21), 0, 0x80),
                 true,
                 {{1, 0, 7, 0}, {15, 5, 7, 5}, {37, 7, 0, 7}},
                 {}},
        PlanCase{"mapped_unburn",
                 "mapped",
                 With(Bytes(40, 0x00), 3, 0x01),
                 Bytes(40, 0x00),
                 false,
                 {},
                 {{17, 0, 3, 0}}}),
    [](const testing::TestParamInfo<PlanCase>& info) { return std::string(info.param.name); });

TEST(EfusePlanInput, ImagesOfTheWrongSizeAreRefused) {
    testsupport::TempDir dir;
    dir.Write("blank16.bin", Bytes(16, 0xFF));
    dir.Write("blank8.bin", Bytes(8, 0xFF));
    // NEW of the wrong size: the flow's own refusal.
    RunResult wrongNew = Image({"efuse-plan", NativePath(dir.File("blank16.bin")),
                                NativePath(dir.File("blank8.bin")), "--generation", "direct"});
    EXPECT_EQ(wrongNew.status, ExitStatusFor(52, IDS_EFUSE_DATA_INVALID));
    EXPECT_NE(wrongNew.err.find("8 bytes"), std::string::npos) << wrongNew.err;
    // CURRENT that is no dump of the generation's fuses.
    RunResult wrongCurrent = Image({"efuse-plan", NativePath(dir.File("blank8.bin")),
                                    NativePath(dir.File("blank16.bin")), "--generation", "direct"});
    EXPECT_EQ(wrongCurrent.status, ExitStatusFor(51, IDS_LOAD_EFUSE_DATA_FAIL));
}

TEST(EfusePlanInput, ForcedCheckRefusesFusesNoLongerInTheirInitialState) {
    testsupport::TempDir dir;
    dir.Write("used.bin", With(Bytes(8, 0xFF), 0, 0x00));
    RunResult plan = Image({"efuse-plan", NativePath(dir.File("used.bin")), NativePath(dir.File("used.bin")),
                            "--generation", "pcie", "--force-check"});
    EXPECT_EQ(plan.status, ExitStatusFor(53, IDS_EFUSE_INITIAL_INVALID));
    RunResult unforced = Image({"efuse-plan", NativePath(dir.File("used.bin")),
                                NativePath(dir.File("used.bin")), "--generation", "pcie"});
    EXPECT_EQ(unforced.status, 0) << unforced.err;
}

// Bad input: one line on standard error and a status other than 0.
TEST(ImageToolInput, BadInputGetsOneLineAndAFailureStatus) {
    testsupport::TempDir dir;
    dir.Write("eeprom.bin", With(With(Bytes(128, 0x00), 0, 0x08), 1, 0x07));
    dir.Write("big.bin", Bytes(100, 0xFF));
    dir.Write("broken.ini", "[Quillix Config]\nProject Type=EEPROM\n\x01\n");
    dir.Write("bad.bin", Bytes(128, 0x00));
    const std::string eeprom = NativePath(dir.File("eeprom.bin"));
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int status;
        bool bQuiet = true; // nothing on standard output (the INI reader names the byte it fails on)
    } cases[] = {
        {"unknown option", {"show", eeprom, "--kind", "eeprom", "--colour"}, 2},
        {"unknown command", {"burn", eeprom}, 2},
        {"no command", {}, 2},
        {"unknown kind", {"show", eeprom, "--kind", "rom"}, 2},
        {"bus without kind", {"show", eeprom, "--bus", "usb"}, 2},
        {"missing file",
         {"show", NativePath(dir.File("none.bin")), "--kind", "eeprom"},
         ExitStatusFor(81, IDS_LOAD_EEPROM_DATA_FAIL)},
        {"larger than the fuses",
         {"show", NativePath(dir.File("big.bin")), "--kind", "efuse"},
         ExitStatusFor(51, IDS_LOAD_EFUSE_DATA_FAIL)},
        {"VID of 0x12345",
         {"set", eeprom, "-o", NativePath(dir.File("out.bin")), "--kind", "eeprom", "--vid", "0x12345"},
         2},
        {"LUN string index 9",
         {"set", eeprom, "-o", NativePath(dir.File("out.bin")), "--kind", "eeprom", "--lun-string", "9=X"},
         2},
        {"IC INI that does not load",
         {"show", eeprom, "--ic", NativePath(dir.File("broken.ini"))},
         ExitStatusFor(40, IDS_LOAD_FILE_DATA_FAIL),
         false},
        {"missing IC INI",
         {"show", eeprom, "--ic", NativePath(dir.File("none.ini"))},
         ExitStatusFor(40, IDS_LOAD_FILE_DATA_FAIL)},
        {"check fails",
         {"check", NativePath(dir.File("bad.bin")), "--kind", "eeprom"},
         ExitStatusFor(33, IDS_FILE_VENDOR_INFO_INVALID)},
        {"set on an image of another chip",
         {"set", NativePath(dir.File("bad.bin")), "-o", NativePath(dir.File("out.bin")), "--kind", "eeprom",
          "--serial", "1"},
         ExitStatusFor(33, IDS_FILE_VENDOR_INFO_INVALID)},
        {"count of 0",
         {"serials", eeprom, "--kind", "eeprom", "--from", "1", "--count", "0", "-o",
          NativePath(dir.File("s"))},
         2},
        {"from without digits",
         {"serials", eeprom, "--kind", "eeprom", "--from", "SN", "--count", "1", "-o",
          NativePath(dir.File("s"))},
         2},
    };
    for (const Case& c : cases) {
        RunResult run = Image(c.args);
        EXPECT_EQ(run.status, c.status) << c.name << ": " << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << c.name << ": " << run.err;
        if (c.bQuiet) {
            EXPECT_TRUE(run.out.empty()) << c.name << ": " << run.out;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.bin")));
}

TEST(ImageToolInput, ShowOfAnImageThatFailsTheCheckStillShowsItsFields) {
    testsupport::TempDir dir;
    dir.Write("bad.bin", Bytes(128, 0x00));
    RunResult show = Image({"show", "--json", NativePath(dir.File("bad.bin")), "--kind", "eeprom"});
    ASSERT_EQ(show.status, 0) << show.err;
    EXPECT_EQ(nlohmann::json::parse(show.out)["check"], "fail");
}

TEST(ImageToolHelp, EveryCommandHasHelpAndTheProgramAVersion) {
    struct Case {
        const char* command;
        const char* option; // an option its help names
    } cases[] = {{"show", "--json"},
                 {"check", "--kind"},
                 {"set", "--inquiry-revision"},
                 {"diff", "--json"},
                 {"efuse-plan", "--generation"},
                 {"serials", "--count"}};
    for (const Case& c : cases) {
        RunResult help = Image({c.command, "--help"});
        EXPECT_EQ(help.status, 0) << c.command;
        EXPECT_NE(help.out.find(c.option), std::string::npos) << c.command << ": " << help.out;
    }
    RunResult help = Image({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const Case& c : cases)
        EXPECT_NE(help.out.find(c.command), std::string::npos) << help.out;
    RunResult version = Image({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("quillix-image ", 0), 0u) << version.out;
}

} // namespace
