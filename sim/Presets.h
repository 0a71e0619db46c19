#pragma once

#include "sim/Scenario.h"

#include <string_view>
#include <vector>

namespace sim {

// USB vendor ID of every simulated reader (status bytes 0-1).
constexpr uint16_t kSimVendorId = 0x2C7A;

// One kind of reader the simulator can add. Table rows, see Presets.cpp.
struct PresetInfo {
    const char* name;
    Bus bus;
    Memory memory;     // the configuration memory the reader is made for
    bool storageClass; // USB storage device with a disk child (EEPROM and EFUSE readers on USB)
    uint16_t productId;
    uint8_t generation; // status byte 7
    uint8_t version;    // status byte 8
    uint8_t status14;   // bit 0: 16-bit flash access
    bool extended;      // status byte 15 bit 7: extended status present
    uint8_t ext21;
    uint8_t ext29; // bit 1: 32-bit flash access; bit 5: quick reconnect; bit 6: ROM-reset flag in ext 21
    uint32_t efuseSize;
    uint32_t eepromSize;
    uint32_t flashSize;
};

const std::vector<PresetInfo>& Presets();
// The preset of that name; null for an unknown name and for "station" (a set of readers, see below).
const PresetInfo* FindPreset(std::string_view name);

// Name of the preset that replaces the whole state with the three-socket station.
constexpr const char* kStationPreset = "station";
// Name of the preset a fresh state folder starts with.
constexpr const char* kDefaultPreset = "eeprom-usb";

// A reader of the preset as reader number `index` of the state; USB readers sit on hub 1, port
// index + 1, and each reader gets its own device instance and location values.
Reader MakeReader(const PresetInfo& preset, size_t index);
// The three readers of the station: "SD1" on port 7 of hub 1, "CF" on port 8 of hub 1, "SD2" on
// port 7 of hub 2.
std::vector<Reader> StationReaders();

// The value of an unprogrammed or erased byte of that memory on that reader.
uint8_t BlankByte(const Reader& reader, Memory memory);
// Factory content of a memory: a blank EFUSE, an EEPROM with a vendor block, a FLASH with firmware
// and a 55 AA vendor block.
std::vector<uint8_t> FactoryContent(const Reader& reader, Memory memory);

} // namespace sim
