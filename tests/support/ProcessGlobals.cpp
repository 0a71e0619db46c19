#include "tests/support/ProcessGlobals.h"

#include "core/Broadcast.h"
#include "core/ForceCheck.h"
#include "core/UpdateDialogHooks.h"
#include "core/VrkThread.h"
#include "device/DevTypeInfo.h"
#include "model/ConfigIni.h"
#include "model/IcTypeIni.h"

namespace testsupport {

void ResetProcessGlobals() {
    // The worker goes before the device-type object it drives.
    DeleteVrkThread();
    DestroyDevTypeInfo();
    delete g_pIcTypeIni;
    g_pIcTypeIni = nullptr;
    g_pConfigIni = nullptr;
    g_ProjectType = FLASH;
    g_BusType = USB;
    g_dwCustomizeSilence = 0;
    g_dwCustomizeUI = 0;
    g_pMainDlg = nullptr;
    g_pPatchPkgDlg = nullptr;
    g_pPatchPkgDlg3 = nullptr;
    g_pPatchPkgDlg4 = nullptr;
    g_pPatchPkgDlg5 = nullptr;
    g_pPatchPkgDlg6 = nullptr;
    g_pPatchPkgDlg3Hooks = nullptr;
    g_pPatchPkgDlg6Hooks = nullptr;
    SetForceCheckReader(nullptr);
    g_dwErrorCode = 0;
}

} // namespace testsupport
