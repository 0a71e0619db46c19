#pragma once

#include "platform/ProgramFolder.h"

#include <string>

namespace testsupport {

// `path` with every '/' turned into the system's separator. A path on the tool's command line must be
// written so on Windows, where every '/' of the command line arrives as '-'.
inline std::string NativePath(std::string path) {
    for (char& c : path)
        if (c == '/')
            c = platform::kPathSeparator;
    return path;
}

} // namespace testsupport
