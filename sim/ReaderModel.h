#pragma once

#include "sim/Faults.h"
#include "sim/SimState.h"

#include <string_view>

namespace sim {

// Chip registers the tool uses.
constexpr uint16_t kRegRomResetControl = 0xFE3A; // bit 0 cleared before a reset into ROM code
constexpr uint16_t kRegEfuseCommand = 0xFE7D;    // 0x80 + index: read, 0xA0 + index: program; bit 7 busy
constexpr uint16_t kRegEfuseData = 0xFE7E;
constexpr uint16_t kRegEfuseProgramEnable = 0xFD7A;

// One reader of the state as one entry call sees it: its status blocks, registers, memories,
// resets and the faults that apply to this call.
class ReaderModel {
public:
    ReaderModel(SimState& state, size_t index, std::string_view entry);

    size_t Index() const { return m_index; }
    Reader& Settings() { return m_reader; }
    ReaderFaults& Faults() { return m_faults; }

    // Status blocks; the extended one only when the status says it is present.
    bool ReadStatus(uint8_t* out, uint32_t length) const;
    bool ReadExtendedStatus(uint8_t* out, uint32_t length) const;
    // A reader that has just restarted shows a zero firmware key for a number of status reads: zeroes
    // the version bytes of a status block just read, and the sub-version of the extended block read
    // after it.
    void HideFirmwareKey(uint8_t* status);
    void HideSubVersion(uint8_t* ext);
    bool ExtendedStatusPresent() const { return (m_reader.status[15] & 0x80) != 0; }
    // Flash access methods the reader offers.
    bool HasFlashAccess32() const { return ExtendedStatusPresent() && (m_reader.ext[29] & 0x02) != 0; }
    bool HasFlashAccess16() const { return (m_reader.status[14] & 0x01) != 0; }
    uint16_t ProductId() const { return static_cast<uint16_t>(m_reader.status[2] << 8 | m_reader.status[3]); }

    uint8_t ReadRegister(uint16_t address);
    void WriteRegister(uint16_t address, uint8_t value);
    // The register's stored or power-on value, and storing one, without any side effect of the chip.
    uint8_t StoredRegister(uint16_t address) const;
    void StoreRegister(uint16_t address, uint8_t value);

    // The memory, or null when the reader lacks it.
    std::unique_ptr<MemoryChip> Chip(Memory memory) const;

    // A reset command through `entry`: refused per the reader's settings (false), or accepted and the
    // reader disconnects until it has refused its reconnect-opens open attempts (or, under the
    // reset-gone fault, until the driver-update tool runs).
    bool Reset(std::string_view entry);

    void Changed() { m_state.Touch(); }

private:
    SimState& m_state;
    size_t m_index;
    Reader& m_reader;
    ReaderFaults m_faults;
};

} // namespace sim
