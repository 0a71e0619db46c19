#pragma once

#include "device/DevTypeInfo.h"

// The serial-FLASH device types: every device operation is unsupported.

class CSerialFlashInfo_USB : public CDevTypeInfo {
public:
    CSerialFlashInfo_USB() : CDevTypeInfo(DevTypeClass::SerialFlashUsb) {}
};

class CSerialFlashInfo_PCIE : public CDevTypeInfo {
public:
    CSerialFlashInfo_PCIE() : CDevTypeInfo(DevTypeClass::SerialFlashPcie) {}
};
