#include "ui/DetailDlgLink.h"

IDetailDialog* g_pDetailDlg = nullptr;
DetailDlgFactory g_pfnCreateDetailDlg = nullptr;
