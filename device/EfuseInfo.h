#pragma once

#include "device/MpFlowEfuse.h"

#include <string>

// The EFUSE device types: one-time-programmable fuses read, checked and programmed whole. DT_Erase
// checks that the fuses are still in their initial state; nothing can erase them.

class CEfuseInfo_USB : public CMpFlow_Efuse {
public:
    CEfuseInfo_USB() : CMpFlow_Efuse(DevTypeClass::EfuseUsb) {}

    uint32_t DT_Read() override;
    uint32_t DT_Erase() override;
    // After programming, the reader is reset and reopened so that it runs with the new fuses.
    uint32_t DT_Update() override;
    uint32_t DT_Download() override;

    uint32_t DT_SilentWriteBin(const std::string& path) override;
    uint32_t DT_SilentReadBin(const std::string& path) override;
    uint32_t DT_SilentReadTxt(const std::string& path) override;

private:
    uint32_t ProgramAndReset(uint32_t (CMpFlow_Efuse::*flow)(), ResultCode success);
};

class CEfuseInfo_PCIE : public CMpFlow_Efuse {
public:
    CEfuseInfo_PCIE() : CMpFlow_Efuse(DevTypeClass::EfusePcie) {}

    uint32_t DT_Read() override;
    uint32_t DT_Erase() override;
    uint32_t DT_Update() override;
    uint32_t DT_Download() override;

    uint32_t DT_SilentWriteBin(const std::string& path) override;
    uint32_t DT_SilentReadBin(const std::string& path) override;
    uint32_t DT_SilentReadTxt(const std::string& path) override;
};
