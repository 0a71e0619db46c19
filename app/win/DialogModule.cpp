#include "app/DialogModule.h"

#include "app/Messages.h"
#include "app/TraceLog.h"
#include "core/Broadcast.h"
#include "platform/DynamicLibrary.h"
#include "platform/ProgramFolder.h"

#include <cstdio>
#include <windows.h>

// A window needs a window station that a user sees; a service's or a scheduled task's has none.
std::string DisplayUnavailableReason(const EnvironmentLookup&) {
    USEROBJECTFLAGS flags{};
    HWINSTA station = GetProcessWindowStation();
    if (!station || !GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof(flags), nullptr))
        return "the window station of this process cannot be queried";
    if ((flags.dwFlags & WSF_VISIBLE) == 0)
        return "this process runs without a visible desktop";
    return std::string();
}

void RunDialogModule() {
    TraceScope scope("CQuillixApp::RunDialog", kTraceApp);
    std::string reason = DisplayUnavailableReason([](const char*) -> const char* { return nullptr; });
    std::string path = GetProgramFolder() + kDialogModuleName;
    QuillixRunDialogFn run = nullptr;
    if (reason.empty()) {
        platform::LibraryHandle module = platform::LoadLibraryFile(path);
        if (!module)
            reason = "the dialog module " + path + " cannot be loaded";
        else if (!(run = reinterpret_cast<QuillixRunDialogFn>(
                       platform::FindExport(module, kDialogModuleEntry))))
            reason = "the dialog module " + path + " lacks its entry " + kDialogModuleEntry;
    }
    if (!reason.empty()) {
        TraceLine(scope, "No dialog: %s\n", reason.c_str());
        std::fprintf(stderr, "quillix: the window cannot be shown: %s.\n", reason.c_str());
        g_dwErrorCode = IDS_NOT_SUPPORT;
        return;
    }
    ResultCode code = run();
    if (code != 0)
        g_dwErrorCode = code;
}
