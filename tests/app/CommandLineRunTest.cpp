#include "core/ParseArg.h"
#include "model/ProjectTypes.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

using testsupport::TempDir;

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs a copy of the built executable from a program folder of its own, with the IC INI text given,
// and collects its exit status and output. The folder has no reader library.
Outcome RunTool(const std::string& icIni, const std::vector<std::string>& args) {
    TempDir folder;
    folder.Write("Chip.ini", icIni);
    folder.Write("config.ini", "[Quillix Config]\nIni Name=Chip.ini\n");
    std::string binary = folder.File("quillix");
    std::filesystem::copy_file(QUILLIX_BINARY, binary);

    std::vector<std::string> words = {binary};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, folder.File("out.txt").c_str(), O_WRONLY | O_CREAT, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, folder.File("err.txt").c_str(), O_WRONLY | O_CREAT, 0644);
    Outcome outcome;
    pid_t pid = 0;
    int status = 0;
    if (posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv.data(), environ) == 0 &&
        waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        outcome.status = WEXITSTATUS(status);
    posix_spawn_file_actions_destroy(&actions);
    outcome.out = folder.Read("out.txt");
    outcome.err = folder.Read("err.txt");
    return outcome;
}

constexpr const char* kEfuse = "[Quillix Config]\nProject Type=EFUSE\nBus Type=USB\n";
constexpr const char* kEepromSilent =
    "[Quillix Config]\nProject Type=EEPROM\nBus Type=USB\nCustomize Silence=1\n";

TEST(CommandLineRun, UsageGoesToStandardOutputAndExitsZero) {
    Outcome outcome = RunTool(kEfuse, {"-h"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, UsageText(EFUSE));
    EXPECT_EQ(outcome.err, "");
}

struct FailureCase {
    const char* name;
    const char* icIni;
    std::vector<std::string> args;
    int status;
    const char* code;
};

std::ostream& operator<<(std::ostream& out, const FailureCase& c) {
    return out << c.name;
}

class CommandLineFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(CommandLineFailure, ExitStatusAndFullCodeOnStandardError) {
    const FailureCase& c = GetParam();
    Outcome outcome = RunTool(c.icIni, c.args);
    EXPECT_EQ(outcome.status, c.status);
    EXPECT_NE(outcome.err.find(c.code), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    WithoutReaderLibrary, CommandLineFailure,
    testing::Values(FailureCase{"EraseNeedsTheLibrary", kEfuse, {"-e"}, 11, "41501"},
                    FailureCase{"IgnoredOptionNeedsTheLibrary", kEfuse, {"-i", "x.bin"}, 11, "41501"},
                    FailureCase{"SilentWithoutLun", kEepromSilent, {}, 10, "41500"},
                    FailureCase{"SilentIgnoresNormalOptions", kEepromSilent, {"-w", "a.bin"}, 10, "41500"},
                    FailureCase{"SilentLunNeedsTheLibrary", kEepromSilent, {"-LUN", "2"}, 11, "41501"}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

} // namespace
