#include "core/ParseArg.h"
#include "model/ProjectTypes.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testsupport::ExitStatusFor;
using testsupport::RunResult;
using testsupport::TempDir;

namespace {

// Runs a copy of the built executable from a program folder of its own, with the IC INI text given.
// The folder has no reader library.
RunResult RunTool(const std::string& icIni, const std::vector<std::string>& args) {
    TempDir folder;
    folder.Write("Chip.ini", icIni);
    folder.Write("config.ini", "[Quillix Config]\nIni Name=Chip.ini\n");
    return testsupport::RunProgram(testsupport::CopyInto(QUILLIX_BINARY, folder.Path()), args);
}

constexpr const char* kEfuse = "[Quillix Config]\nProject Type=EFUSE\nBus Type=USB\n";
constexpr const char* kEepromSilent =
    "[Quillix Config]\nProject Type=EEPROM\nBus Type=USB\nCustomize Silence=1\n";

TEST(CommandLineRun, UsageGoesToStandardOutputAndExitsZero) {
    RunResult outcome = RunTool(kEfuse, {"-h"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, testsupport::PlatformText(UsageText(EFUSE)));
    EXPECT_EQ(outcome.err, "");
}

struct FailureCase {
    const char* name;
    const char* icIni;
    std::vector<std::string> args;
    int status; // on POSIX; Windows exits with the whole code
    ResultCode code;
};

std::ostream& operator<<(std::ostream& out, const FailureCase& c) {
    return out << c.name;
}

class CommandLineFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(CommandLineFailure, ExitStatusAndFullCodeOnStandardError) {
    const FailureCase& c = GetParam();
    RunResult outcome = RunTool(c.icIni, c.args);
    EXPECT_EQ(outcome.status, ExitStatusFor(c.status, c.code));
    EXPECT_NE(outcome.err.find(std::to_string(c.code)), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    WithoutReaderLibrary, CommandLineFailure,
    testing::Values(FailureCase{"EraseNeedsTheLibrary", kEfuse, {"-e"}, 11, 41501},
                    FailureCase{"IgnoredOptionNeedsTheLibrary", kEfuse, {"-i", "x.bin"}, 11, 41501},
                    FailureCase{"SilentWithoutLun", kEepromSilent, {}, 10, 41500},
                    FailureCase{"SilentIgnoresNormalOptions", kEepromSilent, {"-w", "a.bin"}, 10, 41500},
                    FailureCase{"SilentLunNeedsTheLibrary", kEepromSilent, {"-LUN", "2"}, 11, 41501}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

} // namespace
