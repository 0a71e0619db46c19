#include "ui/DialogRunner.h"

#include "app/QuillixApp.h"
#include "app/TraceLog.h"
#include "core/UpdateDialogHooks.h"
#include "core/VrkThread.h"
#include "model/ConfigIni.h"
#include "model/IcTypeIni.h"
#include "ui/DialogChoice.h"
#include "ui/editor/DetailDlg.h"
#include "ui/main/QuillixDlg.h"
#include "ui/update/PatchPkgDlg.h"
#include "ui/update/PatchPkgDlg3.h"
#include "ui/update/PatchPkgDlg4.h"
#include "ui/update/PatchPkgDlg5.h"
#include "ui/update/PatchPkgDlg6.h"

#include <type_traits>

namespace {

void RunModal(CResultDialog& dialog, IResultDialog** globalPointer) {
    *globalPointer = &dialog;
    dialog.DoModal();
    // The worker broadcasts its end before it stops; it must be gone before the pointer is cleared.
    DeleteVrkThread();
    *globalPointer = nullptr;
}

// Runs a firmware-update dialog; the two dialogs the worker reaches directly also set their hooks.
template <class Dialog> void RunUpdateDialog(IResultDialog** globalPointer) {
    Dialog dialog;
    if constexpr (std::is_base_of_v<IPatchPkgDlg3Hooks, Dialog>)
        g_pPatchPkgDlg3Hooks = &dialog;
    if constexpr (std::is_base_of_v<IPatchPkgDlg6Hooks, Dialog>)
        g_pPatchPkgDlg6Hooks = &dialog;
    RunModal(dialog, globalPointer);
    g_pPatchPkgDlg3Hooks = nullptr;
    g_pPatchPkgDlg6Hooks = nullptr;
}

} // namespace

void RunSelectedDialog() {
    TraceScope scope("CQuillixApp::RunDialog", kTraceApp);
    DialogChoice choice = ChooseDialog(g_dwCustomizeUI);
    TraceLine(scope, "Customize UI %u: %s\n", g_dwCustomizeUI, choice.className);
    if (choice.kind == DialogKind::Main) {
        g_pfnCreateDetailDlg = CreateDetailDlg;
        CQuillixDlg dialog;
        RunModal(dialog, choice.globalPointer);
        return;
    }
    switch (choice.kind) {
    case DialogKind::PatchPkg:
        RunUpdateDialog<CPatchPkgDlg>(choice.globalPointer);
        break;
    case DialogKind::PatchPkg3:
        RunUpdateDialog<CPatchPkgDlg3>(choice.globalPointer);
        break;
    case DialogKind::PatchPkg4:
        RunUpdateDialog<CPatchPkgDlg4>(choice.globalPointer);
        break;
    case DialogKind::PatchPkg5:
        RunUpdateDialog<CPatchPkgDlg5>(choice.globalPointer);
        break;
    case DialogKind::PatchPkg6:
        RunUpdateDialog<CPatchPkgDlg6>(choice.globalPointer);
        break;
    case DialogKind::Main:
        break;
    }
}
