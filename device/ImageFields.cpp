#include "device/ImageFields.h"

#include "model/IcTypeIni.h"

namespace {

// The IC INI layouts apply only when an IC INI file is loaded and has the section in question.
CIcTypeIni* FieldLayoutIni() {
    return g_pIcTypeIni && !g_pIcTypeIni->UsesBuiltInLayout() ? g_pIcTypeIni : nullptr;
}

CIcTypeIni* LunLayoutIni() {
    return g_pIcTypeIni && !g_pIcTypeIni->UsesBuiltInLunLayout() ? g_pIcTypeIni : nullptr;
}

} // namespace

uint16_t ImageFields::GetVID() const {
    if (IsEmpty())
        return 0xFFFF;
    if (CIcTypeIni* ini = FieldLayoutIni())
        return ini->GetVID(m_window.pData, m_window.nSize);
    return m_builtIn.GetVID(m_window.pData, m_window.nSize);
}

uint16_t ImageFields::GetPID() const {
    if (IsEmpty())
        return 0xFFFF;
    if (CIcTypeIni* ini = FieldLayoutIni())
        return ini->GetPID(m_window.pData, m_window.nSize);
    return m_builtIn.GetPID(m_window.pData, m_window.nSize);
}

uint16_t ImageFields::GetFWVER() const {
    if (IsEmpty())
        return 0xFFFF;
    if (CIcTypeIni* ini = FieldLayoutIni())
        return ini->GetFWVER(m_window.pData, m_window.nSize);
    return 0xFFFF;
}

bool ImageFields::SetVID(uint16_t value) {
    if (IsEmpty())
        return false;
    if (CIcTypeIni* ini = FieldLayoutIni())
        return ini->SetVID(m_window.pData, m_window.nSize, value);
    return m_builtIn.SetVID(m_window.pData, m_window.nSize, value);
}

bool ImageFields::SetPID(uint16_t value) {
    if (IsEmpty())
        return false;
    if (CIcTypeIni* ini = FieldLayoutIni())
        return ini->SetPID(m_window.pData, m_window.nSize, value);
    return m_builtIn.SetPID(m_window.pData, m_window.nSize, value);
}

std::string ImageFields::GetUsbString(size_t index) const {
    if (IsEmpty())
        return std::string();
    if (CIcTypeIni* ini = FieldLayoutIni()) {
        switch (index) {
        case 0:
            return ini->GetManufacturer(m_window.pData, m_window.nSize);
        case 1:
            return ini->GetProduct(m_window.pData, m_window.nSize);
        default:
            return ini->GetSerialNumber(m_window.pData, m_window.nSize);
        }
    }
    return m_builtIn.GetUsbString(m_window.pData, m_window.nSize, index);
}

bool ImageFields::SetUSBStrings(const std::string& manufacturer, const std::string& product,
                                const std::string& serialNumber) {
    if (IsEmpty())
        return false;
    if (CIcTypeIni* ini = FieldLayoutIni())
        return ini->SetUSBStrings(m_window.pData, m_window.nSize, manufacturer, product, serialNumber);
    return m_builtIn.SetUSBStrings(m_window.pData, m_window.nSize, manufacturer, product, serialNumber);
}

std::string ImageFields::GetLunStr(size_t index) const {
    if (IsEmpty())
        return std::string();
    if (CIcTypeIni* ini = FieldLayoutIni())
        return ini->GetLunStr(m_window.pData, m_window.nSize, index);
    return m_builtIn.GetLunStr(m_window.pData, m_window.nSize, index);
}

bool ImageFields::SetLunStr(size_t index, const std::string& text) {
    if (IsEmpty())
        return false;
    if (CIcTypeIni* ini = FieldLayoutIni())
        return ini->SetLunStr(m_window.pData, m_window.nSize, index, text);
    return m_builtIn.SetLunStr(m_window.pData, m_window.nSize, index, text);
}

std::string ImageFields::GetInquiry(InquiryField which) const {
    if (IsEmpty())
        return std::string();
    if (CIcTypeIni* ini = FieldLayoutIni()) {
        switch (which) {
        case InquiryField::Vendor:
            return ini->GetInqVendor(m_window.pData, m_window.nSize);
        case InquiryField::Product:
            return ini->GetInqProduct(m_window.pData, m_window.nSize);
        case InquiryField::Revision:
            return ini->GetInqRevision(m_window.pData, m_window.nSize);
        }
    }
    return m_builtIn.GetInquiry(m_window.pData, m_window.nSize, which);
}

bool ImageFields::SetInquiry(InquiryField which, const std::string& text) {
    if (IsEmpty())
        return false;
    if (CIcTypeIni* ini = FieldLayoutIni()) {
        switch (which) {
        case InquiryField::Vendor:
            return ini->SetInqVendor(m_window.pData, m_window.nSize, text);
        case InquiryField::Product:
            return ini->SetInqProduct(m_window.pData, m_window.nSize, text);
        case InquiryField::Revision:
            return ini->SetInqRevision(m_window.pData, m_window.nSize, text);
        }
    }
    return m_builtIn.SetInquiry(m_window.pData, m_window.nSize, which, text);
}

uint8_t ImageFields::GetConfigOffset() const {
    uint8_t offset = 0;
    if (CIcTypeIni* ini = FieldLayoutIni(); ini && !IsEmpty())
        ini->GetConfigOffset(m_window.pData, m_window.nSize, offset);
    return offset;
}

uint8_t ImageFields::GetInqStrMode() const {
    if (IsEmpty())
        return 0xFF;
    if (CIcTypeIni* ini = LunLayoutIni())
        return ini->GetInqStrMode(m_window.pData, m_window.nSize);
    return m_builtIn.GetInqStrMode(m_window.pData, m_window.nSize);
}

bool ImageFields::SetInqStrMode(uint8_t value) {
    if (IsEmpty())
        return false;
    if (CIcTypeIni* ini = LunLayoutIni())
        return ini->SetInqStrMode(m_window.pData, m_window.nSize, value);
    return m_builtIn.SetInqStrMode(m_window.pData, m_window.nSize, value);
}

uint8_t ImageFields::GetLunAddr(unsigned lun) const {
    if (IsEmpty())
        return 0xFF;
    if (CIcTypeIni* ini = LunLayoutIni())
        return ini->GetLunAddr(m_window.pData, m_window.nSize, lun);
    return 0xFF;
}

uint8_t ImageFields::GetLunData(unsigned lun, uint8_t mask) const {
    if (IsEmpty())
        return 0xFF;
    if (CIcTypeIni* ini = LunLayoutIni())
        return ini->GetLunData(m_window.pData, m_window.nSize, lun, mask);
    return m_builtIn.GetLunData(m_window.pData, m_window.nSize, lun, mask);
}

bool ImageFields::SetLunData(unsigned lun, uint8_t mask, uint8_t value) {
    if (IsEmpty())
        return false;
    if (CIcTypeIni* ini = LunLayoutIni())
        return ini->SetLunData(m_window.pData, m_window.nSize, lun, mask, value);
    return m_builtIn.SetLunData(m_window.pData, m_window.nSize, lun, mask, value);
}

bool ImageFields::SetAllCombo(bool enable) {
    if (IsEmpty())
        return false;
    if (CIcTypeIni* ini = LunLayoutIni())
        return ini->SetAllCombo(m_window.pData, m_window.nSize, enable);
    return false;
}

bool ImageFields::ReadPropertyField(const FieldLayout& field, FieldValue& value) const {
    if (IsEmpty() || !g_pIcTypeIni)
        return false;
    auto read = ReadField(field, g_pIcTypeIni->GetConfigBlockLayout(), m_window.pData, m_window.nSize);
    if (!read)
        return false;
    value = *read;
    return true;
}

void ImageFields::WritePropertyFunEnable(uint8_t mode, uint8_t address, uint8_t mask) {
    if (!IsEmpty())
        WriteFunEnable(FunEnableLayout{mode, address, mask}, m_window.pData, m_window.nSize);
}

ImageFields::PropertyReading ImageFields::ReadProperty(const PropertyLayout& property) const {
    FieldValue value{0, 1};
    (void)ReadPropertyField(property.field, value); // an unreadable value shows as 0
    FieldValue enable{0, 1};
    (void)ReadPropertyField(
        {kAddrModeAbsolute, property.funEnable.byAddr, property.funEnable.byMask, kDataModeByte}, enable);
    return {value.dwValue, enable.dwValue};
}

bool ImageFields::WriteProperty(const PropertyLayout& property, uint32_t value) {
    if (IsEmpty() || !g_pIcTypeIni)
        return false;
    WritePropertyFunEnable(property.funEnable.byMode, property.funEnable.byAddr, property.funEnable.byMask);
    return WriteField(property.field, g_pIcTypeIni->GetConfigBlockLayout(), m_window.pData, m_window.nSize,
                      value, g_pIcTypeIni->m_byLastWritePos);
}
