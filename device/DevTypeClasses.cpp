#include "device/DevTypeClasses.h"

#include "core/Broadcast.h"
#include "model/IcTypeIni.h"

#include <memory>

bool CFlashInfo_USB::DT_CheckImage(const uint8_t* image, size_t) {
    // With an IC INI file the vendor area starts "PreOffset" bytes before the block it marks.
    bool applyPreOffset = g_pIcTypeIni && !g_pIcTypeIni->m_IniFileNames.empty();
    uint8_t preOffset = static_cast<uint8_t>(g_pIcTypeIni ? g_pIcTypeIni->GetPreOffset() : 0);
    return LocateVendorArea(image, applyPreOffset, preOffset);
}

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
