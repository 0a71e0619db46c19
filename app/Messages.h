#pragma once

#include "core/ResultCodes.h"
#include "model/ProjectTypes.h"

#include <cstdint>
#include <span>
#include <string>

// Names of memory kinds and buses: add the MemoryKind or BusType value.
inline constexpr uint32_t IDS_MEMORY_KIND_SHORT = 42000;
inline constexpr uint32_t IDS_MEMORY_KIND_LONG = 42010;
inline constexpr uint32_t IDS_BUS_NAME = 42020;

// Tooltips.
inline constexpr uint32_t IDS_TIP_IC_TYPE = 43001;
inline constexpr uint32_t IDS_TIP_EFUSE_CHECK = 43031;
inline constexpr uint32_t IDS_TIP_LOAD_VENDOR_INFO = 43061;
inline constexpr uint32_t IDS_TIP_LOAD_FW_CODE = 43062;
inline constexpr uint32_t IDS_TIP_SAVE_BINARY = 43063;

struct MessageString {
    uint32_t id;
    const char* text;
};

// The whole string table, sorted by identifier.
std::span<const MessageString> MessageTable();

// The text of a message identifier; "" for an identifier without a string.
std::string LoadMessage(uint32_t id);

// "Efuse", "FF", "EE", "SF"; "" for an unknown kind.
std::string MemoryKindShortName(uint32_t kind);
// "EFUSE", "FLASH", "EEPROM", "Serial Flash"; "" for an unknown kind.
std::string MemoryKindLongName(uint32_t kind);
// "USB", "PCIE"; "" for an unknown bus.
std::string BusName(uint32_t bus);

// Caption of result message boxes and of the usage box: "Reader" and the short memory-kind name.
std::string ResultCaption(uint32_t kind);
// Caption of a success box: the result caption followed by " - <ms> ms".
std::string ResultCaptionWithTime(uint32_t kind, uint32_t elapsedMs);
