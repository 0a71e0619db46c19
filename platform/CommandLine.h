#pragma once

#include <optional>
#include <string>

namespace platform {

// The process's command line as the system keeps it, where it keeps one (Windows); nullopt where the
// tool rebuilds it from its arguments instead (Linux).
std::optional<std::string> SystemCommandLine();

// The command line as the option grammar reads it. On Windows every occurrence of the executable's
// full path is removed and every '/' becomes '-' (so /w is -w, and C:/img/a.bin arrives as
// C:-img-a.bin). On Linux '/' separates folders and the line stays as it is.
std::string PrepareCommandLine(const std::string& commandLine);

} // namespace platform
