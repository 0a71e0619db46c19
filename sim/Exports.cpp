// The exported entries of the simulated reader library: argument checks, then the reader model.
// Every entry answers 0 for a zero or dead handle, a missing buffer or a length its buffer cannot hold.
#ifdef _WIN32
#define QDCRLIB_API __declspec(dllexport)
#else
#define QDCRLIB_API __attribute__((visibility("default")))
#endif
#include "device/QdCRLibApi.h"

#include "platform/Text.h"
#include "sim/EfuseAccess.h"
#include "sim/EntryCall.h"
#include "sim/Journal.h"

#include <algorithm>
#include <cstring>

using sim::ArgList;
using sim::BufferArg;
using sim::HexArg;
using sim::Memory;
using sim::OpenHandle;
using sim::ReaderModel;
using sim::ValueArg;

namespace {

constexpr uint32_t kStatusSize = 16;
constexpr uint32_t kExtStatusSize = 32;
constexpr uint32_t kInquirySize = 36;
constexpr uint32_t kDmPacketData = 4096;
constexpr uint32_t kRomSize = 0x4000;
constexpr uint32_t kFlash16Space = 0x10000;

uint32_t ReadMemory(ReaderModel& model, Memory memory, uint32_t offset, uint32_t length, uint8_t* buffer,
                    uint32_t bufferLength) {
    std::unique_ptr<sim::MemoryChip> chip = model.Chip(memory);
    if (!chip || !buffer || length > bufferLength || !chip->InRange(offset, length))
        return 0;
    // A short read fills only the start of the buffer; the rest keeps what the caller had there.
    if (!chip->Read(offset, buffer, model.Faults().TransferLength(length)))
        return 0;
    model.Faults().ApplyToRead(buffer, length);
    return 1;
}

uint32_t WriteMemory(ReaderModel& model, Memory memory, uint32_t offset, uint32_t length, const uint8_t* data,
                     uint32_t dataLength) {
    std::unique_ptr<sim::MemoryChip> chip = model.Chip(memory);
    if (!chip || !data || length > dataLength || !chip->InRange(offset, length))
        return 0;
    if (model.Faults().DropsWrite())
        return 1;
    return chip->Write(offset, data, model.Faults().TransferLength(length)) ? 1 : 0;
}

uint32_t EraseMemory(ReaderModel& model, Memory memory) {
    std::unique_ptr<sim::MemoryChip> chip = model.Chip(memory);
    if (!chip)
        return 0;
    if (model.Faults().DropsWrite())
        return 1;
    return chip->Erase() ? 1 : 0;
}

// Control-pipe packets: byte 0 numbers the packet within its phase (from 0, wrapping), the rest is
// flash data for the next offset. Packet 0 out of turn starts the phase again at offset 0.
bool TakePacket(const uint8_t* packet, uint32_t length, uint32_t& offset, uint32_t& packets) {
    if (!packet || length < 1 || length - 1 > kDmPacketData)
        return false;
    if (packet[0] != static_cast<uint8_t>(packets)) {
        if (packet[0] != 0)
            return false;
        offset = 0;
        packets = 0;
    }
    return true;
}

uint32_t DmWrite(ReaderModel& model, OpenHandle& handle, const uint8_t* packet, uint32_t length) {
    std::unique_ptr<sim::MemoryChip> flash = model.Chip(Memory::Flash);
    if (!flash || !TakePacket(packet, length, handle.dmWriteOffset, handle.dmWritePackets))
        return 0;
    uint32_t n = length - 1;
    if (!flash->InRange(handle.dmWriteOffset, n))
        return 0;
    if (!model.Faults().DropsWrite() &&
        !flash->Write(handle.dmWriteOffset, packet + 1, model.Faults().TransferLength(n)))
        return 0;
    handle.dmWriteOffset += n;
    ++handle.dmWritePackets;
    return 1;
}

uint32_t DmVerify(ReaderModel& model, OpenHandle& handle, const uint8_t* packet, uint32_t length) {
    std::unique_ptr<sim::MemoryChip> flash = model.Chip(Memory::Flash);
    if (!flash || !TakePacket(packet, length, handle.dmVerifyOffset, handle.dmVerifyPackets))
        return 0;
    uint32_t n = length - 1;
    std::vector<uint8_t> current(n);
    if (!flash->Read(handle.dmVerifyOffset, current.data(), n))
        return 0;
    handle.dmVerifyOffset += n;
    ++handle.dmVerifyPackets;
    return std::equal(current.begin(), current.end(), packet + 1) ? 1 : 0;
}

uint32_t ResetCommand(ReaderModel& model, const char* entry) {
    return model.Reset(entry) ? 1 : 0;
}

// Copies a NUL-terminated text into a caller's buffer; 0 when it does not fit.
uint32_t CopyText(const std::string& text, char* out, uint32_t length) {
    if (!out || text.size() + 1 > length)
        return 0;
    std::memcpy(out, text.c_str(), text.size() + 1);
    return 1;
}

// The snapshot of USB readers taken by GetUsbCRInfos (status blocks, in reader order).
std::vector<std::array<uint8_t, kStatusSize>>& Snapshot() {
    static std::vector<std::array<uint8_t, kStatusSize>> snapshot;
    return snapshot;
}

const char* NodeName(sim::Node node) {
    switch (node) {
    case sim::Node::Device:
        return "device";
    case sim::Node::Storage:
        return "storage";
    case sim::Node::Disk:
        return "disk";
    }
    return "";
}

// Memory smart-card entries: no simulated reader has a card in its slot.
uint32_t NoCard(const char* name, uint32_t dev, ArgList args) {
    return sim::OnHandle(
        name, dev, [](ReaderModel&, OpenHandle&) -> uint32_t { return 0; }, [&] { return args; });
}

} // namespace

extern "C" {

uint32_t QDOpenVrkUsbDisk(uint32_t* index) {
    return sim::OnOpen("QDOpenVrkUsbDisk", sim::OpenKind::UsbDisk, index);
}
uint32_t QDOpenVrkUsbStor(uint32_t* index) {
    return sim::OnOpen("QDOpenVrkUsbStor", sim::OpenKind::UsbStor, index);
}
uint32_t QDOpenVrkUsbCdrom(uint32_t* index) {
    return sim::OnOpen("QDOpenVrkUsbCdrom", sim::OpenKind::UsbCdrom, index);
}
uint32_t QDOpenVrkPcieDisk(uint32_t* index) {
    return sim::OnOpen("QDOpenVrkPcieDisk", sim::OpenKind::PcieDisk, index);
}
uint32_t QDOpenVrkPcieStor(uint32_t* index) {
    return sim::OnOpen("QDOpenVrkPcieStor", sim::OpenKind::PcieStor, index);
}

uint32_t QDClose(uint32_t dev) {
    return sim::OnClose(dev);
}

uint32_t QDGetHandleInst(uint32_t dev) {
    return sim::OnHandle(
        "QDGetHandleInst", dev,
        [](ReaderModel& model, OpenHandle& handle) {
            return sim::NodeInstance(model.Settings(), handle.node);
        },
        [] { return ArgList{}; });
}

uint32_t QDGetInstHandle(uint32_t inst) {
    return sim::OnOpenInstance(inst);
}

uint32_t QDReadStatus(uint32_t dev, uint8_t* status, uint32_t length) {
    return sim::OnHandle(
        "QDReadStatus", dev,
        [&](ReaderModel& model, OpenHandle&) -> uint32_t {
            if (!model.ReadStatus(status, length))
                return 0;
            model.HideFirmwareKey(status);
            model.Faults().ApplyToRead(status, kStatusSize);
            return 1;
        },
        [&] {
            return ArgList{BufferArg(status, length), HexArg(length)};
        });
}

uint32_t QDPpStatus(uint32_t dev, uint8_t* status, uint32_t length) {
    return sim::OnHandle(
        "QDPpStatus", dev,
        [&](ReaderModel& model, OpenHandle&) -> uint32_t {
            if (!model.ReadExtendedStatus(status, length))
                return 0;
            model.HideSubVersion(status);
            model.Faults().ApplyToRead(status, kExtStatusSize);
            return 1;
        },
        [&] {
            return ArgList{BufferArg(status, length), HexArg(length)};
        });
}

uint32_t QDInquiry(uint32_t dev, uint8_t* data, uint32_t length) {
    return sim::OnHandle(
        "QDInquiry", dev,
        [&](ReaderModel& model, OpenHandle&) -> uint32_t {
            if (!data || length < kInquirySize)
                return 0;
            std::memset(data, ' ', kInquirySize);
            data[0] = 0x00; // direct-access device
            data[1] = 0x80; // removable medium
            data[2] = 0x02;
            data[3] = 0x02;
            data[4] = kInquirySize - 5;
            data[5] = data[6] = data[7] = 0x00;
            std::memcpy(data + 8, "QUILLIX ", 8);
            std::memcpy(data + 16, "SIM READER      ", 16);
            std::string revision =
                platform::StrPrintf("%02X%02X", model.Settings().status[7], model.Settings().status[8]);
            std::memcpy(data + 32, revision.data(), 4);
            model.Faults().ApplyToRead(data, kInquirySize);
            return 1;
        },
        [&] {
            return ArgList{BufferArg(data, length), HexArg(length)};
        });
}

uint32_t QDResetRom(uint32_t dev, uint8_t* block, uint32_t length) {
    return sim::OnHandle(
        "QDResetRom", dev, [](ReaderModel& model, OpenHandle&) { return ResetCommand(model, "QDResetRom"); },
        [&] {
            return ArgList{BufferArg(block, length), HexArg(length)};
        });
}

uint32_t QDSwReset(uint32_t dev, uint8_t* block, uint32_t length) {
    return sim::OnHandle(
        "QDSwReset", dev, [](ReaderModel& model, OpenHandle&) { return ResetCommand(model, "QDSwReset"); },
        [&] {
            return ArgList{BufferArg(block, length), HexArg(length)};
        });
}

uint32_t QDWriteFlash(uint32_t dev, uint16_t address, uint16_t length, const uint8_t* data,
                      uint32_t dataLength) {
    return sim::OnHandle(
        "QDWriteFlash", dev,
        [&](ReaderModel& model, OpenHandle&) -> uint32_t {
            if (!model.HasFlashAccess16() || uint32_t{address} + length > kFlash16Space)
                return 0;
            return WriteMemory(model, Memory::Flash, address, length, data, dataLength);
        },
        [&] {
            return ArgList{HexArg(address), HexArg(length), BufferArg(data, dataLength), HexArg(dataLength)};
        });
}

uint32_t QDReadFlash(uint32_t dev, uint16_t address, uint16_t length, uint8_t* buffer,
                     uint32_t bufferLength) {
    return sim::OnHandle(
        "QDReadFlash", dev,
        [&](ReaderModel& model, OpenHandle&) -> uint32_t {
            if (!model.HasFlashAccess16() || uint32_t{address} + length > kFlash16Space)
                return 0;
            return ReadMemory(model, Memory::Flash, address, length, buffer, bufferLength);
        },
        [&] {
            return ArgList{HexArg(address), HexArg(length), BufferArg(buffer, bufferLength),
                           HexArg(bufferLength)};
        });
}

uint32_t QDEraseFlash(uint32_t dev, uint32_t mode) {
    return sim::OnHandle(
        "QDEraseFlash", dev,
        [&](ReaderModel& model, OpenHandle&) -> uint32_t {
            if (!model.HasFlashAccess16() || mode != 1)
                return 0;
            return EraseMemory(model, Memory::Flash);
        },
        [&] { return ArgList{HexArg(mode)}; });
}

uint32_t QDRst2FlashCode(uint32_t dev, uint8_t mode) {
    return sim::OnHandle(
        "QDRst2FlashCode", dev,
        [&](ReaderModel& model, OpenHandle&) -> uint32_t {
            return mode <= 1 ? ResetCommand(model, "QDRst2FlashCode") : 0;
        },
        [&] { return ArgList{HexArg(mode)}; });
}

uint32_t QDWriteFlash2(uint32_t dev, uint32_t address, uint32_t length, const uint8_t* data,
                       uint32_t dataLength) {
    return sim::OnHandle(
        "QDWriteFlash2", dev,
        [&](ReaderModel& model, OpenHandle&) -> uint32_t {
            if (!model.HasFlashAccess32())
                return 0;
            return WriteMemory(model, Memory::Flash, address, length, data, dataLength);
        },
        [&] {
            return ArgList{HexArg(address), HexArg(length), BufferArg(data, dataLength), HexArg(dataLength)};
        });
}

uint32_t QDReadFlash2(uint32_t dev, uint32_t address, uint32_t length, uint8_t* buffer,
                      uint32_t bufferLength) {
    return sim::OnHandle(
        "QDReadFlash2", dev,
        [&](ReaderModel& model, OpenHandle&) -> uint32_t {
            if (!model.HasFlashAccess32())
                return 0;
            return ReadMemory(model, Memory::Flash, address, length, buffer, bufferLength);
        },
        [&] {
            return ArgList{HexArg(address), HexArg(length), BufferArg(buffer, bufferLength),
                           HexArg(bufferLength)};
        });
}

uint32_t QDEraseFlash2(uint32_t dev, uint32_t mode, uint32_t start) {
    return sim::OnHandle(
        "QDEraseFlash2", dev,
        [&](ReaderModel& model, OpenHandle&) -> uint32_t {
            if (!model.HasFlashAccess32() || mode != 1 || start != 0)
                return 0;
            return EraseMemory(model, Memory::Flash);
        },
        [&] {
            return ArgList{HexArg(mode), HexArg(start)};
        });
}

uint32_t QDReadEeprom(uint32_t dev, uint16_t length, uint8_t* buffer, uint16_t bufferLength) {
    return sim::OnHandle(
        "QDReadEeprom", dev,
        [&](ReaderModel& model, OpenHandle&) {
            return ReadMemory(model, Memory::Eeprom, 0, length, buffer, bufferLength);
        },
        [&] {
            return ArgList{HexArg(length), BufferArg(buffer, bufferLength), HexArg(bufferLength)};
        });
}

uint32_t QDWriteEeprom(uint32_t dev, uint16_t length, const uint8_t* data, uint16_t dataLength) {
    return sim::OnHandle(
        "QDWriteEeprom", dev,
        [&](ReaderModel& model, OpenHandle&) {
            return WriteMemory(model, Memory::Eeprom, 0, length, data, dataLength);
        },
        [&] {
            return ArgList{HexArg(length), BufferArg(data, dataLength), HexArg(dataLength)};
        });
}

uint32_t QDReadEeprom2(uint32_t dev, uint32_t address, uint32_t length, uint8_t* buffer,
                       uint32_t bufferLength) {
    return sim::OnHandle(
        "QDReadEeprom2", dev,
        [&](ReaderModel& model, OpenHandle&) {
            return ReadMemory(model, Memory::Eeprom, address, length, buffer, bufferLength);
        },
        [&] {
            return ArgList{HexArg(address), HexArg(length), BufferArg(buffer, bufferLength),
                           HexArg(bufferLength)};
        });
}

uint32_t QDWriteEeprom2(uint32_t dev, uint32_t address, uint32_t length, const uint8_t* data,
                        uint32_t dataLength) {
    return sim::OnHandle(
        "QDWriteEeprom2", dev,
        [&](ReaderModel& model, OpenHandle&) {
            return WriteMemory(model, Memory::Eeprom, address, length, data, dataLength);
        },
        [&] {
            return ArgList{HexArg(address), HexArg(length), BufferArg(data, dataLength), HexArg(dataLength)};
        });
}

uint32_t QDEraseEeprom2(uint32_t dev) {
    return sim::OnHandle(
        "QDEraseEeprom2", dev,
        [](ReaderModel& model, OpenHandle&) { return EraseMemory(model, Memory::Eeprom); },
        [] { return ArgList{}; });
}

uint32_t QDReadEfuse(uint32_t dev, uint8_t start, uint8_t length, uint8_t* buffer) {
    return sim::OnHandle(
        "QDReadEfuse", dev,
        [&](ReaderModel& model, OpenHandle&) {
            return ReadMemory(model, Memory::Efuse, start, length, buffer, length);
        },
        [&] {
            return ArgList{HexArg(start), HexArg(length), BufferArg(buffer, length)};
        });
}

uint32_t QDWriteEfuse(uint32_t dev, uint8_t start, uint8_t length, const uint8_t* data) {
    return sim::OnHandle(
        "QDWriteEfuse", dev,
        [&](ReaderModel& model, OpenHandle&) { return sim::ProgramEfuse(model, start, length, data); },
        [&] {
            return ArgList{HexArg(start), HexArg(length), BufferArg(data, length)};
        });
}

uint32_t QDReadLdo(uint32_t dev, uint8_t* setting, uint32_t length) {
    return sim::OnHandle(
        "QDReadLdo", dev,
        [&](ReaderModel& model, OpenHandle&) -> uint32_t {
            if (!setting || length < 1)
                return 0;
            setting[0] = model.Settings().ldo;
            model.Faults().ApplyToRead(setting, 1);
            return 1;
        },
        [&] {
            return ArgList{BufferArg(setting, length), HexArg(length)};
        });
}

uint32_t QDWriteLdo(uint32_t dev, uint8_t setting) {
    return sim::OnHandle(
        "QDWriteLdo", dev,
        [&](ReaderModel& model, OpenHandle&) -> uint32_t {
            if (!model.Faults().DropsWrite()) {
                model.Settings().ldo = setting;
                model.Changed();
            }
            return 1;
        },
        [&] { return ArgList{HexArg(setting)}; });
}

uint32_t QDReadMem(uint32_t dev, uint16_t address, uint16_t count, uint8_t* buffer, uint32_t bufferLength) {
    return sim::OnHandle(
        "QDReadMem", dev,
        [&](ReaderModel& model, OpenHandle&) -> uint32_t {
            if (!buffer || count == 0 || count > bufferLength || uint32_t{address} + count > 0x10000)
                return 0;
            for (uint32_t i = 0; i < count; ++i)
                buffer[i] = model.ReadRegister(static_cast<uint16_t>(address + i));
            model.Faults().ApplyToRead(buffer, count);
            return 1;
        },
        [&] {
            return ArgList{HexArg(address), HexArg(count), BufferArg(buffer, bufferLength),
                           HexArg(bufferLength)};
        });
}

uint32_t QDWriteMem(uint32_t dev, uint16_t address, uint16_t count, const uint8_t* data,
                    uint32_t dataLength) {
    return sim::OnHandle(
        "QDWriteMem", dev,
        [&](ReaderModel& model, OpenHandle&) -> uint32_t {
            if (!data || count == 0 || count > dataLength || uint32_t{address} + count > 0x10000)
                return 0;
            if (model.Faults().DropsWrite())
                return 1;
            for (uint32_t i = 0; i < count; ++i)
                model.WriteRegister(static_cast<uint16_t>(address + i), data[i]);
            return 1;
        },
        [&] {
            return ArgList{HexArg(address), HexArg(count), BufferArg(data, dataLength), HexArg(dataLength)};
        });
}

uint32_t QDGetLunDrive(uint32_t dev, uint8_t lun, char* drive, uint32_t length) {
    return sim::OnHandle(
        "QDGetLunDrive", dev,
        [&](ReaderModel& model, OpenHandle&) -> uint32_t {
            return CopyText(platform::StrPrintf("simreader%zu-lun%u", model.Index(), lun), drive, length);
        },
        [&] {
            return ArgList{HexArg(lun), BufferArg(drive, length), HexArg(length)};
        });
}

uint32_t QDDmGetPID(uint32_t dev, uint32_t* productId) {
    return sim::OnHandle(
        "QDDmGetPID", dev,
        [&](ReaderModel& model, OpenHandle&) -> uint32_t {
            if (!productId)
                return 0;
            *productId = model.ProductId();
            return 1;
        },
        [&] { return ArgList{ValueArg(productId)}; });
}

uint32_t QDDmEraseFlash(uint32_t dev) {
    return sim::OnHandle(
        "QDDmEraseFlash", dev,
        [](ReaderModel& model, OpenHandle& handle) {
            handle.dmWriteOffset = handle.dmWritePackets = 0;
            handle.dmVerifyOffset = handle.dmVerifyPackets = 0;
            return EraseMemory(model, Memory::Flash);
        },
        [] { return ArgList{}; });
}

uint32_t QDDmWriteFlashWithRetry(uint32_t dev, const uint8_t* packet, uint32_t length) {
    return sim::OnHandle(
        "QDDmWriteFlashWithRetry", dev,
        [&](ReaderModel& model, OpenHandle& handle) { return DmWrite(model, handle, packet, length); },
        [&] {
            return ArgList{BufferArg(packet, length), HexArg(length)};
        });
}

uint32_t QDDmVerifyFlashWithRetry(uint32_t dev, const uint8_t* packet, uint32_t length) {
    return sim::OnHandle(
        "QDDmVerifyFlashWithRetry", dev,
        [&](ReaderModel& model, OpenHandle& handle) { return DmVerify(model, handle, packet, length); },
        [&] {
            return ArgList{BufferArg(packet, length), HexArg(length)};
        });
}

uint32_t QDDmWriteFlash(uint32_t dev, const uint8_t* packet, uint32_t length) {
    return sim::OnHandle(
        "QDDmWriteFlash", dev,
        [&](ReaderModel& model, OpenHandle& handle) { return DmWrite(model, handle, packet, length); },
        [&] {
            return ArgList{BufferArg(packet, length), HexArg(length)};
        });
}

uint32_t QDDmVerifyFlash(uint32_t dev, const uint8_t* packet, uint32_t length) {
    return sim::OnHandle(
        "QDDmVerifyFlash", dev,
        [&](ReaderModel& model, OpenHandle& handle) { return DmVerify(model, handle, packet, length); },
        [&] {
            return ArgList{BufferArg(packet, length), HexArg(length)};
        });
}

uint32_t QDDmResetFlash(uint32_t dev) {
    return sim::OnHandle(
        "QDDmResetFlash", dev,
        [](ReaderModel& model, OpenHandle&) { return ResetCommand(model, "QDDmResetFlash"); },
        [] { return ArgList{}; });
}

uint32_t QDDmResetRom(uint32_t dev) {
    return sim::OnHandle(
        "QDDmResetRom", dev,
        [](ReaderModel& model, OpenHandle&) { return ResetCommand(model, "QDDmResetRom"); },
        [] { return ArgList{}; });
}

uint32_t GetUsbCRInfos(void) {
    return sim::OnState(
        "GetUsbCRInfos", true,
        [](sim::SimState& state) -> uint32_t {
            Snapshot().clear();
            for (const sim::Reader& reader : state.Data().readers)
                if (reader.bus == sim::Bus::Usb && reader.Present())
                    Snapshot().push_back(reader.status);
            return static_cast<uint32_t>(Snapshot().size());
        },
        [] { return ArgList{}; });
}

uint32_t GetUsbCRCount(void) {
    return sim::OnState(
        "GetUsbCRCount", true, [](sim::SimState&) { return static_cast<uint32_t>(Snapshot().size()); },
        [] { return ArgList{}; });
}

uint32_t GetOneUsbCRInfo(uint32_t index, uint8_t* status, uint32_t length) {
    return sim::OnState(
        "GetOneUsbCRInfo", true,
        [&](sim::SimState&) -> uint32_t {
            if (index >= Snapshot().size() || !status || length < kStatusSize)
                return 0;
            std::memcpy(status, Snapshot()[index].data(), kStatusSize);
            return 1;
        },
        [&] {
            return ArgList{HexArg(index), BufferArg(status, length), HexArg(length)};
        });
}

uint32_t ReleaseCRInfos(void) {
    return sim::OnState(
        "ReleaseCRInfos", true,
        [](sim::SimState&) -> uint32_t {
            Snapshot().clear();
            return 1;
        },
        [] { return ArgList{}; });
}

uint32_t QDReadRom(uint32_t dev, uint32_t address, uint32_t length, uint8_t* buffer, uint32_t bufferLength) {
    return sim::OnHandle(
        "QDReadRom", dev,
        [&](ReaderModel& model, OpenHandle&) -> uint32_t {
            if (!buffer || length > bufferLength || uint64_t{address} + length > kRomSize)
                return 0;
            // Mask ROM: fixed content per chip generation.
            uint32_t state = 0x9E3779B9u ^ model.Settings().status[7];
            for (uint32_t i = 0; i < address + length; ++i) {
                state = state * 1664525u + 1013904223u;
                if (i >= address)
                    buffer[i - address] = static_cast<uint8_t>(state >> 24);
            }
            model.Faults().ApplyToRead(buffer, length);
            return 1;
        },
        [&] {
            return ArgList{HexArg(address), HexArg(length), BufferArg(buffer, bufferLength),
                           HexArg(bufferLength)};
        });
}

uint32_t QDGetLocation(uint32_t dev, uint32_t* valueA, uint32_t* valueB) {
    return sim::OnHandle(
        "QDGetLocation", dev,
        [&](ReaderModel& model, OpenHandle&) -> uint32_t {
            if (!valueA || !valueB)
                return 0;
            *valueA = model.Settings().locationA;
            *valueB = model.Settings().locationB;
            return 1;
        },
        [&] {
            return ArgList{ValueArg(valueA), ValueArg(valueB)};
        });
}

uint32_t Qd_GetReaderInst(uint32_t dev, uint32_t* instance) {
    return sim::OnHandle(
        "Qd_GetReaderInst", dev,
        [&](ReaderModel& model, OpenHandle&) -> uint32_t {
            if (!instance)
                return 0;
            *instance = sim::ReaderInstance(model.Settings());
            return 1;
        },
        [&] { return ArgList{ValueArg(instance)}; });
}

uint32_t QDSleInit(uint32_t dev) {
    return sim::OnHandle(
        "QDSleInit", dev, [](ReaderModel&, OpenHandle&) -> uint32_t { return 1; }, [] { return ArgList{}; });
}

uint32_t QDSleUninit(uint32_t dev) {
    return sim::OnHandle(
        "QDSleUninit", dev, [](ReaderModel&, OpenHandle&) -> uint32_t { return 1; },
        [] { return ArgList{}; });
}

uint32_t QDSleGetCardType(uint32_t dev, uint32_t* cardType) {
    return sim::OnHandle(
        "QDSleGetCardType", dev,
        [&](ReaderModel&, OpenHandle&) -> uint32_t {
            if (!cardType)
                return 0;
            *cardType = 0; // no card
            return 1;
        },
        [&] { return ArgList{ValueArg(cardType)}; });
}

uint32_t QDSle4442Read(uint32_t dev, uint32_t address, uint32_t length, uint8_t* buffer,
                       uint32_t bufferLength) {
    return NoCard("QDSle4442Read", dev,
                  {HexArg(address), HexArg(length), BufferArg(buffer, bufferLength), HexArg(bufferLength)});
}

uint32_t QDSle4442Write(uint32_t dev, uint32_t address, uint32_t length, const uint8_t* data,
                        uint32_t dataLength) {
    return NoCard("QDSle4442Write", dev,
                  {HexArg(address), HexArg(length), BufferArg(data, dataLength), HexArg(dataLength)});
}

uint32_t QDSle4442VerifyPSC(uint32_t dev, const uint8_t* psc, uint32_t length) {
    return NoCard("QDSle4442VerifyPSC", dev, {BufferArg(psc, length), HexArg(length)});
}

uint32_t QDSle4442ChangePSC(uint32_t dev, const uint8_t* psc, uint32_t length) {
    return NoCard("QDSle4442ChangePSC", dev, {BufferArg(psc, length), HexArg(length)});
}

uint32_t QDSle4428Read(uint32_t dev, uint32_t address, uint32_t length, uint8_t* buffer,
                       uint32_t bufferLength) {
    return NoCard("QDSle4428Read", dev,
                  {HexArg(address), HexArg(length), BufferArg(buffer, bufferLength), HexArg(bufferLength)});
}

uint32_t QDSle4428Write(uint32_t dev, uint32_t address, uint32_t length, const uint8_t* data,
                        uint32_t dataLength) {
    return NoCard("QDSle4428Write", dev,
                  {HexArg(address), HexArg(length), BufferArg(data, dataLength), HexArg(dataLength)});
}

uint32_t QDSle4428VerifyPSC(uint32_t dev, const uint8_t* psc, uint32_t length) {
    return NoCard("QDSle4428VerifyPSC", dev, {BufferArg(psc, length), HexArg(length)});
}

uint32_t QDSle4428ChangePSC(uint32_t dev, const uint8_t* psc, uint32_t length) {
    return NoCard("QDSle4428ChangePSC", dev, {BufferArg(psc, length), HexArg(length)});
}

uint32_t QDGetBusWidth(uint32_t dev, uint32_t* width) {
    // The bus width is the inserted card's; without a card there is none.
    return NoCard("QDGetBusWidth", dev, {ValueArg(width)});
}

uint32_t QDSetScsiOpLun(uint32_t dev, uint8_t lun) {
    return sim::OnHandle(
        "QDSetScsiOpLun", dev, [&](ReaderModel&, OpenHandle&) -> uint32_t { return lun < 8 ? 1 : 0; },
        [&] { return ArgList{HexArg(lun)}; });
}

uint32_t QDGetPath(uint32_t dev, char* path, uint32_t length) {
    return sim::OnHandle(
        "QDGetPath", dev,
        [&](ReaderModel& model, OpenHandle& handle) -> uint32_t {
            return CopyText(platform::StrPrintf("simreader:%zu:%s", model.Index(), NodeName(handle.node)),
                            path, length);
        },
        [&] {
            return ArgList{BufferArg(path, length), HexArg(length)};
        });
}

uint32_t QDPhyRead(uint32_t dev, uint32_t port, uint32_t reg, uint32_t count, uint16_t* values,
                   uint32_t size) {
    return sim::OnHandle(
        "QDPhyRead", dev,
        [&](ReaderModel& model, OpenHandle&) -> uint32_t {
            if (!values || count == 0 || uint64_t{count} * 2 > size || port > 0xFFFF ||
                uint64_t{reg} + count > 0x10000)
                return 0;
            for (uint32_t i = 0; i < count; ++i) {
                auto it = model.Settings().phy.find(port << 16 | (reg + i));
                values[i] = it != model.Settings().phy.end() ? it->second : 0;
            }
            model.Faults().ApplyToRead(reinterpret_cast<uint8_t*>(values), count * 2);
            return 1;
        },
        [&] {
            return ArgList{HexArg(port), HexArg(reg), HexArg(count), ValueArg(values), HexArg(size)};
        });
}

uint32_t QDPhyWrite(uint32_t dev, uint32_t port, uint32_t reg, uint32_t count, const uint16_t* values,
                    uint32_t size) {
    return sim::OnHandle(
        "QDPhyWrite", dev,
        [&](ReaderModel& model, OpenHandle&) -> uint32_t {
            if (!values || count == 0 || uint64_t{count} * 2 > size || port > 0xFFFF ||
                uint64_t{reg} + count > 0x10000)
                return 0;
            if (model.Faults().DropsWrite())
                return 1;
            for (uint32_t i = 0; i < count; ++i)
                model.Settings().phy[port << 16 | (reg + i)] = values[i];
            model.Changed();
            return 1;
        },
        [&] {
            return ArgList{HexArg(port), HexArg(reg), HexArg(count), ValueArg(values), HexArg(size)};
        });
}

uint32_t QdSimGetParentInst(uint32_t instance, uint32_t* parent) {
    return sim::OnState(
        "QdSimGetParentInst", false,
        [&](sim::SimState& state) -> uint32_t {
            std::optional<uint32_t> found = sim::ParentOf(state.Data(), instance);
            if (!parent || !found)
                return 0;
            *parent = *found;
            return 1;
        },
        [] { return ArgList{}; });
}

uint32_t QdSimEnumHubs(uint32_t index, uint32_t* hubInstance, uint32_t* highSpeed, uint32_t* portCount) {
    return sim::OnState(
        "QdSimEnumHubs", false,
        [&](sim::SimState& state) -> uint32_t {
            std::vector<sim::Hub> hubs = sim::HubsOf(state.Data());
            if (index >= hubs.size() || !hubInstance || !highSpeed || !portCount)
                return 0;
            *hubInstance = sim::HubInstance(hubs[index].number);
            *highSpeed = hubs[index].highSpeed ? 1 : 0;
            *portCount = hubs[index].ports;
            return 1;
        },
        [] { return ArgList{}; });
}

uint32_t QdSimGetPortDevice(uint32_t hubInstance, uint32_t port, uint32_t* device) {
    return sim::OnState(
        "QdSimGetPortDevice", false,
        [&](sim::SimState& state) -> uint32_t {
            std::optional<uint32_t> found = sim::PortDevice(state.Data(), hubInstance, port);
            if (!device || !found)
                return 0;
            *device = *found;
            return 1;
        },
        [] { return ArgList{}; });
}

uint32_t QdSimGetChangeCount(void) {
    return sim::OnState(
        "QdSimGetChangeCount", false, [](sim::SimState& state) { return state.Data().changeCount; },
        [] { return ArgList{}; });
}

uint32_t QdSimGetDeviceEvent(uint32_t sequence, uint32_t* arrived, uint32_t* device) {
    return sim::OnState(
        "QdSimGetDeviceEvent", false,
        [&](sim::SimState& state) -> uint32_t {
            auto it = state.Data().events.find(sequence);
            if (!arrived || !device || it == state.Data().events.end())
                return 0;
            *arrived = it->second.arrived ? 1 : 0;
            *device = it->second.device;
            return 1;
        },
        [] { return ArgList{}; });
}

} // extern "C"
