#include "core/Broadcast.h"

#include "core/MessageIds.h"

#include <array>

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

} // namespace

void BroadcastResult(uint32_t id, uintptr_t wParam, intptr_t lParam) {
    if (g_pMainDlg)
        g_pMainDlg->PostMessage(id, wParam, lParam);
    else if (id == UM_FAIL || id == UM_FATAL)
        g_dwErrorCode = static_cast<ResultCode>(wParam);
    for (IResultDialog* dialog : UpdateDialogs()) {
        if (dialog)
            dialog->PostMessage(id, wParam, lParam);
    }
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
