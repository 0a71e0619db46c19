#include "platform/OsInfo.h"

#include <sys/utsname.h>

OsInfo* g_pOsInfo = nullptr;

void OsInfo::Query() {
    struct utsname name {};
    if (uname(&name) != 0)
        return;
    dwMajorVersion = 10;
    dwMinorVersion = 0;
    bIsWow64 = 0;
    strSystem = std::string(name.sysname) + " " + name.release;
}
