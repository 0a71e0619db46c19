#pragma once

#include "sim/ReaderModel.h"

#include <cstdint>

namespace sim {

// The EFUSE of a reader as the chip guards it.
//
// Register generation: a command written to 0xFE7D (0x80 + index reads, 0xA0 + index programs fuse
// byte index & 0x0F) keeps bit 7 (busy) set for the next kEfuseBusyPolls - 1 reads of 0xFE7D and runs
// when the last of them clears it; a read command then leaves the fuse byte in 0xFE7E. A program
// command burns only while both voltage latches hold kEfuseProgramVoltage and 0xFD7A holds
// kEfuseProgramEnable; otherwise it completes and burns nothing. A latch is loaded by writing its
// value to 0xFE41, its selector (0x02 or 0x0C) to 0xFE40 and then 0x00, 0x01 to 0xFE42. The latches
// read back at 0xFE43 and 0xFE44 and the remaining busy polls at 0xFE7F (all three read-only); every
// register returns to its power-on value at a reset.
//
// Direct and mapped generations (QDWriteEfuse): under the weak-fuses fault a write burns only at the
// boosted regulator setting kBoostedLdo; at any other setting it reports success and burns nothing.

constexpr uint16_t kRegEfuseVoltageSelect = 0xFE40;
constexpr uint16_t kRegEfuseVoltageValue = 0xFE41;
constexpr uint16_t kRegEfuseVoltageStrobe = 0xFE42;
constexpr uint16_t kRegEfuseVoltageLatchA = 0xFE43; // loaded with selector 0x02
constexpr uint16_t kRegEfuseVoltageLatchB = 0xFE44; // loaded with selector 0x0C
constexpr uint16_t kRegEfuseBusyPolls = 0xFE7F;

constexpr uint8_t kEfuseProgramVoltage = 0xB8;
constexpr uint8_t kEfuseProgramEnable = 0xFC;
constexpr uint8_t kEfuseBusyPolls = 3;
constexpr uint8_t kBoostedLdo = 0x0F;

// Whether the register belongs to the EFUSE interface (its reads and writes go through here).
bool IsEfuseRegister(uint16_t address);
uint8_t ReadEfuseRegister(ReaderModel& model, uint16_t address);
void WriteEfuseRegister(ReaderModel& model, uint16_t address, uint8_t value);

// QDWriteEfuse: burns bytes start .. start + length - 1. 0 when they lie outside the fuses.
uint32_t ProgramEfuse(ReaderModel& model, uint8_t start, uint8_t length, const uint8_t* data);

} // namespace sim
