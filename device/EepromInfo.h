#pragma once

#include "device/DevTypeInfo.h"

// The EEPROM device types.

class CEepromInfo_USB : public CDevTypeInfo {
public:
    CEepromInfo_USB() : CDevTypeInfo(DevTypeClass::EepromUsb) {}
};

class CEepromInfo_PCIE : public CDevTypeInfo {
public:
    CEepromInfo_PCIE() : CDevTypeInfo(DevTypeClass::EepromPcie) {}
};
