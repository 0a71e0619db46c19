#include "platform/DynamicLibrary.h"

#include "platform/win/WideText.h"

#include <windows.h>

namespace platform {

namespace {
// "C:\..." or "\\server\..." (either slash): a path that names one file, whatever the current folder.
bool IsFullPath(const std::string& path) {
    auto isSlash = [](char c) { return c == '\\' || c == '/'; };
    if (path.size() >= 3 && path[1] == ':' && isSlash(path[2]))
        return true;
    return path.size() >= 2 && isSlash(path[0]) && isSlash(path[1]);
}
} // namespace

LibraryHandle LoadLibraryFile(const std::string& absolutePath) {
    // Only a full path: a bare name would let the system search the current folder and PATH.
    if (!IsFullPath(absolutePath))
        return nullptr;
    // The library's own dependencies are looked up in its folder first.
    return LoadLibraryExW(win::Widen(absolutePath).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void* FindExport(LibraryHandle library, const char* name) {
    if (!library)
        return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

bool FreeLibraryFile(LibraryHandle library) {
    return library && FreeLibrary(static_cast<HMODULE>(library)) != 0;
}

} // namespace platform
