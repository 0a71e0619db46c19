#include "platform/ExecutableFolder.h"

#include "platform/StateFolder.h"
#include "platform/win/ModuleFileName.h"
#include "platform/win/WideText.h"

#include <cstdlib>
#include <windows.h>

namespace platform {

// The executable's path cut after its last backslash; unchanged when it has none.
std::string ExecutableFolder() {
    std::string path = win::ModuleFileName(nullptr);
    size_t slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(0, slash + 1);
}

std::string UserStateFolder() {
    const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
    if (!local || !*local)
        return std::string();
    std::string base = win::Narrow(local);
    if (base.back() != '\\' && base.back() != '/')
        base += '\\';
    return base + "Quillix\\";
}

} // namespace platform
