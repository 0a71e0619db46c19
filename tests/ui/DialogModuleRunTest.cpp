#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Environment = std::vector<std::pair<std::string, std::string>>;

// Runs a copy of the built executable without options from a program folder of its own (no dialog
// module in it), with no display settings but the ones given.
testsupport::RunResult RunWithoutOptions(const Environment& environment) {
    testsupport::TempDir folder;
    testsupport::RunOptions options;
    options.removeEnvironment = {"DISPLAY", "QT_QPA_PLATFORM"};
    options.setEnvironment = environment;
    return testsupport::RunProgram(testsupport::CopyInto(QUILLIX_BINARY, folder.Path()), {}, options);
}

struct RunCase {
    const char* name;
    Environment environment;
    const char* reason;
};

class DialogDueButNotShown : public testing::TestWithParam<RunCase> {};

// A dialog is due but cannot be shown: the tool says why and ends with 41500 (status 10), never with a
// crash or success.
TEST_P(DialogDueButNotShown, SaysWhyAndEndsWithNotSupported) {
    testsupport::RunResult outcome = RunWithoutOptions(GetParam().environment);
    EXPECT_EQ(outcome.status, 10) << outcome.err;
    EXPECT_NE(outcome.err.find(GetParam().reason), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find("41500"), std::string::npos) << outcome.err;
}

INSTANTIATE_TEST_SUITE_P(
    DialogModule, DialogDueButNotShown,
    testing::Values(RunCase{"NoDisplay", {}, "no display is available"},
                    RunCase{"DeadDisplay", {{"DISPLAY", ":9876"}}, "does not accept a connection"},
                    RunCase{"NoModule", {{"QT_QPA_PLATFORM", "offscreen"}}, "libquillix-ui.so"}),
    [](const auto& info) { return std::string(info.param.name); });

// The command line must run where Qt is not installed: the executable itself never links it.
TEST(DialogModule, TheToolDoesNotLinkQt) {
    testsupport::RunResult ldd = testsupport::RunProgram("/usr/bin/ldd", {QUILLIX_BINARY});
    const std::string text = ldd.out + ldd.err;
    EXPECT_EQ(ldd.status, 0) << text;
    EXPECT_NE(text.find("libc.so"), std::string::npos) << text;
    EXPECT_EQ(text.find("Qt"), std::string::npos) << text;
}

} // namespace
