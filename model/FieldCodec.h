#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

// Reads and writes of vendor fields inside a memory image. Every routine takes the image with its size
// and checks each access against it: an access that does not lie wholly inside the image fails and
// leaves the image and the caller's value untouched.

// Address modes of a field.
constexpr uint8_t kAddrModeAbsolute = 100; // the usual absolute mode; any mode but 115 and 255 is absolute
constexpr uint8_t kAddrModeRelative = 115; // relative to the configuration block
constexpr uint8_t kAddrModeAbsent = 255;   // the field does not exist

// Data modes of a field.
constexpr uint8_t kDataModeByte = 10;  // 10 to 13: one byte, masked
constexpr uint8_t kDataModeU16BE = 21; // also 23
constexpr uint8_t kDataModeU16LE = 22; // also 24
constexpr uint8_t kDataModeU32BE = 33; // also 41
constexpr uint8_t kDataModeU32LE = 34; // also 42
constexpr uint8_t kDataModeAbsent = 255;

// Function-enable modes: set the enable bits to 1 or to 0 before the field is written.
constexpr uint8_t kFunEnableSet = 11;
constexpr uint8_t kFunEnableClear = 12;

// Where and how one field is stored.
struct FieldLayout {
    uint8_t byAddrMode;
    uint8_t byAddr;
    uint8_t byMask;
    uint8_t byDataMode;
};

// The function-enable bit written before a field: mode, absolute address and mask.
struct FunEnableLayout {
    uint8_t byMode;
    uint8_t byAddr;
    uint8_t byMask;
};

// Where the configuration-block position is kept ("PreOffset", "Config Addr", "Config DataMode").
struct ConfigBlockLayout {
    uint8_t byPreOffset = 0;
    uint8_t byConfigAddr = 8;
    uint8_t byConfigDataMode = kDataModeAbsent; // 255: the image has no configuration block
};

// A field value and its width in bytes (1, 2 or 4).
struct FieldValue {
    uint32_t dwValue;
    uint8_t byWidth;
};

// Width in bytes of a data mode's encoding; 0 for an unsupported mode.
size_t FieldWidth(uint8_t byDataMode);

// Index of the lowest set bit of the mask; 8 for a mask of 0.
unsigned MaskShift(uint8_t byMask);

// (image[pos] AND mask) shifted down to the mask's lowest bit; a mask of 0 reads 0.
bool ReadMasked(const uint8_t* image, size_t size, size_t pos, uint8_t byMask, uint8_t& value);
// Replaces the mask's bits of image[pos] by the value shifted up to the mask; a mask of 0 writes nothing.
bool WriteMasked(uint8_t* image, size_t size, size_t pos, uint8_t byMask, uint8_t value);

bool ReadU8(const uint8_t* image, size_t size, size_t pos, uint8_t& value);
bool WriteU8(uint8_t* image, size_t size, size_t pos, uint8_t value);
bool ReadU16BE(const uint8_t* image, size_t size, size_t pos, uint16_t& value);
bool WriteU16BE(uint8_t* image, size_t size, size_t pos, uint16_t value);
bool ReadU16LE(const uint8_t* image, size_t size, size_t pos, uint16_t& value);
bool WriteU16LE(uint8_t* image, size_t size, size_t pos, uint16_t value);
bool ReadU32BE(const uint8_t* image, size_t size, size_t pos, uint32_t& value);
bool WriteU32BE(uint8_t* image, size_t size, size_t pos, uint32_t value);
bool ReadU32LE(const uint8_t* image, size_t size, size_t pos, uint32_t& value);
bool WriteU32LE(uint8_t* image, size_t size, size_t pos, uint32_t value);

// (image["Config Addr"] + "PreOffset") modulo 256; none when the image has no configuration block or the
// pointer byte lies outside it.
std::optional<uint8_t> GetConfigOffset(const ConfigBlockLayout& config, const uint8_t* image, size_t size);

// The image position a field's address stands for: relative addresses add the configuration offset when
// there is one and stay absolute otherwise. None when the field is absent or its first byte lies outside.
std::optional<size_t> FieldPosition(const FieldLayout& field, const ConfigBlockLayout& config,
                                    const uint8_t* image, size_t size);

std::optional<FieldValue> ReadField(const FieldLayout& field, const ConfigBlockLayout& config,
                                    const uint8_t* image, size_t size);

// Writes the value with the field's encoding. Once the field's position is known, byLastWritePos takes its
// low byte, also when the data mode then turns out unsupported or the field crosses the image end.
bool WriteField(const FieldLayout& field, const ConfigBlockLayout& config, uint8_t* image, size_t size,
                uint32_t value, uint8_t& byLastWritePos);

// Mode 11 stores 1 and mode 12 stores 0 in the mask's bits at the absolute address; other modes do nothing.
void WriteFunEnable(const FunEnableLayout& funEnable, uint8_t* image, size_t size);

// A field read into a 16-bit identifier that starts out as `preset`: a one-byte field replaces only the
// low byte, a 32-bit field gives its low 16 bits.
uint16_t OverlayU16(uint16_t preset, const FieldValue& field);
