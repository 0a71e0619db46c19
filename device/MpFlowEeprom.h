#pragma once

#include "device/DevTypeInfo.h"

#include <cstdint>

// The EEPROM operations, shared by both buses. A read fetches 128 bytes from byte 0; an erase writes
// one 511-byte block (the upload image's first bytes, then zeros); an update or download writes that
// block, then the whole image, and verifies it. A USB reader is reset and reopened after a write so
// that it runs with the new configuration; a PCIe reader is not. Each reports its progress, failure
// and success and returns 1 or 0.
class CMpFlow_Eeprom : public CDevTypeInfo {
public:
    // The library addresses the EEPROM with 16-bit lengths.
    static constexpr uint32_t kMaxImageSize = 0xFFFF;

    static constexpr uint16_t kReadSize = 128;

protected:
    using CDevTypeInfo::CDevTypeInfo;

    [[nodiscard]] uint32_t ReadEeprom();
    // progress40: report progress 40 after the block (USB); reset: reset the reader afterwards.
    [[nodiscard]] uint32_t EraseEeprom(bool progress40, bool reset);
    // usb: progress 50 and the reader reset after the verified write.
    [[nodiscard]] uint32_t WriteEepromImage(const uint8_t* data, uint32_t size, bool usb, ResultCode success);
};
