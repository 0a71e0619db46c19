// The real tool on the command line against the simulated reader: EFUSE and EEPROM images written,
// dumped and erased, and the exit statuses of the failures.
#include "device/VrkLibExternalUse.h"
#include "model/ProjectTypes.h"
#include "tests/support/NativePath.h"
#include "tests/support/Process.h"
#include "tests/support/SimReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using testsupport::ExitStatusFor;
using testsupport::NativePath;
using testsupport::RunResult;
using testsupport::SimReader;

namespace {

// A program folder with the tool, an IC INI file for the chip and the simulated reader in `preset`.
class ToolFolder {
public:
    ToolFolder(const std::string& preset, const char* kind, const char* bus) : m_sim(preset) {
        m_sim.Write("Chip.ini",
                    std::string("[Quillix Config]\nProject Type=") + kind + "\nBus Type=" + bus + "\n");
        m_sim.Write("config.ini", "[Quillix Config]\nIni Name=Chip.ini\n");
        m_tool = testsupport::CopyInto(QUILLIX_BINARY, m_sim.Path());
    }

    RunResult Run(const std::vector<std::string>& args) const {
        return testsupport::RunProgram(m_tool, args);
    }

    std::string Memory(const std::string& memory) const {
        m_sim.MustSim("read 0 " + memory + " " + m_sim.File("memory.bin"));
        return m_sim.Read("memory.bin");
    }

    SimReader m_sim;
    std::string m_tool;
};

std::string Counting(size_t n, int step) {
    std::string bytes(n, '\0');
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<char>(i * step + 1);
    return bytes;
}

struct RoundTrip {
    const char* preset;
    const char* kind;
    const char* bus;
    const char* memory;
    std::string image; // written with -w
    std::string dump;  // what -r gives back
};

class MemoryRoundTrip : public testing::TestWithParam<RoundTrip> {};

TEST_P(MemoryRoundTrip, WriteThenDumpGivesTheImageBack) {
    const RoundTrip& c = GetParam();
    ToolFolder tool(c.preset, c.kind, c.bus);
    tool.m_sim.Write("image.bin", c.image);
    RunResult write = tool.Run({"-w", "image.bin"}); // relative: from the program folder
    ASSERT_EQ(write.status, 0) << write.err;
    EXPECT_EQ(tool.Memory(c.memory).substr(0, c.image.size()), c.image);

    RunResult read = tool.Run({"-r", NativePath(tool.m_sim.File("out/dump.bin"))});
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(tool.m_sim.Read("out/dump.bin"), c.dump);
    RunResult text = tool.Run({"-t", tool.m_sim.File("dump.txt")});
    ASSERT_EQ(text.status, 0) << text.err;
    std::string dumpText = tool.m_sim.Read("dump.txt");
    EXPECT_EQ(dumpText.size(), c.dump.size() * 3 + (c.dump.size() - 1) / 16 * 2);
}

INSTANTIATE_TEST_SUITE_P(
    Chips, MemoryRoundTrip,
    testing::Values(RoundTrip{"eeprom-usb", "EEPROM", "USB", "eeprom", Counting(128, 3), Counting(128, 3)},
                    // A read always fetches 128 bytes, whatever was written.
                    RoundTrip{"eeprom-pcie", "EEPROM", "PCIE", "eeprom", Counting(200, 5), Counting(128, 5)},
                    // Fuses only lose bits: the counting bytes are programmed over blank 0xFF fuses.
                    RoundTrip{"efuse-usb", "EFUSE", "USB", "efuse", Counting(16, 17), Counting(16, 17)},
                    RoundTrip{"efuse-usb-reg", "EFUSE", "USB", "efuse", Counting(16, 9), Counting(16, 9)},
                    RoundTrip{"efuse-pcie", "EFUSE", "PCIE", "efuse", Counting(8, 31), Counting(8, 31)}),
    [](const testing::TestParamInfo<RoundTrip>& info) {
        std::string name = info.param.preset;
        for (char& ch : name)
            if (ch == '-')
                ch = '_';
        return name;
    });

TEST(MemoryCommandLine, MappedFusesDumpWholeInAFreshProcess) {
    ToolFolder tool("efuse-usb-mapped", "EFUSE", "USB");
    RunResult read = tool.Run({"-r", tool.m_sim.File("dump.bin")});
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(tool.m_sim.Read("dump.bin"), std::string(40, '\0'));
}

TEST(MemoryCommandLine, EraseWritesTheZeroBlock) {
    struct Case {
        const char* option;
        size_t resets; // -e resets the reader afterwards, -c does not
    } cases[] = {{"-e", 1}, {"-c", 0}};
    for (const Case& c : cases) {
        ToolFolder tool("eeprom-usb", "EEPROM", "USB");
        tool.m_sim.MustSim("journal on");
        RunResult erase = tool.Run({c.option});
        ASSERT_EQ(erase.status, 0) << c.option << ": " << erase.err;
        EXPECT_EQ(tool.Memory("eeprom").substr(0, 511), std::string(511, '\0')) << c.option;
        EXPECT_EQ(tool.m_sim.JournalOf("QDSwReset").size(), c.resets) << c.option;
    }
}

struct Failure {
    const char* name;
    const char* preset;
    const char* kind;
    std::vector<std::string> args;
    int status; // on POSIX; Windows exits with the whole code
    ResultCode code;
    std::vector<std::string> simSetup = {}; // control-tool commands run first
};

class MemoryCommandLineFailure : public testing::TestWithParam<Failure> {};

TEST_P(MemoryCommandLineFailure, ExitsWithTheCodesStatus) {
    const Failure& c = GetParam();
    ToolFolder tool(c.preset, c.kind, "USB");
    tool.m_sim.Write("file", "not a folder");
    for (const std::string& command : c.simSetup)
        tool.m_sim.MustSim(command);
    std::vector<std::string> args;
    for (const std::string& arg : c.args)
        args.push_back(arg.rfind("@", 0) == 0 ? NativePath(tool.m_sim.File(arg.substr(1))) : arg);
    RunResult outcome = tool.Run(args);
    EXPECT_EQ(outcome.status, ExitStatusFor(c.status, c.code));
    EXPECT_NE(outcome.err.find(std::to_string(c.code)), std::string::npos) << outcome.err;
}

INSTANTIATE_TEST_SUITE_P(
    Codes, MemoryCommandLineFailure,
    testing::Values(
        Failure{"EepromWriteFileMissing", "eeprom-usb", "EEPROM", {"-w", "absent.bin"}, 81, 41801},
        Failure{"EfuseWriteFileMissing", "efuse-usb", "EFUSE", {"-w", "absent.bin"}, 51, 41601},
        Failure{"DumpTargetUnwritable", "eeprom-usb", "EEPROM", {"-r", "@file/dump.bin"}, 41, 41531},
        Failure{"TextDumpTargetUnwritable", "efuse-usb", "EFUSE", {"-t", "@file/dump.txt"}, 41, 41531},
        Failure{"EepromNoReader", "none", "EEPROM", {"-r", "@dump.bin"}, 21, 41511},
        Failure{"EfuseNoReader", "none", "EFUSE", {"-r", "@dump.bin"}, 21, 41511},
        Failure{"EfuseCannotBeErased", "efuse-usb", "EFUSE", {"-e"}, 10, 41500},
        Failure{"EfuseImageOfTheWrongSize", "efuse-usb", "EFUSE", {"-w", "@file"}, 52, 41602},
        Failure{"TwoReaders", "eeprom-usb", "EEPROM", {"-r", "@dump.bin"}, 23, 41513, {"add eeprom-usb"}},
        Failure{"SerialFlashCannotBeWritten", "eeprom-usb", "SerialFlash", {"-w", "@file"}, 10, 41500},
        // The file name runs to the end of the line, so -w wins and names "absent.bin -r dump.bin".
        Failure{
            "WriteWinsOverRead", "eeprom-usb", "EEPROM", {"-w", "absent.bin", "-r", "dump.bin"}, 81, 41801}),
    [](const testing::TestParamInfo<Failure>& info) { return std::string(info.param.name); });

TEST(MemoryCommandLine, DumpCreatesMissingFolders) {
    ToolFolder tool("eeprom-usb", "EEPROM", "USB");
    RunResult dump = tool.Run({"-r", NativePath(tool.m_sim.File("new/deeper/dump.bin"))});
    ASSERT_EQ(dump.status, 0) << dump.err;
    EXPECT_EQ(tool.m_sim.Read("new/deeper/dump.bin"), tool.Memory("eeprom").substr(0, 128));
}

// A reader library without an entry the tool calls is refused before any device work.
TEST(MemoryCommandLine, LibraryLackingAnEntryEndsWith41502) {
    ToolFolder tool("eeprom-usb", "EEPROM", "USB");
    const std::string library = tool.m_sim.File(CVrkLibExternalUse::kLibraryFileName);
    std::filesystem::remove(library);
    ASSERT_TRUE(testsupport::LinkOrCopy(QUILLIX_STUB_LIBRARY_LACKING_AN_ENTRY, library));
    RunResult dump = tool.Run({"-r", tool.m_sim.File("dump.bin")});
    EXPECT_EQ(dump.status, ExitStatusFor(12, 41502));
    EXPECT_NE(dump.err.find("(41502)"), std::string::npos) << dump.err;
    // The stand-in library was built without QDReadEeprom.
    EXPECT_NE(dump.err.find("lacks the entry QDReadEeprom."), std::string::npos) << dump.err;
    EXPECT_FALSE(std::filesystem::exists(tool.m_sim.File("dump.bin")));
}

} // namespace
