#pragma once

#include <cstdint>

// The main dialog's "Force Check" setting (m_bForceCheck) as the EFUSE flows see it. The main dialog
// installs a reader of its setting while it exists; other dialogs and the command line have none.
using ForceCheckReader = uint32_t (*)();

// Installs the reader (nullptr removes it). Called by the main thread, never during an operation.
void SetForceCheckReader(ForceCheckReader reader);

// True when a main dialog is shown and its m_bForceCheck is 1: the EFUSE flows then test the initial
// value of the fuses before they program them.
bool IsForceCheckRequested();
