#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

namespace platform {

// The trace log's file: created anew (an existing file is replaced), shared with readers and writers,
// written through without a user-space buffer. Every Append goes to the end of the file at once.
class LogFile {
public:
    LogFile() = default;
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Closes a file that is open, then creates `path`. False when it cannot be created.
    bool Create(const std::string& path);
    // Like Create, but never replaces a file: false when `path` exists already.
    bool CreateNew(const std::string& path);
    bool IsOpen() const { return m_handle != kClosed; }
    // Writes all bytes or as many as the system takes; failures are not reported.
    void Append(const void* data, size_t size);
    // Flushes and closes; nothing when closed.
    void Close();

private:
    bool Open(const std::string& path, bool replace);

    static constexpr intptr_t kClosed = -1;
    intptr_t m_handle = kClosed;
};

// The calling thread's identifier as the system's tools show it.
uint32_t CurrentThreadId();
// The local time now.
std::tm LocalTimeNow();

} // namespace platform
