#pragma once

#include "device/MpFlowEeprom.h"

#include <string>

// The EEPROM device types.

class CEepromInfo_USB : public CMpFlow_Eeprom {
public:
    CEepromInfo_USB() : CMpFlow_Eeprom(DevTypeClass::EepromUsb) {}

    uint32_t DT_Read() override;
    uint32_t DT_Erase() override;
    uint32_t DT_Update() override;
    uint32_t DT_Download() override;

    uint32_t DT_SilentWriteBin(const std::string& path) override;
    uint32_t DT_SilentReadBin(const std::string& path) override;
    uint32_t DT_SilentReadTxt(const std::string& path) override;
    // The erase of DT_Erase; with reset 0 the reader is not reset afterwards.
    uint32_t DT_SilentErase(uint32_t reset) override;
};

class CEepromInfo_PCIE : public CMpFlow_Eeprom {
public:
    CEepromInfo_PCIE() : CMpFlow_Eeprom(DevTypeClass::EepromPcie) {}

    uint32_t DT_Read() override;
    uint32_t DT_Erase() override;
    uint32_t DT_Update() override;
    uint32_t DT_Download() override;

    uint32_t DT_SilentWriteBin(const std::string& path) override;
    uint32_t DT_SilentReadBin(const std::string& path) override;
    uint32_t DT_SilentReadTxt(const std::string& path) override;
};
