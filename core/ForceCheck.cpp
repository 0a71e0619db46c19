#include "core/ForceCheck.h"

#include "core/Broadcast.h"

namespace {
ForceCheckReader g_pfnForceCheckReader = nullptr;
}

void SetForceCheckReader(ForceCheckReader reader) {
    g_pfnForceCheckReader = reader;
}

bool IsForceCheckRequested() {
    return g_pMainDlg != nullptr && g_pfnForceCheckReader != nullptr && g_pfnForceCheckReader() == 1;
}
