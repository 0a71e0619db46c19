#include "view/update/UpdateDlgRules.h"

#include "app/Messages.h"
#include "platform/Text.h"

namespace {

unsigned Low16(intptr_t value) {
    return static_cast<unsigned>(static_cast<uintptr_t>(value) & 0xFFFF);
}

} // namespace

UpdateButtonState ComputeUpdateButton(bool needsFile, bool hasFile, bool ready, bool busy, bool libFailed) {
    const bool enabled = !libFailed && ready && (!needsFile || hasFile);
    return {enabled, busy ? "Cancel" : "Update"};
}

std::string UpdateBoxCaption(const std::string& title, uint32_t memoryKind) {
    return title.empty() ? ResultCaption(memoryKind) : title;
}

std::string FirmwareInfoText(const std::string& info) {
    return "Firmware Information : " + info;
}

std::string ReaderLineWithStatus(uint32_t code, intptr_t version) {
    return platform::StrPrintf("%s\n\nCurrent Firmware : %04X", LoadMessage(code).c_str(), Low16(version));
}

std::string CurrentFirmwareHex(intptr_t version) {
    return platform::StrPrintf("Current Firmware : 0x%04X", Low16(version));
}

std::string CurrentFirmware(intptr_t version) {
    return platform::StrPrintf("Current Firmware : %04X", Low16(version));
}

std::string PortCheckFailText(uintptr_t location) {
    return platform::StrPrintf("Port %d Check Device Info Fail!", static_cast<int>(location));
}
