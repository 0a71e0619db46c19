// The real tool, run by an unprivileged user, dumping over a file that user may not write: the run
// fails with 41531 and the file keeps its content. Root is dropped to "nobody" with setpriv.
#include "tests/support/Process.h"
#include "tests/support/SimReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using testsupport::RunResult;
using testsupport::SimReader;

namespace {

constexpr const char* kSetpriv = "/usr/bin/setpriv";

// Runs the tool as a user who is not root: the current one, or "nobody" when the tests run as root.
RunResult RunUnprivileged(const std::string& tool, const std::vector<std::string>& args) {
    if (geteuid() != 0)
        return testsupport::RunProgram(tool, args);
    std::vector<std::string> command = {"--reuid=65534", "--regid=65534", "--clear-groups", tool};
    command.insert(command.end(), args.begin(), args.end());
    return testsupport::RunProgram(kSetpriv, command);
}

TEST(WriteProtectedDump, FailsWith41531AndKeepsTheFile) {
    if (geteuid() == 0 && access(kSetpriv, X_OK) != 0)
        GTEST_SKIP() << "setpriv is missing: the tests run as root and cannot drop privileges";
    for (const char* option : {"-r", "-t"}) {
        SimReader sim("eeprom-usb");
        sim.Write("Chip.ini", "[Quillix Config]\nProject Type=EEPROM\nBus Type=USB\n");
        sim.Write("config.ini", "[Quillix Config]\nIni Name=Chip.ini\n");
        const std::string tool = testsupport::CopyInto(QUILLIX_BINARY, sim.Path());
        sim.Write("dump.bin", "keep me");
        // Everything but the dump may be written by the unprivileged user (log, settings, simulator).
        for (const auto& entry : std::filesystem::recursive_directory_iterator(sim.Path()))
            if (!entry.is_symlink())
                std::filesystem::permissions(entry.path(), std::filesystem::perms::all,
                                             std::filesystem::perm_options::add);
        ASSERT_EQ(chmod(sim.Path().c_str(), 0777), 0);
        ASSERT_EQ(chmod(sim.File("dump.bin").c_str(), 0444), 0);

        RunResult run = RunUnprivileged(tool, {option, sim.File("dump.bin")});
        EXPECT_EQ(run.status, 41) << option << ": " << run.err;
        EXPECT_NE(run.err.find("41531"), std::string::npos) << option << ": " << run.err;
        EXPECT_EQ(sim.Read("dump.bin"), "keep me") << option;
    }
}

} // namespace
