#include "sim/FileAccess.h"

#include "platform/FileSystem.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace sim {

namespace {

int OpenFlags(SimFile::Mode mode) {
    switch (mode) {
    case SimFile::Mode::Read:
        return O_RDONLY;
    case SimFile::Mode::Write:
        return O_WRONLY;
    case SimFile::Mode::Create:
        return O_WRONLY | O_CREAT | O_TRUNC;
    case SimFile::Mode::OpenOrCreate:
        return O_RDWR | O_CREAT;
    case SimFile::Mode::Append:
        return O_WRONLY | O_CREAT | O_APPEND;
    }
    return O_RDONLY;
}

int Fd(intptr_t handle) {
    return static_cast<int>(handle);
}

} // namespace

SimFile::SimFile(const std::string& path, Mode mode)
    : m_handle(open(path.c_str(), OpenFlags(mode) | O_CLOEXEC, 0644)) {}

SimFile::~SimFile() {
    if (IsOpen())
        close(Fd(m_handle));
}

bool SimFile::IsOpen() const {
    return m_handle >= 0;
}

bool SimFile::ReadAt(uint64_t offset, uint8_t* out, size_t length) {
    while (IsOpen() && length > 0) {
        ssize_t n = pread(Fd(m_handle), out, length, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        out += n;
        length -= static_cast<size_t>(n);
        offset += static_cast<uint64_t>(n);
    }
    return IsOpen();
}

bool SimFile::WriteAt(uint64_t offset, const uint8_t* data, size_t length) {
    while (IsOpen() && length > 0) {
        ssize_t n = pwrite(Fd(m_handle), data, length, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        length -= static_cast<size_t>(n);
        offset += static_cast<uint64_t>(n);
    }
    return IsOpen();
}

bool SimFile::Append(std::string_view text) {
    if (!IsOpen())
        return false;
    ssize_t n;
    do {
        n = write(Fd(m_handle), text.data(), text.size());
    } while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(text.size());
}

bool SimFile::Resize(uint64_t size) {
    return IsOpen() && ftruncate(Fd(m_handle), static_cast<off_t>(size)) == 0;
}

bool SimFile::LockExclusive() {
    if (!IsOpen())
        return false;
    int rc;
    do {
        rc = flock(Fd(m_handle), LOCK_EX);
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

bool SimFile::Close() {
    if (!IsOpen())
        return false;
    int fd = Fd(m_handle);
    m_handle = -1;
    return close(fd) == 0;
}

bool RemoveFile(const std::string& path) {
    return unlink(path.c_str()) == 0 || errno == ENOENT;
}

bool ReplaceWith(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

std::string LastSystemError() {
    return std::strerror(errno);
}

std::string ModuleFolder() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&ModuleFolder), &info) || !info.dli_fname)
        return std::string();
    char resolved[PATH_MAX];
    return platform::FolderOf(realpath(info.dli_fname, resolved) ? resolved : info.dli_fname);
}

} // namespace sim
