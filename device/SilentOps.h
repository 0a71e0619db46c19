#pragma once

#include "app/TraceLog.h"
#include "device/DevTypeInfo.h"
#include "model/SilentFiles.h"

#include <cstdint>
#include <string>

// The command line's file operations on a device type, shared by the classes that have them.

// -w: loads the file (relative paths from the program folder) into the download image and runs the
// download. When the file cannot be loaded or is empty, reports loadFailCode and returns 0.
[[nodiscard]] uint32_t SilentWriteBin(CDevTypeInfo& devType, const std::string& path,
                                      ResultCode loadFailCode);

// -r and -t: runs the read and writes the upload image to the path (relative paths from the current
// folder, missing folders created). A failed read returns 0 and writes nothing; a dump that cannot be
// written reports 41531 and returns 0. With writeTrace, "SafeWriteTxt : <size>" is traced after the
// dump was written.
[[nodiscard]] uint32_t SilentDump(CDevTypeInfo& devType, const std::string& path, DumpFormat format,
                                  const TraceScope* writeTrace = nullptr);
