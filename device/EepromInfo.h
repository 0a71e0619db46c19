#pragma once

#include "device/MpFlowEeprom.h"

#include <string>

// The EEPROM device types.

class CEepromInfo_USB : public CMpFlow_Eeprom {
public:
    CEepromInfo_USB() : CMpFlow_Eeprom(DevTypeClass::EepromUsb) {}

    [[nodiscard]] uint32_t DT_Read() override;
    [[nodiscard]] uint32_t DT_Erase() override;
    [[nodiscard]] uint32_t DT_Update() override;
    [[nodiscard]] uint32_t DT_Download() override;

    [[nodiscard]] uint32_t DT_SilentWriteBin(const std::string& path) override;
    [[nodiscard]] uint32_t DT_SilentReadBin(const std::string& path) override;
    [[nodiscard]] uint32_t DT_SilentReadTxt(const std::string& path) override;
    // The erase of DT_Erase; with reset 0 the reader is not reset afterwards.
    [[nodiscard]] uint32_t DT_SilentErase(uint32_t reset) override;
};

class CEepromInfo_PCIE : public CMpFlow_Eeprom {
public:
    CEepromInfo_PCIE() : CMpFlow_Eeprom(DevTypeClass::EepromPcie) {}

    [[nodiscard]] uint32_t DT_Read() override;
    [[nodiscard]] uint32_t DT_Erase() override;
    [[nodiscard]] uint32_t DT_Update() override;
    [[nodiscard]] uint32_t DT_Download() override;

    [[nodiscard]] uint32_t DT_SilentWriteBin(const std::string& path) override;
    [[nodiscard]] uint32_t DT_SilentReadBin(const std::string& path) override;
    [[nodiscard]] uint32_t DT_SilentReadTxt(const std::string& path) override;
};
