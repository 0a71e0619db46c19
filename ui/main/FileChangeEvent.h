#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// What the watcher reports about a watched file.
enum class FileEventKind : uint32_t {
    Modified = 0,     // its last-write time changed, or it came back after it had gone
    Removed = 1,      // it can no longer be opened
    TimeRecorded = 2, // its first valid last-write time was recorded
};

// What the watcher remembers of a file between checks.
struct FileTimeState {
    std::optional<int64_t> lastWriteNs; // nanoseconds since the epoch; none while unknown
    bool bRemovalSeen = false;
};

// Two last-write times less than half a second apart count as equal: file systems and copies round
// them differently.
inline constexpr int64_t kSameFileTimeNs = 500'000'000;

// One check of a file after a change in its folder: `currentWriteNs` is its last-write time now, or none
// when it cannot be opened. Updates the state; the event to report, if any.
std::optional<FileEventKind> CheckWatchedFile(FileTimeState& state, std::optional<int64_t> currentWriteNs);

// The last-write time of a file, or none when it cannot be opened.
std::optional<int64_t> FileWriteTimeNs(const std::string& path);

// A watched file: its full path and what was last seen of it.
struct CFileInfo {
    std::string strPath;
    FileTimeState state;
};

// Watches files through change notifications on their folders (names, sizes, write times; the folder
// only, not its subfolders). After a notification each watched file of that folder is checked once the
// writer has had 128 ms to finish, and the outcome goes to OnFileEvent on the watch thread.
class CFileChangeEvent {
public:
    CFileChangeEvent() = default;
    // Stops the watch thread. A subclass stops it in its own destructor, since the thread calls it.
    virtual ~CFileChangeEvent();
    CFileChangeEvent(const CFileChangeEvent&) = delete;
    CFileChangeEvent& operator=(const CFileChangeEvent&) = delete;

    // Watches the file from now on; its current last-write time is the one changes are measured against.
    // While the thread runs, it returns once the thread follows the file's folder, so no change after
    // the call is missed.
    void AddFile(const std::string& path);
    void RemoveFile(const std::string& path);
    std::vector<std::string> WatchedFiles() const;

    // Starts the watch thread unless it runs, and returns once it follows the watched files; false when
    // it cannot be started.
    bool StartWatch();
    // Signals the thread to stop and waits for its end.
    void StopWatch();
    bool IsWatching() const { return m_Thread.joinable(); }

protected:
    virtual void OnFileEvent(const std::string& path, FileEventKind kind) = 0;

private:
    void WatchLoop(int notifyFd);
    // Asks the thread to follow the watched files again; waits until it does when `wait` is set.
    void Wake(bool wait);
    std::vector<std::string> Folders() const;
    void CheckFolder(const std::string& folder);

    mutable std::mutex m_Lock;
    std::vector<CFileInfo> m_Files;
    std::thread m_Thread;
    std::atomic<bool> m_bStop{false};
    // Requests to follow the file list, and how many of them the thread has carried out.
    uint64_t m_nRequested = 0;
    uint64_t m_nFollowed = 0;
    std::condition_variable m_Followed;
    int m_nWakeFd = -1;
};
