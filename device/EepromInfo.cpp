#include "device/EepromInfo.h"

#include "core/ResultCodes.h"
#include "device/SilentOps.h"

uint32_t CEepromInfo_USB::DT_Read() {
    return ReadEeprom();
}

uint32_t CEepromInfo_USB::DT_Erase() {
    return EraseEeprom(true, true);
}

uint32_t CEepromInfo_USB::DT_Update() {
    return WriteEepromImage(GetDataUp(), GetDataUpSize(), true, IDS_UPDATE_EEPROM_SUCCEED);
}

uint32_t CEepromInfo_USB::DT_Download() {
    return WriteEepromImage(GetDataDown(), GetDataDownSize(), true, IDS_DOWNLOAD_EEPROM_SUCCEED);
}

uint32_t CEepromInfo_USB::DT_SilentWriteBin(const std::string& path) {
    return SilentWriteBin(*this, path, IDS_LOAD_EEPROM_DATA_FAIL);
}

uint32_t CEepromInfo_USB::DT_SilentReadBin(const std::string& path) {
    return SilentDump(*this, path, DumpFormat::kBinary);
}

uint32_t CEepromInfo_USB::DT_SilentReadTxt(const std::string& path) {
    return SilentDump(*this, path, DumpFormat::kText);
}

uint32_t CEepromInfo_USB::DT_SilentErase(uint32_t reset) {
    return EraseEeprom(true, reset != 0);
}

uint32_t CEepromInfo_PCIE::DT_Read() {
    return ReadEeprom();
}

uint32_t CEepromInfo_PCIE::DT_Erase() {
    return EraseEeprom(false, false);
}

uint32_t CEepromInfo_PCIE::DT_Update() {
    return WriteEepromImage(GetDataUp(), GetDataUpSize(), false, IDS_UPDATE_EEPROM_SUCCEED);
}

uint32_t CEepromInfo_PCIE::DT_Download() {
    return WriteEepromImage(GetDataDown(), GetDataDownSize(), false, IDS_DOWNLOAD_EEPROM_SUCCEED);
}

uint32_t CEepromInfo_PCIE::DT_SilentWriteBin(const std::string& path) {
    return SilentWriteBin(*this, path, IDS_LOAD_EEPROM_DATA_FAIL);
}

uint32_t CEepromInfo_PCIE::DT_SilentReadBin(const std::string& path) {
    return SilentDump(*this, path, DumpFormat::kBinary);
}

uint32_t CEepromInfo_PCIE::DT_SilentReadTxt(const std::string& path) {
    return SilentDump(*this, path, DumpFormat::kText);
}
