#include "platform/ProgramFolder.h"

#include "platform/ExecutableFolder.h"

#include <algorithm>
#include <mutex>

namespace platform {

namespace {
std::mutex g_overrideMutex;
std::string g_override;
} // namespace

std::string GetProgramFolder() {
    {
        std::lock_guard lock(g_overrideMutex);
        if (!g_override.empty())
            return g_override;
    }
    static const std::string folder = ExecutableFolder();
    return folder;
}

void SetProgramFolderOverride(const std::string& folder) {
    std::lock_guard lock(g_overrideMutex);
    g_override = folder;
    if (!g_override.empty() && g_override.back() != '/' && g_override.back() != kPathSeparator)
        g_override += kPathSeparator;
}

bool MakeAbsolutePath(std::string& path) {
#ifdef _WIN32
    std::replace(path.begin(), path.end(), '/', '\\');
    // A drive letter, a stream name or a UNC prefix makes the path absolute already.
    const bool absolute = path.find(':') != std::string::npos || path.find("\\\\") != std::string::npos;
#else
    std::replace(path.begin(), path.end(), '\\', '/');
    const bool absolute = !path.empty() && path.front() == '/';
#endif
    if (!absolute)
        path = GetProgramFolder() + path;
    return true;
}

} // namespace platform
