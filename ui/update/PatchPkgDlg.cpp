#include "ui/update/PatchPkgDlg.h"

#include "app/Messages.h"
#include "core/MessageIds.h"
#include "device/DevTypeInfo.h"
#include "view/update/UpdateDlgRules.h"

CPatchPkgDlg::CPatchPkgDlg(QWidget* parent) : CPatchPkgDlgBase(Layout::Single, 1, true, parent) {}

void CPatchPkgDlg::OnResult(uint32_t id, uintptr_t wParam, intptr_t lParam) {
    if (OnCommonResult(id, wParam))
        return;
    switch (id) {
    case UM_LIB_READY:
        OnLibReady();
        break;
    case UM_FILE_LOADED:
        OnFileLoaded(wParam);
        break;
    case UM_FW_STATUS:
        OnFwStatus(wParam, lParam);
        break;
    case UM_FAIL:
        if (m_bFileLoading)
            OnFileLoadEnded(false);
        OnOperationResult(wParam, true);
        break;
    case UM_SUCCEED:
        OnOperationResult(wParam, false);
        break;
    case UM_IMAGE_CHANGED:
        m_bBusy = 0;
        UpdateButton();
        break;
    default:
        break;
    }
}

void CPatchPkgDlg::OnLibReady() {
    TraceScope scope("CPatchPkgDlg::OnLibReady", kTraceApp);
    m_bReady = 0;
    InitOnLibReady();
    if (!m_strFwPath.empty()) {
        m_bBusy = 1;
        if (g_pDevTypeInfo)
            g_pDevTypeInfo->m_strDownloadFile = m_strFwPath;
        PostRequest(UM_REQ_LOAD_DOWNLOAD_FILE);
    }
    UpdateButton();
    PostReaderCheck();
}

void CPatchPkgDlg::OnReaderCheck() {
    m_bBusy = 1;
    UpdateButton();
    PostRequest(UM_REQ_CHECK_DEV_INFO);
}

void CPatchPkgDlg::OnFileLoaded(uintptr_t valid) {
    OnFileLoadEnded(valid != 0);
    if (valid) {
        m_bReady = 1;
        m_strUpdateInfo = FirmwareInfoText(m_strFwInfo);
    }
    ReturnToIdle();
}

void CPatchPkgDlg::OnFwStatus(uintptr_t code, intptr_t version) {
    m_bReady = code == IDS_CHECK_DEVICE_INFO_SUCCEED;
    // A failed update stays on the reader line until the next Update, whatever the check says now.
    m_strReaderInfo = m_strLastFailure.empty() ? ReaderLineWithStatus(static_cast<uint32_t>(code), version)
                                               : m_strLastFailure + "\n\n" + CurrentFirmware(version);
    ReturnToIdle();
}

void CPatchPkgDlg::OnUpdateClicked() {
    m_strLastFailure.clear();
    m_bBusy = 1;
    UpdateButton();
    PostRequest(UM_REQ_DOWNLOAD);
}

void CPatchPkgDlg::OnOperationResult(uintptr_t code, bool failure) {
    NoteUpdateResult(code, failure);
    ShowBox(LoadMessage(static_cast<uint32_t>(code)), failure);
    ReturnToIdle();
    // The reader is checked again, so the line shows the firmware it runs now.
    PostReaderCheck();
}

void CPatchPkgDlg::OnDeviceChange(CDeviceChangeWatcher::Change) {
    if (!m_bBusy)
        PostReaderCheck();
}
