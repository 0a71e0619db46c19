#include "model/UserIni.h"

#include "model/EestrFormat.h"

#include <cstddef>
#include <iterator>

namespace {

constexpr size_t kMinStringImageSize = 128;
constexpr uint8_t kMinInquiryConfigOffset = 28;

// The single-number keys of "Vendor Info M1", one row each: the key and the value a missing key gives.
enum M1Number : size_t {
    kPreOffset,
    kConfigAddr,
    kConfigDataMode,
    kUsbStrAddr,
    kFlashCodeSize,
    kFlashBlockSize,
    kFlashTagAddr,
    kFlashHoldInfo,
    kFlashIcBugPatch,
    kFlashIcBugWritePatch,
    kFlashRetryCount,
    kCheckIcVersion,
    kCheckFwVersion,
    kCheckSubVersion,
    kRomIcVersion,
    kRomFwVersion,
    kRomSubVersion,
    kNeedReset,
    kM1NumberCount,
};

struct M1Setting {
    M1Number id;
    const char* key;
    int32_t def;
};

constexpr M1Setting kM1Settings[] = {
    {kPreOffset, "PreOffset", 0},
    {kConfigAddr, "Config Addr", 8},
    {kConfigDataMode, "Config DataMode", kDataModeAbsent},
    {kUsbStrAddr, "USBSTR Addr", 9},
    {kFlashCodeSize, "Flash CodeSize", 0},
    {kFlashBlockSize, "Flash BlockSize", 4096},
    {kFlashTagAddr, "Flash TagAddr", 0},
    {kFlashHoldInfo, "Flash HoldInfo", 0},
    {kFlashIcBugPatch, "Flash IcBugPatch", 0},
    {kFlashIcBugWritePatch, "Flash IcBugWritePatch", 0},
    {kFlashRetryCount, "Flash RetryCount", 1},
    {kCheckIcVersion, "Check IcVersion", 0},
    {kCheckFwVersion, "Check FwVersion", 0},
    {kCheckSubVersion, "Check SubVersion", 0},
    {kRomIcVersion, "Rom IcVersion", 0},
    {kRomFwVersion, "Rom FwVersion", 0},
    {kRomSubVersion, "Rom SubVersion", 0},
    {kNeedReset, "Need Reset", 1},
};

constexpr bool RowsInIdOrder() {
    if (std::size(kM1Settings) != kM1NumberCount)
        return false;
    for (size_t row = 0; row < std::size(kM1Settings); ++row)
        if (kM1Settings[row].id != row)
            return false;
    return true;
}
static_assert(RowsInIdOrder(), "one row per M1Number, in its order");

// The number of the key in the section at `section` (a FindSection index), or its default.
uint32_t M1Value(const CIniFile& ini, int section, M1Number id) {
    const M1Setting& setting = kM1Settings[id];
    return ini.GetNumber(section, setting.key, setting.def);
}

uint32_t M1Value(const CIniFile& ini, M1Number id) {
    return M1Value(ini, ini.FindSection(kSectionVendorM1), id);
}

bool NonZero(uint32_t& out, uint32_t value) {
    out = value;
    return value != 0;
}

} // namespace

uint32_t CUserIni::GetSettingNumber(const char* section, const std::string& key, int32_t def) const {
    return GetNumber(FindSection(section), key, def);
}

FieldLayout CUserIni::GetFieldLayout(const char* section, const std::string& prefix,
                                     const FieldLayout& def) const {
    const int index = FindSection(section);
    auto byte = [&](const char* suffix, uint8_t value) {
        return static_cast<uint8_t>(GetNumber(index, prefix + suffix, value));
    };
    return {byte("AddrMode", def.byAddrMode), byte("Addr", def.byAddr), byte("Mask", def.byMask),
            byte("DataMode", def.byDataMode)};
}

FunEnableLayout CUserIni::GetFunEnableLayout(const char* section, const std::string& prefix) const {
    const int index = FindSection(section);
    auto byte = [&](const char* suffix) {
        return static_cast<uint8_t>(GetNumber(index, prefix + suffix, 0));
    };
    return {byte("FunEnableMode"), byte("FunEnableAddr"), byte("FunEnableMask")};
}

ConfigBlockLayout CUserIni::GetConfigBlockLayout() const {
    const int index = FindSection(kSectionVendorM1);
    return {static_cast<uint8_t>(M1Value(*this, index, kPreOffset)),
            static_cast<uint8_t>(M1Value(*this, index, kConfigAddr)),
            static_cast<uint8_t>(M1Value(*this, index, kConfigDataMode))};
}

uint16_t CUserIni::ReadId(const char* prefix, uint8_t byDefaultAddr, const uint8_t* image,
                          size_t size) const {
    const FieldLayout field =
        GetFieldLayout(kSectionVendorM1, prefix, {kAddrModeAbsolute, byDefaultAddr, 0xFF, kDataModeU16BE});
    std::optional<FieldValue> value = ReadField(field, GetConfigBlockLayout(), image, size);
    return value ? OverlayU16(0xFFFF, *value) : 0xFFFF;
}

bool CUserIni::WriteId(const char* prefix, uint8_t byDefaultAddr, uint8_t* image, size_t size,
                       uint16_t value) {
    if (image == nullptr || size == 0)
        return false;
    WriteFunEnable(GetFunEnableLayout(kSectionVendorM1, ""), image, size);
    const FieldLayout field =
        GetFieldLayout(kSectionVendorM1, prefix, {kAddrModeAbsolute, byDefaultAddr, 0xFF, kDataModeU16BE});
    return WriteField(field, GetConfigBlockLayout(), image, size, value, m_byLastWritePos);
}

uint16_t CUserIni::GetVID(const uint8_t* image, size_t size) const {
    return ReadId("VID ", 2, image, size);
}

uint16_t CUserIni::GetPID(const uint8_t* image, size_t size) const {
    return ReadId("PID ", 4, image, size);
}

uint16_t CUserIni::GetFWVER(const uint8_t* image, size_t size) const {
    return ReadId("FWVER ", 9, image, size);
}

bool CUserIni::SetVID(uint8_t* image, size_t size, uint16_t value) {
    return WriteId("VID ", 2, image, size, value);
}

bool CUserIni::SetPID(uint8_t* image, size_t size, uint16_t value) {
    return WriteId("PID ", 4, image, size, value);
}

bool CUserIni::GetConfigOffset(const uint8_t* image, size_t size, uint8_t& offset) const {
    std::optional<uint8_t> found = ::GetConfigOffset(GetConfigBlockLayout(), image, size);
    if (!found)
        return false;
    offset = *found;
    return true;
}

uint32_t CUserIni::GetPreOffset() const {
    return M1Value(*this, kPreOffset);
}

bool CUserIni::HasStringArea(size_t size) const {
    return GetConfigBlockLayout().byConfigDataMode != kDataModeAbsent && size >= kMinStringImageSize;
}

std::string CUserIni::GetUsbString(const uint8_t* image, size_t size, size_t index) const {
    if (image == nullptr || !HasStringArea(size))
        return std::string();
    const ConfigBlockLayout config = GetConfigBlockLayout();
    CEestrFormat strings;
    strings.Decode(image, size, static_cast<uint8_t>(M1Value(*this, kUsbStrAddr)), config.byConfigAddr,
                   config.byPreOffset);
    return strings.m_UsbStrings[index];
}

std::string CUserIni::GetManufacturer(const uint8_t* image, size_t size) const {
    return GetUsbString(image, size, 0);
}

std::string CUserIni::GetProduct(const uint8_t* image, size_t size) const {
    return GetUsbString(image, size, 1);
}

std::string CUserIni::GetSerialNumber(const uint8_t* image, size_t size) const {
    return GetUsbString(image, size, 2);
}

bool CUserIni::SetUSBStrings(uint8_t* image, size_t size, const std::string& manufacturer,
                             const std::string& product, const std::string& serialNumber) {
    if (image == nullptr || size == 0)
        return false;
    if (!HasStringArea(size))
        return true;
    const ConfigBlockLayout config = GetConfigBlockLayout();
    const uint8_t start = static_cast<uint8_t>(M1Value(*this, kUsbStrAddr));
    CEestrFormat strings;
    strings.Decode(image, size, start, config.byConfigAddr, config.byPreOffset);
    strings.m_UsbStrings = {manufacturer, product, serialNumber};
    m_byLastWritePos = start;
    return strings.Encode(image, size, start, config.byConfigAddr, config.byPreOffset);
}

std::string CUserIni::GetLunStr(const uint8_t* image, size_t size, size_t index) const {
    if (image == nullptr || index >= CEestrFormat::kLunStringCount || !HasStringArea(size))
        return std::string();
    const ConfigBlockLayout config = GetConfigBlockLayout();
    CEestrFormat strings;
    strings.Decode(image, size, static_cast<uint8_t>(M1Value(*this, kUsbStrAddr)), config.byConfigAddr,
                   config.byPreOffset);
    return strings.m_LunStrings[index];
}

bool CUserIni::SetLunStr(uint8_t* image, size_t size, size_t index, const std::string& text) {
    if (image == nullptr || index >= CEestrFormat::kLunStringCount || !HasStringArea(size))
        return false;
    WriteFunEnable(GetFunEnableLayout(kSectionVendorM1, ""), image, size);
    const ConfigBlockLayout config = GetConfigBlockLayout();
    const uint8_t start = static_cast<uint8_t>(M1Value(*this, kUsbStrAddr));
    CEestrFormat strings;
    strings.Decode(image, size, start, config.byConfigAddr, config.byPreOffset);
    strings.m_LunStrings[index] = text;
    m_byLastWritePos = start;
    return strings.Encode(image, size, start, config.byConfigAddr, config.byPreOffset);
}

uint8_t CUserIni::RememberedLength(InquiryField which) const {
    switch (which) {
    case InquiryField::Vendor:
        return m_byInqVendorLen;
    case InquiryField::Product:
        return m_byInqProductLen;
    case InquiryField::Revision:
        break;
    }
    return m_byInqRevisionLen;
}

void CUserIni::RememberLength(InquiryField which, uint8_t length) {
    switch (which) {
    case InquiryField::Vendor:
        m_byInqVendorLen = length;
        break;
    case InquiryField::Product:
        m_byInqProductLen = length;
        break;
    case InquiryField::Revision:
        m_byInqRevisionLen = length;
        break;
    }
}

std::string CUserIni::GetInquiry(const uint8_t* image, size_t size, InquiryField which) const {
    uint8_t cfg = 0;
    if (!GetConfigOffset(image, size, cfg) || cfg < kMinInquiryConfigOffset)
        return std::string();
    return ReadInquiryString(image, size, cfg, which, RememberedLength(which)).value_or(std::string());
}

bool CUserIni::SetInquiry(uint8_t* image, size_t size, InquiryField which, const std::string& text) {
    WriteFunEnable(GetFunEnableLayout(kSectionVendorP2, "LunStr "), image, size);
    uint8_t cfg = 0;
    if (!GetConfigOffset(image, size, cfg) || cfg < kMinInquiryConfigOffset)
        return false;
    std::optional<size_t> copied = WriteInquiryString(image, size, cfg, which, text);
    if (!copied)
        return false;
    RememberLength(which, static_cast<uint8_t>(*copied));
    m_byLastWritePos = InquiryFieldStart(cfg, which);
    return true;
}

std::string CUserIni::GetInqVendor(const uint8_t* image, size_t size) const {
    return GetInquiry(image, size, InquiryField::Vendor);
}

std::string CUserIni::GetInqProduct(const uint8_t* image, size_t size) const {
    return GetInquiry(image, size, InquiryField::Product);
}

std::string CUserIni::GetInqRevision(const uint8_t* image, size_t size) const {
    return GetInquiry(image, size, InquiryField::Revision);
}

bool CUserIni::SetInqVendor(uint8_t* image, size_t size, const std::string& text) {
    return SetInquiry(image, size, InquiryField::Vendor, text);
}

bool CUserIni::SetInqProduct(uint8_t* image, size_t size, const std::string& text) {
    return SetInquiry(image, size, InquiryField::Product, text);
}

bool CUserIni::SetInqRevision(uint8_t* image, size_t size, const std::string& text) {
    return SetInquiry(image, size, InquiryField::Revision, text);
}

bool CUserIni::GetFlashCodeSize(uint32_t& value) const {
    return NonZero(value, M1Value(*this, kFlashCodeSize));
}

bool CUserIni::GetFlashBlockSize(uint32_t& value) const {
    return NonZero(value, M1Value(*this, kFlashBlockSize));
}

bool CUserIni::GetFlashTagAddr(uint32_t& value) const {
    return NonZero(value, M1Value(*this, kFlashTagAddr));
}

bool CUserIni::GetFlashHoldInfo(uint32_t& value) const {
    return NonZero(value, M1Value(*this, kFlashHoldInfo));
}

bool CUserIni::GetFlashIcBugPatch(uint32_t& value) const {
    return NonZero(value, M1Value(*this, kFlashIcBugPatch));
}

bool CUserIni::GetFlashIcBugWritePatch(uint32_t& value) const {
    return NonZero(value, M1Value(*this, kFlashIcBugWritePatch));
}

bool CUserIni::GetFlashRetryCount(uint32_t& value) const {
    return NonZero(value, M1Value(*this, kFlashRetryCount));
}

bool CUserIni::GetCheckIcVersion(uint32_t& value) const {
    return NonZero(value, M1Value(*this, kCheckIcVersion));
}

bool CUserIni::GetCheckFwVersion(uint32_t& value) const {
    return NonZero(value, M1Value(*this, kCheckFwVersion));
}

bool CUserIni::GetCheckSubVersion(uint32_t& value) const {
    return NonZero(value, M1Value(*this, kCheckSubVersion));
}

bool CUserIni::GetRomIcVersion(uint32_t& value) const {
    return NonZero(value, M1Value(*this, kRomIcVersion));
}

bool CUserIni::GetRomFwVersion(uint32_t& value) const {
    return NonZero(value, M1Value(*this, kRomFwVersion));
}

bool CUserIni::GetRomSubVersion(uint32_t& value) const {
    return NonZero(value, M1Value(*this, kRomSubVersion));
}

uint32_t CUserIni::GetNeedReset() const {
    return M1Value(*this, kNeedReset);
}
