#include "platform/ExecutableFolder.h"

#include "platform/StateFolder.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace platform {

namespace {
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

// The link /proc/self/exe cut after its last '/'; "./" when it cannot be read.
std::string ExecutableFolder() {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (n <= 0)
        return "./";
    std::string path(buffer, static_cast<size_t>(n));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(0, slash + 1);
}

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

} // namespace platform
