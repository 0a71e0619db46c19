#include "sim/StateFolder.h"

#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace sim {

std::string StateFolder(const std::string& programFolder) {
    const char* env = std::getenv("QUILLIX_SIM_DIR");
    std::string folder = (env && *env) ? std::string(env) : programFolder + "simreader";
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

std::string ScenarioPath(const std::string& folder) {
    return folder + "scenario.ini";
}
std::string JournalPath(const std::string& folder) {
    return folder + "journal.log";
}
std::string LockPath(const std::string& folder) {
    return folder + ".lock";
}

StateLock::StateLock(const std::string& folder) {
    if (!platform::IsDirectory(folder) && !platform::CreateDirectories(folder)) {
        m_error = "cannot create the state folder " + folder;
        return;
    }
    int fd = open(LockPath(folder).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        m_error = "cannot open " + LockPath(folder) + ": " + std::strerror(errno);
        return;
    }
    int rc;
    do {
        rc = flock(fd, LOCK_EX);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        m_error = "cannot lock " + LockPath(folder) + ": " + std::strerror(errno);
        close(fd);
        return;
    }
    m_fd = fd;
}

StateLock::~StateLock() {
    if (m_fd >= 0)
        close(m_fd); // closing the descriptor releases the lock
}

} // namespace sim
