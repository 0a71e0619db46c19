#include "view/main/MainDlgRules.h"

#include "app/Messages.h"
#include "model/ProjectTypes.h"
#include "platform/Text.h"

namespace {

// "Customize UI" value of the download-only form.
constexpr uint32_t kDownloadOnlyUI = 2;

} // namespace

ButtonStates ComputeButtonStates(const ButtonInputs& in) {
    const bool idle = !in.bDevBusy && !in.bDownBusy;
    const bool free = idle && !in.bDetailShown;
    ButtonStates out{};
    out.bRead = idle;
    out.bUpdate = in.bDevBusy ? !in.bDownBusy : (!in.bDownBusy && in.bUploadValid);
    out.bUpdateIsCancel = in.bDevBusy;
    out.bDeviceEdits = idle && in.bUploadValid;
    out.bBrowse = free;
    out.bDownload = !in.bDevBusy && !in.bDetailShown && in.bHasPath;
    out.bDownloadIsCancel = in.bDownBusy;
    out.bFileEdits = free && in.bHasPath && in.bFileValid;
    return out;
}

MainLayout ComputeMainLayout(uint32_t memoryKind, uint32_t bus, uint32_t customizeUI, bool hasDetail) {
    const bool efuse = memoryKind == EFUSE;
    const bool pcie = bus == PCIE;
    const bool devicePanel = customizeUI != kDownloadOnlyUI;
    MainLayout out{};
    out.bStringRows = !efuse && !pcie;
    out.pszVidLabel = pcie ? "SSVID" : "VID";
    out.pszPidLabel = pcie ? "SSDID" : "PID";
    out.pszEraseButton = efuse ? "Check" : "Erase";
    out.bCheckTooltip = efuse;
    out.bDetailToggle = hasDetail && devicePanel;
    out.bDevicePanel = devicePanel;
    out.bVersionStatics = memoryKind == FLASH;
    return out;
}

std::string DeviceGroupCaption(uint32_t memoryKind) {
    return MemoryKindLongName(memoryKind) + " From Corvane Card Reader";
}

std::string FileGroupCaption(uint32_t memoryKind) {
    return MemoryKindLongName(memoryKind) + " From Binary File";
}

std::string FormatId(uint16_t value) {
    return platform::StrPrintf("%04X", value);
}

std::string VersionText(std::optional<uint16_t> version) {
    return version ? platform::StrPrintf("Ver: %04X", *version) : std::string("Ver: N/A");
}

uint16_t ParseHexId(const std::string& text) {
    uint16_t value = 0;
    size_t digits = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            break;
        if (++digits > 4)
            break;
        value = static_cast<uint16_t>(value * 16 + digit);
    }
    return value;
}

DetailHighlight ComputeDetailHighlight(VendorField field, uint8_t recordedPos, size_t manufacturerLength,
                                       size_t productLength, size_t serialLength) {
    auto size = [](size_t length) { return length == 0 ? 0u : static_cast<uint32_t>(length + 2); };
    switch (field) {
    case VendorField::Vid:
    case VendorField::Pid:
        return {recordedPos, 2};
    case VendorField::Manufacturer:
        return {recordedPos, size(manufacturerLength)};
    case VendorField::Product:
        return {static_cast<uint32_t>((recordedPos + manufacturerLength + 2) % 256), size(productLength)};
    case VendorField::SerialNumber:
        return {static_cast<uint32_t>((recordedPos + manufacturerLength + productLength + 4) % 256),
                size(serialLength)};
    }
    return {recordedPos, 0};
}
