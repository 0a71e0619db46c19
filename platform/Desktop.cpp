#include "platform/Desktop.h"

#include <unistd.h>

namespace platform {

// The command line never opens a window on Linux: it runs on machines without a display.
bool ShowMessageOnDesktop(const std::string&, const std::string&) {
    return false;
}

bool StandardErrorIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

} // namespace platform
