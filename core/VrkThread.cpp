#include "core/VrkThread.h"

#include "core/Broadcast.h"
#include "core/MessageIds.h"
#include "core/Reports.h"
#include "core/ResultCodes.h"
#include "core/UpdateDialogHooks.h"
#include "device/DevTypeInfo.h"
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

} // namespace

const CVrkThread::HandlerRow CVrkThread::kHandlers[] = {
    {UM_REQ_INIT, &CVrkThread::OnInitialize},
    {UM_REQ_LOAD_DOWNLOAD_FILE, &CVrkThread::OnLoadDownloadFile},
    {UM_REQ_READ, &CVrkThread::OnRead},
    {UM_REQ_ERASE, &CVrkThread::OnErase},
    {UM_REQ_UPDATE, &CVrkThread::OnUpdate},
    {UM_REQ_DOWNLOAD, &CVrkThread::OnDownload},
    {UM_REQ_CHECK_DEV_INFO, &CVrkThread::OnCheckDevInfo},
    {UM_REQ_WAIT_CHECK_DEV_INFO, &CVrkThread::OnWaitCheckDevInfo},
    {UM_REQ_GET_FW_VERSION, &CVrkThread::OnGetFwVersion},
    {UM_REQ_LOAD_FW_VERSION, &CVrkThread::OnLoadFwVersion},
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
            (this->*row.handler)(*g_pDevTypeInfo, request.wParam, request.lParam);
            return;
        }
    }
    TraceLine(scope, "Unknown request\n");
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

void CVrkThread::OnInitialize(CDevTypeInfo& dev, uintptr_t, intptr_t) {
    if (!dev.LoadLib()) {
        BroadcastResult(UM_FATAL, IDS_LOAD_LIB_FAIL, 0);
        return;
    }
    if (!dev.LoadFun()) {
        BroadcastResult(UM_FATAL, IDS_LOAD_FUN_FAIL, 0);
        return;
    }
    // The default image and its vendor window are in place before a dialog reacts to UM_LIB_READY.
    LoadDefaultImage(dev);
    dev.CheckUploadImage();
    BroadcastResult(UM_LIB_READY, 0, 0);
}

void CVrkThread::OnDownload(CDevTypeInfo& dev, uintptr_t, intptr_t) {
    dev.DT_Download();
}

void CVrkThread::OnErase(CDevTypeInfo& dev, uintptr_t, intptr_t) {
    dev.DT_Erase();
    LoadDefaultImage(dev);
    ReportUploadImage(dev);
}

void CVrkThread::OnUpdate(CDevTypeInfo& dev, uintptr_t, intptr_t) {
    dev.DT_Update();
}

void CVrkThread::OnRead(CDevTypeInfo& dev, uintptr_t, intptr_t lParam) {
    uint32_t read = dev.DT_Read();
    // A quiet read leaves the upload image as the read left it and tells no dialog.
    if (lParam != 0)
        return;
    if (read == 0)
        LoadDefaultImage(dev);
    ReportUploadImage(dev);
}

void CVrkThread::OnCheckDevInfo(CDevTypeInfo& dev, uintptr_t, intptr_t) {
    dev.DT_CheckDevInfo();
}

void CVrkThread::OnWaitCheckDevInfo(CDevTypeInfo& dev, uintptr_t wParam, intptr_t) {
    dev.DT_WaitCheckDevInfo(static_cast<uint32_t>(wParam));
}

void CVrkThread::OnGetFwVersion(CDevTypeInfo& dev, uintptr_t, intptr_t) {
    dev.DT_GetFwVersion();
}

void CVrkThread::OnLoadFwVersion(CDevTypeInfo& dev, uintptr_t, intptr_t) {
    dev.DT_LoadFwVersion();
    // The requesting dialog waits for this event, whether or not the operation succeeded.
    if (g_pPatchPkgDlg3Hooks)
        g_pPatchPkgDlg3Hooks->SignalCompletion();
    else if (g_pPatchPkgDlg6Hooks)
        g_pPatchPkgDlg6Hooks->SignalCompletion();
}

void CVrkThread::OnUpdateAll(CDevTypeInfo& dev, uintptr_t, intptr_t) {
    if (g_dwCustomizeUI == kStationUI)
        UpdateStation(dev);
    else
        UpdateReaders(dev);
}

void CVrkThread::UpdateStation(CDevTypeInfo& dev) {
    TraceScope scope("CVrkThread::UpdateStation", kTraceApp);
    for (uint32_t index = 0; index < CDevTypeInfo::kSocketCount; ++index) {
        m_nCurSocket = static_cast<int32_t>(index + 1);
        BroadcastResult(UM_SOCKET_BEGIN, index, 0);
        ReportProgress(0);
        if (!dev.DT_UpdateSocket(index + 1)) {
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
        if (!dev.DT_UpdateReader(n)) {
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

void CVrkThread::OnLoadDownloadFile(CDevTypeInfo& dev, uintptr_t, intptr_t lParam) {
    if (!dev.LoadDownloadFile()) {
        ReportFailure(IDS_LOAD_FILE_DATA_FAIL);
        return;
    }
    BroadcastResult(UM_FILE_LOADED, dev.CheckDownloadImage() ? 1 : 0, lParam);
}

void CVrkThread::OnCheckReaders(CDevTypeInfo& dev, uintptr_t, intptr_t lParam) {
    dev.DT_ScanReaders(static_cast<uint32_t>(lParam));
    if (dev.m_dwDevCount != 0) {
        dev.DT_CheckReaders();
        platform::Sleep(kCheckPauseMs);
        if (!dev.m_bSkipReset) {
            dev.DT_ResetReaders();
            dev.DT_WaitReaders();
            platform::Sleep(kCheckPauseMs);
        }
        BroadcastResult(UM_READERS_CHECKED, 0, 0);
    }
    if (g_pPatchPkgDlg6Hooks)
        g_pPatchPkgDlg6Hooks->ClearScanPending();
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
