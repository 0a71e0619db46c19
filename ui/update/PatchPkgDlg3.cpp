#include "ui/update/PatchPkgDlg3.h"

#include "app/Messages.h"
#include "core/MessageIds.h"
#include "device/DevTypeInfo.h"
#include "device/FirmwareTable.h"
#include "model/ConfigIni.h"
#include "model/IcTypeIni.h"
#include "platform/Clock.h"
#include "view/update/UpdateDlgRules.h"

CPatchPkgDlg3::CPatchPkgDlg3(QWidget* parent) : CPatchPkgDlgBase(Layout::WithStatus, 3, true, parent) {}

void CPatchPkgDlg3::SetFwVersion(uint16_t wVersion) {
    std::lock_guard lock(m_FieldsLock);
    m_Fields.wFwVersion = wVersion;
}

void CPatchPkgDlg3::SetVendorProductId(uint16_t wVid, uint16_t wPid) {
    std::lock_guard lock(m_FieldsLock);
    m_Fields.wVid = wVid;
    m_Fields.wPid = wPid;
}

uint32_t CPatchPkgDlg3::GetRomReset() const {
    std::lock_guard lock(m_FieldsLock);
    return m_Fields.bRomReset;
}

void CPatchPkgDlg3::SetRomReset(uint32_t bRomReset) {
    std::lock_guard lock(m_FieldsLock);
    m_Fields.bRomReset = bRomReset;
}

void CPatchPkgDlg3::SignalCompletion() {
    m_Completion.Set();
}

CPatchPkgDlg3::ReaderFields CPatchPkgDlg3::Fields() const {
    std::lock_guard lock(m_FieldsLock);
    return m_Fields;
}

bool CPatchPkgDlg3::ReaderInTable() const {
    if (!g_pConfigIni)
        return false;
    const ReaderFields fields = Fields();
    return FirmwareTable(*g_pConfigIni, g_ProjectType).FwTableMatchesIds(fields.wVid, fields.wPid);
}

void CPatchPkgDlg3::OnResult(uint32_t id, uintptr_t wParam, intptr_t lParam) {
    if (OnCommonResult(id, wParam))
        return;
    switch (id) {
    case UM_LIB_READY:
        OnLibReady();
        break;
    case UM_FW_STATUS:
        OnFwStatus(wParam, lParam);
        break;
    case UM_FW_VERSIONS:
        OnFwVersions(lParam);
        break;
    case UM_FILE_LOADED:
        OnFileLoaded(wParam);
        break;
    case UM_FAIL:
        if (m_bFileLoading)
            OnFileLoadEnded(false);
        OnOperationResult(wParam, true);
        break;
    case UM_SUCCEED:
        OnOperationResult(wParam, false);
        break;
    default:
        break;
    }
}

void CPatchPkgDlg3::OnLibReady() {
    TraceScope scope("CPatchPkgDlg3::OnLibReady", kTraceApp);
    m_bReady = 0;
    InitOnLibReady();
    m_bBusy = 0;
    UpdateButton();
    m_bHasRomVersions = g_pConfigIni && FirmwareTable(*g_pConfigIni, g_ProjectType).FwTableHasRomVersions();
    TraceLine(scope, "Rom versions in the table: %u\n", m_bHasRomVersions);
    RefreshReader(1);
}

void CPatchPkgDlg3::OnReaderCheck() {
    PostRequest(UM_REQ_CHECK_DEV_INFO);
}

void CPatchPkgDlg3::RefreshReader(uintptr_t doNotWait) {
    TraceScope scope("CPatchPkgDlg3::RefreshReader", kTraceApp);
    PostRequest(UM_REQ_LOAD_FW_VERSION);
    // The worker writes the reader's identity into the dialog and then sets the event.
    if (!m_Completion.Wait(kIdentityWaitMs))
        TraceLine(scope, "No identity within %u ms\n", kIdentityWaitMs);
    m_Completion.Reset();
    PostRequest(UM_REQ_CHECK_DEV_INFO);
    if (!ReaderInTable())
        return;
    if (m_bHasRomVersions)
        PostRequest(UM_REQ_WAIT_CHECK_DEV_INFO, doNotWait);
    PostRequest(UM_REQ_GET_FW_VERSION);
}

void CPatchPkgDlg3::ClearFirmwareChoice() {
    m_strFwPath.clear();
    m_strFwInfo = "N/A";
    m_strUpdateInfo = FirmwareInfoText(m_strFwInfo);
}

void CPatchPkgDlg3::OnFwStatus(uintptr_t code, intptr_t version) {
    if (code == IDS_CHECK_DEVICE_INFO_SUCCEED) {
        m_bReady = 1;
        if (!ReaderInTable()) {
            m_strStatus = LoadMessage(IDS_CHECK_DEVICE_INFO_FAIL);
            ClearFirmwareChoice();
        }
    } else {
        m_bReady = 0;
        m_strStatus = LoadMessage(static_cast<uint32_t>(code));
        ClearFirmwareChoice();
    }
    m_strReaderInfo = CurrentFirmwareHex(version);
    ReturnToIdle();
}

void CPatchPkgDlg3::OnFwVersions(intptr_t address) {
    // The message carries the address of the version pair inside the device-type object; read the pair
    // by name rather than through the address.
    CDevTypeInfo* dev = g_pDevTypeInfo;
    if (!dev || address != reinterpret_cast<intptr_t>(&dev->m_wFwVersion) || !g_pConfigIni)
        return;
    const uint16_t fwVersion = dev->m_wFwVersion;
    const uint16_t subVersion = dev->m_wSubVersion;
    FirmwareTable table(*g_pConfigIni, g_ProjectType);
    FirmwareTable::Choice choice;
    const bool found = m_bHasRomVersions ? table.SelectFwByRom(fwVersion, subVersion, choice)
                                         : table.SelectFwByCheck(fwVersion, subVersion, choice);
    m_strFwPath = choice.strFile;
    m_strFwInfo = choice.strInfo;
    m_strStatus = LoadMessage(found ? IDS_CHECK_DEVICE_INFO_SUCCEED : IDS_CHECK_DEVICE_INFO_FAIL);
    m_strReaderInfo = CurrentFirmwareHex(Fields().wFwVersion);
    if (!m_strFwPath.empty()) {
        dev->m_strDownloadFile = m_strFwPath;
        PostRequest(UM_REQ_LOAD_DOWNLOAD_FILE);
    } else {
        PostMessage(UM_FILE_LOADED, 0, 0);
    }
    ReturnToIdle();
}

void CPatchPkgDlg3::OnFileLoaded(uintptr_t valid) {
    OnFileLoadEnded(valid != 0);
    if (valid)
        m_bReady = 1;
    m_strUpdateInfo = FirmwareInfoText(m_strFwInfo);
    ReturnToIdle();
}

void CPatchPkgDlg3::OnUpdateClicked() {
    m_strLastFailure.clear();
    m_bBusy = 1;
    UpdateButton();
    PostRequest(UM_REQ_DOWNLOAD);
}

void CPatchPkgDlg3::OnOperationResult(uintptr_t code, bool failure) {
    NoteUpdateResult(code, failure);
    ShowBox(LoadMessage(static_cast<uint32_t>(code)), failure);
    ReturnToIdle();
    PostRequest(UM_REQ_CHECK_DEV_INFO);
}

void CPatchPkgDlg3::OnDeviceChange(CDeviceChangeWatcher::Change change) {
    if (m_bBusy)
        return;
    if (change == CDeviceChangeWatcher::Change::Arrival) {
        platform::Sleep(kArrivalPauseMs);
        RefreshReader(0);
    } else if (change == CDeviceChangeWatcher::Change::Removal) {
        RefreshReader(1);
    }
}
