#include "model/SilentFiles.h"

#include "platform/Desktop.h"
#include "platform/FileSystem.h"

#include <cstdio>
#include <string_view>

#ifdef _WIN32
#include "platform/win/FileReplace.h"
#else
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
// Windows: a drive letter or a UNC prefix makes a path absolute; folders end at either slash, as the
// system itself takes both, and the first folder to create follows the drive's ":\".
constexpr char kSeparator = '\\';
constexpr const char* kSeparators = "\\/";

bool IsAbsoluteOutputPath(const std::string& path) {
    return path.find(':') != std::string::npos || path.starts_with("\\\\");
}

size_t FirstFolderEnd(const std::string& path) {
    size_t colon = path.find(':');
    if (colon != std::string::npos)
        return path.find_first_of(kSeparators, colon + 2);
    size_t share = path.find_first_of(kSeparators, path.find_first_of(kSeparators, 2) + 1);
    return share == std::string::npos ? share : path.find_first_of(kSeparators, share + 1);
}

bool WriteFileSafely(const std::string& path, std::string_view content) {
    return platform::win::ReplaceFileContent(path, content);
}
#else
constexpr char kSeparator = '/';
constexpr const char* kSeparators = "/";

bool IsAbsoluteOutputPath(const std::string& path) {
    return !path.empty() && path[0] == '/';
}

size_t FirstFolderEnd(const std::string& path) {
    return path.find('/', 1);
}

bool WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        ssize_t written = write(fd, content.data(), content.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        content.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

// Writes straight into the target. A file that this call created is removed again on failure.
bool WriteDirect(const std::string& path, std::string_view content) {
    struct stat before;
    bool existed = lstat(path.c_str(), &before) == 0;
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, content);
    ok = close(fd) == 0 && ok;
    if (!ok && !existed)
        unlink(path.c_str());
    return ok;
}

// Creates a new, empty file beside the target; -1 when the folder cannot take one.
int CreateTempBeside(const std::string& target, std::string& tempPath) {
    static std::atomic<unsigned> counter{0};
    size_t slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof(suffix), ".%ld.%u.tmp", static_cast<long>(getpid()), counter++);
        tempPath = folder + "." + name + suffix;
        int fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Replaces the content of the file at `path` as one step (see WriteBinFile).
bool WriteFileSafely(const std::string& path, std::string_view content) {
    struct stat st;
    bool exists = stat(path.c_str(), &st) == 0;
    // A file the user may not write stays as it is: the rename below would replace it regardless.
    if (exists && platform::IsWriteProtected(path))
        return false;
    // A device, or a file with other hard links, is written in place so every name sees the new data.
    if (exists && (!S_ISREG(st.st_mode) || st.st_nlink > 1))
        return WriteDirect(path, content);
    std::string target = path;
    if (exists) {
        // Replace the file a symbolic link names, not the link.
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved))
            target = resolved;
    } else {
        struct stat link;
        // A dangling link: writing through it creates the file it names.
        if (lstat(path.c_str(), &link) == 0)
            return WriteDirect(path, content);
    }

    std::string tempPath;
    int fd = CreateTempBeside(target, tempPath);
    if (fd < 0)
        return WriteDirect(target, content);
    bool ok = WriteAll(fd, content);
    // An existing file keeps its permissions; a new one gets the default ones, as if created directly.
    if (ok && exists)
        ok = fchmod(fd, st.st_mode & 07777) == 0;
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(tempPath.c_str(), target.c_str()) == 0;
    if (!ok)
        unlink(tempPath.c_str());
    return ok;
}
#endif

bool CanWrite(const std::string& path, size_t size, const uint8_t* data) {
    return !path.empty() && data != nullptr && size != 0;
}

} // namespace

std::string AbsoluteOutputPath(std::string path) {
    if (!IsAbsoluteOutputPath(path)) {
        std::string cwd = platform::CurrentDirectory();
        if (!cwd.empty())
            path = cwd + kSeparator + path;
    }
    return path;
}

bool PrepareOutputPath(std::string& path) {
    path = AbsoluteOutputPath(path);
    for (size_t slash = FirstFolderEnd(path); slash != std::string::npos;
         slash = path.find_first_of(kSeparators, slash + 1)) {
        std::string folder = path.substr(0, slash);
        if (folder.back() == kSeparator || folder.back() == '/' || platform::IsDirectory(folder))
            continue;
        // Folders are created from the outermost inwards, so this creates exactly `folder`.
        if (!platform::CreateDirectories(folder)) {
            std::string message = "Create Directory (" + folder + ") : Failed !";
            if (!platform::ShowMessageOnDesktop("Quillix", message))
                std::fprintf(stderr, "%s\n", message.c_str());
            return false;
        }
    }
    return true;
}

std::string FormatTextDump(const uint8_t* data, size_t size) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(size * 3 + size / 16 * 2);
    for (size_t i = 0; i < size; ++i) {
        text += kDigits[data[i] >> 4];
        text += kDigits[data[i] & 0x0F];
        text += ' ';
        if ((i + 1) % 16 == 0 && i + 1 < size)
            text += "\r\n";
    }
    return text;
}

bool WriteBinFile(const std::string& path, size_t size, const uint8_t* data) {
    if (!CanWrite(path, size, data))
        return false;
    return WriteFileSafely(path, std::string_view(reinterpret_cast<const char*>(data), size));
}

bool WriteTxtFile(const std::string& path, size_t size, const uint8_t* data) {
    if (!CanWrite(path, size, data))
        return false;
    return WriteFileSafely(path, FormatTextDump(data, size));
}

bool SaveSilentDump(std::string path, DumpFormat format, const uint8_t* data, size_t size) {
    if (!PrepareOutputPath(path))
        return false;
    return format == DumpFormat::kText ? WriteTxtFile(path, size, data) : WriteBinFile(path, size, data);
}
