#include "app/Messages.h"

#include "platform/Text.h"

#include <algorithm>
#include <iterator>

namespace {

// Sorted by identifier, so a look-up is a binary search.
constexpr MessageString kMessages[] = {
    {41500, "Not Support!"},
    {41501, "Load VRK Lib Fail!"},
    {41502, "Load VRK Fun Fail!"},
    {41511, "Detect Device Fail!\n\nPlease Insert Card Reader or Insert one Card if auto-delink function is "
            "enable."},
    {41512, "Reset Device Fail!\n\nPlease Insert one Card if auto-delink function is enable."},
    {41513, "Detected more than one device!\n\nPlease Remove or Disable some readers."},
    {41522, "Too many characters to be download!"},
    {41523, "Vendor Info of File is invalid!"},
    {41530, "Load File Data Fail!"},
    {41531, "Save File Data Fail!"},
    {41541, "Depends on FW"},
    {41542, "Cann't find correct option"},
    {41601, "Load EFUSE Data Fail!"},
    {41602, "EFUSE Data is invalid!"},
    {41603, "Initial Value of EFUSE is invalid!"},
    {41604, "Read EFUSE Fail!"},
    {41606, "Update EFUSE Data Fail!"},
    {41651, "Read EFUSE Code Succeed."},
    {41653, "Update EFUSE Code Succeed."},
    {41654, "Download EFUSE Code Succeed."},
    {41655, "Check EFUSE Initial Data Succeed."},
    {41701, "Load Flash Data Fail!"},
    {41702, "Get Code Size Fail!"},
    {41704, "Read Flash Fail!"},
    {41705, "Erase Flash Fail!"},
    {41706, "Update Flash Data Fail!"},
    {41707, "Get Hold Info Fail!"},
    {41708, "Malloc Data Fail!"},
    {41709, "Compare Data Fail!"},
    {41743, "Get Download Mode Fail!"},
    {41744, "Download Mode is Unknown!"},
    {41751, "Read Flash Code Succeed."},
    {41752, "Erase Flash Code Succeed."},
    {41753, "Update Flash Code Succeed."},
    {41754, "Firmware Update Succeed."},
    {41755, "Check Flash Data Succeed."},
    {41801, "Load EEPROM Data Fail!"},
    {41804, "Read EEPROM Fail!"},
    {41805, "Erase EEPROM Fail!"},
    {41806, "Update EEPROM Data Fail!"},
    {41851, "Read EEPROM Code Succeed."},
    {41852, "Erase EEPROM Code Succeed."},
    {41853, "Update EEPROM Code Succeed."},
    {41854, "Download EEPROM Code Succeed."},
    {41901, "Card is Absent!"},
    {41902, "Card Type is Wrong!"},
    {41903, "Get Bus Width Fail!"},
    {41904, "Check Bus Width Fail!"},
    {41905, "Check Device Info Fail!"},
    {41906, "Check Device Info Succeed."},
    {41907, "Can't Find Suitable FW File!"},
    {42000, "Efuse"},
    {42001, "FF"},
    {42002, "EE"},
    {42003, "SF"},
    {42010, "EFUSE"},
    {42011, "FLASH"},
    {42012, "EEPROM"},
    {42013, "Serial Flash"},
    {42020, "USB"},
    {42021, "PCIE"},
    {43001,
     "Congratulates, you have used more than one corvane card reader chips.\nPlease select the chip type "
     "you want to use."},
    {43031,
     "1  Read EFUSE Data.\n2  Verify whether the data is initial state or not.\n3  Quillix will return "
     "succeed if all data is 0xFF except some mask bits."},
    {43061,
     "1  Load binary file include Vendor Info.\n2  This button is same as the Vdr Load ... button below."},
    {43062, "1  Load binary file include FW Code.\n2  This button is same as the Load ... button below."},
    {43063,
     "1  Save binary file include FW Code and Vendor Info.\n2  This button is same as the Save ... button "
     "below."},
};

// Name tables hold four memory kinds and two buses; anything beyond has no string.
constexpr uint32_t kMemoryKindCount = 4;
constexpr uint32_t kBusCount = 2;

std::string LoadIndexed(uint32_t base, uint32_t index, uint32_t count) {
    return index < count ? LoadMessage(base + index) : std::string();
}

} // namespace

std::span<const MessageString> MessageTable() {
    return kMessages;
}

std::string LoadMessage(uint32_t id) {
    auto it = std::lower_bound(std::begin(kMessages), std::end(kMessages), id,
                               [](const MessageString& entry, uint32_t key) { return entry.id < key; });
    if (it == std::end(kMessages) || it->id != id)
        return std::string();
    return it->text;
}

std::string MemoryKindShortName(uint32_t kind) {
    return LoadIndexed(IDS_MEMORY_KIND_SHORT, kind, kMemoryKindCount);
}

std::string MemoryKindLongName(uint32_t kind) {
    return LoadIndexed(IDS_MEMORY_KIND_LONG, kind, kMemoryKindCount);
}

std::string BusName(uint32_t bus) {
    return LoadIndexed(IDS_BUS_NAME, bus, kBusCount);
}

std::string ResultCaption(uint32_t kind) {
    return platform::StrPrintf("Reader%s", MemoryKindShortName(kind).c_str());
}

std::string ResultCaptionWithTime(uint32_t kind, uint32_t elapsedMs) {
    return ResultCaption(kind) + platform::StrPrintf(" - %u ms", elapsedMs);
}
