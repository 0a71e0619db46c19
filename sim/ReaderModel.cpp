#include "sim/ReaderModel.h"

#include "sim/EfuseAccess.h"

#include <algorithm>
#include <cstring>

namespace sim {

namespace {

uint8_t PowerOnValue(uint16_t address) {
    switch (address) {
    case kRegRomResetControl:
        return 0x01;
    case kRegEfuseProgramEnable:
        return 0xFF;
    default:
        return 0x00;
    }
}

} // namespace

ReaderModel::ReaderModel(SimState& state, size_t index, std::string_view entry)
    : m_state(state), m_index(index), m_reader(state.ReaderAt(index)), m_faults(m_reader, entry) {}

bool ReaderModel::ReadStatus(uint8_t* out, uint32_t length) const {
    if (!out || length < m_reader.status.size())
        return false;
    std::memcpy(out, m_reader.status.data(), m_reader.status.size());
    return true;
}

bool ReaderModel::ReadExtendedStatus(uint8_t* out, uint32_t length) const {
    if (!out || length < m_reader.ext.size() || !ExtendedStatusPresent())
        return false;
    std::memcpy(out, m_reader.ext.data(), m_reader.ext.size());
    return true;
}

void ReaderModel::HideFirmwareKey(uint8_t* status) {
    bool hide = m_reader.zeroKeyLeft > 0;
    if (hide) {
        status[7] = status[8] = 0;
        --m_reader.zeroKeyLeft;
    }
    if (hide || m_reader.zeroKeyShown)
        m_state.Touch();
    m_reader.zeroKeyShown = hide;
}

void ReaderModel::HideSubVersion(uint8_t* ext) {
    if (m_reader.zeroKeyShown)
        ext[0] = ext[1] = 0;
}

uint8_t ReaderModel::StoredRegister(uint16_t address) const {
    auto it = m_reader.registers.find(address);
    return it != m_reader.registers.end() ? it->second : PowerOnValue(address);
}

void ReaderModel::StoreRegister(uint16_t address, uint8_t value) {
    m_state.Touch();
    m_reader.registers[address] = value;
}

uint8_t ReaderModel::ReadRegister(uint16_t address) {
    return IsEfuseRegister(address) ? ReadEfuseRegister(*this, address) : StoredRegister(address);
}

void ReaderModel::WriteRegister(uint16_t address, uint8_t value) {
    if (IsEfuseRegister(address))
        WriteEfuseRegister(*this, address, value);
    else
        StoreRegister(address, value);
}

std::unique_ptr<MemoryChip> ReaderModel::Chip(Memory memory) const {
    if (m_reader.MemorySize(memory) == 0)
        return nullptr;
    return m_state.Chip(m_index, memory);
}

bool ReaderModel::Reset(std::string_view entry) {
    if (m_reader.refusedResets.count(std::string(entry)))
        return false;
    m_state.Disconnect(m_index, m_faults.KeepsAwayAfterReset());
    m_reader.zeroKeyLeft = m_reader.zeroKeyReads;
    return true;
}

} // namespace sim
