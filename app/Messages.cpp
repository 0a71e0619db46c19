#include "app/Messages.h"

#include "platform/Text.h"

#include <algorithm>
#include <iterator>

namespace {

// Sorted by identifier, so a look-up is a binary search.
constexpr MessageString kMessages[] = {
    {IDS_NOT_SUPPORT, "Not Support!"},
    {IDS_LOAD_LIB_FAIL, "Load VRK Lib Fail!"},
    {IDS_LOAD_FUN_FAIL, "Load VRK Fun Fail!"},
    {IDS_DETECT_DEVICE_FAIL,
     "Detect Device Fail!\n\nPlease Insert Card Reader or Insert one Card if auto-delink function is "
     "enable."},
    {IDS_RESET_DEVICE_FAIL,
     "Reset Device Fail!\n\nPlease Insert one Card if auto-delink function is enable."},
    {IDS_MORE_THAN_ONE_DEVICE, "Detected more than one device!\n\nPlease Remove or Disable some readers."},
    {IDS_TOO_MANY_CHARACTERS, "Too many characters to be download!"},
    {IDS_FILE_VENDOR_INFO_INVALID, "Vendor Info of File is invalid!"},
    {IDS_LOAD_FILE_DATA_FAIL, "Load File Data Fail!"},
    {IDS_SAVE_FILE_DATA_FAIL, "Save File Data Fail!"},
    {IDS_DEPENDS_ON_FW, "Depends on FW"},
    {IDS_NO_CORRECT_OPTION, "Cann't find correct option"},
    {IDS_LOAD_EFUSE_DATA_FAIL, "Load EFUSE Data Fail!"},
    {IDS_EFUSE_DATA_INVALID, "EFUSE Data is invalid!"},
    {IDS_EFUSE_INITIAL_INVALID, "Initial Value of EFUSE is invalid!"},
    {IDS_READ_EFUSE_FAIL, "Read EFUSE Fail!"},
    {IDS_UPDATE_EFUSE_FAIL, "Update EFUSE Data Fail!"},
    {IDS_READ_EFUSE_SUCCEED, "Read EFUSE Code Succeed."},
    {IDS_UPDATE_EFUSE_SUCCEED, "Update EFUSE Code Succeed."},
    {IDS_DOWNLOAD_EFUSE_SUCCEED, "Download EFUSE Code Succeed."},
    {IDS_CHECK_EFUSE_SUCCEED, "Check EFUSE Initial Data Succeed."},
    {IDS_LOAD_FLASH_DATA_FAIL, "Load Flash Data Fail!"},
    {IDS_GET_CODE_SIZE_FAIL, "Get Code Size Fail!"},
    {IDS_READ_FLASH_FAIL, "Read Flash Fail!"},
    {IDS_ERASE_FLASH_FAIL, "Erase Flash Fail!"},
    {IDS_UPDATE_FLASH_FAIL, "Update Flash Data Fail!"},
    {IDS_GET_HOLD_INFO_FAIL, "Get Hold Info Fail!"},
    {IDS_MALLOC_DATA_FAIL, "Malloc Data Fail!"},
    {IDS_COMPARE_DATA_FAIL, "Compare Data Fail!"},
    {IDS_GET_DOWNLOAD_MODE_FAIL, "Get Download Mode Fail!"},
    {IDS_DOWNLOAD_MODE_UNKNOWN, "Download Mode is Unknown!"},
    {IDS_READ_FLASH_SUCCEED, "Read Flash Code Succeed."},
    {IDS_ERASE_FLASH_SUCCEED, "Erase Flash Code Succeed."},
    {IDS_UPDATE_FLASH_SUCCEED, "Update Flash Code Succeed."},
    {IDS_FW_UPDATE_SUCCEED, "Firmware Update Succeed."},
    {IDS_CHECK_FLASH_SUCCEED, "Check Flash Data Succeed."},
    {IDS_LOAD_EEPROM_DATA_FAIL, "Load EEPROM Data Fail!"},
    {IDS_READ_EEPROM_FAIL, "Read EEPROM Fail!"},
    {IDS_ERASE_EEPROM_FAIL, "Erase EEPROM Fail!"},
    {IDS_UPDATE_EEPROM_FAIL, "Update EEPROM Data Fail!"},
    {IDS_READ_EEPROM_SUCCEED, "Read EEPROM Code Succeed."},
    {IDS_ERASE_EEPROM_SUCCEED, "Erase EEPROM Code Succeed."},
    {IDS_UPDATE_EEPROM_SUCCEED, "Update EEPROM Code Succeed."},
    {IDS_DOWNLOAD_EEPROM_SUCCEED, "Download EEPROM Code Succeed."},
    {IDS_CARD_ABSENT, "Card is Absent!"},
    {IDS_CARD_TYPE_WRONG, "Card Type is Wrong!"},
    {IDS_GET_BUS_WIDTH_FAIL, "Get Bus Width Fail!"},
    {IDS_CHECK_BUS_WIDTH_FAIL, "Check Bus Width Fail!"},
    {IDS_CHECK_DEVICE_INFO_FAIL, "Check Device Info Fail!"},
    {IDS_CHECK_DEVICE_INFO_SUCCEED, "Check Device Info Succeed."},
    {IDS_NO_SUITABLE_FW_FILE, "Can't Find Suitable FW File!"},
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
    {IDS_TIP_IC_TYPE,
     "Congratulates, you have used more than one corvane card reader chips.\nPlease select the chip type "
     "you want to use."},
    {IDS_TIP_EFUSE_CHECK,
     "1  Read EFUSE Data.\n2  Verify whether the data is initial state or not.\n3  Quillix will return "
     "succeed if all data is 0xFF except some mask bits."},
    {IDS_TIP_LOAD_VENDOR_INFO,
     "1  Load binary file include Vendor Info.\n2  This button is same as the Vdr Load ... button below."},
    {IDS_TIP_LOAD_FW_CODE,
     "1  Load binary file include FW Code.\n2  This button is same as the Load ... button below."},
    {IDS_TIP_SAVE_BINARY,
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
