#include "platform/OsInfo.h"

#include "platform/Text.h"

#include <windows.h>

OsInfo* g_pOsInfo = nullptr;

namespace {

using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, BOOL*);

// Entry points are looked up by name: a system that lacks one leaves its feature off.
template <typename Fn> Fn SystemEntry(const wchar_t* module, const char* name) {
    HMODULE handle = GetModuleHandleW(module);
    if (!handle)
        return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
}

} // namespace

void OsInfo::Query() {
    // The kernel's own version query is not bent by compatibility settings, as GetVersionEx is.
    auto getVersion = SystemEntry<RtlGetVersionFn>(L"ntdll.dll", "RtlGetVersion");
    if (getVersion) {
        OSVERSIONINFOEXW extended{};
        extended.dwOSVersionInfoSize = sizeof(extended);
        OSVERSIONINFOW basic{};
        basic.dwOSVersionInfoSize = sizeof(basic);
        OSVERSIONINFOW* answered = nullptr;
        if (getVersion(reinterpret_cast<OSVERSIONINFOW*>(&extended)) == 0)
            answered = reinterpret_cast<OSVERSIONINFOW*>(&extended);
        else if (getVersion(&basic) == 0)
            answered = &basic;
        if (answered) {
            dwMajorVersion = answered->dwMajorVersion;
            dwMinorVersion = answered->dwMinorVersion;
            strSystem = platform::StrPrintf("Windows %lu.%lu.%lu", answered->dwMajorVersion,
                                            answered->dwMinorVersion, answered->dwBuildNumber);
        }
    }
    BOOL wow64 = FALSE;
    auto isWow64 = SystemEntry<IsWow64ProcessFn>(L"kernel32.dll", "IsWow64Process");
    bIsWow64 = isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64 ? 1 : 0;
}
