#pragma once

#include <string>
#include <windows.h>

namespace platform::win {

// Full path of a loaded module (nullptr: the running executable), UTF-8; "" when it cannot be read.
// The buffer grows for long paths.
std::string ModuleFileName(HMODULE module);

} // namespace platform::win
