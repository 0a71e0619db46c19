#include "ui/update/PatchPkgDlg6.h"

#include "app/Messages.h"
#include "core/MessageIds.h"
#include "device/DevTypeInfo.h"
#include "model/ConfigIni.h"
#include "platform/Text.h"
#include "view/update/UpdateDlgRules.h"

CPatchPkgDlg6::CPatchPkgDlg6(QWidget* parent)
    : CPatchPkgDlgBase(Layout::WithStatusNoCheckButton, 6, false, parent) {}

void CPatchPkgDlg6::SignalCompletion() {
    m_Completion.Set();
}

void CPatchPkgDlg6::ClearScanPending() {
    m_bScanPending = false;
}

void CPatchPkgDlg6::LoadUserSetting() {
    TraceScope scope("CPatchPkgDlg6::LoadUserSetting", kTraceApp);
    m_strTitle =
        g_pConfigIni ? platform::IniBytesToUtf8(g_pConfigIni->GetString("Quillix Config", "Title", "")) : "";
}

void CPatchPkgDlg6::OnResult(uint32_t id, uintptr_t wParam, intptr_t lParam) {
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
        OnReadersChecked(wParam);
        break;
    case UM_READERS_CHECKED:
        ShowPendingFwInfo();
        m_bBusy = 0;
        UpdateButton();
        break;
    case UM_FAIL:
        m_strLastFailure = LoadMessage(static_cast<uint32_t>(wParam));
        SetProgress(0);
        StartScan(1);
        break;
    case UM_SUCCEED:
        m_strLastSuccess = LoadMessage(static_cast<uint32_t>(wParam));
        SetProgress(0);
        break;
    case UM_UPDATE_STOPPED:
        ShowPendingFwInfo();
        ShowBox(m_strLastFailure, true);
        m_bBusy = 0;
        UpdateButton();
        break;
    case UM_ALL_UPDATED:
        ShowPendingFwInfo();
        ShowBox(m_strLastSuccess, false);
        m_bBusy = 0;
        UpdateButton();
        break;
    default:
        break;
    }
}

void CPatchPkgDlg6::OnLibReady() {
    m_bReady = 0;
    InitOnLibReady();
    m_bBusy = 0;
    UpdateButton();
    m_bScanPending = true;
    PostRequest(UM_REQ_CHECK_READERS, 0, 0);
}

void CPatchPkgDlg6::StartScan(intptr_t shortWait) {
    PostRequest(UM_REQ_CHECK_READERS, 0, shortWait);
}

void CPatchPkgDlg6::OnFwStatus(uintptr_t code, intptr_t version) {
    if (code == IDS_CHECK_DEVICE_INFO_SUCCEED) {
        if ((version & 0xFFFF) != 0)
            m_strReaderInfo = CurrentFirmware(version);
        else if (!m_bFwInfoShown)
            m_bFwInfoPending = true;
    } else {
        m_strReaderInfo.clear();
        m_strUpdateInfo.clear();
        m_bFwInfoShown = false;
        m_bFwInfoPending = false;
        m_bReady = 0;
        m_bBusy = 0;
    }
    m_strStatus = LoadMessage(static_cast<uint32_t>(code));
    UpdateButton();
}

void CPatchPkgDlg6::ShowPendingFwInfo() {
    // The worker writes the description while it checks or updates a reader; it is read here, when that
    // request has ended.
    if (!m_bFwInfoPending || !g_pDevTypeInfo)
        return;
    m_bFwInfoPending = false;
    m_bFwInfoShown = true;
    m_strUpdateInfo = FirmwareInfoText(g_pDevTypeInfo->m_strDevFwInfo);
    ShowTexts();
}

void CPatchPkgDlg6::OnReadersChecked(uintptr_t location) {
    if (location != 0) {
        m_strReaderInfo.clear();
        m_strUpdateInfo.clear();
        m_strStatus = PortCheckFailText(location);
        m_bFwInfoPending = false;
        m_bReady = 0;
    } else {
        m_strStatus = LoadMessage(IDS_CHECK_DEVICE_INFO_SUCCEED);
        m_bReady = 1;
    }
    SetProgress(0);
    ShowTexts();
}

void CPatchPkgDlg6::OnUpdateClicked() {
    m_bBusy = 1;
    UpdateButton();
    PostRequest(UM_REQ_UPDATE_ALL);
}

void CPatchPkgDlg6::OnDeviceChange(CDeviceChangeWatcher::Change change) {
    if (m_bBusy || m_bScanPending)
        return;
    if (change == CDeviceChangeWatcher::Change::Arrival) {
        m_bScanPending = true;
        StartScan(0);
    } else if (change == CDeviceChangeWatcher::Change::Removal) {
        StartScan(1);
    }
}
