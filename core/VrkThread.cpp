#include "core/VrkThread.h"

#include "core/Broadcast.h"
#include "core/MemoryBackup.h"
#include "core/MessageIds.h"
#include "core/OperationHistory.h"
#include "core/Reports.h"
#include "core/ResultCodes.h"
#include "core/UpdateDialogHooks.h"
#include "device/DevTypeInfo.h"
#include "history/Sha256.h"
#include "model/IcTypeIni.h"
#include "platform/Clock.h"

#include <system_error>

CVrkThread* g_pVrkThread = nullptr;

namespace {

// "Customize UI" value of the three-socket update station.
constexpr uint32_t kStationUI = 5;

// Pauses of the update loop and the reader check sequence.
constexpr uint32_t kStepPauseMs = 100;
constexpr uint32_t kSocketFailPauseMs = 1000;
constexpr uint32_t kReaderFailPauseMs = 3000;
constexpr uint32_t kAllUpdatedPauseMs = 3000;
constexpr uint32_t kCheckPauseMs = 1000;

// The history's result of an operation: 0 for success, else the failure it reported, or 1 when it
// failed without reporting one.
ResultCode OperationResultCode(uint32_t result, ResultCode reportedFailure) {
    if (result == 1)
        return 0;
    return reportedFailure != 0 ? reportedFailure : 1;
}

} // namespace

const CVrkThread::HandlerRow CVrkThread::kHandlers[] = {
    {UM_REQ_INIT, &CVrkThread::OnInitialize},
    {UM_REQ_LOAD_DOWNLOAD_FILE, &CVrkThread::OnLoadDownloadFile},
    {UM_REQ_READ, &CVrkThread::OnRead, "read", ImageRole::ReadInto},
    {UM_REQ_ERASE, &CVrkThread::OnErase, "erase", ImageRole::None, true},
    {UM_REQ_UPDATE, &CVrkThread::OnUpdate, "update", ImageRole::WriteFromUpload, true},
    {UM_REQ_DOWNLOAD, &CVrkThread::OnDownload, "download", ImageRole::WriteFromDownload, true},
    {UM_REQ_CHECK_DEV_INFO, &CVrkThread::OnCheckDevInfo, "check-device"},
    {UM_REQ_WAIT_CHECK_DEV_INFO, &CVrkThread::OnWaitCheckDevInfo, "check-device"},
    {UM_REQ_GET_FW_VERSION, &CVrkThread::OnGetFwVersion, "get-fw-version"},
    {UM_REQ_LOAD_FW_VERSION, &CVrkThread::OnLoadFwVersion, "get-fw-version"},
    {UM_REQ_UPDATE_ALL, &CVrkThread::OnUpdateAll},
    {UM_REQ_CHECK_READERS, &CVrkThread::OnCheckReaders},
};

CVrkThread::~CVrkThread() {
    PostQuitMessage();
    Join();
}

bool CVrkThread::CreateThread() {
    TraceScope scope("CVrkThread::CreateThread", kTraceApp);
    try {
        m_Thread = std::thread(&CVrkThread::Run, this);
    } catch (const std::system_error& error) {
        TraceLine(scope, "Thread not started: %s\n", error.what());
        return false;
    }
    return true;
}

bool CVrkThread::PostThreadMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) {
    {
        std::lock_guard lock(m_Lock);
        if (m_bQuitPosted)
            return false;
        m_Queue.push_back({id, wParam, lParam});
    }
    m_Posted.notify_one();
    return true;
}

size_t CVrkThread::QueuedRequests() {
    std::lock_guard lock(m_Lock);
    return m_Queue.size();
}

void CVrkThread::PostQuitMessage() {
    {
        std::lock_guard lock(m_Lock);
        m_bQuitPosted = true;
    }
    m_Posted.notify_one();
}

void CVrkThread::Join() {
    if (m_Thread.joinable())
        m_Thread.join();
}

void CVrkThread::Run() {
    InitInstance();
    for (Request request; NextRequest(request);)
        Dispatch(request);
    ExitInstance();
}

bool CVrkThread::NextRequest(Request& request) {
    std::unique_lock lock(m_Lock);
    m_Posted.wait(lock, [this] { return !m_Queue.empty() || m_bQuitPosted; });
    // The stop request comes after every request posted before it.
    if (m_Queue.empty())
        return false;
    request = m_Queue.front();
    m_Queue.pop_front();
    return true;
}

void CVrkThread::Dispatch(const Request& request) {
    TraceScope scope("CVrkThread::Dispatch", kTraceApp);
    TraceLine(scope, "Request 0x%X (%llu, %lld)\n", request.id,
              static_cast<unsigned long long>(request.wParam), static_cast<long long>(request.lParam));
    if (!g_pDevTypeInfo) {
        TraceLine(scope, "No device-type object\n");
        return;
    }
    for (const HandlerRow& row : kHandlers) {
        if (row.id == request.id) {
            RunRecorded(row, *g_pDevTypeInfo, request);
            return;
        }
    }
    TraceLine(scope, "Unknown request\n");
}

void CVrkThread::RunRecorded(const HandlerRow& row, CDevTypeInfo& dev, const Request& request) {
    if (!row.operation) {
        (void)(this->*row.handler)(dev, request.wParam, request.lParam);
        return;
    }
    const std::string tool = HistoryToolName(g_dwCustomizeUI);
    // A backup that failed has been reported; nothing is written.
    if (row.backup && !BackupBeforeWrite(dev, tool))
        return;
    const uint32_t start = platform::GetTickCount();
    OperationRecord record = StartRecord(tool, row.operation);
    ResultCode failure = 0;
    uint32_t result = 0;
    {
        BroadcastCapture capture;
        result = (this->*row.handler)(dev, request.wParam, request.lParam);
        failure = capture.LastFailure();
    }
    std::span<const uint8_t> image;
    switch (row.image) {
    case ImageRole::None:
        break;
    case ImageRole::ReadInto:
        image = {dev.GetDataUp(), dev.GetDataUpSize()};
        if (result == 1 && !image.empty())
            record.dumpSha256 = Sha256Hex(image);
        break;
    case ImageRole::WriteFromUpload:
    case ImageRole::WriteFromDownload:
        if (row.image == ImageRole::WriteFromUpload) {
            image = {dev.GetDataUp(), dev.GetDataUpSize()};
            record.serial = dev.UploadFields().GetSerialNumber();
        } else {
            image = {dev.GetDataDown(), dev.GetDataDownSize()};
            record.imagePath = dev.m_strDownloadFile;
            record.serial = dev.DownloadFields().GetSerialNumber();
        }
        if (!image.empty())
            record.imageSha256 = Sha256Hex(image);
        break;
    }
    AddReaderIdentity(record, dev, image);
    FinishRecord(record, start, OperationResultCode(result, failure));
}

uint32_t CVrkThread::RecordedFirmwareStep(CDevTypeInfo& dev, uint32_t socket,
                                          uint32_t (CDevTypeInfo::*step)(uint32_t), uint32_t argument) {
    const uint32_t start = platform::GetTickCount();
    OperationRecord record = StartRecord(HistoryToolName(g_dwCustomizeUI), "update-firmware");
    if (socket != 0)
        record.socket = socket;
    ResultCode failure = 0;
    uint32_t result = 0;
    {
        BroadcastCapture capture;
        result = (dev.*step)(argument);
        failure = capture.LastFailure();
    }
    std::span<const uint8_t> image(dev.GetDataDown(), dev.GetDataDownSize());
    record.imagePath = dev.m_strDownloadFile;
    if (!image.empty())
        record.imageSha256 = Sha256Hex(image);
    if (socket >= 1 && socket <= CDevTypeInfo::kSocketCount)
        record.serial = dev.m_strSocketText[socket - 1];
    AddReaderIdentity(record, dev, image);
    FinishRecord(record, start, OperationResultCode(result, failure));
    return result;
}

void CVrkThread::InitInstance() {
    // The library is loaded before the first posted request is taken.
    Dispatch({UM_REQ_INIT, 0, 0});
}

void CVrkThread::ExitInstance() {
    TraceScope scope("CVrkThread::ExitInstance", kTraceApp);
    if (g_pDevTypeInfo)
        g_pDevTypeInfo->UnloadLib();
    BroadcastResult(UM_WORKER_ENDED, 0, 0);
}

void CVrkThread::LoadDefaultImage(CDevTypeInfo& dev) {
    if (g_pIcTypeIni)
        dev.LoadDefaultImage(*g_pIcTypeIni);
}

void CVrkThread::ReportUploadImage(CDevTypeInfo& dev) {
    BroadcastResult(UM_IMAGE_CHANGED, dev.CheckUploadImage() ? 1 : 0, 0);
}

uint32_t CVrkThread::OnInitialize(CDevTypeInfo& dev, uintptr_t, intptr_t) {
    if (!dev.LoadLib()) {
        BroadcastResult(UM_FATAL, IDS_LOAD_LIB_FAIL, 0);
        return 0;
    }
    if (!dev.LoadFun()) {
        BroadcastResult(UM_FATAL, IDS_LOAD_FUN_FAIL, 0);
        return 0;
    }
    // The default image and its vendor window are in place before a dialog reacts to UM_LIB_READY.
    LoadDefaultImage(dev);
    dev.CheckUploadImage();
    BroadcastResult(UM_LIB_READY, 0, 0);
    return 1;
}

uint32_t CVrkThread::OnDownload(CDevTypeInfo& dev, uintptr_t, intptr_t) {
    return dev.DT_Download();
}

uint32_t CVrkThread::OnErase(CDevTypeInfo& dev, uintptr_t, intptr_t) {
    uint32_t result = dev.DT_Erase();
    LoadDefaultImage(dev);
    ReportUploadImage(dev);
    return result;
}

uint32_t CVrkThread::OnUpdate(CDevTypeInfo& dev, uintptr_t, intptr_t) {
    return dev.DT_Update();
}

uint32_t CVrkThread::OnRead(CDevTypeInfo& dev, uintptr_t, intptr_t lParam) {
    uint32_t read = dev.DT_Read();
    // A quiet read leaves the upload image as the read left it and tells no dialog.
    if (lParam != 0)
        return read;
    if (read == 0)
        LoadDefaultImage(dev);
    ReportUploadImage(dev);
    return read;
}

uint32_t CVrkThread::OnCheckDevInfo(CDevTypeInfo& dev, uintptr_t, intptr_t) {
    return dev.DT_CheckDevInfo();
}

uint32_t CVrkThread::OnWaitCheckDevInfo(CDevTypeInfo& dev, uintptr_t wParam, intptr_t) {
    return dev.DT_WaitCheckDevInfo(static_cast<uint32_t>(wParam));
}

uint32_t CVrkThread::OnGetFwVersion(CDevTypeInfo& dev, uintptr_t, intptr_t) {
    return dev.DT_GetFwVersion();
}

uint32_t CVrkThread::OnLoadFwVersion(CDevTypeInfo& dev, uintptr_t, intptr_t) {
    uint32_t result = dev.DT_LoadFwVersion();
    // The requesting dialog waits for this event, whether or not the operation succeeded.
    if (g_pPatchPkgDlg3Hooks)
        g_pPatchPkgDlg3Hooks->SignalCompletion();
    else if (g_pPatchPkgDlg6Hooks)
        g_pPatchPkgDlg6Hooks->SignalCompletion();
    return result;
}

uint32_t CVrkThread::OnUpdateAll(CDevTypeInfo& dev, uintptr_t, intptr_t) {
    if (g_dwCustomizeUI == kStationUI)
        UpdateStation(dev);
    else
        UpdateReaders(dev);
    return 1;
}

void CVrkThread::UpdateStation(CDevTypeInfo& dev) {
    TraceScope scope("CVrkThread::UpdateStation", kTraceApp);
    for (uint32_t index = 0; index < CDevTypeInfo::kSocketCount; ++index) {
        m_nCurSocket = static_cast<int32_t>(index + 1);
        BroadcastResult(UM_SOCKET_BEGIN, index, 0);
        ReportProgress(0);
        if (!RecordedFirmwareStep(dev, index + 1, &CDevTypeInfo::DT_UpdateSocket, index + 1)) {
            TraceLine(scope, "Socket %u failed\n", index + 1);
            platform::Sleep(kSocketFailPauseMs);
            BroadcastResult(UM_UPDATE_STOPPED, 0, 0);
            return;
        }
        platform::Sleep(kStepPauseMs);
    }
    platform::Sleep(kAllUpdatedPauseMs);
    BroadcastResult(UM_ALL_UPDATED, 0, 0);
}

void CVrkThread::UpdateReaders(CDevTypeInfo& dev) {
    TraceScope scope("CVrkThread::UpdateReaders", kTraceApp);
    const uint32_t count = dev.m_dwDevCount;
    for (uint32_t n = 1; n <= count; ++n) {
        ReportProgress(0);
        if (!RecordedFirmwareStep(dev, 0, &CDevTypeInfo::DT_UpdateReader, n)) {
            TraceLine(scope, "Reader %u of %u failed\n", n, count);
            platform::Sleep(kReaderFailPauseMs);
            BroadcastResult(UM_UPDATE_STOPPED, 0, 0);
            return;
        }
        platform::Sleep(kStepPauseMs);
    }
    platform::Sleep(kAllUpdatedPauseMs);
    BroadcastResult(UM_ALL_UPDATED, 0, 0);
}

uint32_t CVrkThread::OnLoadDownloadFile(CDevTypeInfo& dev, uintptr_t, intptr_t lParam) {
    if (!dev.LoadDownloadFile()) {
        ReportFailure(IDS_LOAD_FILE_DATA_FAIL);
        return 0;
    }
    BroadcastResult(UM_FILE_LOADED, dev.CheckDownloadImage() ? 1 : 0, lParam);
    return 1;
}

uint32_t CVrkThread::OnCheckReaders(CDevTypeInfo& dev, uintptr_t, intptr_t lParam) {
    // Each step reports its status to the dialog itself; the count the scan leaves decides the rest.
    (void)dev.DT_ScanReaders(static_cast<uint32_t>(lParam));
    if (dev.m_dwDevCount != 0) {
        (void)dev.DT_CheckReaders();
        platform::Sleep(kCheckPauseMs);
        if (!dev.m_bSkipReset) {
            (void)dev.DT_ResetReaders();
            (void)dev.DT_WaitReaders();
            platform::Sleep(kCheckPauseMs);
        }
        BroadcastResult(UM_READERS_CHECKED, 0, 0);
    }
    if (g_pPatchPkgDlg6Hooks)
        g_pPatchPkgDlg6Hooks->ClearScanPending();
    return 1;
}

CVrkThread* StartVrkThread() {
    if (!g_pVrkThread) {
        g_pVrkThread = new CVrkThread();
        if (!g_pVrkThread->CreateThread()) {
            delete g_pVrkThread;
            g_pVrkThread = nullptr;
        }
    }
    return g_pVrkThread;
}

void StopVrkThread(IResultDialog& dialog) {
    if (!g_pVrkThread) {
        dialog.PostMessage(UM_WORKER_ENDED, 0, 0);
        return;
    }
    dialog.SetCancelFlag();
    g_pVrkThread->PostQuitMessage();
}

void DeleteVrkThread() {
    delete g_pVrkThread;
    g_pVrkThread = nullptr;
}
