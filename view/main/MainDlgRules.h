#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The decisions of the main dialog, apart from its widgets.

// What SetButtons decides from: the two busy flags it is given and the state it finds.
struct ButtonInputs {
    bool bDevBusy;     // a Read, Erase or Update runs
    bool bDownBusy;    // a file load or a download runs
    bool bUploadValid; // the upload image exists and passes the image check
    bool bDetailShown;
    bool bHasPath; // a download file is named
    bool bFileValid;
};

struct ButtonStates {
    bool bRead; // also Erase/Check and the ">" toggle
    bool bUpdate;
    bool bUpdateIsCancel;
    bool bDeviceEdits;
    bool bBrowse; // the "..." button and the path field
    bool bDownload;
    bool bDownloadIsCancel;
    bool bFileEdits;
    bool operator==(const ButtonStates&) const = default;
};

ButtonStates ComputeButtonStates(const ButtonInputs& in);

// How InitUI lays the dialog out for the configured chip.
struct MainLayout {
    bool bStringRows;           // manufacturer, product and serial-number rows of both panels
    const char* pszVidLabel;    // "VID" or, on PCIe, "SSVID"
    const char* pszPidLabel;    // "PID" or "SSDID"
    const char* pszEraseButton; // "Check" on EFUSE, "Erase" otherwise
    bool bCheckTooltip;         // the EFUSE check explanation over that button
    bool bDetailToggle;         // the ">" button
    bool bDevicePanel;          // hidden in the download-only form
    bool bVersionStatics;       // the "Ver:" texts, FLASH only
    bool operator==(const MainLayout&) const = default;
};

// `hasDetail`: an IC INI file was found and the vendor-information editor is available.
MainLayout ComputeMainLayout(uint32_t memoryKind, uint32_t bus, uint32_t customizeUI, bool hasDetail);

// "%s From Corvane Card Reader" and "%s From Binary File" with the long memory-kind name.
std::string DeviceGroupCaption(uint32_t memoryKind);
std::string FileGroupCaption(uint32_t memoryKind);

// "%04X".
std::string FormatId(uint16_t value);
// "Ver: %04X", or "Ver: N/A" without a version.
std::string VersionText(std::optional<uint16_t> version);
// The leading hexadecimal digits of the text (at most 4), as an identifier; 0 when there are none.
uint16_t ParseHexId(const std::string& text);

// Which vendor field of the device panel the user changed.
enum class VendorField { Vid, Pid, Manufacturer, Product, SerialNumber };

// Where the hex view of the editor scrolls to and what it highlights after a change: the position the
// codec recorded, moved past the strings in front of the changed one (each takes its length + 2 bytes,
// the area wraps at 256), and the changed field's size (0 for an empty string). Lengths count
// characters.
struct DetailHighlight {
    uint32_t dwPosition;
    uint32_t dwLength;
    bool operator==(const DetailHighlight&) const = default;
};

DetailHighlight ComputeDetailHighlight(VendorField field, uint8_t recordedPos, size_t manufacturerLength,
                                       size_t productLength, size_t serialLength);
