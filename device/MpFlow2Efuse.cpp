#include "app/TraceLog.h"
#include "core/Broadcast.h"
#include "core/Reports.h"
#include "core/ResultCodes.h"
#include "device/MpFlow2.h"
#include "platform/Clock.h"

#include <algorithm>
#include <vector>

namespace {

constexpr uint16_t kRegEfuseCommand = 0xFE7D; // 0x80 + index: read, 0xA0 + index: program; bit 7 busy
constexpr uint16_t kRegEfuseData = 0xFE7E;
constexpr uint16_t kRegEfuseProgramEnable = 0xFD7A;
constexpr uint16_t kRegEfuseVoltageSelect = 0xFE40;
constexpr uint16_t kRegEfuseVoltageValue = 0xFE41;
constexpr uint16_t kRegEfuseVoltageStrobe = 0xFE42;
constexpr uint8_t kEfuseReadCommand = 0x80;
constexpr uint8_t kEfuseProgramCommand = 0xA0;
constexpr uint8_t kEfuseBusy = 0x80;
constexpr uint8_t kProgramEnable = 0xFC;
constexpr uint8_t kProgramDisable = 0xFF;
constexpr uint8_t kMappedGeneration = 0x02;
constexpr uint8_t kBlankFuse = 0xFF;

struct RegisterWrite {
    uint16_t address;
    uint8_t value; // 0 in the first row: the voltage value passed in
};

// The programming-voltage sequence: the value, then two strobes loading it.
constexpr RegisterWrite kVoltageSequence[] = {
    {kRegEfuseVoltageValue, 0x00},  {kRegEfuseVoltageSelect, 0x02}, {kRegEfuseVoltageStrobe, 0x00},
    {kRegEfuseVoltageStrobe, 0x00}, {kRegEfuseVoltageStrobe, 0x01}, {kRegEfuseVoltageSelect, 0x0C},
    {kRegEfuseVoltageStrobe, 0x00}, {kRegEfuseVoltageStrobe, 0x00}, {kRegEfuseVoltageStrobe, 0x01},
};

} // namespace

uint32_t CMpFlow2::MP_ReadEfuse(uint8_t* buffer, uint8_t length) {
    for (uint32_t attempt = 0; attempt < kAttempts; ++attempt) {
        if (IsCancelRequested())
            return 0;
        if (QDReadEfuse(m_hDev, 0, length, buffer) == 1)
            return 1;
        platform::Sleep(kRetryDelayMs);
    }
    return 0;
}

uint32_t CMpFlow2::WriteEfuseVerified(const uint8_t* data, uint8_t length) {
    std::vector<uint8_t> readBack(length);
    for (uint32_t pass = 0; pass < kEfuseVerifyPasses; ++pass) {
        std::fill(readBack.begin(), readBack.end(), kBlankFuse);
        bool ok = QDWriteEfuse(m_hDev, 0, length, data) != 0;
        if (ok) {
            platform::Sleep(kRetryDelayMs);
            ok = QDReadEfuse(m_hDev, 0, length, readBack.data()) != 0 &&
                 std::equal(readBack.begin(), readBack.end(), data);
        }
        if (ok)
            return 1;
        platform::Sleep(kRetryDelayMs);
    }
    return 0;
}

uint32_t CMpFlow2::MP_UpdateEfuseEx(const uint8_t* data, uint8_t length) {
    TraceScope scope("CMpFlow2::MP_UpdateEfuseEx", kTraceDevice);
    uint8_t generation = ReadChipGeneration();
    uint32_t result = WriteEfuseVerified(data, length);
    if (result == 1 || generation == kMappedGeneration)
        return result;
    // Fuses that did not take are tried once more with the regulator boosted.
    uint8_t ldo = 0;
    // Without an answer the setting restored afterwards is 0; the boosted retry goes ahead either way.
    (void)QDReadLdo(m_hDev, &ldo, 1);
    TraceLine(scope, "ReadLdo : 0x%02X\n", ldo);
    QDWriteLdo(m_hDev, kBoostedLdo);
    platform::Sleep(kRetryDelayMs);
    result = WriteEfuseVerified(data, length);
    QDWriteLdo(m_hDev, ldo);
    platform::Sleep(kRetryDelayMs);
    return result;
}

uint32_t CMpFlow2::MP_UpdateEfuse(const uint8_t* data, uint8_t length) {
    for (uint32_t attempt = 0; attempt < kAttempts; ++attempt) {
        if (IsCancelRequested())
            return 0;
        uint32_t result = MP_UpdateEfuseEx(data, length);
        platform::Sleep(kRetryDelayMs);
        if (result == 1)
            return 1;
    }
    return 0;
}

uint32_t CMpFlow2::WriteEfuseReg(uint16_t address, uint8_t value) {
    return QDWriteMem(m_hDev, address, 1, &value, 1) != 0 ? 1 : 0;
}

uint32_t CMpFlow2::WaitEfuseNotBusy() {
    for (uint32_t poll = 0; poll < kEfuseBusyPolls; ++poll) {
        platform::Sleep(kEfusePollDelayMs);
        uint8_t command = 0;
        if (QDReadMem(m_hDev, kRegEfuseCommand, 1, &command, 1) == 0)
            return 0;
        if ((command & kEfuseBusy) == 0)
            return 1;
    }
    return 0;
}

uint32_t CMpFlow2::ReadEfuseByteReg(uint8_t index, uint8_t& value) {
    if (!WriteEfuseReg(kRegEfuseCommand, static_cast<uint8_t>(kEfuseReadCommand + (index & 0x0F))) ||
        !WaitEfuseNotBusy())
        return 0;
    return QDReadMem(m_hDev, kRegEfuseData, 1, &value, 1) != 0 ? 1 : 0;
}

uint32_t CMpFlow2::WriteEfuseByteReg(uint8_t index, uint8_t value) {
    if (!WriteEfuseReg(kRegEfuseData, value) ||
        !WriteEfuseReg(kRegEfuseCommand, static_cast<uint8_t>(kEfuseProgramCommand + (index & 0x0F))))
        return 0;
    return WaitEfuseNotBusy();
}

uint32_t CMpFlow2::SetEfuseVoltage(uint8_t value) {
    for (const RegisterWrite& write : kVoltageSequence) {
        uint8_t byte = write.address == kRegEfuseVoltageValue ? value : write.value;
        if (!WriteEfuseReg(write.address, byte))
            return 0;
    }
    platform::Sleep(kEfuseVoltageDelayMs);
    return 1;
}

uint32_t CMpFlow2::ReadEfuseReg(uint8_t length, uint8_t* buffer, bool reportProgress) {
    if (length == 0)
        return 0;
    for (uint32_t i = 0; i < length; ++i) {
        if (IsCancelRequested())
            return 0;
        if (!ReadEfuseByteReg(static_cast<uint8_t>(i), buffer[i]))
            return 0;
        if (reportProgress)
            ReportProgress(80 * (i + 1) / length + 20);
    }
    return 1;
}

uint32_t CMpFlow2::WriteEfuseRegVerified(const uint8_t* blank, const uint8_t* data, uint8_t length) {
    TraceScope scope("CMpFlow2::WriteEfuseRegVerified", kTraceDevice);
    if (SetEfuseVoltage(kEfuseProgramVoltage) && WriteEfuseReg(kRegEfuseProgramEnable, kProgramEnable))
        platform::Sleep(kRetryDelayMs);
    uint32_t result = 1;
    for (uint32_t i = 0; i < length; ++i) {
        if (IsCancelRequested()) {
            result = 0;
            break;
        }
        if (data[i] == blank[i])
            continue;
        uint8_t readBack = 0;
        if (!WriteEfuseByteReg(static_cast<uint8_t>(i), data[i]) ||
            !ReadEfuseByteReg(static_cast<uint8_t>(i), readBack) || readBack != data[i]) {
            result = 0;
            break;
        }
    }
    // Programming is switched off whatever happened.
    if (WriteEfuseReg(kRegEfuseProgramEnable, kProgramDisable) && SetEfuseVoltage(kEfuseIdleVoltage))
        platform::Sleep(kRetryDelayMs);
    return result;
}

uint32_t CMpFlow2::UpdateEfuseReg(uint8_t length, const uint8_t* data) {
    std::vector<uint8_t> blank(length, kBlankFuse);
    uint32_t result = WriteEfuseRegVerified(blank.data(), data, length);
    if (result == 0)
        ReportFailure(IDS_UPDATE_EFUSE_FAIL);
    return result;
}
