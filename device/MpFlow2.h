#pragma once

#include "device/VrkFun.h"

#include <cstdint>
#include <functional>

// Memory primitives on the open reader (m_hDev): reading and programming EFUSE bytes, directly or
// through the register interface, and reading and writing the EEPROM. Each returns 1 for success and
// 0 for failure. Retries poll IsCancelRequested; a cancelled primitive returns 0.
//
// Buffers are the caller's and hold at least `length` bytes.
class CMpFlow2 : public CVrkFun {
public:
    static constexpr uint32_t kAttempts = 3;
    static constexpr uint32_t kEfuseVerifyPasses = 2;
    static constexpr uint8_t kBoostedLdo = 0x0F;
    static constexpr uint32_t kEfuseBusyPolls = 64;
    static constexpr uint32_t kEfusePollDelayMs = 16;
    static constexpr uint32_t kEfuseVoltageDelayMs = 4;
    static constexpr uint8_t kEfuseProgramVoltage = 0xB8;
    static constexpr uint8_t kEfuseIdleVoltage = 0x38;
    static constexpr uint16_t kEepromBlockLength = 0x1FF;

    // The frame of every EFUSE and EEPROM operation: refuse two or more readers (41513), open the
    // reader (41511, progress 20), run the body, close the reader on every path. The body's result, or
    // 0 when the reader could not be opened.
    [[nodiscard]] uint32_t RunOperation(const std::function<uint32_t()>& body);

    // Chip generation of a USB reader (status byte 7); 0 when the status cannot be read.
    uint8_t ReadChipGeneration();

    // EFUSE bytes 0 .. length - 1 through QDReadEfuse / QDWriteEfuse.
    [[nodiscard]] uint32_t MP_ReadEfuse(uint8_t* buffer, uint8_t length);
    // Up to two passes of write, wait and compare the read-back.
    [[nodiscard]] uint32_t WriteEfuseVerified(const uint8_t* data, uint8_t length);
    // One verified write; when it fails (not on the mapped generation), a second one with the
    // regulator boosted, the old setting restored afterwards.
    [[nodiscard]] uint32_t MP_UpdateEfuseEx(const uint8_t* data, uint8_t length);
    // Up to three MP_UpdateEfuseEx tries.
    [[nodiscard]] uint32_t MP_UpdateEfuse(const uint8_t* data, uint8_t length);

    // Register generation: one fuse byte through 0xFE7D / 0xFE7E (index & 0x0F), waiting for the
    // busy bit; the programming-voltage sequence; whole reads and verified programming.
    [[nodiscard]] uint32_t ReadEfuseByteReg(uint8_t index, uint8_t& value);
    [[nodiscard]] uint32_t WriteEfuseByteReg(uint8_t index, uint8_t value);
    [[nodiscard]] uint32_t SetEfuseVoltage(uint8_t value);
    // Reads `length` bytes; with `reportProgress` reports 20 + 80 * (i + 1) / length after byte i.
    [[nodiscard]] uint32_t ReadEfuseReg(uint8_t length, uint8_t* buffer, bool reportProgress);
    // Programs every byte of data that differs from blank and verifies it.
    [[nodiscard]] uint32_t WriteEfuseRegVerified(const uint8_t* blank, const uint8_t* data, uint8_t length);
    // WriteEfuseRegVerified over an all-0xFF blank; reports 41606 when it fails.
    [[nodiscard]] uint32_t UpdateEfuseReg(uint8_t length, const uint8_t* data);

    // EEPROM from byte 0 through QDReadEeprom / QDWriteEeprom.
    [[nodiscard]] uint32_t MP_ReadEeprom(uint16_t length, uint8_t* buffer);
    [[nodiscard]] uint32_t MP_WriteEeprom(uint16_t length, const uint8_t* data);
    // Writes one 511-byte block: the first min(length, 511) bytes of data, then zeros.
    [[nodiscard]] uint32_t WriteEepromBlock(uint16_t length, const uint8_t* data);
    // Writes, reads back and compares.
    [[nodiscard]] uint32_t MP_UpdateEeprom(uint16_t length, const uint8_t* data);

private:
    [[nodiscard]] uint32_t WriteEfuseReg(uint16_t address, uint8_t value);
    [[nodiscard]] uint32_t WaitEfuseNotBusy();
};
