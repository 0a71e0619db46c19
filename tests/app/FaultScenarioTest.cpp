// Fault scenarios end to end: the real tool on the command line against the simulated reader with a
// fault set. Each scenario checks the exit status (a failure never exits with 0) and that the reader's
// memory and the files on disk are exactly what the failure leaves.
#include "model/ProjectTypes.h"
#include "tests/support/Process.h"
#include "tests/support/SimReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using testsupport::ExitStatusFor;
using testsupport::RunResult;
using testsupport::SimReader;

namespace {

std::string SourceFile(const std::string& relative) {
    return testsupport::ReadFileBytes(
        (std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / relative).string());
}

std::string Pattern(size_t n, unsigned seed) {
    std::string bytes(n, '\0');
    uint32_t state = seed;
    for (char& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

// A program folder with the tool, `config.ini` naming `Chip.ini`, and a simulated reader.
class ScenarioFolder {
public:
    ScenarioFolder(const std::string& preset, const std::string& icIni) : m_sim(preset) {
        m_sim.Write("Chip.ini", icIni);
        m_sim.Write("config.ini", "[Quillix Config]\nIni Name=Chip.ini\n");
        m_tool = testsupport::CopyInto(QUILLIX_BINARY, m_sim.Path());
        m_sim.MustSim("journal on");
    }

    RunResult Run(const std::vector<std::string>& args) const {
        return testsupport::RunProgram(m_tool, args);
    }

    std::string Memory(const std::string& memory) const {
        m_sim.MustSim("read 0 " + memory + " " + m_sim.File("memory.bin"));
        return m_sim.Read("memory.bin");
    }
    void SetMemory(const std::string& memory, const std::string& bytes) const {
        m_sim.Write("content.bin", bytes);
        m_sim.MustSim("write 0 " + memory + " " + m_sim.File("content.bin"));
    }
    // Journal lines after the first one that contains `from` (all of them when empty).
    std::vector<std::string> JournalAfter(const std::string& from) const {
        std::vector<std::string> lines = m_sim.Journal();
        auto it = lines.begin();
        if (!from.empty()) {
            while (it != lines.end() && it->find(from) == std::string::npos)
                ++it;
            if (it != lines.end())
                ++it;
        }
        return std::vector<std::string>(it, lines.end());
    }

    SimReader m_sim;
    std::string m_tool;
};

const std::string kEepromIni = "[Quillix Config]\nProject Type=EEPROM\nBus Type=USB\n";
const std::string kEfuseIni = "[Quillix Config]\nProject Type=EFUSE\nBus Type=USB\n";
std::string FlashIni() {
    return SourceFile("examples/flash-usb.ini");
}

constexpr size_t kCodeSize = 0x20000;
constexpr size_t kBlock = 0x1000;

TEST(FaultScenario, ReaderGoneInTheMiddleOfAFlashWriteLeavesThePartialImage) {
    ScenarioFolder tool("flash-usb", FlashIni());
    const std::string image = Pattern(kCodeSize, 1);
    tool.m_sim.Write("fw.bin", image);
    // The blocks are written from 0x1000 upwards (the tag block at 0 comes last); the reader goes away
    // after the third.
    tool.m_sim.MustSim("fault 0 detach-after QDWriteFlash2 3");
    RunResult run = tool.Run({"-w", "fw.bin"});
    // A failure, not a crash (-1 on POSIX, a negative exception code on Windows).
    EXPECT_GT(run.status, 0) << run.err;
    EXPECT_NE(run.err.find(" (417"), std::string::npos) << run.err;
    // Nothing reached the reader once it was gone: the retry's erase and every later call failed.
    for (const std::string& line : tool.JournalAfter("QDWriteFlash2(0x3000"))
        EXPECT_NE(line.find("-> 0x0"), std::string::npos) << line;
    tool.m_sim.MustSim("attach 0");
    std::string expected(kCodeSize, '\xFF');
    expected.replace(kBlock, 3 * kBlock, image.substr(kBlock, 3 * kBlock));
    EXPECT_TRUE(tool.Memory("flash") == expected) << "erased, with exactly blocks 0x1000-0x3FFF written";
}

struct FlipCase {
    const char* name;
    const char* preset;
    std::string icIni;
    const char* memory;
    std::string image;
    const char* fault;
    int status; // on POSIX; Windows exits with the whole code
    ResultCode code;
    // The memory after the failure (a prefix of it), or empty: the image itself.
    std::string memoryAfter;
};

void PrintTo(const FlipCase& c, std::ostream* os) {
    *os << c.name;
}

class ReadBackFlip : public testing::TestWithParam<FlipCase> {};

// A bit flipped in every read-back: the verify fails, the code is reported, nothing claims success.
TEST_P(ReadBackFlip, FailsTheVerifyWithItsCode) {
    const FlipCase& c = GetParam();
    ScenarioFolder tool(c.preset, c.icIni);
    tool.m_sim.Write("image.bin", c.image);
    tool.m_sim.MustSim(c.fault);
    RunResult run = tool.Run({"-w", "image.bin"});
    EXPECT_EQ(run.status, ExitStatusFor(c.status, c.code)) << run.err;
    EXPECT_NE(run.err.find(std::to_string(c.code)), std::string::npos) << run.err;
    const std::string& expected = c.memoryAfter.empty() ? c.image : c.memoryAfter;
    EXPECT_TRUE(tool.Memory(c.memory).substr(0, expected.size()) == expected);
}

INSTANTIATE_TEST_SUITE_P(
    MemoryKinds, ReadBackFlip,
    testing::Values(
        // The EEPROM holds the image; only its read-back was wrong.
        FlipCase{"Eeprom", "eeprom-usb", kEepromIni, "eeprom", Pattern(128, 2), "fault 0 flip QDReadEeprom",
                 86, 41806, ""},
        // The fuses are burnt (they cannot be undone); every verify pass after the first read misreads.
        FlipCase{"Efuse", "efuse-usb", kEfuseIni, "efuse", Pattern(16, 3), "fault 0 flip QDReadEfuse 1000 1",
                 56, 41606, ""},
        // Every attempt fails its compare; the last failed attempt leaves the flash erased.
        FlipCase{"Flash", "flash-usb", FlashIni(), "flash", Pattern(kCodeSize, 4),
                 "fault 0 flip QDReadFlash2 1000", 69, 41709, std::string(kCodeSize, '\xFF')}),
    [](const testing::TestParamInfo<FlipCase>& info) { return std::string(info.param.name); });

TEST(FaultScenario, ResetThatNeverComesBackIsBroughtBackByTheDriverRefresh) {
    ScenarioFolder tool("eeprom-usb", kEepromIni);
    const std::string image = Pattern(128, 5);
    tool.m_sim.Write("image.bin", image);
    tool.m_sim.MustSim("fault 0 reset-gone on");
    RunResult run = tool.Run({"-w", "image.bin"});
    EXPECT_EQ(run.status, 0) << run.err;
    // Five reopen attempts (of three opens each) find nothing, then the driver-update tool runs and
    // the next open reaches the reader.
    std::vector<std::string> after = tool.JournalAfter("QDSwReset");
    size_t failedOpens = 0;
    size_t refresh = after.size();
    for (size_t i = 0; i < after.size() && refresh == after.size(); ++i) {
        if (after[i].rfind("udrvup(update", 0) == 0)
            refresh = i;
        else if (after[i].rfind("QDOpenVrkUsbStor(", 0) == 0)
            ++failedOpens;
    }
    ASSERT_LT(refresh, after.size()) << "the driver refresh ran";
    EXPECT_EQ(failedOpens, 5u * 3u);
    ASSERT_LT(refresh + 1, after.size());
    EXPECT_EQ(after[refresh + 1].rfind("[0] QDOpenVrkUsbStor(", 0), 0u) << after[refresh + 1];
    EXPECT_TRUE(tool.Memory("eeprom").substr(0, 128) == image);
}

TEST(FaultScenario, EfuseThatWouldNeedABitSetBurnsNothing) {
    ScenarioFolder tool("efuse-usb", kEfuseIni);
    std::string fuses(16, '\xFF');
    fuses[3] = '\x0F';
    tool.SetMemory("efuse", fuses);
    std::string image(16, '\x00');
    image[3] = '\x1F'; // bit 4 of byte 3 is already burnt to 0
    tool.m_sim.Write("image.bin", image);
    RunResult run = tool.Run({"-w", "image.bin"});
    EXPECT_EQ(run.status, ExitStatusFor(52, 41602)) << run.err;
    EXPECT_NE(run.err.find("41602"), std::string::npos) << run.err;
    EXPECT_EQ(tool.Memory("efuse"), fuses);
    EXPECT_TRUE(tool.m_sim.JournalOf("QDWriteEfuse").empty());
}

// Unreadable settings: the tool runs on its defaults (FLASH over USB), does its work, reports its true
// result, and leaves both files as they were.
TEST(FaultScenario, CorruptSettingsFilesRunOnTheDefaults) {
    ScenarioFolder tool("flash-usb", "");
    const std::string config = Pattern(3000, 6);
    const std::string icIni =
        std::string("\x00\xFF[Quillix Config]\nProject Type=\x80\x81\n", 36) + Pattern(500, 7);
    tool.m_sim.Write("config.ini", config);
    tool.m_sim.Write("Chip.ini", icIni);
    RunResult dump = tool.Run({"-r", tool.m_sim.File("dump.bin")});
    EXPECT_EQ(dump.status, 0) << dump.err;
    EXPECT_TRUE(tool.m_sim.Read("dump.bin") == tool.Memory("flash").substr(0, kCodeSize));
    RunResult ignored = tool.Run({"-i", "x"});
    EXPECT_EQ(ignored.status, ExitStatusFor(10, 41500)) << ignored.err;
    EXPECT_TRUE(tool.m_sim.Read("config.ini") == config);
    EXPECT_TRUE(tool.m_sim.Read("Chip.ini") == icIni);
}

struct SizeCase {
    const char* name;
    const char* preset;
    std::string icIni;
    const char* memory;
    size_t imageSize;
    int status; // on POSIX; Windows exits with the whole code
    ResultCode code;
    // Otherwise the flow's first step, the EEPROM block with the start of the image, was written.
    bool memoryUnchanged;
};

void PrintTo(const SizeCase& c, std::ostream* os) {
    *os << c.name;
}

class WrongSizeImage : public testing::TestWithParam<SizeCase> {};

TEST_P(WrongSizeImage, EndsWithAClearCode) {
    const SizeCase& c = GetParam();
    ScenarioFolder tool(c.preset, c.icIni);
    const std::string before = tool.Memory(c.memory);
    tool.m_sim.Write("image.bin", Pattern(c.imageSize, 8));
    RunResult run = tool.Run({"-w", "image.bin"});
    EXPECT_EQ(run.status, ExitStatusFor(c.status, c.code)) << run.err;
    EXPECT_NE(run.err.find(std::to_string(c.code)), std::string::npos) << run.err;
    const std::string after = tool.Memory(c.memory);
    if (c.memoryUnchanged) {
        EXPECT_TRUE(after == before);
    } else {
        EXPECT_TRUE(after.substr(0, 511) == Pattern(c.imageSize, 8).substr(0, 511));
        EXPECT_TRUE(after.substr(511) == before.substr(511));
    }
}

INSTANTIATE_TEST_SUITE_P(
    MemoryKinds, WrongSizeImage,
    testing::Values(SizeCase{"EepromEmpty", "eeprom-usb", kEepromIni, "eeprom", 0, 81, 41801, true},
                    // Larger than the 512-byte EEPROM, which the library cannot tell the tool: the
                    // write of the whole image fails after the block.
                    SizeCase{"EepromOversized", "eeprom-usb", kEepromIni, "eeprom", 600, 86, 41806, false},
                    SizeCase{"EfuseEmpty", "efuse-usb", kEfuseIni, "efuse", 0, 51, 41601, true},
                    SizeCase{"EfuseTruncated", "efuse-usb", kEfuseIni, "efuse", 15, 52, 41602, true},
                    SizeCase{"EfuseOversized", "efuse-usb", kEfuseIni, "efuse", 17, 52, 41602, true},
                    SizeCase{"FlashEmpty", "flash-usb", FlashIni(), "flash", 0, 61, 41701, true},
                    // Beyond the code area: the reader's vendor information cannot be read for it.
                    SizeCase{"FlashOversized", "flash-usb", FlashIni(), "flash", kCodeSize + 1, 64, 41704,
                             true}),
    [](const testing::TestParamInfo<SizeCase>& info) { return std::string(info.param.name); });

} // namespace
