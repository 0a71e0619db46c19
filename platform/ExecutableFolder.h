#pragma once

#include <string>

namespace platform {

// The folders the system gives: the running executable's, with a trailing separator (the user state
// folder of platform/StateFolder.h comes from the same twin files).
std::string ExecutableFolder();

} // namespace platform
