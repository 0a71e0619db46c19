#pragma once

#include "device/DevTypeInfo.h"

// The eight device types. The memory kind and bus decide the fixed layout, the image check and which
// device operations exist.

class CEfuseInfo_USB : public CDevTypeInfo {
public:
    CEfuseInfo_USB() : CDevTypeInfo(DevTypeClass::EfuseUsb) {}
};

class CEfuseInfo_PCIE : public CDevTypeInfo {
public:
    CEfuseInfo_PCIE() : CDevTypeInfo(DevTypeClass::EfusePcie) {}
};

class CEepromInfo_USB : public CDevTypeInfo {
public:
    CEepromInfo_USB() : CDevTypeInfo(DevTypeClass::EepromUsb) {}
};

class CEepromInfo_PCIE : public CDevTypeInfo {
public:
    CEepromInfo_PCIE() : CDevTypeInfo(DevTypeClass::EepromPcie) {}
};

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

class CSerialFlashInfo_USB : public CDevTypeInfo {
public:
    CSerialFlashInfo_USB() : CDevTypeInfo(DevTypeClass::SerialFlashUsb) {}
};

class CSerialFlashInfo_PCIE : public CDevTypeInfo {
public:
    CSerialFlashInfo_PCIE() : CDevTypeInfo(DevTypeClass::SerialFlashPcie) {}
};
