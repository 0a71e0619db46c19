#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

namespace platform {

LibraryHandle LoadLibraryFile(const std::string& absolutePath) {
    if (absolutePath.empty() || absolutePath.front() != '/')
        return nullptr;
    return dlopen(absolutePath.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* FindExport(LibraryHandle library, const char* name) {
    return library ? dlsym(library, name) : nullptr;
}

bool FreeLibraryFile(LibraryHandle library) {
    return library && dlclose(library) == 0;
}

} // namespace platform
