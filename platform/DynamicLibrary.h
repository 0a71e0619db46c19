#pragma once

#include <string>

namespace platform {

// A shared library loaded by absolute path (RTLD_NOW | RTLD_LOCAL). Null handle when not loaded.
using LibraryHandle = void*;

LibraryHandle LoadLibraryFile(const std::string& absolutePath);
// Address of an export, or nullptr when the library lacks it.
void* FindExport(LibraryHandle library, const char* name);
// Returns true when the library was released.
bool FreeLibraryFile(LibraryHandle library);

} // namespace platform
