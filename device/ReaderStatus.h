#pragma once

#include <cstdint>

// The reader's 16-byte status block.
struct ReaderStatus {
    uint8_t bytes[16] = {};

    uint16_t VendorId() const { return static_cast<uint16_t>(bytes[0] << 8 | bytes[1]); }
    uint16_t ProductId() const { return static_cast<uint16_t>(bytes[2] << 8 | bytes[3]); }
    // IC generation (byte 7) and firmware version (byte 8).
    uint16_t IcFwVersion() const { return static_cast<uint16_t>(bytes[7] << 8 | bytes[8]); }
    bool HasExtendedStatus() const { return (bytes[15] & 0x80) != 0; }
};

// The 32-byte extended status block; all zero when the reader has none.
struct ReaderStatusEx {
    uint8_t bytes[32] = {};

    uint16_t SubVersion() const { return static_cast<uint16_t>(bytes[0] << 8 | bytes[1]); }
};

// Firmware key of a reader: IC/firmware version in the high half, sub-version in the low half.
inline uint32_t FirmwareKey(const ReaderStatus& status, const ReaderStatusEx& statusEx) {
    return static_cast<uint32_t>(status.IcFwVersion()) << 16 | statusEx.SubVersion();
}
