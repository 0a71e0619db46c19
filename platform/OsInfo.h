#pragma once

#include <cstdint>
#include <string>

// What the tool knows of the operating system. Linux reports version 10.0, which the tool's
// version-dependent branches treat as a current system, and never runs a 32-bit process on a
// 64-bit system through a compatibility layer, so that flag stays 0.
class OsInfo {
public:
    // Fills the fields from uname; when it fails, they stay 0 and empty.
    void Query();

    uint32_t dwMajorVersion = 0;
    uint32_t dwMinorVersion = 0;
    uint32_t bIsWow64 = 0;
    // Kernel name and release, as uname gives them ("Linux 6.1.0-18-amd64"), for the trace log.
    std::string strSystem;
};

extern OsInfo* g_pOsInfo;
