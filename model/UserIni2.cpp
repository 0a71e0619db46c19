#include "model/UserIni2.h"

#include "platform/Text.h"

namespace {

constexpr FieldLayout kInqStrModeDefault = {kAddrModeAbsent, 0, 0xFF, kDataModeAbsent};

} // namespace

uint8_t CUserIni2::GetInqStrMode(const uint8_t* image, size_t size) const {
    const FieldLayout field = GetFieldLayout(kSectionVendorP2, "LunStr ", kInqStrModeDefault);
    std::optional<FieldValue> value = ReadField(field, GetConfigBlockLayout(), image, size);
    return value ? static_cast<uint8_t>(value->dwValue) : 0xFF;
}

bool CUserIni2::SetInqStrMode(uint8_t* image, size_t size, uint8_t value) {
    WriteFunEnable(GetFunEnableLayout(kSectionVendorP2, "LunStr "), image, size);
    const FieldLayout field = GetFieldLayout(kSectionVendorP2, "LunStr ", kInqStrModeDefault);
    return WriteField(field, GetConfigBlockLayout(), image, size, value, m_byLastWritePos);
}

FieldLayout CUserIni2::GetLunLayout(unsigned lun, uint8_t mask) const {
    const int index = FindSection(kSectionVendorP2);
    auto byte = [&](const std::string& key, int32_t def) {
        return static_cast<uint8_t>(GetNumber(index, key, def));
    };
    return {byte("LUN AddrMode", kAddrModeAbsent), byte(platform::StrPrintf("LunAddr_%u", lun), 0), mask,
            byte("LUN DataMode", kDataModeAbsent)};
}

uint8_t CUserIni2::GetLunAddr(const uint8_t* image, size_t size, unsigned lun) const {
    const FieldLayout field = GetLunLayout(lun, 0);
    uint8_t offset = 0;
    if (field.byAddrMode == kAddrModeRelative && GetConfigOffset(image, size, offset))
        return static_cast<uint8_t>(field.byAddr + offset);
    return field.byAddr;
}

uint8_t CUserIni2::GetLunData(const uint8_t* image, size_t size, unsigned lun, uint8_t mask) const {
    std::optional<FieldValue> value = ReadField(GetLunLayout(lun, mask), GetConfigBlockLayout(), image, size);
    return value ? static_cast<uint8_t>(value->dwValue) : 0xFF;
}

bool CUserIni2::SetLunData(uint8_t* image, size_t size, unsigned lun, uint8_t mask, uint8_t value) {
    WriteFunEnable(GetFunEnableLayout(kSectionVendorP2, "LUN "), image, size);
    return WriteField(GetLunLayout(lun, mask), GetConfigBlockLayout(), image, size, value, m_byLastWritePos);
}

bool CUserIni2::SetAllCombo(uint8_t* image, size_t size, bool enable) {
    const int index = FindSection(kSectionVendorP2);
    uint8_t mode = static_cast<uint8_t>(GetNumber(index, "AllCombo Mode", 0));
    const uint8_t addr = static_cast<uint8_t>(GetNumber(index, "AllCombo Addr", 0));
    const uint8_t mask = static_cast<uint8_t>(GetNumber(index, "AllCombo Mask", 0));
    if (!enable && (mode == kFunEnableSet || mode == kFunEnableClear))
        mode = mode == kFunEnableSet ? kFunEnableClear : kFunEnableSet;
    if (mode == kFunEnableSet)
        return WriteMasked(image, size, addr, mask, 1);
    if (mode == kFunEnableClear)
        return WriteMasked(image, size, addr, mask, 0);
    return false;
}

uint32_t CUserIni2::GetMaxLun() const {
    return GetSettingNumber(kSectionVendorP2, "MaxLun", 0);
}

uint32_t CUserIni2::GetLunInqProdStr() const {
    return GetSettingNumber(kSectionVendorP2, "LUN InqProdStr", 0);
}

uint32_t CUserIni2::GetSocketCF() const {
    return GetSettingNumber(kSectionVendorP2, "Socket CF", 1);
}

uint32_t CUserIni2::GetSocketSM() const {
    return GetSettingNumber(kSectionVendorP2, "Socket SM", 1);
}

uint32_t CUserIni2::GetSocketSD() const {
    return GetSettingNumber(kSectionVendorP2, "Socket SD", 1);
}

uint32_t CUserIni2::GetSocketMS() const {
    return GetSettingNumber(kSectionVendorP2, "Socket MS", 1);
}

uint32_t CUserIni2::GetSocketSD2() const {
    return GetSettingNumber(kSectionVendorP2, "Socket SD2", 1);
}

uint32_t CUserIni2::GetSocketMS2() const {
    return GetSettingNumber(kSectionVendorP2, "Socket MS2", 1);
}

uint32_t CUserIni2::GetInquiryStringMode() const {
    return GetSettingNumber(kSectionVendorP2, "Inquiry String Mode", 1);
}

uint32_t CUserIni2::GetMaxLunMode() const {
    return GetSettingNumber(kSectionVendorP2, "MaxLun Mode", 1);
}
