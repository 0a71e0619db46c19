#include "platform/LogFile.h"

#include "platform/win/WideText.h"

#include <windows.h>

namespace platform {

namespace {
HANDLE AsHandle(intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}
} // namespace

LogFile::~LogFile() {
    Close();
}

bool LogFile::Open(const std::string& path, bool replace) {
    Close();
    HANDLE file = CreateFileW(win::Widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, replace ? CREATE_ALWAYS : CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    m_handle = reinterpret_cast<intptr_t>(file);
    return true;
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
    // Each line goes to the current end, also when another process wrote to the file meanwhile.
    LARGE_INTEGER end{};
    if (!SetFilePointerEx(AsHandle(m_handle), end, nullptr, FILE_END))
        return;
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(AsHandle(m_handle), bytes, chunk, &written, nullptr) || written == 0)
            return;
        bytes += written;
        size -= written;
    }
}

void LogFile::Close() {
    if (!IsOpen())
        return;
    FlushFileBuffers(AsHandle(m_handle));
    CloseHandle(AsHandle(m_handle));
    m_handle = kClosed;
}

uint32_t CurrentThreadId() {
    return static_cast<uint32_t>(GetCurrentThreadId());
}

std::tm LocalTimeNow() {
    time_t now = time(nullptr);
    std::tm local{};
    localtime_s(&local, &now);
    return local;
}

} // namespace platform
