#include "sim/StateFolder.h"

#include "platform/FileSystem.h"
#include "platform/StateFolder.h"

#include <cstdlib>

namespace sim {

std::string StateFolder(const std::string& programFolder) {
    const char* env = std::getenv("QUILLIX_SIM_DIR");
    std::string folder =
        (env && *env) ? std::string(env) : platform::StateFolderFor(programFolder) + "simreader";
    // A folder that ends with a separator already ('\\' too on Windows) keeps it.
    if (folder.empty() || platform::FolderOf(folder).size() != folder.size())
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
    m_file = std::make_unique<SimFile>(LockPath(folder), SimFile::Mode::OpenOrCreate);
    if (!m_file->IsOpen()) {
        m_error = "cannot open " + LockPath(folder) + ": " + LastSystemError();
        return;
    }
    if (!m_file->LockExclusive()) {
        m_error = "cannot lock " + LockPath(folder) + ": " + LastSystemError();
        return;
    }
    m_locked = true;
}

// Closing the lock file releases the lock.
StateLock::~StateLock() = default;

} // namespace sim
