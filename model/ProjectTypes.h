#pragma once

#include <cstdint>

// The configured memory kind of the chip.
enum MemoryKind : uint32_t {
    EFUSE = 0,
    FLASH = 1,
    EEPROM = 2,
    SERIALFLASH = 3,
};

// The bus the reader sits on.
enum BusType : uint32_t {
    USB = 0,
    PCIE = 1,
};

// 0 means success or nothing to report; any other value is a message identifier.
using ResultCode = uint32_t;
