#include "device/FlashInfo.h"

#include "model/IcTypeIni.h"

bool CFlashInfo_USB::DT_CheckImage(const uint8_t* image, size_t) {
    // With an IC INI file the vendor area starts "PreOffset" bytes before the block it marks.
    bool applyPreOffset = g_pIcTypeIni && !g_pIcTypeIni->m_IniFileNames.empty();
    uint8_t preOffset = static_cast<uint8_t>(g_pIcTypeIni ? g_pIcTypeIni->GetPreOffset() : 0);
    return LocateVendorArea(image, applyPreOffset, preOffset);
}
