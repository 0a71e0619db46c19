#pragma once

#include <string>

namespace platform {

// A file of this name in a program folder marks it as installed (by a package or `cmake --install`):
// the folder is then shared by every user and nothing writes into it while the tool runs.
inline constexpr const char* kInstalledMarker = "quillix-installed.txt";

// The user's state folder, with a trailing separator: $XDG_STATE_HOME/quillix/ when that variable
// holds an absolute path, otherwise ~/.local/state/quillix/ ("%LOCALAPPDATA%\Quillix\" on
// Windows); "" when the system names no home folder. Not created here. Defined per system beside
// the program folder.
std::string UserStateFolder();

// Where files written while running belong (trace log, simulator state, history, changed settings):
// `programFolder` itself when this process can write there and it is not installed, otherwise the
// user's state folder (the program folder again when there is none).
std::string StateFolderFor(const std::string& programFolder);

} // namespace platform
