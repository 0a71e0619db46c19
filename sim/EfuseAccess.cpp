#include "sim/EfuseAccess.h"

namespace sim {

namespace {

constexpr uint8_t kBusy = 0x80;
constexpr uint8_t kCommandMask = 0x70;
constexpr uint8_t kReadCommand = 0x00;    // 0x80 + index, bit 7 masked off
constexpr uint8_t kProgramCommand = 0x20; // 0xA0 + index, bit 7 masked off
constexpr uint8_t kSelectLatchA = 0x02;
constexpr uint8_t kSelectLatchB = 0x0C;

bool ProgrammingEnabled(const ReaderModel& model) {
    return model.StoredRegister(kRegEfuseVoltageLatchA) == kEfuseProgramVoltage &&
           model.StoredRegister(kRegEfuseVoltageLatchB) == kEfuseProgramVoltage &&
           model.StoredRegister(kRegEfuseProgramEnable) == kEfuseProgramEnable;
}

// Runs the command held in 0xFE7D (busy bit already cleared).
void RunCommand(ReaderModel& model, uint8_t command) {
    std::unique_ptr<MemoryChip> efuse = model.Chip(Memory::Efuse);
    uint8_t index = command & 0x0F;
    if (!efuse || index >= efuse->Size())
        return;
    if ((command & kCommandMask) == kReadCommand) {
        uint8_t data = 0;
        if (efuse->Read(index, &data, 1))
            model.StoreRegister(kRegEfuseData, data);
    } else if ((command & kCommandMask) == kProgramCommand && ProgrammingEnabled(model)) {
        uint8_t data = model.StoredRegister(kRegEfuseData);
        efuse->Write(index, &data, 1);
    }
}

} // namespace

bool IsEfuseRegister(uint16_t address) {
    switch (address) {
    case kRegEfuseCommand:
    case kRegEfuseBusyPolls:
    case kRegEfuseVoltageStrobe:
    case kRegEfuseVoltageLatchA:
    case kRegEfuseVoltageLatchB:
        return true;
    default:
        return false;
    }
}

uint8_t ReadEfuseRegister(ReaderModel& model, uint16_t address) {
    uint8_t value = model.StoredRegister(address);
    if (address != kRegEfuseCommand)
        return value;
    if (model.Faults().Busy())
        return value | kBusy;
    uint8_t polls = model.StoredRegister(kRegEfuseBusyPolls);
    if (polls == 0)
        return value;
    // Each read of the busy command register is one poll; the last one finds the command done.
    model.StoreRegister(kRegEfuseBusyPolls, static_cast<uint8_t>(polls - 1));
    if (polls > 1)
        return value;
    value &= static_cast<uint8_t>(~kBusy);
    model.StoreRegister(kRegEfuseCommand, value);
    RunCommand(model, value);
    return value;
}

void WriteEfuseRegister(ReaderModel& model, uint16_t address, uint8_t value) {
    switch (address) {
    case kRegEfuseCommand:
        // Under the busy fault the command is lost and the register reads busy until the fault goes.
        if (model.Faults().Busy()) {
            model.StoreRegister(address, value & static_cast<uint8_t>(~kBusy));
            model.StoreRegister(kRegEfuseBusyPolls, 0);
            return;
        }
        // A command (bit 7 set) reads busy until it has run.
        model.StoreRegister(address, value);
        model.StoreRegister(kRegEfuseBusyPolls, (value & kBusy) ? kEfuseBusyPolls : 0);
        return;
    case kRegEfuseVoltageStrobe:
        // 0x00 followed by 0x01 loads the latch the selector names with the value register.
        if (value == 0x01 && model.StoredRegister(address) == 0x00) {
            uint8_t select = model.StoredRegister(kRegEfuseVoltageSelect);
            uint8_t level = model.StoredRegister(kRegEfuseVoltageValue);
            if (select == kSelectLatchA)
                model.StoreRegister(kRegEfuseVoltageLatchA, level);
            else if (select == kSelectLatchB)
                model.StoreRegister(kRegEfuseVoltageLatchB, level);
        }
        model.StoreRegister(address, value);
        return;
    default:
        // The latches and the poll counter are read-only.
        return;
    }
}

uint32_t ProgramEfuse(ReaderModel& model, uint8_t start, uint8_t length, const uint8_t* data) {
    std::unique_ptr<MemoryChip> efuse = model.Chip(Memory::Efuse);
    if (!efuse || !data || !efuse->InRange(start, length))
        return 0;
    if (model.Faults().DropsWrite())
        return 1;
    if (model.Faults().WeakFuses() && model.Settings().ldo != kBoostedLdo)
        return 1;
    return efuse->Write(start, data, static_cast<uint8_t>(model.Faults().TransferLength(length))) ? 1 : 0;
}

} // namespace sim
