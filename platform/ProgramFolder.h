#pragma once

#include <string>

namespace platform {

// How the system spells paths and programs.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr const char* kExecutableSuffix = ".exe";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr const char* kExecutableSuffix = "";
#endif

// Folder of the running executable with a trailing separator. Tests may point it elsewhere.
std::string GetProgramFolder();

// Makes GetProgramFolder answer `folder` (a trailing separator is added when missing); an empty string
// restores the folder of the executable.
void SetProgramFolderOverride(const std::string& folder);

// Every '\' becomes '/'; a path not starting with '/' gets the program folder in front. On Windows
// every '/' becomes '\', and a path with neither a colon nor "\\" gets it. Always true.
bool MakeAbsolutePath(std::string& path);

} // namespace platform

// The names the rest of the tool uses.
using platform::GetProgramFolder;
using platform::MakeAbsolutePath;
