#include "platform/ProgramFolder.h"

#include "platform/StateFolder.h"
#include "platform/win/ModuleFileName.h"
#include "platform/win/WideText.h"

#include <cstdlib>
#include <mutex>
#include <windows.h>

namespace platform {

namespace {
std::mutex g_overrideMutex;
std::string g_override;

// The executable's path cut after its last backslash; unchanged when it has none.
std::string ExecutableFolder() {
    std::string path = win::ModuleFileName(nullptr);
    size_t slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(0, slash + 1);
}
} // namespace

std::string UserStateFolder() {
    const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
    if (!local || !*local)
        return std::string();
    std::string base = win::Narrow(local);
    if (base.back() != '\\' && base.back() != '/')
        base += '\\';
    return base + "Quillix\\";
}

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
    if (!g_override.empty() && g_override.back() != '\\' && g_override.back() != '/')
        g_override += '\\';
}

bool MakeAbsolutePath(std::string& path) {
    for (char& c : path)
        if (c == '/')
            c = '\\';
    // A drive letter, a stream name or a UNC prefix makes the path absolute already.
    if (path.find(':') == std::string::npos && path.find("\\\\") == std::string::npos)
        path = GetProgramFolder() + path;
    return true;
}

} // namespace platform
