#include "model/ConfigIni.h"

CIniFile* g_pConfigIni = nullptr;
