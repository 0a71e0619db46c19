#include "platform/ProgramFolder.h"

#include "platform/StateFolder.h"

#include <cstdlib>
#include <mutex>
#include <pwd.h>
#include <unistd.h>

namespace platform {

namespace {
std::mutex g_overrideMutex;
std::string g_override;

std::string ExecutableFolder() {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (n <= 0)
        return "./";
    std::string path(buffer, static_cast<size_t>(n));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(0, slash + 1);
}
std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && *home == '/')
        return home;
    struct passwd entry;
    struct passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof(buffer), &found) == 0 && found && found->pw_dir &&
        found->pw_dir[0] == '/')
        return found->pw_dir;
    return std::string();
}
} // namespace

std::string UserStateFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    std::string base;
    if (state && *state == '/') {
        base = state;
    } else {
        std::string home = HomeFolder();
        if (home.empty())
            return home;
        base = home + "/.local/state";
    }
    if (base.back() != '/')
        base += '/';
    return base + "quillix/";
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
    if (!g_override.empty() && g_override.back() != '/')
        g_override += '/';
}

bool MakeAbsolutePath(std::string& path) {
    for (char& c : path)
        if (c == '\\')
            c = '/';
    if (path.empty() || path.front() != '/')
        path = GetProgramFolder() + path;
    return true;
}

} // namespace platform
