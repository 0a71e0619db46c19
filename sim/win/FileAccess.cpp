#include "sim/FileAccess.h"

#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "platform/win/ModuleFileName.h"
#include "platform/win/WideText.h"

#include <windows.h>

namespace sim {

namespace {

// Every file may be opened by other processes of the simulator at the same time; the state lock
// orders their changes.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The largest transfer of one ReadFile/WriteFile call.
constexpr size_t kMaxTransfer = 0x40000000;

HANDLE OpenHandle(const std::string& path, SimFile::Mode mode) {
    DWORD access = GENERIC_READ, disposition = OPEN_EXISTING;
    switch (mode) {
    case SimFile::Mode::Read:
        break;
    case SimFile::Mode::Write:
        access = GENERIC_WRITE;
        break;
    case SimFile::Mode::Create:
        access = GENERIC_WRITE;
        disposition = CREATE_ALWAYS;
        break;
    case SimFile::Mode::OpenOrCreate:
        access = GENERIC_READ | GENERIC_WRITE;
        disposition = OPEN_ALWAYS;
        break;
    case SimFile::Mode::Append:
        access = FILE_APPEND_DATA;
        disposition = OPEN_ALWAYS;
        break;
    }
    return CreateFileW(platform::win::Widen(path).c_str(), access, kShareAll, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE Handle(intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

OVERLAPPED At(uint64_t offset) {
    OVERLAPPED position{};
    position.Offset = static_cast<DWORD>(offset);
    position.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return position;
}

} // namespace

SimFile::SimFile(const std::string& path, Mode mode)
    : m_handle(reinterpret_cast<intptr_t>(OpenHandle(path, mode))) {}

SimFile::~SimFile() {
    if (IsOpen())
        CloseHandle(Handle(m_handle));
}

bool SimFile::IsOpen() const {
    return Handle(m_handle) != INVALID_HANDLE_VALUE;
}

bool SimFile::ReadAt(uint64_t offset, uint8_t* out, size_t length) {
    while (IsOpen() && length > 0) {
        DWORD chunk = static_cast<DWORD>(length < kMaxTransfer ? length : kMaxTransfer), done = 0;
        OVERLAPPED position = At(offset);
        if (!ReadFile(Handle(m_handle), out, chunk, &done, &position) || done == 0)
            return false;
        out += done;
        length -= done;
        offset += done;
    }
    return IsOpen();
}

bool SimFile::WriteAt(uint64_t offset, const uint8_t* data, size_t length) {
    while (IsOpen() && length > 0) {
        DWORD chunk = static_cast<DWORD>(length < kMaxTransfer ? length : kMaxTransfer), done = 0;
        OVERLAPPED position = At(offset);
        if (!WriteFile(Handle(m_handle), data, chunk, &done, &position) || done == 0)
            return false;
        data += done;
        length -= done;
        offset += done;
    }
    return IsOpen();
}

bool SimFile::Append(std::string_view text) {
    DWORD done = 0;
    return IsOpen() && text.size() < kMaxTransfer &&
           WriteFile(Handle(m_handle), text.data(), static_cast<DWORD>(text.size()), &done, nullptr) &&
           done == text.size();
}

bool SimFile::Resize(uint64_t size) {
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    return IsOpen() && SetFilePointerEx(Handle(m_handle), end, nullptr, FILE_BEGIN) &&
           SetEndOfFile(Handle(m_handle));
}

bool SimFile::LockExclusive() {
    OVERLAPPED whole{};
    return IsOpen() && LockFileEx(Handle(m_handle), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole);
}

bool SimFile::Close() {
    if (!IsOpen())
        return false;
    HANDLE handle = Handle(m_handle);
    m_handle = reinterpret_cast<intptr_t>(INVALID_HANDLE_VALUE);
    return CloseHandle(handle);
}

bool RemoveFile(const std::string& path) {
    return DeleteFileW(platform::win::Widen(path).c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ||
           GetLastError() == ERROR_PATH_NOT_FOUND;
}

bool ReplaceWith(const std::string& from, const std::string& to) {
    return MoveFileExW(platform::win::Widen(from).c_str(), platform::win::Widen(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

std::string LastSystemError() {
    return platform::StrPrintf("system error %lu", GetLastError());
}

std::string ModuleFolder() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&ModuleFolder), &module))
        return std::string();
    return platform::FolderOf(platform::win::ModuleFileName(module));
}

} // namespace sim
