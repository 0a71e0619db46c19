#pragma once

#include "sim/FileAccess.h"

#include <memory>
#include <string>

namespace sim {

// The state folder: $QUILLIX_SIM_DIR when set and not empty, otherwise "simreader/" inside
// `programFolder`, or inside the user's state folder when the program folder is installed or not
// writable (platform::StateFolderFor). Always ends with '/'.
std::string StateFolder(const std::string& programFolder);

// Files inside the state folder.
std::string ScenarioPath(const std::string& folder);
std::string JournalPath(const std::string& folder);
std::string LockPath(const std::string& folder);

// Exclusive lock on the state folder for the life of the object (a lock on its lock file), so that
// processes using the simulator side by side see each other's changes whole. Creates the folder
// when it is missing.
class StateLock {
public:
    explicit StateLock(const std::string& folder);
    ~StateLock();
    StateLock(const StateLock&) = delete;
    StateLock& operator=(const StateLock&) = delete;

    bool Locked() const { return m_locked; }
    // Why locking failed (empty when locked).
    const std::string& Error() const { return m_error; }

private:
    std::unique_ptr<SimFile> m_file;
    bool m_locked = false;
    std::string m_error;
};

} // namespace sim
