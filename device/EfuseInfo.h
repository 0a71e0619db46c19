#pragma once

#include "device/DevTypeInfo.h"

// The EFUSE device types: one-time-programmable fuses read, checked and programmed whole.

class CEfuseInfo_USB : public CDevTypeInfo {
public:
    CEfuseInfo_USB() : CDevTypeInfo(DevTypeClass::EfuseUsb) {}
};

class CEfuseInfo_PCIE : public CDevTypeInfo {
public:
    CEfuseInfo_PCIE() : CDevTypeInfo(DevTypeClass::EfusePcie) {}
};
