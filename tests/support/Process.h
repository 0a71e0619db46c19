#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

struct RunOptions {
    // The child's environment is this process's one, without `removeEnvironment` and with
    // `setEnvironment` set (replacing a variable of that name).
    std::vector<std::pair<std::string, std::string>> setEnvironment;
    std::vector<std::string> removeEnvironment;
};

struct RunResult {
    // POSIX: the 8-bit exit status, -1 when the program was killed by a signal or not started.
    // Windows: the whole 32-bit exit code (41511 arrives as 41511), -1 when not started.
    int status = -1;
    std::string out;
    std::string err;
};

// Runs `program` (a path, no search) with `args` as argv[1..], without a shell, and waits for it
// without a time limit. Standard input is the null device; standard output and standard error are
// captured apart. Several threads may run programs at the same time.
RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const RunOptions& options = {});

// The exit status of a run that ends with `resultCode`: `posixStatus`, the 8-bit status the code maps
// to, on POSIX; the whole code on Windows.
int ExitStatusFor(int posixStatus, uint32_t resultCode);

// Sets or removes an environment variable of this process; programs started later inherit it.
void SetEnvVar(const std::string& name, const std::string& value);
void UnsetEnvVar(const std::string& name);

// The calling thread's id as the system's tools show it (on Linux the kernel's thread id).
unsigned long SystemThreadId();

// Puts `source` (a file or a folder) at `target`: a symbolic link on POSIX, a copy on Windows (where a
// link needs a privilege). False when it could not be placed.
bool LinkOrCopy(const std::string& source, const std::string& target);

} // namespace testsupport
