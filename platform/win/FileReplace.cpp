#include "platform/win/FileReplace.h"

#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "platform/win/WideText.h"

#include <atomic>
#include <windows.h>

namespace platform::win {

namespace {

bool WriteAndClose(HANDLE file, std::string_view content) {
    bool ok = true;
    while (ok && !content.empty()) {
        DWORD chunk = content.size() > 0x40000000 ? 0x40000000 : static_cast<DWORD>(content.size());
        DWORD written = 0;
        ok = WriteFile(file, content.data(), chunk, &written, nullptr) && written == chunk;
        content.remove_prefix(written);
    }
    ok = FlushFileBuffers(file) && ok;
    return CloseHandle(file) && ok;
}

HANDLE CreateForWriting(const std::string& path, DWORD disposition) {
    return CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

} // namespace

bool ReplaceFileContent(const std::string& path, std::string_view content) {
    static std::atomic<unsigned> counter{0};
    DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    // A file the user may not write stays as it is; a folder or a device of that name is written as it
    // is (and fails there).
    if (exists && IsWriteProtected(path))
        return false;
    // A file with other hard links is written in place too, so every name sees the new data.
    if (exists &&
        ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0 || HasOtherLinks(path))) {
        HANDLE file = CreateForWriting(path, CREATE_ALWAYS);
        return file != INVALID_HANDLE_VALUE && WriteAndClose(file, content);
    }
    std::string folder = FolderOf(path);
    std::string name = path.substr(folder.size());
    std::string temp;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        temp = folder + "." + name + StrPrintf(".%lu.%u.tmp", GetCurrentProcessId(), counter++);
        file = CreateForWriting(temp, CREATE_NEW);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    if (file == INVALID_HANDLE_VALUE) {
        file = CreateForWriting(path, CREATE_ALWAYS);
        return file != INVALID_HANDLE_VALUE && WriteAndClose(file, content);
    }
    bool ok = WriteAndClose(file, content);
    // The new file takes over the old one's attributes; a read-only old file refuses the move.
    if (ok && exists)
        SetFileAttributesW(Widen(temp).c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    ok = ok && MoveFileExW(Widen(temp).c_str(), Widen(path).c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok)
        DeleteFileW(Widen(temp).c_str());
    return ok;
}

} // namespace platform::win
