#include "model/FieldCodec.h"

namespace {

// True when `width` bytes from `pos` lie inside an image of `size` bytes.
bool Fits(const uint8_t* image, size_t size, size_t pos, size_t width) {
    return image != nullptr && pos < size && width <= size - pos;
}

} // namespace

size_t FieldWidth(uint8_t byDataMode) {
    switch (byDataMode) {
    case 10:
    case 11:
    case 12:
    case 13:
        return 1;
    case 21:
    case 22:
    case 23:
    case 24:
        return 2;
    case 33:
    case 34:
    case 41:
    case 42:
        return 4;
    default:
        return 0;
    }
}

unsigned MaskShift(uint8_t byMask) {
    unsigned shift = 0;
    while (shift < 8 && (byMask & (1u << shift)) == 0)
        ++shift;
    return shift;
}

bool ReadMasked(const uint8_t* image, size_t size, size_t pos, uint8_t byMask, uint8_t& value) {
    if (!Fits(image, size, pos, 1))
        return false;
    value = byMask == 0 ? 0 : static_cast<uint8_t>((image[pos] & byMask) >> MaskShift(byMask));
    return true;
}

bool WriteMasked(uint8_t* image, size_t size, size_t pos, uint8_t byMask, uint8_t value) {
    if (!Fits(image, size, pos, 1))
        return false;
    if (byMask != 0) {
        unsigned shifted = static_cast<unsigned>(value) << MaskShift(byMask);
        image[pos] = static_cast<uint8_t>((image[pos] & ~byMask) | (shifted & byMask));
    }
    return true;
}

bool ReadU8(const uint8_t* image, size_t size, size_t pos, uint8_t& value) {
    if (!Fits(image, size, pos, 1))
        return false;
    value = image[pos];
    return true;
}

bool WriteU8(uint8_t* image, size_t size, size_t pos, uint8_t value) {
    if (!Fits(image, size, pos, 1))
        return false;
    image[pos] = value;
    return true;
}

bool ReadU16BE(const uint8_t* image, size_t size, size_t pos, uint16_t& value) {
    if (!Fits(image, size, pos, 2))
        return false;
    value = static_cast<uint16_t>(image[pos] << 8 | image[pos + 1]);
    return true;
}

bool WriteU16BE(uint8_t* image, size_t size, size_t pos, uint16_t value) {
    if (!Fits(image, size, pos, 2))
        return false;
    image[pos] = static_cast<uint8_t>(value >> 8);
    image[pos + 1] = static_cast<uint8_t>(value);
    return true;
}

bool ReadU16LE(const uint8_t* image, size_t size, size_t pos, uint16_t& value) {
    if (!Fits(image, size, pos, 2))
        return false;
    value = static_cast<uint16_t>(image[pos + 1] << 8 | image[pos]);
    return true;
}

bool WriteU16LE(uint8_t* image, size_t size, size_t pos, uint16_t value) {
    if (!Fits(image, size, pos, 2))
        return false;
    image[pos] = static_cast<uint8_t>(value);
    image[pos + 1] = static_cast<uint8_t>(value >> 8);
    return true;
}

bool ReadU32BE(const uint8_t* image, size_t size, size_t pos, uint32_t& value) {
    if (!Fits(image, size, pos, 4))
        return false;
    value = 0;
    for (size_t i = 0; i < 4; ++i)
        value = value << 8 | image[pos + i];
    return true;
}

bool WriteU32BE(uint8_t* image, size_t size, size_t pos, uint32_t value) {
    if (!Fits(image, size, pos, 4))
        return false;
    for (size_t i = 0; i < 4; ++i)
        image[pos + i] = static_cast<uint8_t>(value >> (8 * (3 - i)));
    return true;
}

bool ReadU32LE(const uint8_t* image, size_t size, size_t pos, uint32_t& value) {
    if (!Fits(image, size, pos, 4))
        return false;
    value = 0;
    for (size_t i = 4; i-- > 0;)
        value = value << 8 | image[pos + i];
    return true;
}

bool WriteU32LE(uint8_t* image, size_t size, size_t pos, uint32_t value) {
    if (!Fits(image, size, pos, 4))
        return false;
    for (size_t i = 0; i < 4; ++i)
        image[pos + i] = static_cast<uint8_t>(value >> (8 * i));
    return true;
}

std::optional<uint8_t> GetConfigOffset(const ConfigBlockLayout& config, const uint8_t* image, size_t size) {
    if (config.byConfigDataMode == kDataModeAbsent || !Fits(image, size, config.byConfigAddr, 1))
        return std::nullopt;
    return static_cast<uint8_t>(image[config.byConfigAddr] + config.byPreOffset);
}

std::optional<size_t> FieldPosition(const FieldLayout& field, const ConfigBlockLayout& config,
                                    const uint8_t* image, size_t size) {
    if (image == nullptr || size == 0 || field.byAddrMode == kAddrModeAbsent)
        return std::nullopt;
    size_t pos = field.byAddr;
    if (field.byAddrMode == kAddrModeRelative) {
        if (std::optional<uint8_t> offset = GetConfigOffset(config, image, size))
            pos += *offset;
    }
    if (pos >= size || field.byDataMode == kDataModeAbsent)
        return std::nullopt;
    return pos;
}

std::optional<FieldValue> ReadField(const FieldLayout& field, const ConfigBlockLayout& config,
                                    const uint8_t* image, size_t size) {
    std::optional<size_t> pos = FieldPosition(field, config, image, size);
    if (!pos)
        return std::nullopt;
    bool ok = false;
    FieldValue result{0, static_cast<uint8_t>(FieldWidth(field.byDataMode))};
    switch (field.byDataMode) {
    case 10:
    case 11:
    case 12:
    case 13: {
        uint8_t value = 0;
        ok = ReadMasked(image, size, *pos, field.byMask, value);
        result.dwValue = value;
        break;
    }
    case 21:
    case 23:
    case 22:
    case 24: {
        uint16_t value = 0;
        bool bigEndian = field.byDataMode == 21 || field.byDataMode == 23;
        ok = bigEndian ? ReadU16BE(image, size, *pos, value) : ReadU16LE(image, size, *pos, value);
        result.dwValue = value;
        break;
    }
    case 33:
    case 41:
        ok = ReadU32BE(image, size, *pos, result.dwValue);
        break;
    case 34:
    case 42:
        ok = ReadU32LE(image, size, *pos, result.dwValue);
        break;
    default:
        break;
    }
    if (!ok)
        return std::nullopt;
    return result;
}

bool WriteField(const FieldLayout& field, const ConfigBlockLayout& config, uint8_t* image, size_t size,
                uint32_t value, uint8_t& byLastWritePos) {
    std::optional<size_t> pos = FieldPosition(field, config, image, size);
    if (!pos)
        return false;
    byLastWritePos = static_cast<uint8_t>(*pos);
    switch (field.byDataMode) {
    case 10:
    case 11:
    case 12:
    case 13:
        return WriteMasked(image, size, *pos, field.byMask, static_cast<uint8_t>(value));
    case 21:
    case 23:
        return WriteU16BE(image, size, *pos, static_cast<uint16_t>(value));
    case 22:
    case 24:
        return WriteU16LE(image, size, *pos, static_cast<uint16_t>(value));
    case 33:
    case 41:
        return WriteU32BE(image, size, *pos, value);
    case 34:
    case 42:
        return WriteU32LE(image, size, *pos, value);
    default:
        return false;
    }
}

void WriteFunEnable(const FunEnableLayout& funEnable, uint8_t* image, size_t size) {
    if (funEnable.byMode == kFunEnableSet)
        WriteMasked(image, size, funEnable.byAddr, funEnable.byMask, 1);
    else if (funEnable.byMode == kFunEnableClear)
        WriteMasked(image, size, funEnable.byAddr, funEnable.byMask, 0);
}

uint16_t OverlayU16(uint16_t preset, const FieldValue& field) {
    if (field.byWidth == 1)
        return static_cast<uint16_t>((preset & 0xFF00) | (field.dwValue & 0xFF));
    return static_cast<uint16_t>(field.dwValue);
}
