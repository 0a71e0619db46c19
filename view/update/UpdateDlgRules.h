#pragma once

#include <cstdint>
#include <string>

// Rules of the one-button firmware-update dialogs that are more than wiring.

// The Update button: enabled while the reader is ready and (for the dialogs with a firmware file) a
// file is set, never after the reader library failed; it reads "Cancel" while a request runs.
struct UpdateButtonState {
    bool bEnabled;
    const char* pszText;
    bool operator==(const UpdateButtonState& other) const {
        return bEnabled == other.bEnabled && std::string(pszText) == other.pszText;
    }
};

UpdateButtonState ComputeUpdateButton(bool needsFile, bool hasFile, bool ready, bool busy, bool libFailed);

// Caption of the dialogs' message boxes: the "Title" setting, or "Reader" with the short memory-kind name.
std::string UpdateBoxCaption(const std::string& title, uint32_t memoryKind);

// "Firmware Information : <info>".
std::string FirmwareInfoText(const std::string& info);

// The reader line of the single-file dialog: the status message, an empty line and
// "Current Firmware : %04X" with the low 16 bits of the version.
std::string ReaderLineWithStatus(uint32_t code, intptr_t version);
// "Current Firmware : 0x%04X" (table dialog) or "Current Firmware : %04X" (multi-reader dialog).
std::string CurrentFirmwareHex(intptr_t version);
std::string CurrentFirmware(intptr_t version);
// "Port %d Check Device Info Fail!".
std::string PortCheckFailText(uintptr_t location);
