#pragma once

#include "model/IniFile.h"

// The tool's own settings file, config.ini beside the executable: loaded at start-up, saved at exit.
extern CIniFile* g_pConfigIni;
