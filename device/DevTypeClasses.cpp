#include "device/DevTypeClasses.h"

#include "core/Broadcast.h"
#include "model/IcTypeIni.h"

#include <memory>

namespace {

std::unique_ptr<CDevTypeInfo> NewDevTypeInfo(DevTypeClass devClass) {
    switch (devClass) {
    case DevTypeClass::EfuseUsb:
        return std::make_unique<CEfuseInfo_USB>();
    case DevTypeClass::EfusePcie:
        return std::make_unique<CEfuseInfo_PCIE>();
    case DevTypeClass::FlashUsb:
        return std::make_unique<CFlashInfo_USB>();
    case DevTypeClass::FlashPcie:
        return std::make_unique<CFlashInfo_PCIE>();
    case DevTypeClass::EepromUsb:
        return std::make_unique<CEepromInfo_USB>();
    case DevTypeClass::EepromPcie:
        return std::make_unique<CEepromInfo_PCIE>();
    case DevTypeClass::SerialFlashUsb:
        return std::make_unique<CSerialFlashInfo_USB>();
    case DevTypeClass::SerialFlashPcie:
        return std::make_unique<CSerialFlashInfo_PCIE>();
    }
    return nullptr;
}

} // namespace

void DestroyDevTypeInfo() {
    delete g_pDevTypeInfo;
    g_pDevTypeInfo = nullptr;
}

void CreateDevTypeInfo() {
    DestroyDevTypeInfo();
    g_pDevTypeInfo = NewDevTypeInfo(DevTypeClassOf(g_ProjectType, g_BusType)).release();
    g_dwErrorCode = 0;
}
