#pragma once

#include <cstdint>
#include <span>
#include <string>

class CDevTypeInfo;

// The file name of a backup: "<UTC time>-<IC name>-<memory>.bin", the time as 20261210T135734123Z
// and every character that a file name cannot hold safely on either system replaced by '_'.
std::string BackupFileName(const std::string& utcTime, const std::string& icName, const std::string& memory);

// Before a destructive write: when "Backup Folder" is set, reads the current memory without telling
// anyone (no dialog message, no progress), writes it into that folder (missing folders created, the
// file replaced only once complete) and records a "backup" in the history. The upload image stays as
// it was. A read or write that fails reports 41531 and returns 0: the write must not start. Without a
// backup folder it does nothing and returns 1.
[[nodiscard]] uint32_t BackupBeforeWrite(CDevTypeInfo& dev, const std::string& tool);
