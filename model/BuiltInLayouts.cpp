#include "model/BuiltInLayouts.h"

#include "model/EestrFormat.h"
#include "model/FieldCodec.h"

namespace {

constexpr VendorAreaLayout kEepromUsbArea = {
    .byConfigAddr = 8,
    .byStringStart = 9,
    .byInqStrModePos = 7,
    .byInqStrModeMask = 0xF0,
    .lunOffsets = {0, 1, 2, 6, 10},
};

constexpr IdLayout kNoId = {IdEncoding::None, 0, 0};

// One row per device type, in the order of DevTypeClass.
constexpr BuiltInLayout kBuiltInLayouts[] = {
    {DevTypeClass::EfuseUsb, "CEfuseInfo_USB", {IdEncoding::U16LE, 0, 0}, {IdEncoding::U16LE, 2, 0}, nullptr},
    {DevTypeClass::EfusePcie,
     "CEfuseInfo_PCIE",
     {IdEncoding::U16LE, 1, 0},
     {IdEncoding::U16LE, 3, 0},
     nullptr},
    {DevTypeClass::FlashUsb,
     "CFlashInfo_USB",
     {IdEncoding::U16BE, 2, 0},
     {IdEncoding::U16BE, 4, 0},
     &kEepromUsbArea},
    {DevTypeClass::FlashPcie, "CFlashInfo_PCIE", kNoId, kNoId, nullptr},
    {DevTypeClass::EepromUsb,
     "CEepromInfo_USB",
     {IdEncoding::U16BE, 2, 0},
     {IdEncoding::U16BE, 4, 0},
     &kEepromUsbArea},
    {DevTypeClass::EepromPcie,
     "CEepromInfo_PCIE",
     {IdEncoding::SplitBytes, 8, 4},
     {IdEncoding::SplitBytes, 16, 12},
     nullptr},
    {DevTypeClass::SerialFlashUsb, "CSerialFlashInfo_USB", kNoId, kNoId, nullptr},
    {DevTypeClass::SerialFlashPcie, "CSerialFlashInfo_PCIE", kNoId, kNoId, nullptr},
};

uint16_t ReadId(const IdLayout& id, const uint8_t* image, size_t size) {
    uint16_t value = 0xFFFF;
    switch (id.encoding) {
    case IdEncoding::U16LE:
        return ReadU16LE(image, size, id.byPos, value) ? value : 0xFFFF;
    case IdEncoding::U16BE:
        return ReadU16BE(image, size, id.byPos, value) ? value : 0xFFFF;
    case IdEncoding::SplitBytes: {
        uint8_t high = 0;
        uint8_t low = 0;
        if (!ReadU8(image, size, id.byPos, high) || !ReadU8(image, size, id.byLowPos, low))
            return 0xFFFF;
        return static_cast<uint16_t>(high << 8 | low);
    }
    case IdEncoding::None:
        break;
    }
    return 0xFFFF;
}

bool WriteId(const IdLayout& id, uint8_t* image, size_t size, uint16_t value) {
    switch (id.encoding) {
    case IdEncoding::U16LE:
        return WriteU16LE(image, size, id.byPos, value);
    case IdEncoding::U16BE:
        return WriteU16BE(image, size, id.byPos, value);
    case IdEncoding::SplitBytes: {
        // Both bytes are checked before either is written.
        if (image == nullptr || id.byPos >= size || id.byLowPos >= size)
            return false;
        image[id.byPos] = static_cast<uint8_t>(value >> 8);
        image[id.byLowPos] = static_cast<uint8_t>(value);
        return true;
    }
    case IdEncoding::None:
        break;
    }
    return false;
}

} // namespace

DevTypeClass DevTypeClassOf(MemoryKind kind, BusType bus) {
    const bool pcie = bus == PCIE;
    switch (kind) {
    case EFUSE:
        return pcie ? DevTypeClass::EfusePcie : DevTypeClass::EfuseUsb;
    case EEPROM:
        return pcie ? DevTypeClass::EepromPcie : DevTypeClass::EepromUsb;
    case SERIALFLASH:
        return pcie ? DevTypeClass::SerialFlashPcie : DevTypeClass::SerialFlashUsb;
    case FLASH:
        break;
    }
    return pcie ? DevTypeClass::FlashPcie : DevTypeClass::FlashUsb;
}

const BuiltInLayout& GetBuiltInLayout(DevTypeClass devClass) {
    return kBuiltInLayouts[static_cast<size_t>(devClass)];
}

uint16_t BuiltInLayout::GetVID(const uint8_t* image, size_t size) const {
    return ReadId(vid, image, size);
}

uint16_t BuiltInLayout::GetPID(const uint8_t* image, size_t size) const {
    return ReadId(pid, image, size);
}

bool BuiltInLayout::SetVID(uint8_t* image, size_t size, uint16_t value) const {
    return WriteId(vid, image, size, value);
}

bool BuiltInLayout::SetPID(uint8_t* image, size_t size, uint16_t value) const {
    return WriteId(pid, image, size, value);
}

std::string BuiltInLayout::GetUsbString(const uint8_t* image, size_t size, size_t index) const {
    if (pVendorArea == nullptr || index >= CEestrFormat::kUsbStringCount)
        return std::string();
    CEestrFormat strings;
    strings.Decode(image, size, pVendorArea->byStringStart, pVendorArea->byConfigAddr, 0);
    return strings.m_UsbStrings[index];
}

bool BuiltInLayout::SetUSBStrings(uint8_t* image, size_t size, const std::string& manufacturer,
                                  const std::string& product, const std::string& serialNumber) const {
    if (pVendorArea == nullptr)
        return false;
    CEestrFormat strings;
    strings.Decode(image, size, pVendorArea->byStringStart, pVendorArea->byConfigAddr, 0);
    strings.m_UsbStrings = {manufacturer, product, serialNumber};
    return strings.Encode(image, size, pVendorArea->byStringStart, pVendorArea->byConfigAddr, 0);
}

std::string BuiltInLayout::GetLunStr(const uint8_t* image, size_t size, size_t index) const {
    if (pVendorArea == nullptr || index >= CEestrFormat::kLunStringCount)
        return std::string();
    CEestrFormat strings;
    strings.Decode(image, size, pVendorArea->byStringStart, pVendorArea->byConfigAddr, 0);
    return strings.m_LunStrings[index];
}

bool BuiltInLayout::SetLunStr(uint8_t* image, size_t size, size_t index, const std::string& text) const {
    if (pVendorArea == nullptr || index >= CEestrFormat::kLunStringCount)
        return false;
    CEestrFormat strings;
    strings.Decode(image, size, pVendorArea->byStringStart, pVendorArea->byConfigAddr, 0);
    strings.m_LunStrings[index] = text;
    return strings.Encode(image, size, pVendorArea->byStringStart, pVendorArea->byConfigAddr, 0);
}

std::string BuiltInLayout::GetInquiry(const uint8_t* image, size_t size, InquiryField which) const {
    uint8_t cfg = 0;
    if (pVendorArea == nullptr || !ReadU8(image, size, pVendorArea->byConfigAddr, cfg))
        return std::string();
    return ReadInquiryString(image, size, cfg, which, 0).value_or(std::string());
}

bool BuiltInLayout::SetInquiry(uint8_t* image, size_t size, InquiryField which,
                               const std::string& text) const {
    uint8_t cfg = 0;
    if (pVendorArea == nullptr || !ReadU8(image, size, pVendorArea->byConfigAddr, cfg))
        return false;
    return WriteInquiryString(image, size, cfg, which, text).has_value();
}

uint8_t BuiltInLayout::GetInqStrMode(const uint8_t* image, size_t size) const {
    uint8_t value = 0xFF;
    if (pVendorArea == nullptr ||
        !ReadMasked(image, size, pVendorArea->byInqStrModePos, pVendorArea->byInqStrModeMask, value))
        return 0xFF;
    return value;
}

bool BuiltInLayout::SetInqStrMode(uint8_t* image, size_t size, uint8_t value) const {
    return pVendorArea != nullptr &&
           WriteMasked(image, size, pVendorArea->byInqStrModePos, pVendorArea->byInqStrModeMask, value);
}

std::optional<size_t> BuiltInLayout::LunPosition(const uint8_t* image, size_t size, size_t lun) const {
    uint8_t cfg = 0;
    if (pVendorArea == nullptr || lun >= pVendorArea->lunOffsets.size() ||
        !ReadU8(image, size, pVendorArea->byConfigAddr, cfg))
        return std::nullopt;
    return size_t{cfg} + pVendorArea->lunOffsets[lun];
}

uint8_t BuiltInLayout::GetLunData(const uint8_t* image, size_t size, size_t lun, uint8_t mask) const {
    std::optional<size_t> pos = LunPosition(image, size, lun);
    uint8_t value = 0xFF;
    if (!pos || !ReadMasked(image, size, *pos, mask, value))
        return 0xFF;
    return value;
}

bool BuiltInLayout::SetLunData(uint8_t* image, size_t size, size_t lun, uint8_t mask, uint8_t value) const {
    std::optional<size_t> pos = LunPosition(image, size, lun);
    return pos && WriteMasked(image, size, *pos, mask, value);
}
