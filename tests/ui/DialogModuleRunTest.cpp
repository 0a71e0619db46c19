#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

struct Outcome {
    int status = -1;
    std::string err;
};

// Runs a copy of the built executable without options from a program folder of its own (no dialog
// module in it), with exactly the environment given.
Outcome RunWithoutOptions(const std::vector<std::string>& environment) {
    testsupport::TempDir folder;
    std::string binary = folder.File("quillix");
    std::filesystem::copy_file(QUILLIX_BINARY, binary);
    std::vector<char*> argv = {binary.data(), nullptr};
    std::vector<std::string> env = environment;
    std::vector<char*> envp;
    for (std::string& entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, folder.File("err.txt").c_str(), O_WRONLY | O_CREAT, 0644);
    Outcome outcome;
    pid_t pid = 0;
    int status = 0;
    if (posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv.data(), envp.data()) == 0 &&
        waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        outcome.status = WEXITSTATUS(status);
    posix_spawn_file_actions_destroy(&actions);
    outcome.err = folder.Read("err.txt");
    return outcome;
}

struct RunCase {
    const char* name;
    std::vector<std::string> environment;
    const char* reason;
};

class DialogDueButNotShown : public testing::TestWithParam<RunCase> {};

// A dialog is due but cannot be shown: the tool says why and ends with 41500 (status 10), never with a
// crash or success.
TEST_P(DialogDueButNotShown, SaysWhyAndEndsWithNotSupported) {
    Outcome outcome = RunWithoutOptions(GetParam().environment);
    EXPECT_EQ(outcome.status, 10) << outcome.err;
    EXPECT_NE(outcome.err.find(GetParam().reason), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find("41500"), std::string::npos) << outcome.err;
}

INSTANTIATE_TEST_SUITE_P(
    DialogModule, DialogDueButNotShown,
    testing::Values(RunCase{"NoDisplay", {}, "no display is available"},
                    RunCase{"DeadDisplay", {"DISPLAY=:9876"}, "does not accept a connection"},
                    RunCase{"NoModule", {"QT_QPA_PLATFORM=offscreen"}, "libquillix-ui.so"}),
    [](const auto& info) { return std::string(info.param.name); });

// The command line must run where Qt is not installed: the executable itself never links it.
TEST(DialogModule, TheToolDoesNotLinkQt) {
    std::string command = std::string("ldd '") + QUILLIX_BINARY + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string text;
    std::array<char, 4096> chunk;
    size_t n;
    while ((n = fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        text.append(chunk.data(), n);
    EXPECT_EQ(pclose(pipe), 0) << text;
    EXPECT_NE(text.find("libc.so"), std::string::npos) << text;
    EXPECT_EQ(text.find("Qt"), std::string::npos) << text;
}

} // namespace
