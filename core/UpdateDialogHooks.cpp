#include "core/UpdateDialogHooks.h"

IPatchPkgDlg3Hooks* g_pPatchPkgDlg3Hooks = nullptr;
IPatchPkgDlg6Hooks* g_pPatchPkgDlg6Hooks = nullptr;
