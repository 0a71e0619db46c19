#pragma once

#include "model/ProjectTypes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Which chip quillix-image works for: an IC INI file, a memory kind and bus with the built-in layout,
// or (neither given) the IC INI file that the program folder's configuration chooses for quillix.
struct ChipChoice {
    std::string strIcIni;
    std::optional<MemoryKind> kind;
    BusType bus = USB;
};

// Sets up the process-wide project objects for a chip choice (the configuration, the IC INI file, the
// memory kind and bus, the device-type object) and deletes them again when it goes.
class ChipContext {
public:
    ChipContext() = default;
    ~ChipContext();
    ChipContext(const ChipContext&) = delete;
    ChipContext& operator=(const ChipContext&) = delete;

    // 0, or the result code with a one-line reason in `error`.
    ResultCode Load(const ChipChoice& choice, std::string& error);
};

// The memory kind's code for an image file that cannot be loaded: 41601, 41701 or 41801 (41530 for
// serial FLASH).
ResultCode LoadFailureCode(MemoryKind kind);

// Reads an image file for the configured memory kind. 0, or the kind's load failure code with the
// reason when the file cannot be read, is empty or is larger than the memory kind holds.
ResultCode ReadImageFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

// Writes an output image atomically (no partial file; an existing file stays as it was on failure).
// 0, or IDS_SAVE_FILE_DATA_FAIL with the reason.
ResultCode WriteImageFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

// "efuse", "eeprom", "flash", "serialflash"; "usb", "pcie".
std::string MemoryKindKey(MemoryKind kind);
std::string BusKey(BusType bus);
