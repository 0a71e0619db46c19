#include "platform/Desktop.h"

#include "platform/win/WideText.h"

#include <windows.h>

namespace platform {

namespace {

// A window station that a user sees (not a service's), and an output that goes to no file or pipe:
// a script that captures the output gets the text there instead of a box nobody answers.
bool UserSeesDesktop() {
    USEROBJECTFLAGS flags{};
    HWINSTA station = GetProcessWindowStation();
    if (!station || !GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof(flags), nullptr) ||
        (flags.dwFlags & WSF_VISIBLE) == 0)
        return false;
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD type = output && output != INVALID_HANDLE_VALUE ? GetFileType(output) : FILE_TYPE_UNKNOWN;
    return type != FILE_TYPE_DISK && type != FILE_TYPE_PIPE;
}

} // namespace

bool ShowMessageOnDesktop(const std::string& caption, const std::string& text) {
    if (!UserSeesDesktop())
        return false;
    return MessageBoxW(nullptr, win::Widen(text).c_str(), win::Widen(caption).c_str(), MB_OK) != 0;
}

bool StandardErrorIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

} // namespace platform
