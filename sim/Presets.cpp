#include "sim/Presets.h"

#include <algorithm>
#include <cstring>

namespace sim {

namespace {

// Mapped-generation EFUSE readers program 0-bits into 1s; all others program 1-bits into 0s.
constexpr uint8_t kMappedGeneration = 0x02;

// Code size of a flash reader by status byte 7, as the tool derives it.
uint32_t FlashCodeSize(uint8_t generation) {
    switch (generation) {
    case 0x01:
        return 0x20000;
    case 0x51:
        return 0xD000;
    case 0x81:
        return 0xF000;
    default:
        return 0x10000;
    }
}

// Writes the vendor block the built-in layout expects at `block`: VID and PID most significant byte
// first at 2 and 4, the configuration offset at 8, the USB string area from 9, the inquiry strings
// below the configuration block and the LUN bytes in it. `block` holds at least 128 bytes.
void WriteVendorBlock(uint8_t* block, uint8_t first, uint8_t second, const Reader& reader) {
    constexpr uint8_t kConfig = 0x60;
    block[0] = first;
    block[1] = second;
    block[2] = reader.status[0];
    block[3] = reader.status[1];
    block[4] = reader.status[2];
    block[5] = reader.status[3];
    block[6] = 0x00;
    block[7] = 0x00;
    block[8] = kConfig;
    size_t pos = 9;
    const char* strings[] = {"Quillix", "Simulated Reader", "000000000001"};
    for (const char* text : strings) {
        size_t length = std::strlen(text);
        block[pos] = static_cast<uint8_t>(length + 2);
        block[pos + 1] = 3;
        std::memcpy(block + pos + 2, text, length);
        pos += length + 2;
    }
    std::memset(block + pos, 0, kConfig - 28 - pos);
    std::memcpy(block + kConfig - 28, "QUILLIX ", 8);
    std::memcpy(block + kConfig - 20, "SIM READER      ", 16);
    std::memcpy(block + kConfig - 4, "1.00", 4);
    const uint8_t luns[] = {0x01, 0x02, 0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x05};
    std::memcpy(block + kConfig, luns, sizeof(luns));
}

// Deterministic bytes that stand for firmware code.
void FillFirmware(uint8_t* data, size_t size, uint32_t seed) {
    uint32_t state = seed * 2654435761u + 12345u;
    for (size_t i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        data[i] = static_cast<uint8_t>(state >> 16);
    }
}

} // namespace

const std::vector<PresetInfo>& Presets() {
    // name, bus, memory, storage, PID, byte 7, byte 8, byte 14, extended, ext 21, ext 29,
    // EFUSE, EEPROM, FLASH sizes
    static const std::vector<PresetInfo> table = {
        {"eeprom-usb", Bus::Usb, Memory::Eeprom, true, 0x0201, 0x21, 0x10, 0x00, false, 0x00, 0x00, 0, 512,
         0},
        {"eeprom-pcie", Bus::Pcie, Memory::Eeprom, false, 0x0202, 0x22, 0x10, 0x00, false, 0x00, 0x00, 0, 512,
         0},
        {"efuse-usb", Bus::Usb, Memory::Efuse, true, 0x0301, 0x31, 0x10, 0x00, false, 0x00, 0x00, 16, 0, 0},
        {"efuse-usb-reg", Bus::Usb, Memory::Efuse, true, 0x0302, 0x84, 0x10, 0x00, false, 0x00, 0x00, 16, 0,
         0},
        {"efuse-usb-mapped", Bus::Usb, Memory::Efuse, true, 0x0303, kMappedGeneration, 0x10, 0x00, false,
         0x00, 0x00, 40, 0, 0},
        {"efuse-pcie", Bus::Pcie, Memory::Efuse, false, 0x0304, 0x32, 0x10, 0x00, false, 0x00, 0x00, 8, 0, 0},
        {"flash-usb", Bus::Usb, Memory::Flash, false, 0x0401, 0x01, 0x20, 0x00, true, 0x00, 0x02, 0, 0,
         0x20000},
        {"flash-usb16", Bus::Usb, Memory::Flash, false, 0x0402, 0x81, 0x20, 0x01, false, 0x00, 0x00, 0, 0,
         0x10000},
        {"flash-usb-ctrl", Bus::Usb, Memory::Flash, false, 0x0403, 0x51, 0x20, 0x00, false, 0x00, 0x00, 0, 0,
         0x10000},
    };
    return table;
}

const PresetInfo* FindPreset(std::string_view name) {
    for (const PresetInfo& preset : Presets())
        if (name == preset.name)
            return &preset;
    return nullptr;
}

Reader MakeReader(const PresetInfo& preset, size_t index) {
    Reader reader;
    reader.preset = preset.name;
    reader.bus = preset.bus;
    reader.storageClass = preset.storageClass;
    reader.status[0] = static_cast<uint8_t>(kSimVendorId >> 8);
    reader.status[1] = static_cast<uint8_t>(kSimVendorId & 0xFF);
    reader.status[2] = static_cast<uint8_t>(preset.productId >> 8);
    reader.status[3] = static_cast<uint8_t>(preset.productId & 0xFF);
    reader.status[7] = preset.generation;
    reader.status[8] = preset.version;
    reader.status[14] = preset.status14;
    reader.status[15] = preset.extended ? 0x80 : 0x00;
    if (preset.extended) {
        reader.ext[0] = 0x00; // sub-version 0x0001
        reader.ext[1] = 0x01;
        reader.ext[21] = preset.ext21;
        reader.ext[29] = preset.ext29;
    }
    reader.memorySize[static_cast<size_t>(Memory::Efuse)] = preset.efuseSize;
    reader.memorySize[static_cast<size_t>(Memory::Eeprom)] = preset.eepromSize;
    reader.memorySize[static_cast<size_t>(Memory::Flash)] = preset.flashSize;
    reader.instance = 0x00010000u * static_cast<uint32_t>(index + 1);
    if (preset.bus == Bus::Usb) {
        reader.hub = 1;
        reader.port = static_cast<uint32_t>(index + 1);
        reader.locationA = reader.hub;
        reader.locationB = reader.port;
    } else {
        reader.locationA = 0x100;
        reader.locationB = static_cast<uint32_t>(index);
    }
    return reader;
}

std::vector<Reader> StationReaders() {
    struct Socket {
        uint32_t hub, port;
    };
    const Socket sockets[] = {{1, 7}, {1, 8}, {2, 7}}; // SD1, CF, SD2
    std::vector<Reader> readers;
    const PresetInfo& flash = *FindPreset("flash-usb");
    for (const Socket& socket : sockets) {
        Reader reader = MakeReader(flash, readers.size());
        reader.hub = socket.hub;
        reader.port = socket.port;
        reader.locationA = socket.hub;
        reader.locationB = socket.port;
        readers.push_back(reader);
    }
    return readers;
}

uint8_t BlankByte(const Reader& reader, Memory memory) {
    if (memory == Memory::Efuse && reader.status[7] == kMappedGeneration)
        return 0x00;
    return 0xFF;
}

std::vector<uint8_t> FactoryContent(const Reader& reader, Memory memory) {
    uint32_t size = reader.MemorySize(memory);
    std::vector<uint8_t> data(size, BlankByte(reader, memory));
    const PresetInfo* preset = FindPreset(reader.preset);
    if (!preset || preset->memory != memory)
        return data;
    if (memory == Memory::Eeprom && reader.bus == Bus::Usb && size >= 128) {
        // The first two bytes name the EEPROM layout (0x0807).
        WriteVendorBlock(data.data(), 0x08, 0x07, reader);
    } else if (memory == Memory::Eeprom && size >= 128) {
        std::fill(data.begin(), data.begin() + 128, 0x00);
        const uint8_t head[] = {0x0C, 0x00, 0x0C, 0xAA};
        std::memcpy(data.data(), head, sizeof(head));
        data[4] = reader.status[1]; // VID low byte at 4, high byte at 8
        data[8] = reader.status[0];
        data[12] = reader.status[3]; // PID low byte at 12, high byte at 16
        data[16] = reader.status[2];
    } else if (memory == Memory::Flash) {
        uint32_t code = std::min(FlashCodeSize(reader.status[7]), size);
        if (code >= 256) {
            FillFirmware(data.data(), code / 2, preset->productId);
            WriteVendorBlock(data.data() + code - 256, 0x55, 0xAA, reader);
        }
    }
    return data;
}

} // namespace sim
