#include "ui/main/FileChangeEvent.h"

#include "app/TraceLog.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Time a writer gets to finish before a changed file is looked at.
constexpr uint32_t kSettleMs = 128;

constexpr uint32_t kFolderEvents =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_ONLYDIR;

} // namespace

std::optional<FileEventKind> CheckWatchedFile(FileTimeState& state, std::optional<int64_t> currentWriteNs) {
    if (!currentWriteNs) {
        state.bRemovalSeen = true;
        return FileEventKind::Removed;
    }
    if (!state.lastWriteNs) {
        state.lastWriteNs = currentWriteNs;
        return FileEventKind::TimeRecorded;
    }
    if (std::llabs(*currentWriteNs - *state.lastWriteNs) >= kSameFileTimeNs) {
        state.lastWriteNs = currentWriteNs;
        state.bRemovalSeen = false;
        return FileEventKind::Modified;
    }
    // The same file again after it was gone (moved away and back, or replaced by a copy) counts as a
    // change, since its content may differ.
    if (state.bRemovalSeen) {
        state.bRemovalSeen = false;
        return FileEventKind::Modified;
    }
    return std::nullopt;
}

std::optional<int64_t> FileWriteTimeNs(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return static_cast<int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
}

CFileChangeEvent::~CFileChangeEvent() {
    StopWatch();
}

void CFileChangeEvent::AddFile(const std::string& path) {
    {
        std::lock_guard lock(m_Lock);
        auto known = std::find_if(m_Files.begin(), m_Files.end(),
                                  [&](const CFileInfo& f) { return f.strPath == path; });
        if (known != m_Files.end())
            return;
        m_Files.push_back({path, {FileWriteTimeNs(path), false}});
    }
    Wake(true);
}

void CFileChangeEvent::RemoveFile(const std::string& path) {
    {
        std::lock_guard lock(m_Lock);
        std::erase_if(m_Files, [&](const CFileInfo& f) { return f.strPath == path; });
    }
    Wake(false);
}

std::vector<std::string> CFileChangeEvent::WatchedFiles() const {
    std::lock_guard lock(m_Lock);
    std::vector<std::string> paths;
    for (const CFileInfo& file : m_Files)
        paths.push_back(file.strPath);
    return paths;
}

bool CFileChangeEvent::StartWatch() {
    TraceScope scope("CFileChangeEvent::StartWatch", kTraceApp);
    if (IsWatching())
        return true;
    int notifyFd = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (notifyFd < 0) {
        TraceLine(scope, "No change notifications\n");
        return false;
    }
    m_nWakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_nWakeFd < 0) {
        close(notifyFd);
        TraceLine(scope, "No wake-up event\n");
        return false;
    }
    m_bStop = false;
    try {
        m_Thread = std::thread(&CFileChangeEvent::WatchLoop, this, notifyFd);
    } catch (const std::system_error&) {
        close(notifyFd);
        close(m_nWakeFd);
        m_nWakeFd = -1;
        TraceLine(scope, "Thread not started\n");
        return false;
    }
    // Changes from now on are seen.
    Wake(true);
    return true;
}

void CFileChangeEvent::StopWatch() {
    if (!IsWatching())
        return;
    m_bStop = true;
    Wake(false);
    m_Thread.join();
    close(m_nWakeFd);
    m_nWakeFd = -1;
}

void CFileChangeEvent::Wake(bool wait) {
    if (m_nWakeFd < 0)
        return;
    uint64_t request;
    {
        std::lock_guard lock(m_Lock);
        request = ++m_nRequested;
    }
    uint64_t one = 1;
    // The counter only grows; a full counter still leaves the descriptor readable.
    ssize_t written = write(m_nWakeFd, &one, sizeof(one));
    (void)written;
    if (wait) {
        std::unique_lock lock(m_Lock);
        m_Followed.wait(lock, [&] { return m_nFollowed >= request || m_bStop; });
    }
}

std::vector<std::string> CFileChangeEvent::Folders() const {
    std::lock_guard lock(m_Lock);
    std::vector<std::string> folders;
    for (const CFileInfo& file : m_Files) {
        std::string folder = platform::FolderOf(file.strPath);
        if (!folder.empty() && std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(folder);
    }
    return folders;
}

void CFileChangeEvent::CheckFolder(const std::string& folder) {
    std::vector<std::string> paths;
    {
        std::lock_guard lock(m_Lock);
        for (const CFileInfo& file : m_Files)
            if (platform::FolderOf(file.strPath) == folder)
                paths.push_back(file.strPath);
    }
    for (const std::string& path : paths) {
        platform::Sleep(kSettleMs);
        std::optional<int64_t> now = FileWriteTimeNs(path);
        std::optional<FileEventKind> event;
        {
            std::lock_guard lock(m_Lock);
            auto file = std::find_if(m_Files.begin(), m_Files.end(),
                                     [&](const CFileInfo& f) { return f.strPath == path; });
            if (file == m_Files.end())
                continue;
            event = CheckWatchedFile(file->state, now);
        }
        if (event)
            OnFileEvent(path, *event);
    }
}

void CFileChangeEvent::WatchLoop(int notifyFd) {
    std::map<int, std::string> watches; // watch descriptor -> folder
    while (!m_bStop) {
        // Follow the folders of the files watched now.
        uint64_t request;
        {
            std::lock_guard lock(m_Lock);
            request = m_nRequested;
        }
        std::vector<std::string> folders = Folders();
        for (auto it = watches.begin(); it != watches.end();) {
            if (std::find(folders.begin(), folders.end(), it->second) == folders.end()) {
                inotify_rm_watch(notifyFd, it->first);
                it = watches.erase(it);
            } else {
                ++it;
            }
        }
        for (const std::string& folder : folders) {
            int wd = inotify_add_watch(notifyFd, folder.c_str(), kFolderEvents);
            if (wd >= 0)
                watches[wd] = folder;
        }
        {
            std::lock_guard lock(m_Lock);
            m_nFollowed = request;
        }
        m_Followed.notify_all();

        pollfd waits[2] = {{notifyFd, POLLIN, 0}, {m_nWakeFd, POLLIN, 0}};
        if (poll(waits, 2, -1) < 0)
            continue;
        if (waits[1].revents & POLLIN) {
            uint64_t count;
            ssize_t got = read(m_nWakeFd, &count, sizeof(count));
            (void)got;
        }
        if (m_bStop || !(waits[0].revents & POLLIN))
            continue;

        std::vector<std::string> changed;
        alignas(inotify_event) char buffer[4096];
        ssize_t length;
        while ((length = read(notifyFd, buffer, sizeof(buffer))) > 0) {
            for (ssize_t offset = 0; offset < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
                auto folder = watches.find(event->wd);
                if (folder != watches.end() &&
                    std::find(changed.begin(), changed.end(), folder->second) == changed.end())
                    changed.push_back(folder->second);
                offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        for (const std::string& folder : changed) {
            if (m_bStop)
                break;
            CheckFolder(folder);
        }
    }
    close(notifyFd);
    {
        std::lock_guard lock(m_Lock);
        m_nFollowed = m_nRequested;
    }
    m_Followed.notify_all();
}
