#pragma once

#include <cstdint>
#include <string>

// "Reader%s %S (Corvane %s Card Reader)": the short memory-kind name, the short version and the bus
// name, for example "ReaderEfuse 2.43 (Corvane USB Card Reader)".
std::string ReaderWindowTitle(uint32_t memoryKind, const char* version, uint32_t bus);

// The title of the firmware-update dialog that a "Customize UI" value selects: the "Title" setting
// when one is given (dialogs 1, 3 and 6), "Reader Check %S (Corvane %s Card Reader)" for the firmware
// check dialog (4), and the reader title otherwise.
std::string UpdateDialogTitle(uint32_t customizeUI, const std::string& configuredTitle, uint32_t memoryKind,
                              const char* version, uint32_t bus);
