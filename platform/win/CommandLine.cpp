#include "platform/CommandLine.h"

#include "platform/win/ModuleFileName.h"
#include "platform/win/WideText.h"

#include <windows.h>

namespace platform {

namespace {
std::string ExecutablePath() {
    return win::ModuleFileName(nullptr);
}
} // namespace

std::optional<std::string> SystemCommandLine() {
    return win::Narrow(GetCommandLineW());
}

std::string PrepareCommandLine(const std::string& commandLine) {
    std::string line = commandLine;
    std::string executable = ExecutablePath();
    if (!executable.empty()) {
        for (size_t pos = line.find(executable); pos != std::string::npos; pos = line.find(executable, pos))
            line.erase(pos, executable.size());
    }
    for (char& c : line)
        if (c == '/')
            c = '-';
    return line;
}

} // namespace platform
