#pragma once

#include <string>

namespace platform {

// Folder of the running executable with a trailing '/'. Tests may point it elsewhere.
std::string GetProgramFolder();

// Makes GetProgramFolder answer `folder` (a trailing '/' is added when missing); an empty string
// restores the folder of the executable.
void SetProgramFolderOverride(const std::string& folder);

// Every '\' becomes '/'; a path not starting with '/' gets the program folder in front. Always true.
bool MakeAbsolutePath(std::string& path);

} // namespace platform

// The names the rest of the tool uses.
using platform::GetProgramFolder;
using platform::MakeAbsolutePath;
