#pragma once

#include "model/InquiryStrings.h"
#include "model/ProjectTypes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The eight device types, one per memory kind and bus.
enum class DevTypeClass : uint8_t {
    EfuseUsb,
    EfusePcie,
    FlashUsb,
    FlashPcie,
    EepromUsb,
    EepromPcie,
    SerialFlashUsb,
    SerialFlashPcie,
};

DevTypeClass DevTypeClassOf(MemoryKind kind, BusType bus);

// How a device type stores a 16-bit identifier when no IC INI layout applies.
enum class IdEncoding : uint8_t {
    None,       // the device type has no such identifier
    U16LE,      // two bytes from byPos, least significant first
    U16BE,      // two bytes from byPos, most significant first
    SplitBytes, // high byte at byPos, low byte at byLowPos
};

struct IdLayout {
    IdEncoding encoding;
    uint8_t byPos;
    uint8_t byLowPos;
};

// The vendor area of EEPROM-over-USB images (also used by USB FLASH): the configuration-block pointer,
// the USB string area in front of the inquiry strings, the inquiry string mode and the LUN bytes.
struct VendorAreaLayout {
    uint8_t byConfigAddr;
    uint8_t byStringStart;
    uint8_t byInqStrModePos;
    uint8_t byInqStrModeMask;
    std::array<uint8_t, 5> lunOffsets; // LUN n's byte lies at cfg + lunOffsets[n]
};

// A device type's fixed layout. The accessors fail with 0xFFFF for identifiers, an empty text, 0xFF for
// bytes or false for writes when the device type lacks the field or the field lies outside the image.
struct BuiltInLayout {
    DevTypeClass devClass;
    const char* pszClassName;
    IdLayout vid;
    IdLayout pid;
    const VendorAreaLayout* pVendorArea; // null: no strings, inquiry strings or LUN bytes

    uint16_t GetVID(const uint8_t* image, size_t size) const;
    uint16_t GetPID(const uint8_t* image, size_t size) const;
    bool SetVID(uint8_t* image, size_t size, uint16_t value) const;
    bool SetPID(uint8_t* image, size_t size, uint16_t value) const;

    // USB strings 0 (manufacturer), 1 (product), 2 (serial number) and LUN strings 0 to 7.
    std::string GetUsbString(const uint8_t* image, size_t size, size_t index) const;
    bool SetUSBStrings(uint8_t* image, size_t size, const std::string& manufacturer,
                       const std::string& product, const std::string& serialNumber) const;
    std::string GetLunStr(const uint8_t* image, size_t size, size_t index) const;
    bool SetLunStr(uint8_t* image, size_t size, size_t index, const std::string& text) const;

    // All trailing blanks dropped; the configuration offset is image[8] with no lower limit, so the field
    // position wraps modulo 256.
    std::string GetInquiry(const uint8_t* image, size_t size, InquiryField which) const;
    bool SetInquiry(uint8_t* image, size_t size, InquiryField which, const std::string& text) const;

    uint8_t GetInqStrMode(const uint8_t* image, size_t size) const;
    bool SetInqStrMode(uint8_t* image, size_t size, uint8_t value) const;

    // Image position of LUN n's byte; none for an unknown LUN or without a configuration-block pointer.
    std::optional<size_t> LunPosition(const uint8_t* image, size_t size, size_t lun) const;
    uint8_t GetLunData(const uint8_t* image, size_t size, size_t lun, uint8_t mask) const;
    bool SetLunData(uint8_t* image, size_t size, size_t lun, uint8_t mask, uint8_t value) const;
};

const BuiltInLayout& GetBuiltInLayout(DevTypeClass devClass);
