#include "sim/MemoryChip.h"

#include "sim/Presets.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace sim {

namespace {

// Closes a descriptor on every path out of a function.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0)
            close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return m_fd; }
    bool Close() {
        int fd = m_fd;
        m_fd = -1;
        return close(fd) == 0;
    }

private:
    int m_fd;
};

bool PReadAll(int fd, uint8_t* out, size_t length, off_t offset) {
    while (length > 0) {
        ssize_t n = pread(fd, out, length, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        out += n;
        length -= static_cast<size_t>(n);
        offset += n;
    }
    return true;
}

bool PWriteAll(int fd, const uint8_t* data, size_t length, off_t offset) {
    while (length > 0) {
        ssize_t n = pwrite(fd, data, length, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        length -= static_cast<size_t>(n);
        offset += n;
    }
    return true;
}

bool FillRange(int fd, uint64_t from, uint64_t to, uint8_t value) {
    std::vector<uint8_t> chunk(64 * 1024, value);
    for (uint64_t pos = from; pos < to; pos += chunk.size()) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(chunk.size(), to - pos));
        if (!PWriteAll(fd, chunk.data(), n, static_cast<off_t>(pos)))
            return false;
    }
    return true;
}

} // namespace

MemoryChip::MemoryChip(std::string path, uint32_t size, uint8_t blank)
    : m_path(std::move(path)), m_size(size), m_blank(blank) {}

bool MemoryChip::Read(uint32_t offset, uint8_t* out, uint32_t length) const {
    if (!InRange(offset, length))
        return false;
    if (length == 0)
        return true;
    FileDescriptor fd(open(m_path.c_str(), O_RDONLY | O_CLOEXEC));
    return fd.Get() >= 0 && PReadAll(fd.Get(), out, length, offset);
}

bool MemoryChip::Erase() {
    FileDescriptor fd(open(m_path.c_str(), O_WRONLY | O_CLOEXEC));
    return fd.Get() >= 0 && FillRange(fd.Get(), 0, m_size, m_blank) && fd.Close();
}

bool MemoryChip::Overwrite(uint32_t offset, const uint8_t* data, uint32_t length) {
    if (!InRange(offset, length))
        return false;
    if (length == 0)
        return true;
    FileDescriptor fd(open(m_path.c_str(), O_WRONLY | O_CLOEXEC));
    return fd.Get() >= 0 && PWriteAll(fd.Get(), data, length, offset) && fd.Close();
}

bool MemoryChip::Program(uint32_t offset, const uint8_t* data, uint32_t length, bool setsBits) {
    if (!InRange(offset, length))
        return false;
    std::vector<uint8_t> merged(length);
    if (!Read(offset, merged.data(), length))
        return false;
    for (uint32_t i = 0; i < length; ++i)
        merged[i] =
            setsBits ? static_cast<uint8_t>(merged[i] | data[i]) : static_cast<uint8_t>(merged[i] & data[i]);
    return Overwrite(offset, merged.data(), length);
}

bool EepromChip::Write(uint32_t offset, const uint8_t* data, uint32_t length) {
    return Overwrite(offset, data, length);
}

bool EfuseChip::Write(uint32_t offset, const uint8_t* data, uint32_t length) {
    return Program(offset, data, length, Blank() == 0x00);
}

bool FlashChip::Write(uint32_t offset, const uint8_t* data, uint32_t length) {
    return Program(offset, data, length, false);
}

std::unique_ptr<MemoryChip> OpenChip(const std::string& folder, size_t index, const Reader& reader,
                                     Memory memory) {
    std::string path = MemoryPath(folder, index, memory);
    uint32_t size = reader.MemorySize(memory);
    uint8_t blank = BlankByte(reader, memory);
    switch (memory) {
    case Memory::Efuse:
        return std::make_unique<EfuseChip>(path, size, blank);
    case Memory::Eeprom:
        return std::make_unique<EepromChip>(path, size, blank);
    case Memory::Flash:
        return std::make_unique<FlashChip>(path, size, blank);
    }
    return nullptr;
}

bool CreateMemoryFile(const std::string& path, const std::vector<uint8_t>& content, std::string& error) {
    FileDescriptor fd(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (fd.Get() < 0 || !PWriteAll(fd.Get(), content.data(), content.size(), 0) || !fd.Close()) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool ResizeMemoryFile(const std::string& path, uint32_t oldSize, uint32_t newSize, uint8_t blank,
                      std::string& error) {
    FileDescriptor fd(open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    bool ok = fd.Get() >= 0 && ftruncate(fd.Get(), std::min(oldSize, newSize)) == 0 &&
              FillRange(fd.Get(), std::min(oldSize, newSize), newSize, blank) && fd.Close();
    if (!ok)
        error = "cannot resize " + path + ": " + std::strerror(errno);
    return ok;
}

} // namespace sim
