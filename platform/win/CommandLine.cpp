#include "platform/CommandLine.h"

#include "platform/win/WideText.h"

#include <vector>
#include <windows.h>

namespace platform {

namespace {
std::string ExecutablePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return std::string();
        if (n < buffer.size())
            return win::Narrow(std::wstring(buffer.data(), n));
        if (buffer.size() >= 32768)
            return std::string();
        buffer.resize(buffer.size() * 2);
    }
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
