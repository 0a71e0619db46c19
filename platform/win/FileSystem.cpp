#include "platform/FileSystem.h"

#include "platform/FileNamePattern.h"
#include "platform/Text.h"
#include "platform/win/WideText.h"

#include <windows.h>

namespace platform {

namespace {

constexpr DWORD kNoAttributes = INVALID_FILE_ATTRIBUTES;

DWORD Attributes(const std::string& path) {
    return GetFileAttributesW(win::Widen(path).c_str());
}

bool IsSlash(char c) {
    return c == '\\' || c == '/';
}

// Length of the part of a path that is never created: "C:\", "\\server\share\" or a leading slash.
size_t RootLength(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':')
        return path.size() >= 3 && IsSlash(path[2]) ? 3 : 2;
    if (path.size() >= 2 && IsSlash(path[0]) && IsSlash(path[1])) {
        size_t server = path.find_first_of("\\/", 2);
        size_t share = server == std::string::npos ? server : path.find_first_of("\\/", server + 1);
        return share == std::string::npos ? path.size() : share + 1;
    }
    return !path.empty() && IsSlash(path[0]) ? 1 : 0;
}

// Closes a handle on every path out of a function.
class Handle {
public:
    explicit Handle(HANDLE handle) : m_handle(handle) {}
    ~Handle() {
        if (Valid())
            CloseHandle(m_handle);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool Valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_handle; }
    bool Close() {
        HANDLE handle = m_handle;
        m_handle = INVALID_HANDLE_VALUE;
        return CloseHandle(handle) != 0;
    }

private:
    HANDLE m_handle;
};

} // namespace

bool FileExists(const std::string& path) {
    return Attributes(path) != kNoAttributes;
}

bool IsDirectory(const std::string& path) {
    DWORD attributes = Attributes(path);
    return attributes != kNoAttributes && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsRegularFile(const std::string& path) {
    DWORD attributes = Attributes(path);
    return attributes != kNoAttributes &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

bool IsReadOnly(const std::string& path) {
    DWORD attributes = Attributes(path);
    return attributes != kNoAttributes && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool ClearReadOnly(const std::string& path) {
    DWORD attributes = Attributes(path);
    if (attributes == kNoAttributes)
        return false;
    return SetFileAttributesW(win::Widen(path).c_str(),
                              attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)) != 0;
}

bool IsWriteProtected(const std::string& path) {
    DWORD attributes = Attributes(path);
    if (attributes == kNoAttributes || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false;
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return true;
    HANDLE file = CreateFileW(win::Widen(path).c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_ACCESS_DENIED;
    CloseHandle(file);
    return false;
}

bool HasOtherLinks(const std::string& path) {
    HANDLE file =
        CreateFileW(win::Widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    bool linked = GetFileInformationByHandle(file, &info) && info.nNumberOfLinks > 1;
    CloseHandle(file);
    return linked;
}

// Folder permissions on Windows are access lists that no attribute shows: a file that the system lets
// this process create (and deletes again on closing) answers the question.
bool CanWriteInFolder(const std::string& folder) {
    if (!IsDirectory(folder))
        return false;
    std::string probe = folder;
    if (!IsSlash(probe.back()))
        probe += '\\';
    // Named after the process and thread, so that probes running side by side never collide.
    probe += StrPrintf("~quillix-write-test-%lu-%lu.tmp", static_cast<unsigned long>(GetCurrentProcessId()),
                       static_cast<unsigned long>(GetCurrentThreadId()));
    HANDLE file = CreateFileW(win::Widen(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

std::vector<std::string> FindFiles(const std::string& folder, const std::string& pattern) {
    std::vector<std::string> names;
    std::string base = folder.empty() || IsSlash(folder.back()) ? folder : folder + "\\";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(win::Widen(base + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = win::Narrow(found.cFileName);
        // The system also matches the short 8.3 names ("*.ini" finds "a.inix"); only long names count.
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && MatchesFilePattern(name, pattern))
            names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    SortFileNames(names);
    return names;
}

bool CreateDirectories(const std::string& path) {
    if (path.empty())
        return true;
    size_t pos = RootLength(path);
    while (pos <= path.size()) {
        size_t slash = path.find_first_of("\\/", pos);
        size_t end = slash == std::string::npos ? path.size() : slash;
        if (end > pos) {
            std::string part = path.substr(0, end);
            if (!IsDirectory(part) && !CreateDirectoryW(win::Widen(part).c_str(), nullptr) &&
                !IsDirectory(part))
                return false;
        }
        if (slash == std::string::npos)
            break;
        pos = slash + 1;
    }
    return true;
}

std::string CurrentDirectory() {
    DWORD size = GetCurrentDirectoryW(0, nullptr);
    if (size == 0)
        return std::string();
    std::wstring buffer(size, L'\0');
    DWORD n = GetCurrentDirectoryW(size, buffer.data());
    if (n == 0 || n >= size)
        return std::string();
    buffer.resize(n);
    return win::Narrow(buffer);
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path) {
    if (!IsRegularFile(path))
        return std::nullopt;
    Handle file(CreateFileW(win::Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return std::nullopt;
    std::vector<uint8_t> data;
    uint8_t chunk[65536];
    DWORD n = 0;
    for (;;) {
        if (!ReadFile(file.Get(), chunk, sizeof(chunk), &n, nullptr))
            return std::nullopt;
        if (n == 0)
            return data;
        data.insert(data.end(), chunk, chunk + n);
    }
}

bool WriteWholeFile(const std::string& path, const void* data, size_t size) {
    Handle file(CreateFileW(win::Widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return false;
    const char* bytes = static_cast<const char*>(data);
    bool ok = true;
    while (ok && size > 0) {
        DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        ok = WriteFile(file.Get(), bytes, chunk, &written, nullptr) && written == chunk;
        bytes += written;
        size -= written;
    }
    ok = FlushFileBuffers(file.Get()) && ok;
    return file.Close() && ok;
}

} // namespace platform
