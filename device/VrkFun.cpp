#include "device/VrkFun.h"

#include "core/Broadcast.h"
#include "core/Reports.h"
#include "core/ResultCodes.h"
#include "model/IcTypeIni.h"
#include "platform/Clock.h"
#include "platform/DeviceTree.h"

#include <algorithm>

namespace {

constexpr uint16_t kRomResetProductId = 0x0105;
constexpr uint16_t kRomResetRegister = 0xFE3A;
// The station mode of "Customize UI": a reset must find the same physical reader again.
constexpr uint32_t kStationUi = 5;
// Parents are followed at most this far, so a cycle in a device tree cannot hang the scan.
constexpr int kMaxTreeDepth = 64;

} // namespace

uint32_t CVrkFun::OpenUsbFirst() {
    uint32_t index = 0;
    uint32_t handle = QDOpenVrkUsbStor(&index);
    if (handle == 0) {
        index = 0;
        handle = QDOpenVrkUsbDisk(&index);
    }
    if (handle == 0) {
        index = 0;
        handle = QDOpenVrkUsbCdrom(&index);
    }
    return handle;
}

uint32_t CVrkFun::OpenDevice() {
    if (!IsBound())
        return 0;
    for (uint32_t attempt = 0; attempt < kOpenAttempts; ++attempt) {
        if (IsCancelRequested())
            return 0;
        CloseDevice();
        if (g_BusType == USB) {
            m_hDev = OpenUsbFirst();
        } else if (g_BusType == PCIE) {
            uint32_t index = 0;
            m_hDev = QDOpenVrkPcieStor(&index);
        }
        if (m_hDev != 0)
            return 1;
        platform::Sleep(kRetryDelayMs);
    }
    return 0;
}

uint32_t CVrkFun::StoragePass(uint32_t (*open)(uint32_t*)) {
    CloseDevice();
    uint32_t count = 0;
    for (uint32_t index = 0;; ++index) {
        uint32_t wanted = index;
        m_hDev = open(&wanted);
        if (m_hDev == 0)
            break;
        if (uint32_t instance = QDGetHandleInst(m_hDev)) {
            m_ReaderInsts.push_back(instance);
            ++count;
        }
        CloseDevice();
    }
    return count;
}

uint8_t CVrkFun::CountReaders() {
    if (g_BusType == USB)
        return CountUsbReaders();
    if (g_BusType == PCIE)
        return CountPcieReaders();
    m_ReaderInsts.clear();
    return 0;
}

uint8_t CVrkFun::CountUsbReaders() {
    m_ReaderInsts.clear();
    if (!IsBound())
        return 0;
    uint8_t count = static_cast<uint8_t>(StoragePass(QDOpenVrkUsbStor));
    for (uint32_t index = 0;; ++index) {
        uint32_t wanted = index;
        m_hDev = QDOpenVrkUsbDisk(&wanted);
        if (m_hDev == 0)
            break;
        ReaderStatus status;
        ReaderStatusEx statusEx;
        if (!ReadStatus(status, statusEx))
            break;
        if (status.bytes[4] == 0 && !IsKnownInstance(QDGetHandleInst(m_hDev)))
            ++count;
        CloseDevice();
    }
    CloseDevice();
    return count;
}

uint8_t CVrkFun::CountPcieReaders() {
    m_ReaderInsts.clear();
    if (!IsBound())
        return 0;
    return static_cast<uint8_t>(StoragePass(QDOpenVrkPcieStor));
}

uint32_t CVrkFun::OpenReaderByIndex(uint32_t index) {
    m_ReaderInsts.clear();
    if (!IsBound())
        return 0;
    uint32_t k = StoragePass(QDOpenVrkUsbStor);
    for (uint32_t disk = 0;; ++disk) {
        uint32_t wanted = disk;
        m_hDev = QDOpenVrkUsbDisk(&wanted);
        if (m_hDev == 0)
            return 0;
        ReaderStatus status;
        ReaderStatusEx statusEx;
        uint32_t statusResult = ReadStatus(status, statusEx);
        if (!statusResult)
            return 0;
        if (status.bytes[4] == 0 && !IsKnownInstance(QDGetHandleInst(m_hDev))) {
            if (k == index)
                return statusResult;
            ++k;
        }
        CloseDevice();
    }
}

std::vector<uint32_t> CVrkFun::ListReaderInstances(size_t maxReaders) const {
    std::vector<uint32_t> instances;
    if (!IsBound())
        return instances;
    for (uint32_t index = 0; instances.size() < maxReaders; ++index) {
        uint32_t wanted = index;
        uint32_t handle = QDOpenVrkUsbStor(&wanted);
        if (handle == 0) {
            wanted = index;
            handle = QDOpenVrkUsbDisk(&wanted);
        }
        if (handle == 0)
            break;
        const uint32_t instance = QDGetHandleInst(handle);
        QDClose(handle);
        if (instance != 0 && std::find(instances.begin(), instances.end(), instance) == instances.end())
            instances.push_back(instance);
    }
    return instances;
}

uint32_t CVrkFun::IsKnownInstance(uint32_t instance) {
    for (int depth = 0; depth < kMaxTreeDepth; ++depth) {
        if (std::find(m_ReaderInsts.begin(), m_ReaderInsts.end(), instance) != m_ReaderInsts.end())
            return 1;
        uint32_t parent = 0;
        if (!platform::GetParentInstance(instance, parent))
            return 0;
        instance = parent;
    }
    return 0;
}

uint32_t CVrkFun::SendResetCommand(uint8_t code) {
    if (!IsBound())
        return 0;
    uint8_t buffer[16] = {};
    uint32_t result = 0;
    switch (code) {
    case kResetSw:
        result = QDSwReset(m_hDev, buffer, sizeof(buffer));
        break;
    case kResetRom:
        result = QDResetRom(m_hDev, buffer, sizeof(buffer));
        break;
    case kResetDmRom:
        result = QDDmResetRom(m_hDev);
        break;
    case kResetDmFlash:
        result = QDDmResetFlash(m_hDev);
        break;
    case kResetToFlashCode0:
        result = QDRst2FlashCode(m_hDev, 0);
        break;
    case kResetToFlashCode1:
        result = QDRst2FlashCode(m_hDev, 1);
        break;
    default:
        break;
    }
    // The reader disconnects while it resets, so its handle is never used again.
    CloseDevice();
    return result;
}

uint32_t CVrkFun::ResetCommandWithRetry(uint8_t code) {
    uint32_t result = 0;
    for (uint32_t attempt = 0; attempt < kOpenAttempts; ++attempt) {
        if (IsCancelRequested())
            return 0;
        result = SendResetCommand(code);
        if (result == 1)
            return 1;
        platform::Sleep(kRetryDelayMs);
    }
    return result;
}

uint32_t CVrkFun::StationReopen(uint32_t locationA, uint32_t locationB) {
    uint32_t a = 0xFF, b = 0xFF;
    for (uint32_t index = 0;; ++index) {
        if (!OpenReaderByIndex(index))
            return 0;
        QDGetLocation(m_hDev, &a, &b);
        if (a == locationA && b == locationB)
            return 1;
        CloseDevice();
    }
}

uint32_t CVrkFun::ResetDevice(uint8_t code) {
    uint8_t needReset = static_cast<uint8_t>(g_pIcTypeIni ? g_pIcTypeIni->GetNeedReset() : 1);
    if (needReset == 0)
        return 1;
    if (!IsBound())
        return 0;
    uint32_t quick = 0;
    QuickReconnectSupported(quick);
    bool station = g_dwCustomizeUI == kStationUi;
    uint32_t locationA = 0xFF, locationB = 0xFF;
    if (station)
        QDGetLocation(m_hDev, &locationA, &locationB);
    if (ResetCommandWithRetry(code) == 0)
        return 0;
    uint32_t failures = 0;
    for (uint32_t attempt = 0; attempt < kReconnectAttempts; ++attempt) {
        if (IsCancelRequested())
            break;
        platform::Sleep(quick && code == kResetRom ? kQuickReconnectDelayMs : kReconnectDelayMs);
        if (station ? StationReopen(locationA, locationB) : OpenDevice() == 1)
            return 1;
        if (failures > 3) {
            RefreshDriver();
            failures = 0;
        }
        ++failures;
    }
    CloseDevice();
    return 0;
}

uint32_t CVrkFun::NeedsRomReset(uint32_t& flag) {
    flag = 0;
    ReaderStatus status;
    ReaderStatusEx statusEx;
    ReadStatusOrZeros(status, statusEx);
    if (statusEx.bytes[29] & 0x40) {
        flag = (statusEx.bytes[21] & 0x40) ? 1 : 0;
        return 1;
    }
    uint16_t productId = status.ProductId();
    if ((status.bytes[14] & 0x01) == 0 && IsBound()) {
        uint32_t value = 0;
        QDDmGetPID(m_hDev, &value);
        productId = static_cast<uint16_t>(value & 0xFFFF);
    }
    flag = productId == kRomResetProductId ? 1 : 0;
    return 1;
}

uint32_t CVrkFun::PrepareRomReset() {
    ReaderStatus status;
    ReaderStatusEx statusEx;
    ReadStatusOrZeros(status, statusEx);
    if (statusEx.bytes[29] & 0x02)
        return 1;
    if (!IsBound())
        return 0;
    uint8_t value = 0;
    if (!QDReadMem(m_hDev, kRomResetRegister, 1, &value, 1))
        return 0;
    value = static_cast<uint8_t>(value & ~0x01);
    return QDWriteMem(m_hDev, kRomResetRegister, 1, &value, 1);
}

uint32_t CVrkFun::QuickReconnectSupported(uint32_t& flag) {
    ReaderStatus status;
    ReaderStatusEx statusEx;
    ReadStatusOrZeros(status, statusEx);
    flag = (statusEx.bytes[29] & 0x20) ? 1 : 0;
    return 1;
}

uint32_t CVrkFun::FinishFlashOpen(bool reportProgress, uint32_t openResult) {
    uint32_t flag = 0;
    NeedsRomReset(flag);
    uint32_t result = openResult;
    if (flag) {
        m_bRomReset = 1;
        // The reset that follows tells whether the reader went: a refused preparation shows there.
        (void)PrepareRomReset();
        result = ResetDevice(kResetRom);
        if (result == 0) {
            ReportFailure(IDS_RESET_DEVICE_FAIL);
            return 0;
        }
    } else {
        m_bRomReset = 0;
    }
    if (reportProgress)
        ReportProgress(20);
    return result;
}

uint32_t CVrkFun::OpenForFlash() {
    m_flashReader = FlashReader{FlashReader::kFirst, 0};
    uint32_t opened = OpenDevice();
    if (!opened) {
        ReportFailure(IDS_DETECT_DEVICE_FAIL);
        return 0;
    }
    ReportProgress(10);
    return FinishFlashOpen(true, opened);
}

uint32_t CVrkFun::OpenFirstForFlash() {
    m_flashReader = FlashReader{FlashReader::kFirstDiskOnly, 0};
    uint32_t opened = OpenReaderByIndex(0);
    if (!opened) {
        CloseDevice();
        ReportFailure(IDS_DETECT_DEVICE_FAIL);
        return 0;
    }
    return FinishFlashOpen(false, opened);
}

uint32_t CVrkFun::OpenSocketReader(uint32_t socket) {
    uint32_t wanted = socket >= 1 && socket <= kSocketCount ? m_dwSocketReader[socket - 1] : 0;
    for (uint32_t index = 0;; ++index) {
        uint32_t opened = OpenReaderByIndex(index);
        if (!opened)
            break;
        uint32_t value = 0;
        Qd_GetReaderInst(m_hDev, &value);
        if (value == wanted)
            return opened;
        CloseDevice();
    }
    CloseDevice();
    return 0;
}

uint32_t CVrkFun::OpenSocketForFlash(uint32_t socket) {
    m_flashReader = FlashReader{FlashReader::kSocket, socket};
    uint32_t opened = OpenSocketReader(socket);
    if (!opened) {
        ReportFailure(IDS_DETECT_DEVICE_FAIL);
        return 0;
    }
    return FinishFlashOpen(true, opened);
}

uint32_t CVrkFun::ReopenFlashReader() {
    switch (m_flashReader.how) {
    case FlashReader::kFirstDiskOnly:
        if (uint32_t opened = OpenReaderByIndex(0))
            return opened;
        CloseDevice();
        return 0;
    case FlashReader::kSocket:
        return OpenSocketReader(m_flashReader.socket);
    case FlashReader::kFirst:
        break;
    }
    return OpenDevice();
}

uint32_t CVrkFun::ReopenFlashReaderAfter(uint32_t delayMs) {
    CloseDevice();
    platform::Sleep(delayMs);
    return ReopenFlashReader();
}

void CVrkFun::CloseDevice() {
    if (m_hDev != 0 && QDClose)
        QDClose(m_hDev);
    m_hDev = 0;
}

void CVrkFun::CloseSession() {
    m_ReaderInsts.clear();
    UnloadLib();
}

uint32_t CVrkFun::ReadStatus(ReaderStatus& status, ReaderStatusEx& statusEx) {
    status = ReaderStatus();
    statusEx = ReaderStatusEx();
    if (!IsBound())
        return 0;
    uint32_t result = QDReadStatus(m_hDev, status.bytes, sizeof(status.bytes));
    if (result && status.HasExtendedStatus())
        QDPpStatus(m_hDev, statusEx.bytes, sizeof(statusEx.bytes));
    return result;
}

void CVrkFun::ReadStatusOrZeros(ReaderStatus& status, ReaderStatusEx& statusEx) {
    // A failed read is told by the zeroed blocks; the callers decide on them.
    (void)ReadStatus(status, statusEx);
}

uint32_t CVrkFun::BeginOperation(bool forFlash) {
    if (CountReaders() >= 2) {
        ReportFailure(IDS_MORE_THAN_ONE_DEVICE);
        return 0;
    }
    if (forFlash)
        return OpenForFlash();
    if (!OpenDevice()) {
        ReportFailure(IDS_DETECT_DEVICE_FAIL);
        return 0;
    }
    ReportProgress(20);
    return 1;
}
