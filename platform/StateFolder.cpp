#include "platform/StateFolder.h"

#include "platform/FileSystem.h"

namespace platform {

std::string StateFolderFor(const std::string& programFolder) {
    if (CanWriteInFolder(programFolder) && !FileExists(programFolder + kInstalledMarker))
        return programFolder;
    std::string user = UserStateFolder();
    return user.empty() ? programFolder : user;
}

} // namespace platform
