#include "platform/CommandLine.h"

namespace platform {

std::optional<std::string> SystemCommandLine() {
    return std::nullopt;
}

std::string PrepareCommandLine(const std::string& commandLine) {
    return commandLine;
}

} // namespace platform
