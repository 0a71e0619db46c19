#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The USB string area of an image: three USB string records (manufacturer, product, serial number) and
// up to eight LUN string records, from the area start up to 28 bytes before the configuration block.
// The strings are UTF-8 here and Latin-1 inside the image.
class CEestrFormat {
public:
    static constexpr size_t kUsbStringCount = 3;
    static constexpr size_t kLunStringCount = 8;
    static constexpr size_t kMaxAreaSize = 128;
    // Longest texts the record formats carry: a USB record's length is capped at 64 when decoded, a LUN
    // record keeps its length in five bits.
    static constexpr size_t kMaxUsbStringChars = 62;
    static constexpr size_t kMaxLunStringChars = 29;

    // Area length: image[configAddr] + preOffset - start - 28, taken as 0 when negative or above 128.
    // None when the pointer byte or the area does not lie wholly inside the image, or when the area
    // covers the pointer byte.
    static std::optional<size_t> AreaLength(const uint8_t* image, size_t size, uint8_t start,
                                            uint8_t configAddr, uint8_t preOffset);

    // Fills the eleven strings from the area; an area outside the image yields empty strings.
    void Decode(const uint8_t* image, size_t size, uint8_t start, uint8_t configAddr, uint8_t preOffset);
    // Writes the strings back, zero-filling the rest of the area. False, with nothing written, when the
    // area lies outside the image, the records do not fit, or a string is longer than its record carries
    // (or holds a zero character), since such an area would decode differently.
    bool Encode(uint8_t* image, size_t size, uint8_t start, uint8_t configAddr, uint8_t preOffset) const;

    std::array<std::string, kUsbStringCount> m_UsbStrings;
    std::array<std::string, kLunStringCount> m_LunStrings;
};
