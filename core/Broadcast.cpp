#include "core/Broadcast.h"

#include "core/MessageIds.h"

#include <array>
#include <atomic>

ResultCode g_dwErrorCode = 0;

IResultDialog* g_pMainDlg = nullptr;
IResultDialog* g_pPatchPkgDlg = nullptr;
IResultDialog* g_pPatchPkgDlg3 = nullptr;
IResultDialog* g_pPatchPkgDlg4 = nullptr;
IResultDialog* g_pPatchPkgDlg5 = nullptr;
IResultDialog* g_pPatchPkgDlg6 = nullptr;

namespace {

// The update dialogs in delivery order.
std::array<IResultDialog*, 5> UpdateDialogs() {
    return {g_pPatchPkgDlg, g_pPatchPkgDlg3, g_pPatchPkgDlg4, g_pPatchPkgDlg5, g_pPatchPkgDlg6};
}

std::atomic<ConsoleProgressFn> g_consoleProgress{nullptr};

thread_local BroadcastCapture* t_pCapture = nullptr;

} // namespace

void SetConsoleProgress(ConsoleProgressFn show) {
    g_consoleProgress = show;
}

BroadcastCapture::BroadcastCapture(bool mute) : m_pOuter(t_pCapture), m_bMute(mute) {
    t_pCapture = this;
}

BroadcastCapture::~BroadcastCapture() {
    t_pCapture = m_pOuter;
}

void BroadcastResult(uint32_t id, uintptr_t wParam, intptr_t lParam) {
    if (BroadcastCapture* capture = t_pCapture) {
        if (id == UM_FAIL || id == UM_FATAL)
            capture->m_dwLastFailure = static_cast<ResultCode>(wParam);
        if (capture->m_bMute)
            return;
    }
    bool anyDialog = g_pMainDlg != nullptr;
    if (g_pMainDlg)
        g_pMainDlg->PostMessage(id, wParam, lParam);
    else if (id == UM_FAIL || id == UM_FATAL)
        g_dwErrorCode = static_cast<ResultCode>(wParam);
    for (IResultDialog* dialog : UpdateDialogs()) {
        if (dialog) {
            dialog->PostMessage(id, wParam, lParam);
            anyDialog = true;
        }
    }
    if (id == UM_PROGRESS && !anyDialog)
        if (ConsoleProgressFn show = g_consoleProgress.load())
            show(static_cast<uint32_t>(wParam));
}

uint32_t IsCancelRequested() {
    if (g_pMainDlg)
        return g_pMainDlg->GetCancelFlag();
    for (IResultDialog* dialog : UpdateDialogs()) {
        if (dialog)
            return dialog->GetCancelFlag();
    }
    return 0;
}
