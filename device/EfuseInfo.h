#pragma once

#include "device/MpFlowEfuse.h"

#include <string>

// The EFUSE device types: one-time-programmable fuses read, checked and programmed whole. DT_Erase
// checks that the fuses are still in their initial state; nothing can erase them.

class CEfuseInfo_USB : public CMpFlow_Efuse {
public:
    CEfuseInfo_USB() : CMpFlow_Efuse(DevTypeClass::EfuseUsb) {}

    [[nodiscard]] uint32_t DT_Read() override;
    [[nodiscard]] uint32_t DT_Erase() override;
    // After programming, the reader is reset and reopened so that it runs with the new fuses.
    [[nodiscard]] uint32_t DT_Update() override;
    [[nodiscard]] uint32_t DT_Download() override;

    [[nodiscard]] uint32_t DT_SilentWriteBin(const std::string& path) override;
    [[nodiscard]] uint32_t DT_SilentReadBin(const std::string& path) override;
    [[nodiscard]] uint32_t DT_SilentReadTxt(const std::string& path) override;

private:
    [[nodiscard]] uint32_t ProgramAndReset(uint32_t (CMpFlow_Efuse::*flow)(), ResultCode success);
};

class CEfuseInfo_PCIE : public CMpFlow_Efuse {
public:
    CEfuseInfo_PCIE() : CMpFlow_Efuse(DevTypeClass::EfusePcie) {}

    [[nodiscard]] uint32_t DT_Read() override;
    [[nodiscard]] uint32_t DT_Erase() override;
    [[nodiscard]] uint32_t DT_Update() override;
    [[nodiscard]] uint32_t DT_Download() override;

    [[nodiscard]] uint32_t DT_SilentWriteBin(const std::string& path) override;
    [[nodiscard]] uint32_t DT_SilentReadBin(const std::string& path) override;
    [[nodiscard]] uint32_t DT_SilentReadTxt(const std::string& path) override;
};
