#include "tests/support/Process.h"

#include "tests/support/TempDir.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testsupport {

namespace {

// This process's environment as "NAME=value" entries, changed as `options` says.
std::vector<std::string> ChildEnvironment(const RunOptions& options) {
    auto replacedOrRemoved = [&options](const std::string& name) {
        return std::find(options.removeEnvironment.begin(), options.removeEnvironment.end(), name) !=
                   options.removeEnvironment.end() ||
               std::any_of(options.setEnvironment.begin(), options.setEnvironment.end(),
                           [&name](const auto& variable) { return variable.first == name; });
    };
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        std::string text = *entry;
        if (!replacedOrRemoved(text.substr(0, text.find('='))))
            environment.push_back(text);
    }
    for (const auto& [name, value] : options.setEnvironment)
        environment.push_back(name + "=" + value);
    return environment;
}

std::vector<char*> NullTerminated(std::vector<std::string>& words) {
    std::vector<char*> pointers;
    for (std::string& word : words)
        pointers.push_back(word.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const RunOptions& options) {
    // The output goes to files of a folder of this run: no pipe can fill up while nobody reads it.
    TempDir capture;
    std::vector<std::string> words = {program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv = NullTerminated(words);
    std::vector<std::string> environment = ChildEnvironment(options);
    std::vector<char*> envp = NullTerminated(environment);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, capture.File("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, capture.File("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    RunResult result;
    if (spawned != 0)
        return result;
    int status = 0;
    pid_t waited;
    while ((waited = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    if (waited == pid && WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    result.out = capture.Read("out");
    result.err = capture.Read("err");
    return result;
}

int ExitStatusFor(int posixStatus, uint32_t) {
    return posixStatus;
}

void SetEnvVar(const std::string& name, const std::string& value) {
    setenv(name.c_str(), value.c_str(), 1);
}

void UnsetEnvVar(const std::string& name) {
    unsetenv(name.c_str());
}

unsigned long SystemThreadId() {
    return static_cast<unsigned long>(syscall(SYS_gettid));
}

bool LinkOrCopy(const std::string& source, const std::string& target) {
    std::error_code error;
    std::filesystem::create_symlink(source, target, error);
    return !error;
}

} // namespace testsupport
