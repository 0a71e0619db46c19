#include "sim/ReaderModel.h"

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

uint8_t ReaderModel::ReadRegister(uint16_t address) {
    auto it = m_reader.registers.find(address);
    uint8_t value = it != m_reader.registers.end() ? it->second : PowerOnValue(address);
    if (address == kRegEfuseCommand && m_faults.Busy())
        value |= 0x80;
    return value;
}

void ReaderModel::WriteRegister(uint16_t address, uint8_t value) {
    m_state.Touch();
    if (address != kRegEfuseCommand) {
        m_reader.registers[address] = value;
        return;
    }
    // The EFUSE command register runs its command at once; under the busy fault it runs none and
    // reads back busy.
    if (m_faults.Busy()) {
        m_reader.registers[address] = value & 0x7F;
        return;
    }
    std::unique_ptr<MemoryChip> efuse = Chip(Memory::Efuse);
    uint8_t index = value & 0x0F;
    if (efuse && index < efuse->Size()) {
        if ((value & 0xF0) == 0x80) {
            uint8_t data = 0;
            if (efuse->Read(index, &data, 1))
                m_reader.registers[kRegEfuseData] = data;
        } else if ((value & 0xF0) == 0xA0) {
            uint8_t data = ReadRegister(kRegEfuseData);
            efuse->Write(index, &data, 1);
        }
    }
    m_reader.registers[address] = value & 0x7F;
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
    return true;
}

} // namespace sim
