#pragma once

#include "model/ProjectTypes.h"

#include <functional>
#include <string>

// The dialogs live in a module of their own beside the executable, loaded only when a dialog is due, so a
// command-line run never loads the GUI libraries.
#ifdef _WIN32
inline constexpr const char* kDialogModuleName = "quillix-ui.dll";
#else
inline constexpr const char* kDialogModuleName = "libquillix-ui.so";
#endif
// Its one entry: runs the dialog that g_dwCustomizeUI selects, modally, on the calling thread. Returns 0
// when the dialog ran, or 41500 when it could not be shown (the reason is then on standard error).
inline constexpr const char* kDialogModuleEntry = "QuillixRunDialog";
using QuillixRunDialogFn = ResultCode (*)();

using EnvironmentLookup = std::function<const char*(const char* name)>;

// Why no window can be opened here, or "" when a display is available: QT_QPA_PLATFORM naming a
// platform that needs no display server (offscreen, minimal, ...), or an X display that accepts a
// connection. Looks variables up through `env`.
std::string DisplayUnavailableReason(const EnvironmentLookup& env);

// The runDialog step of start-up: runs the dialog from the module in the program folder. When no
// display is available or the module cannot be loaded, it says why on standard error and records 41500
// in g_dwErrorCode; it never aborts.
void RunDialogModule();
