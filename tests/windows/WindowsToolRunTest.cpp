// quillix.exe started the way scripts start it on Windows, against the simulated reader: the option and
// path rules of the Windows command line, the whole result code as the exit code, and where the reader
// library is looked for.
#include "platform/FileSystem.h"
#include "tests/support/Process.h"
#include "tests/support/SimReader.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using testsupport::RunProgram;
using testsupport::RunResult;
using testsupport::SimReader;
using testsupport::WorkingDirectory;

namespace {

constexpr const char* kChipIni = "[Quillix Config]\nProject Type=EEPROM\nBus Type=USB\n";

// A program folder with the tool, an EEPROM USB IC INI file and config.ini.
std::string PlaceTool(const testsupport::TempDir& folder) {
    folder.Write("Chip.ini", kChipIni);
    folder.Write("config.ini", "[Quillix Config]\nIni Name=Chip.ini\n");
    return testsupport::CopyInto(QUILLIX_BINARY, folder.Path());
}

// The tool beside the simulated reader, run from the program folder.
class WindowsToolRun : public testing::Test {
protected:
    SimReader m_sim{"eeprom-usb"};
    std::string m_tool = PlaceTool(m_sim);
    WorkingDirectory m_cwd{m_sim.Path()};
};

TEST_F(WindowsToolRun, SlashOptionIsTheDashOption) {
    RunResult slash = RunProgram(m_tool, {"/r", "slash.bin"});
    RunResult dash = RunProgram(m_tool, {"-r", "dash.bin"});
    ASSERT_EQ(slash.status, 0) << slash.err;
    ASSERT_EQ(dash.status, 0) << dash.err;
    EXPECT_EQ(m_sim.Read("slash.bin").size(), 128u);
    EXPECT_EQ(m_sim.Read("slash.bin"), m_sim.Read("dash.bin"));
}

TEST_F(WindowsToolRun, ForwardSlashPathArrivesWithDashes) {
    RunResult run = RunProgram(m_tool, {"-r", "sub/dump.bin"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(platform::IsRegularFile(m_sim.File("sub-dump.bin")));
    EXPECT_FALSE(platform::IsDirectory(m_sim.File("sub")));
}

TEST_F(WindowsToolRun, ResultCodeIsTheWholeExitCode) {
    m_sim.MustSim("init none");
    RunResult run = RunProgram(m_tool, {"-r", "dump.bin"});
    EXPECT_EQ(run.status, 41511);
    EXPECT_NE(run.err.find("(41511)"), std::string::npos) << run.err;
}

// The library sits in the current folder and on PATH, but not beside the tool: the tool does not load it.
TEST(WindowsToolLibrary, IsNotTakenFromTheCurrentFolderOrPath) {
    testsupport::TempProgramFolder bare;
    const std::string tool = PlaceTool(bare);
    SimReader elsewhere;
    WorkingDirectory cwd(elsewhere.Path());
    const char* path = std::getenv("PATH");
    testsupport::RunOptions options;
    options.setEnvironment = {{"PATH", elsewhere.Path() + ";" + (path ? path : "")}};
    RunResult run = RunProgram(tool, {"-r", "dump.bin"}, options);
    EXPECT_EQ(run.status, 41501);
    EXPECT_FALSE(platform::FileExists(elsewhere.File("dump.bin")));
}

} // namespace
