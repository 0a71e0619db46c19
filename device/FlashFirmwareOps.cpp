// Firmware-update operations of the USB FLASH device type: checking a reader's versions for the update
// dialogs, updating the reader of a station socket or the first reader with the firmware the table in
// config.ini names for it, and the scan, check, restart and wait steps of the multi-reader dialog.

#include "device/FlashInfo.h"

#include "app/TraceLog.h"
#include "core/Broadcast.h"
#include "core/MessageIds.h"
#include "core/Reports.h"
#include "core/ResultCodes.h"
#include "core/UpdateDialogHooks.h"
#include "device/FirmwareTable.h"
#include "device/ReaderGuard.h"
#include "model/ConfigIni.h"
#include "model/IcTypeIni.h"
#include "platform/Clock.h"

#include <optional>

namespace {

// Counting while waiting for readers.
constexpr uint32_t kWaitCountAttempts = 30;
constexpr uint32_t kWaitCountDelayMs = 128;
constexpr uint32_t kScanShortAttempts = 6;
constexpr uint32_t kScanAttempts = 21;
constexpr uint32_t kReaderCountAttempts = 41;
constexpr uint32_t kCountDelayMs = 100;
// Between two readers of the scan.
constexpr uint32_t kScanStepDelayMs = 100;
// A reader that has just restarted may show a zero firmware key for a while.
constexpr uint32_t kZeroKeyRetries = 30;
constexpr uint32_t kZeroKeyDelayMs = 200;

// The firmware version as UM_FW_STATUS carries it after a check that passed.
intptr_t PassedVersion(uint16_t version) {
    return static_cast<intptr_t>(0xFF000000u | version);
}

// Counts the readers up to `attempts` times, waiting `delayMs` after each count that `accept` refuses.
// The accepted count, or nullopt when every count was refused.
template <typename Accept>
std::optional<uint8_t> CountUntil(CVrkFun& session, uint32_t attempts, uint32_t delayMs, Accept accept) {
    for (uint32_t attempt = 0; attempt < attempts; ++attempt) {
        uint8_t count = session.CountReaders();
        if (accept(count))
            return count;
        platform::Sleep(delayMs);
    }
    return std::nullopt;
}

bool BusHasReaders() {
    return g_BusType == USB || g_BusType == PCIE;
}

// Opens the single reader on the configured bus and reads its status; the caller's guard closes it.
// Reports IDS_DETECT_DEVICE_FAIL (no reader, or one that cannot be opened or does not answer the status
// read) or IDS_MORE_THAN_ONE_DEVICE when it fails.
uint32_t OpenSingleReader(CFlashInfo_USB& flash, ReaderStatus& status, ReaderStatusEx& statusEx) {
    if (!BusHasReaders()) {
        ReportStatus(IDS_DETECT_DEVICE_FAIL);
        return 0;
    }
    uint8_t count = flash.CountReaders();
    if (count >= 2) {
        ReportStatus(IDS_MORE_THAN_ONE_DEVICE);
        return 0;
    }
    // A status block that cannot be read would publish zero versions as the reader's.
    if (count == 0 || !flash.OpenDevice() || !flash.ReadStatus(status, statusEx)) {
        ReportStatus(IDS_DETECT_DEVICE_FAIL);
        return 0;
    }
    return 1;
}

} // namespace

uint32_t CFlashInfo_USB::FindFwFile(uint32_t firmwareKey) {
    if (!g_pConfigIni)
        return 0;
    FirmwareTable::Choice choice;
    if (!FirmwareTable(*g_pConfigIni, g_ProjectType).FindFwFile(firmwareKey, choice))
        return 0;
    m_strDownloadFile = choice.strFile;
    m_strDevFwInfo = choice.strInfo;
    return 1;
}

uint32_t CFlashInfo_USB::DT_CheckDevInfo() {
    TraceScope scope("CFlashInfo::DT_CheckDevInfo", kTraceDevice);
    ReaderStatus status;
    ReaderStatusEx statusEx;
    ReaderGuard reader(*this, [&] { return OpenSingleReader(*this, status, statusEx); });
    if (!reader)
        return 0;
    uint16_t version = status.IcFwVersion();
    if (g_pPatchPkgDlg3Hooks)
        g_pPatchPkgDlg3Hooks->SetFwVersion(version);
    uint32_t passed = CheckDevVersion(statusEx, status);
    TraceLine(scope, "Version %04X, check %u\n", version, passed);
    if (passed)
        ReportStatus(IDS_CHECK_DEVICE_INFO_SUCCEED, PassedVersion(version));
    else
        ReportStatus(IDS_CHECK_DEVICE_INFO_FAIL, version);
    return passed;
}

uint32_t CFlashInfo_USB::DT_WaitCheckDevInfo(uint32_t flag) {
    TraceScope scope("CFlashInfo::DT_WaitCheckDevInfo", kTraceDevice);
    if (flag == 0) {
        std::optional<uint8_t> count =
            CountUntil(*this, kWaitCountAttempts, kWaitCountDelayMs, [](uint8_t n) { return n != 0; });
        if (!count) {
            ReportStatus(IDS_DETECT_DEVICE_FAIL);
            return 0;
        }
        if (*count >= 2) {
            ReportStatus(IDS_MORE_THAN_ONE_DEVICE);
            return 0;
        }
    }
    ReaderStatus status;
    ReaderStatusEx statusEx;
    ReaderGuard reader(*this, [&] { return OpenDevice() && ReadStatus(status, statusEx) ? 1u : 0u; });
    if (!reader) {
        ReportStatus(IDS_DETECT_DEVICE_FAIL);
        return 0;
    }
    // While the dialog waits for a reader it sent into ROM code, the version it shows stays the one
    // the reader had before.
    if (g_pPatchPkgDlg3Hooks && g_pPatchPkgDlg3Hooks->GetRomReset() == 0)
        g_pPatchPkgDlg3Hooks->SetFwVersion(status.IcFwVersion());
    uint32_t needsReset = 0;
    NeedsRomReset(needsReset);
    uint32_t result = 1;
    if (needsReset) {
        result = SendResetCommand(kResetRom);
        TraceLine(scope, "Reset into ROM code: %u\n", result);
        if (result == 0) {
            ReportStatus(IDS_RESET_DEVICE_FAIL);
            return 0;
        }
        if (g_pPatchPkgDlg3Hooks)
            g_pPatchPkgDlg3Hooks->SetRomReset(1);
    } else if (flag == 0 && g_pPatchPkgDlg3Hooks) {
        g_pPatchPkgDlg3Hooks->SetRomReset(0);
    }
    return result;
}

uint32_t CFlashInfo_USB::DT_GetFwVersion() {
    TraceScope scope("CFlashInfo::DT_GetFwVersion", kTraceDevice);
    {
        ReaderStatus status;
        ReaderStatusEx statusEx;
        ReaderGuard reader(*this, [&] { return OpenSingleReader(*this, status, statusEx); });
        if (!reader)
            return 0;
        m_wFwVersion = status.IcFwVersion();
        m_wSubVersion = statusEx.SubVersion();
    }
    // The receiver reads both values through the address; they live as long as this object.
    BroadcastResult(UM_FW_VERSIONS, 0, reinterpret_cast<intptr_t>(&m_wFwVersion));
    return 1;
}

uint32_t CFlashInfo_USB::DT_LoadFwVersion() {
    TraceScope scope("CFlashInfo::DT_LoadFwVersion", kTraceDevice);
    ReaderStatus status;
    ReaderStatusEx statusEx;
    ReaderGuard reader(*this, [&] { return OpenSingleReader(*this, status, statusEx); });
    if (!reader) {
        // No identity of an earlier reader stays in the dialog.
        if (g_pPatchPkgDlg3Hooks)
            g_pPatchPkgDlg3Hooks->SetVendorProductId(0, 0);
        return 0;
    }
    if (g_pPatchPkgDlg3Hooks)
        g_pPatchPkgDlg3Hooks->SetVendorProductId(status.VendorId(), status.ProductId());
    return 1;
}

uint32_t CFlashInfo_USB::DT_UpdateSocket(uint32_t socket) {
    TraceScope scope("CFlashInfo::DT_UpdateSocket", kTraceDevice);
    ReaderGuard reader(*this, [&] { return OpenSocketForFlash(socket); });
    if (!reader)
        return 0;
    bool known = socket >= 1 && socket <= kSocketCount;
    m_strDownloadFile = known ? m_strSocketFile[socket - 1] : std::string();
    const std::string text = known ? m_strSocketText[socket - 1] : std::string();
    uint32_t result = 0;
    if (!LoadDownloadFile()) {
        ReportFailure(IDS_LOAD_FILE_DATA_FAIL);
    } else if (!CheckDownloadImage()) {
        ReportFailure(IDS_FILE_VENDOR_INFO_INVALID);
    } else {
        bool stringsFit = true;
        if (!text.empty()) {
            // The socket's text becomes the reader's serial number; the other two strings stay.
            ImageFields fields = DownloadFields();
            stringsFit = fields.SetUSBStrings(fields.GetManufacturer(), fields.GetProduct(), text);
        }
        // A reader must not be reported as updated without the serial number it was meant to get.
        if (!stringsFit) {
            TraceLine(scope, "Serial number of socket %u does not fit\n", socket);
            ReportFailure(IDS_TOO_MANY_CHARACTERS);
        } else {
            result = FF_Download(GetDataDown(), GetDataDownSize());
            if (result == 1) {
                ReportCompleted(IDS_FW_UPDATE_SUCCEED);
            }
        }
    }
    return result;
}

uint32_t CFlashInfo_USB::DT_UpdateReader(uint32_t) {
    TraceScope scope("CFlashInfo::DT_UpdateReader", kTraceDevice);
    ReaderGuard reader(*this, [&] { return OpenFirstForFlash(); });
    if (!reader)
        return 0;
    ReaderStatus status;
    ReaderStatusEx statusEx;
    ReadStatusOrZeros(status, statusEx);
    uint32_t key = FirmwareKey(status, statusEx);
    TraceLine(scope, "Firmware key %08X\n", key);
    uint32_t result = 0;
    if (!FindFwFile(key)) {
        ReportFailure(IDS_CHECK_DEVICE_INFO_FAIL);
    } else if (!LoadDownloadFile()) {
        ReportFailure(IDS_LOAD_FILE_DATA_FAIL);
    } else if (GetDataDownSize() == 0 || !CheckDownloadImage()) {
        ReportFailure(IDS_FILE_VENDOR_INFO_INVALID);
    } else {
        ReportProgress(20);
        result = FF_Download(GetDataDown(), GetDataDownSize());
        if (result != 0) {
            ReadStatusOrZeros(status, statusEx);
            ReportStatus(IDS_CHECK_DEVICE_INFO_SUCCEED, PassedVersion(status.IcFwVersion()));
            ReportStatus(IDS_CHECK_DEVICE_INFO_SUCCEED, 0);
            if (result == 1) {
                ReportCompleted(IDS_FW_UPDATE_SUCCEED);
            }
        }
    }
    return result;
}

uint32_t CFlashInfo_USB::DT_ScanReaders(uint32_t flag) {
    TraceScope scope("CFlashInfo::DT_ScanReaders", kTraceDevice);
    std::optional<uint8_t> count = CountUntil(*this, flag ? kScanShortAttempts : kScanAttempts, kCountDelayMs,
                                              [](uint8_t n) { return n != 0; });
    if (!count) {
        m_dwDevCount = 0;
        ReportStatus(IDS_DETECT_DEVICE_FAIL);
        return 0;
    }
    m_dwDevCount = *count;
    TraceLine(scope, "%u readers\n", m_dwDevCount);
    if (flag)
        return 1;
    // Every reader still in its flash code is sent into ROM code; the flag tells whether the last
    // reader looked at could stay as it was.
    m_bSkipReset = 0;
    for (uint32_t index = 0;; ++index) {
        ReaderGuard reader(*this, [&] { return OpenReaderByIndex(index); });
        if (!reader)
            break;
        if (index == 0) {
            ReaderStatus status;
            ReaderStatusEx statusEx;
            ReadStatusOrZeros(status, statusEx);
            ReportStatus(IDS_CHECK_DEVICE_INFO_SUCCEED, PassedVersion(status.IcFwVersion()));
        }
        uint32_t needsReset = 0;
        NeedsRomReset(needsReset);
        if (needsReset) {
            m_bSkipReset = 0;
            if (SendResetCommand(kResetRom) == 0) {
                TraceLine(scope, "Reader %u refused the reset\n", index);
                ReportStatus(IDS_RESET_DEVICE_FAIL);
                return 0;
            }
        } else {
            m_bSkipReset = 1;
        }
        platform::Sleep(kScanStepDelayMs);
    }
    return 1;
}

uint32_t CFlashInfo_USB::DT_CheckReaders() {
    TraceScope scope("CFlashInfo::DT_CheckReaders", kTraceDevice);
    const uint32_t expected = m_dwDevCount;
    if (expected == 0 ||
        !CountUntil(*this, kReaderCountAttempts, kCountDelayMs, [&](uint8_t n) { return n == expected; })) {
        ReportStatus(IDS_DETECT_DEVICE_FAIL);
        return 0;
    }
    // The location of the first reader that has no firmware in the table; 0 when every one has.
    uint32_t missing = 0;
    for (uint32_t index = 0;; ++index) {
        ReaderGuard reader(*this, [&] { return OpenReaderByIndex(index); });
        if (!reader)
            break;
        ReaderStatus status;
        ReaderStatusEx statusEx;
        ReadStatusOrZeros(status, statusEx);
        uint32_t key = FirmwareKey(status, statusEx);
        for (uint32_t retry = 0; key == 0 && retry < kZeroKeyRetries; ++retry) {
            // A reader that does not answer again keeps a zero key and is asked once more.
            (void)reader.Reopen([&] {
                platform::Sleep(kZeroKeyDelayMs);
                return OpenReaderByIndex(index);
            });
            ReadStatusOrZeros(status, statusEx);
            key = FirmwareKey(status, statusEx);
        }
        uint32_t needsReset = 0;
        NeedsRomReset(needsReset);
        if (!needsReset) {
            if (FindFwFile(key)) {
                ReportStatus(IDS_CHECK_DEVICE_INFO_SUCCEED);
            } else {
                uint32_t locationA = 0xFF, locationB = 0xFF;
                QDGetLocation(m_hDev, &locationA, &locationB);
                TraceLine(scope, "No firmware for key %08X at %X/%X\n", key, locationA, locationB);
                missing = locationA;
                break;
            }
        }
    }
    BroadcastResult(UM_FW_VERSIONS, missing, 0);
    return 1;
}

uint32_t CFlashInfo_USB::DT_ResetReaders() {
    TraceScope scope("CFlashInfo::DT_ResetReaders", kTraceDevice);
    // Up to three restart commands per reader; a cancel stops the attempts of the reader at hand.
    for (uint32_t index = 0;; ++index) {
        ReaderGuard reader(*this, [&] { return OpenReaderByIndex(index); });
        if (!reader)
            break;
        uint32_t result = ResetCommandWithRetry(kResetToFlashCode1);
        TraceLine(scope, "Reader %u restarted: %u\n", index, result);
    }
    return 1;
}

uint32_t CFlashInfo_USB::DT_WaitReaders() {
    TraceScope scope("CFlashInfo::DT_WaitReaders", kTraceDevice);
    const uint32_t expected = m_dwDevCount;
    if (!CountUntil(*this, kReaderCountAttempts, kCountDelayMs, [&](uint8_t n) { return n == expected; })) {
        ReportStatus(IDS_DETECT_DEVICE_FAIL);
        return 0;
    }
    return 1;
}
