#include "platform/LogFile.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

LogFile::~LogFile() {
    Close();
}

bool LogFile::Open(const std::string& path, bool replace) {
    Close();
    m_handle =
        open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | (replace ? O_TRUNC : O_EXCL), 0666);
    return IsOpen();
}

bool LogFile::Create(const std::string& path) {
    return Open(path, true);
}

bool LogFile::CreateNew(const std::string& path) {
    return Open(path, false);
}

void LogFile::Append(const void* data, size_t size) {
    if (!IsOpen())
        return;
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = write(static_cast<int>(m_handle), bytes, size);
        if (n <= 0)
            return;
        bytes += n;
        size -= static_cast<size_t>(n);
    }
}

void LogFile::Close() {
    if (!IsOpen())
        return;
    fsync(static_cast<int>(m_handle));
    close(static_cast<int>(m_handle));
    m_handle = kClosed;
}

uint32_t CurrentThreadId() {
    return static_cast<uint32_t>(syscall(SYS_gettid));
}

std::tm LocalTimeNow() {
    time_t now = time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

} // namespace platform
