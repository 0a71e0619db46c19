#include "platform/Process.h"

#include "platform/win/ArgumentQuoting.h"
#include "platform/win/WideText.h"

#include <vector>
#include <windows.h>

namespace platform {

namespace {

// One argument as the C runtime's command-line splitter reads it back: quoted when it is empty or
// holds a blank, a tab or a quote; backslashes doubled only where they precede a quote.
std::string QuoteArgument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos)
        return argument;
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

} // namespace

std::string BuildCommandLine(const std::string& program, const std::vector<std::string>& arguments) {
    std::string line = QuoteArgument(program);
    for (const std::string& argument : arguments)
        line += " " + QuoteArgument(argument);
    return line;
}

bool RunAndWait(const std::string& program, const std::vector<std::string>& arguments) {
    std::wstring commandLine = win::Widen(BuildCommandLine(program, arguments));
    std::wstring application = win::Widen(program);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    // The program is named on its own too, so a blank in its folder can never start another program.
    if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return true;
}

} // namespace platform
