#pragma once

#include "device/DevTypeInfo.h"

// The FLASH device types: the vendor area of the reader's firmware flash.

class CFlashInfo_USB : public CDevTypeInfo {
public:
    CFlashInfo_USB() : CDevTypeInfo(DevTypeClass::FlashUsb) {}
    // The vendor block is searched in the object's own images only, and its position is kept as the
    // image's vendor window.
    bool DT_CheckImage(const uint8_t* image, size_t size) override;
};

class CFlashInfo_PCIE : public CDevTypeInfo {
public:
    CFlashInfo_PCIE() : CDevTypeInfo(DevTypeClass::FlashPcie) {}
};
