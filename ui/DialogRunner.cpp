#include "ui/DialogRunner.h"

#include "app/QuillixApp.h"
#include "app/TraceLog.h"
#include "core/VrkThread.h"
#include "model/ConfigIni.h"
#include "model/IcTypeIni.h"
#include "ui/DialogChoice.h"
#include "ui/UpdateDlgPlaceholder.h"
#include "ui/WindowTitles.h"
#include "ui/editor/DetailDlg.h"
#include "ui/main/QuillixDlg.h"

namespace {

void RunModal(CResultDialog& dialog, IResultDialog** globalPointer) {
    *globalPointer = &dialog;
    dialog.DoModal();
    // The worker broadcasts its end before it stops; it must be gone before the pointer is cleared.
    DeleteVrkThread();
    *globalPointer = nullptr;
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
    std::string configured = g_pConfigIni ? g_pConfigIni->GetString("Quillix Config", "Title", "") : "";
    CUpdateDlgPlaceholder dialog(choice.className, UpdateDialogTitle(g_dwCustomizeUI, configured,
                                                                     g_ProjectType, g_szVersion, g_BusType));
    RunModal(dialog, choice.globalPointer);
}
