#include "device/MpFlowFlash.h"

#include "app/TraceLog.h"
#include "core/Broadcast.h"
#include "core/Reports.h"
#include "core/ResultCodes.h"
#include "device/ReaderGuard.h"
#include "model/IcTypeIni.h"
#include "model/ImageChecks.h"
#include "platform/Clock.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>

namespace {

constexpr uint16_t kIcBugWriteRegister = 0xFC02;
constexpr uint8_t kIcBugWriteValue = 0x12;
constexpr uint16_t kIcBugWriteAlways = 0x0202;
constexpr uint16_t kIcBugWriteBySubVersion = 0xFFFF;
constexpr uint8_t kIcBugPhyPatch = 0x31;
constexpr uint16_t kIcBugPhyValue = 0x5260;
// The vendor block: the fields lie in its first 128 bytes (after "PreOffset"), the next 128 are kept raw.
constexpr uint32_t kInfoHalf = 128;

// A "Vendor Info M1" number of the loaded IC INI file, or its default without one.
uint32_t FlashSetting(bool (CUserIni::*getter)(uint32_t&) const, uint32_t def) {
    uint32_t value = def;
    if (g_pIcTypeIni)
        (g_pIcTypeIni->*getter)(value);
    return value;
}

uint32_t BlockSize32() {
    uint32_t block = FlashSetting(&CUserIni::GetFlashBlockSize, CMpFlow_Flash::kDefaultBlockSize);
    return block != 0 ? block : CMpFlow_Flash::kDefaultBlockSize;
}

// Only the low 16 bits count in the 16-bit method; a block that truncates to 0 would never advance.
uint32_t BlockSize16() {
    uint16_t block =
        static_cast<uint16_t>(FlashSetting(&CUserIni::GetFlashBlockSize, CMpFlow_Flash::kDefaultBlockSize));
    return block != 0 ? block : CMpFlow_Flash::kDefaultBlockSize;
}

// A count of 0 would skip every write attempt and go straight to the final erase.
uint32_t WriteAttempts() {
    uint8_t attempts = static_cast<uint8_t>(FlashSetting(&CUserIni::GetFlashRetryCount, 1));
    return attempts != 0 ? attempts : 1;
}

uint8_t PreOffset() {
    return static_cast<uint8_t>(g_pIcTypeIni ? g_pIcTypeIni->GetPreOffset() : 0);
}

uint32_t CodeSizeOfGeneration(uint8_t generation) {
    switch (generation) {
    case 0x01:
        return 0x20000;
    case 0x51:
        return 0xD000;
    case 0x81:
        return 0xF000;
    default:
        return 0x10000;
    }
}

} // namespace

// How one access method erases, reads and writes the flash.
struct FlashMethod {
    FlashOpMode mode;
    // The whole-flash erase and the restart that follows it; the erase's trace scope.
    uint32_t (*erase)(CMpFlow_Flash& flash);
    uint8_t eraseResetCode;
    const char* eraseTrace;
    // Reading the flash and restarting the reader; null when the method cannot read.
    uint32_t (CMpFlow_Flash::*readAndReset)(uint32_t size, uint8_t* buffer);
    // The complete write with its attempts.
    uint32_t (CMpFlow_Flash::*writeRetry)(const uint8_t* data, uint32_t size);
    // One attempt's block write and read-back, and whether the chip's write workaround goes first;
    // null for the control pipe, whose packets verify themselves.
    uint32_t (CMpFlow_Flash::*writeBlocks)(const uint8_t* data, uint32_t size);
    uint32_t (CMpFlow_Flash::*readBlocks)(uint8_t* buffer, uint32_t size);
    bool bugWritePatch;
};

namespace {

constexpr FlashMethod kMethods[] = {
    {kFlashOpCtrlPipe, [](CMpFlow_Flash& flash) { return flash.QDDmEraseFlash(flash.m_hDev); }, kResetDmRom,
     "CMpFlow_Flash::FF_EraseEx_CtrlPipe", nullptr, &CMpFlow_Flash::FlashWriteRetryCtrlPipe, nullptr, nullptr,
     false},
    {kFlashOp16, [](CMpFlow_Flash& flash) { return flash.QDEraseFlash(flash.m_hDev, 1); }, kResetToFlashCode0,
     "CMpFlow_Flash::FF_EraseEx_ScsiCmd", &CMpFlow_Flash::ReadFlashAndReset16,
     &CMpFlow_Flash::FlashWriteRetry16, &CMpFlow_Flash::WriteFlashBlocks16, &CMpFlow_Flash::ReadFlashBlocks16,
     false},
    {kFlashOp32, [](CMpFlow_Flash& flash) { return flash.QDEraseFlash2(flash.m_hDev, 1, 0); },
     kResetToFlashCode0, "CMpFlow_Flash::FF_EraseEx_ScsiCmd2", &CMpFlow_Flash::ReadFlashAndReset32,
     &CMpFlow_Flash::FlashWriteRetry32, &CMpFlow_Flash::WriteFlashBlocks32, &CMpFlow_Flash::ReadFlashBlocks32,
     true},
};

constexpr bool MethodsInModeOrder() {
    for (size_t row = 0; row < std::size(kMethods); ++row)
        if (kMethods[row].mode != row)
            return false;
    return true;
}
static_assert(MethodsInModeOrder(), "one row per FlashOpMode, in its order");

// The row of a mode as GetFlashOpMode gives it; any other value counts as the control pipe.
const FlashMethod& MethodOf(uint32_t mode) {
    return mode < std::size(kMethods) ? kMethods[mode] : kMethods[kFlashOpCtrlPipe];
}

} // namespace

uint32_t CMpFlow_Flash::GetFlashOpMode(uint32_t& mode) {
    ReaderStatus status;
    ReaderStatusEx statusEx;
    ReadStatusOrZeros(status, statusEx);
    if (status.HasExtendedStatus() && (statusEx.bytes[29] & 0x02))
        mode = kFlashOp32;
    else if (status.bytes[14] & 0x01)
        mode = kFlashOp16;
    else
        mode = kFlashOpCtrlPipe;
    return 1;
}

uint32_t CMpFlow_Flash::GetCodeSize(uint32_t& size) {
    size = FlashSetting(&CUserIni::GetFlashCodeSize, 0);
    if (size != 0)
        return 1;
    ReaderStatus status;
    ReaderStatusEx statusEx;
    ReadStatusOrZeros(status, statusEx);
    size = CodeSizeOfGeneration(status.bytes[7]);
    return 1;
}

uint32_t CMpFlow_Flash::ReadBlocks(uint32_t size, uint32_t block, const BlockTransfer& read) {
    uint32_t result = 1;
    for (uint32_t address = 0; address < size;) {
        if (IsCancelRequested())
            return 0;
        uint32_t n = std::min(block, size - address);
        result = 0;
        for (uint32_t attempt = 0; attempt < kBlockAttempts; ++attempt) {
            if (IsCancelRequested())
                return 0;
            result = read(address, n);
            if (result == 1)
                break;
        }
        if (result == 0)
            return 0;
        address += n;
        ReportProgress(static_cast<uint32_t>(55 + uint64_t{35} * address / size));
    }
    return result;
}

uint32_t CMpFlow_Flash::ReadFlashBlocks32(uint8_t* buffer, uint32_t size) {
    if (!IsBound() || !buffer)
        return 0;
    return ReadBlocks(size, BlockSize32(), [&](uint32_t address, uint32_t n) {
        return QDReadFlash2(m_hDev, address, n, buffer + address, n);
    });
}

uint32_t CMpFlow_Flash::ReadFlashBlocks16(uint8_t* buffer, uint32_t size) {
    if (!IsBound() || !buffer || size > kFlash16Limit)
        return 0;
    // The loop counts in 32 bits, so a full 64 KiB ends instead of wrapping to address 0.
    return ReadBlocks(size, BlockSize16(), [&](uint32_t address, uint32_t n) {
        return QDReadFlash(m_hDev, static_cast<uint16_t>(address), static_cast<uint16_t>(n), buffer + address,
                           n);
    });
}

uint32_t CMpFlow_Flash::WriteBlockWithAttempts(uint32_t address, uint32_t length,
                                               const BlockTransfer& write) {
    uint32_t result = 0;
    for (uint32_t attempt = 0; attempt < kBlockAttempts; ++attempt) {
        if (IsCancelRequested())
            return 0;
        result = write(address, length);
        if (result == 1)
            break;
    }
    return result;
}

uint32_t CMpFlow_Flash::WriteBlocks(uint32_t size, uint32_t block, uint32_t tag, const BlockTransfer& write) {
    uint32_t result = 1;
    bool deferred = false;
    uint32_t deferredAddress = 0;
    uint32_t deferredLength = 0;
    for (uint32_t address = 0; address < size;) {
        if (IsCancelRequested()) {
            result = 0;
            break;
        }
        uint32_t n = std::min(block, size - address);
        if (address <= tag && tag - address < n) {
            // The tag block marks the image valid, so it goes in only after all the others.
            deferred = true;
            deferredAddress = address;
            deferredLength = n;
        } else if (WriteBlockWithAttempts(address, n, write) == 0) {
            result = 0;
            break;
        }
        address += n;
        ReportProgress(static_cast<uint32_t>(20 + uint64_t{35} * address / size));
    }
    // Even after a failure the tag block is written: the read-back that follows catches the failure.
    if (deferred)
        return WriteBlockWithAttempts(deferredAddress, deferredLength, write);
    return result;
}

uint32_t CMpFlow_Flash::WriteFlashBlock32(uint32_t address, uint32_t length, const uint8_t* data) {
    if (!IsBound() || !data)
        return 0;
    return WriteBlockWithAttempts(
        address, length, [&](uint32_t at, uint32_t n) { return QDWriteFlash2(m_hDev, at, n, data + at, n); });
}

uint32_t CMpFlow_Flash::WriteFlashBlock16(uint16_t address, uint16_t length, const uint8_t* data) {
    if (!IsBound() || !data)
        return 0;
    return WriteBlockWithAttempts(address, length, [&](uint32_t at, uint32_t n) {
        return QDWriteFlash(m_hDev, static_cast<uint16_t>(at), static_cast<uint16_t>(n), data + at, n);
    });
}

uint32_t CMpFlow_Flash::WriteFlashBlocks32(const uint8_t* data, uint32_t size) {
    if (!IsBound() || !data)
        return 0;
    uint32_t tag = FlashSetting(&CUserIni::GetFlashTagAddr, 0);
    return WriteBlocks(size, BlockSize32(), tag, [&](uint32_t address, uint32_t n) {
        return QDWriteFlash2(m_hDev, address, n, data + address, n);
    });
}

uint32_t CMpFlow_Flash::WriteFlashBlocks16(const uint8_t* data, uint32_t size) {
    if (!IsBound() || !data || size == 0 || size > kFlash16Limit)
        return 0;
    uint16_t tag = static_cast<uint16_t>(FlashSetting(&CUserIni::GetFlashTagAddr, 0));
    return WriteBlocks(size, BlockSize16(), tag, [&](uint32_t address, uint32_t n) {
        return QDWriteFlash(m_hDev, static_cast<uint16_t>(address), static_cast<uint16_t>(n), data + address,
                            n);
    });
}

uint32_t CMpFlow_Flash::DmWriteVerify(const uint8_t* data, uint32_t size) {
    if (!IsBound() || !data)
        return 0;
    std::array<uint8_t, kPacketData + 1> packet;
    // One packet of a phase: sequence number, then up to 4096 bytes of the image.
    auto send = [&](PFN_QDDmWriteFlashWithRetry entry, uint32_t offset, uint8_t sequence) {
        uint32_t n = std::min(kPacketData, size - offset);
        packet.fill(0);
        packet[0] = sequence;
        std::memcpy(packet.data() + 1, data + offset, n);
        return std::pair{entry(m_hDev, packet.data(), n + 1), n};
    };

    uint8_t sequence = 0;
    for (uint32_t offset = 0; offset < size; ++sequence) {
        // A cancel skips the rest of the write; the verify then fails on the missing data.
        if (IsCancelRequested())
            break;
        auto [result, n] = send(QDDmWriteFlashWithRetry, offset, sequence);
        if (result == 0)
            return 0;
        offset += n;
    }
    ReportProgress(60);

    uint32_t result = 1;
    sequence = 0;
    for (uint32_t offset = 0; offset < size; ++sequence) {
        if (IsCancelRequested()) {
            result = 0;
            break;
        }
        auto [verified, n] = send(QDDmVerifyFlashWithRetry, offset, sequence);
        if (verified == 0)
            return 0;
        result = verified;
        offset += n;
    }
    ReportProgress(80);
    return result;
}

uint32_t CMpFlow_Flash::ResetAfterRead(uint32_t read) {
    if (read == 0) {
        ReportFailure(IDS_READ_FLASH_FAIL);
        return 0;
    }
    uint32_t result = ResetDevice(kResetToFlashCode1);
    if (result == 0)
        ReportFailure(IDS_RESET_DEVICE_FAIL);
    return result;
}

uint32_t CMpFlow_Flash::ReadFlashAndReset32(uint32_t size, uint8_t* buffer) {
    return ResetAfterRead(ReadFlashBlocks32(buffer, size));
}

uint32_t CMpFlow_Flash::ReadFlashAndReset16(uint32_t size, uint8_t* buffer) {
    return ResetAfterRead(ReadFlashBlocks16(buffer, size));
}

uint32_t CMpFlow_Flash::FF_Read() {
    SetUploadImage({});
    uint32_t size = 0;
    GetCodeSize(size);
    if (size != 0 && !AllocUploadImage(size, 0xFF)) {
        ReportFailure(IDS_MALLOC_DATA_FAIL);
        return 0;
    }
    uint32_t mode = kFlashOpCtrlPipe;
    GetFlashOpMode(mode);
    const FlashMethod& method = MethodOf(mode);
    if (!method.readAndReset) {
        ReportFailure(IDS_READ_FLASH_FAIL);
        return 0;
    }
    return (this->*method.readAndReset)(GetDataUpSize(), GetDataUp());
}

uint32_t CMpFlow_Flash::FF_EraseEx() {
    TraceScope scope("CMpFlow_Flash::FF_EraseEx", kTraceDevice);
    ReaderStatus status;
    ReaderStatusEx statusEx;
    ReadStatusOrZeros(status, statusEx);
    if (!CheckRomVersion(statusEx, status)) {
        ReportFailure(IDS_CHECK_DEVICE_INFO_FAIL);
        return 0;
    }
    uint32_t mode = kFlashOpCtrlPipe;
    GetFlashOpMode(mode);
    TraceLine(scope, "Flash Op Mode %x\n", mode);
    return EraseWith(MethodOf(mode));
}

namespace {

// The end of every erase: the erase entry's answer, then the restart into the (now empty) code.
template <typename Session> uint32_t FinishErase(Session& session, uint32_t erased, uint8_t resetCode) {
    if (erased == 0) {
        ReportFailure(IDS_ERASE_FLASH_FAIL);
        return 0;
    }
    uint32_t result = session.ResetDevice(resetCode);
    if (result == 0)
        ReportFailure(IDS_RESET_DEVICE_FAIL);
    return result;
}

} // namespace

uint32_t CMpFlow_Flash::EraseWith(const FlashMethod& method) {
    TraceScope scope(method.eraseTrace, kTraceDevice);
    return FinishErase(*this, IsBound() ? method.erase(*this) : 0, method.eraseResetCode);
}

uint32_t CMpFlow_Flash::FF_EraseEx_CtrlPipe() {
    return EraseWith(kMethods[kFlashOpCtrlPipe]);
}

uint32_t CMpFlow_Flash::FF_EraseEx_ScsiCmd() {
    return EraseWith(kMethods[kFlashOp16]);
}

uint32_t CMpFlow_Flash::FF_EraseEx_ScsiCmd2() {
    return EraseWith(kMethods[kFlashOp32]);
}

uint32_t CMpFlow_Flash::FF_Download(const uint8_t* data, uint32_t size) {
    ReaderStatus status;
    ReaderStatusEx statusEx;
    ReadStatusOrZeros(status, statusEx);
    if (!CheckRomVersion(statusEx, status)) {
        ReportFailure(IDS_CHECK_DEVICE_INFO_FAIL);
        return 0;
    }
    uint32_t mode = kFlashOpCtrlPipe;
    GetFlashOpMode(mode);
    // Refused before the erase: an empty image would leave an erased reader reported as updated, and the
    // 16-bit method cannot reach beyond 64 KiB.
    if (data == nullptr || size == 0 || (mode == kFlashOp16 && size > kFlash16Limit)) {
        ReportFailure(IDS_UPDATE_FLASH_FAIL);
        return 0;
    }
    if (!AllocWorkBuffers(size)) {
        ReportFailure(IDS_MALLOC_DATA_FAIL);
        return 0;
    }
    const uint8_t* image = data;
    if (FlashSetting(&CUserIni::GetFlashHoldInfo, 0) == 1) {
        if (!HoldInfoMerge(mode, size, data))
            return 0;
        image = GetWorkBuf2();
    }
    ApplyIcBugPatch();
    return (this->*MethodOf(mode).writeRetry)(image, size);
}

void CMpFlow_Flash::RecoverAfterFailedAttempt() {
    // The same reader again: with several readers attached the first one may be another reader,
    // which the next attempt or the final erase would then overwrite.
    if (ReopenFlashReaderAfter(kWriteRetryDelayMs) == 1) {
        // Best effort between attempts: the next attempt's erase, or the final erase, finds out.
        (void)PrepareRomReset();
        (void)ResetDevice(kResetRom);
    }
}

uint32_t CMpFlow_Flash::FlashWriteRetry(const FlashMethod& method, const uint8_t* data, uint32_t size) {
    ResultCode error = IDS_UPDATE_FLASH_FAIL;
    for (uint32_t left = WriteAttempts(); left > 0; --left) {
        if (IsCancelRequested())
            break;
        if (RunWriteAttempt(method, size, data, error) == 1)
            return 1;
        RecoverAfterFailedAttempt();
    }
    // A reader with an erased flash starts its ROM code, which can take the next write.
    if (IsBound())
        method.erase(*this);
    ReportFailure(error);
    return 0;
}

uint32_t CMpFlow_Flash::FlashWriteRetry32(const uint8_t* data, uint32_t size) {
    return FlashWriteRetry(kMethods[kFlashOp32], data, size);
}

uint32_t CMpFlow_Flash::FlashWriteRetry16(const uint8_t* data, uint32_t size) {
    return FlashWriteRetry(kMethods[kFlashOp16], data, size);
}

uint32_t CMpFlow_Flash::FlashWriteRetryCtrlPipe(const uint8_t* data, uint32_t size) {
    if (!IsBound())
        return 0;
    const FlashMethod& method = kMethods[kFlashOpCtrlPipe];
    ResultCode error = IDS_UPDATE_FLASH_FAIL;
    for (uint32_t left = WriteAttempts(); left > 0; --left) {
        if (IsCancelRequested())
            break;
        if (method.erase(*this) == 0) {
            error = IDS_ERASE_FLASH_FAIL;
        } else if (uint32_t result = DmWriteVerify(data, size); result != 0) {
            return result;
        } else {
            error = IDS_UPDATE_FLASH_FAIL;
        }
        RecoverAfterFailedAttempt();
    }
    method.erase(*this);
    ReportFailure(error);
    return 0;
}

uint32_t CMpFlow_Flash::RunWriteAttempt(const FlashMethod& method, uint32_t size, const uint8_t* data,
                                        ResultCode& error) {
    if (!IsBound() || method.erase(*this) == 0) {
        error = IDS_ERASE_FLASH_FAIL;
        return 0;
    }
    if (method.bugWritePatch)
        ApplyIcBugWritePatch();
    if ((this->*method.writeBlocks)(data, size) == 0) {
        error = IDS_UPDATE_FLASH_FAIL;
        return 0;
    }
    if (GetWorkBufSize() < size || (this->*method.readBlocks)(GetWorkBuf1(), size) == 0) {
        error = IDS_READ_FLASH_FAIL;
        return 0;
    }
    if (std::memcmp(data, GetWorkBuf1(), size) != 0) {
        error = IDS_COMPARE_DATA_FAIL;
        return 0;
    }
    uint32_t result = ResetDevice(kResetToFlashCode1);
    if (result == 0)
        error = IDS_RESET_DEVICE_FAIL;
    return result;
}

uint32_t CMpFlow_Flash::FlashWriteAttempt32(uint32_t size, const uint8_t* data, ResultCode& error) {
    return RunWriteAttempt(kMethods[kFlashOp32], size, data, error);
}

uint32_t CMpFlow_Flash::FlashWriteAttempt16(uint32_t size, const uint8_t* data, ResultCode& error) {
    return RunWriteAttempt(kMethods[kFlashOp16], size, data, error);
}

uint8_t* CMpFlow_Flash::FindInfoBlock(uint32_t size, uint8_t* buffer) {
    bool applyPreOffset = g_pIcTypeIni && !g_pIcTypeIni->m_IniFileNames.empty();
    std::optional<size_t> position = ::FindInfoBlock(buffer, size, applyPreOffset, PreOffset());
    return position ? buffer + *position : nullptr;
}

uint32_t CMpFlow_Flash::HoldInfoMerge(uint32_t mode, uint32_t size, const uint8_t* data) {
    if (data == nullptr) {
        ReportFailure(IDS_GET_HOLD_INFO_FAIL);
        return 0;
    }
    if (GetWorkBufSize() < size) {
        ReportFailure(IDS_MALLOC_DATA_FAIL);
        return 0;
    }
    uint8_t* current = GetWorkBuf1();
    uint8_t* merged = GetWorkBuf2();
    const FlashMethod& method = MethodOf(mode);
    if (!method.readAndReset) {
        ReportFailure(IDS_READ_FLASH_FAIL);
        return 0;
    }
    uint32_t result = (this->*method.readAndReset)(size, current);
    if (result == 0)
        return 0;
    std::memcpy(merged, data, size);

    uint8_t* oldBlock = FindInfoBlock(size, current);
    uint8_t* newBlock = FindInfoBlock(size, merged);
    if (!oldBlock || !newBlock)
        return result;
    // The fields lie in the first "PreOffset" + 128 bytes of the area, the raw half in the 128 after them;
    // both must lie inside both images.
    const uint32_t fieldsSize = PreOffset() + kInfoHalf;
    auto fits = [&](const uint8_t* image, const uint8_t* block) {
        return static_cast<uint64_t>(block - image) + fieldsSize + kInfoHalf <= size;
    };
    if (!fits(current, oldBlock) || !fits(merged, newBlock))
        return result;
    std::memcpy(newBlock + fieldsSize, oldBlock + fieldsSize, kInfoHalf);
    ImageFields from = FieldsOf(oldBlock, fieldsSize);
    ImageFields to = FieldsOf(newBlock, fieldsSize);
    to.SetVID(from.GetVID());
    to.SetPID(from.GetPID());
    to.SetUSBStrings(from.GetManufacturer(), from.GetProduct(), from.GetSerialNumber());
    return result;
}

uint32_t CMpFlow_Flash::ApplyIcBugPatch() {
    uint8_t patch = static_cast<uint8_t>(FlashSetting(&CUserIni::GetFlashIcBugPatch, 0));
    if (patch == kIcBugPhyPatch && IsBound()) {
        // Two values' room, so a library that takes the count as a number of values reads inside it.
        const uint16_t values[2] = {kIcBugPhyValue, 0};
        QDPhyWrite(m_hDev, 1, 4, 2, values, 2);
    }
    return 1;
}

uint32_t CMpFlow_Flash::ApplyIcBugWritePatch() {
    ReaderStatus status;
    ReaderStatusEx statusEx;
    ReadStatusOrZeros(status, statusEx);
    uint16_t patch = static_cast<uint16_t>(FlashSetting(&CUserIni::GetFlashIcBugWritePatch, 0));
    bool applies = patch == kIcBugWriteAlways ||
                   (patch == kIcBugWriteBySubVersion && statusEx.SubVersion() == kIcBugWriteAlways);
    if (applies && !m_bRomReset && IsBound()) {
        const uint8_t value = kIcBugWriteValue;
        QDWriteMem(m_hDev, kIcBugWriteRegister, 1, &value, 1);
        QDWriteMem(m_hDev, kIcBugWriteRegister, 1, &value, 1);
    }
    return 1;
}

uint32_t CMpFlow_Flash::RunFlashOperation(const std::function<uint32_t()>& body, ResultCode success) {
    uint32_t result = 0;
    {
        ReaderGuard reader(*this, [this] { return BeginOperation(true); });
        if (reader)
            result = body();
    }
    if (result != 0) {
        ReportCompleted(success);
    }
    return result;
}
