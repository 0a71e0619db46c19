#pragma once

#include "model/FieldCodec.h"
#include "model/IniFile.h"
#include "model/InquiryStrings.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Sections of an IC INI file that describe where the vendor information lies in an image.
constexpr char kSectionVendorM1[] = "Vendor Info M1";
constexpr char kSectionVendorP2[] = "Vendor Info P2";
constexpr char kSectionVendorS2[] = "Vendor Info S2";
constexpr char kSectionVendorP3[] = "Vendor Info P3";
constexpr char kSectionPropertyConfig[] = "Property Config";

// Identifiers, USB strings, inquiry strings and the FLASH and version settings of "Vendor Info M1",
// applied to an image through the field codec. Every call reads the loaded IC INI content afresh; a
// missing key gives its default, and layout numbers count only with their low byte.
class CUserIni : public CIniFile {
public:
    using CIniFile::CIniFile;

    // Identifiers: 0xFFFF when the field cannot be read.
    uint16_t GetVID(const uint8_t* image, size_t size) const;
    uint16_t GetPID(const uint8_t* image, size_t size) const;
    uint16_t GetFWVER(const uint8_t* image, size_t size) const;
    // The function-enable bit first, then the field.
    bool SetVID(uint8_t* image, size_t size, uint16_t value);
    bool SetPID(uint8_t* image, size_t size, uint16_t value);

    bool GetConfigOffset(const uint8_t* image, size_t size, uint8_t& offset) const;
    uint32_t GetPreOffset() const;
    // "PreOffset", "Config Addr" and "Config DataMode", as the field codec takes them.
    ConfigBlockLayout GetConfigBlockLayout() const;

    // The string area exists only with a configuration block ("Config DataMode" other than 255) and in an
    // image of at least 128 bytes; otherwise the getters give empty text.
    std::string GetManufacturer(const uint8_t* image, size_t size) const;
    std::string GetProduct(const uint8_t* image, size_t size) const;
    std::string GetSerialNumber(const uint8_t* image, size_t size) const;
    // True without writing when the layout has no string area; false when the strings do not fit.
    bool SetUSBStrings(uint8_t* image, size_t size, const std::string& manufacturer,
                       const std::string& product, const std::string& serialNumber);
    std::string GetLunStr(const uint8_t* image, size_t size, size_t index) const;
    // False when the layout has no string area, the index is not 0 to 7 or the strings do not fit.
    bool SetLunStr(uint8_t* image, size_t size, size_t index, const std::string& text);

    // The inquiry strings in the 28 bytes before the configuration block (offset of at least 28).
    std::string GetInqVendor(const uint8_t* image, size_t size) const;
    std::string GetInqProduct(const uint8_t* image, size_t size) const;
    std::string GetInqRevision(const uint8_t* image, size_t size) const;
    bool SetInqVendor(uint8_t* image, size_t size, const std::string& text);
    bool SetInqProduct(uint8_t* image, size_t size, const std::string& text);
    bool SetInqRevision(uint8_t* image, size_t size, const std::string& text);

    // FLASH settings; each reports whether the value is non-zero.
    bool GetFlashCodeSize(uint32_t& value) const;
    bool GetFlashBlockSize(uint32_t& value) const;
    bool GetFlashTagAddr(uint32_t& value) const;
    bool GetFlashHoldInfo(uint32_t& value) const;
    bool GetFlashIcBugPatch(uint32_t& value) const;
    bool GetFlashIcBugWritePatch(uint32_t& value) const;
    bool GetFlashRetryCount(uint32_t& value) const;
    // Version checks; each reports whether the value is set (non-zero).
    bool GetCheckIcVersion(uint32_t& value) const;
    bool GetCheckFwVersion(uint32_t& value) const;
    bool GetCheckSubVersion(uint32_t& value) const;
    bool GetRomIcVersion(uint32_t& value) const;
    bool GetRomFwVersion(uint32_t& value) const;
    bool GetRomSubVersion(uint32_t& value) const;
    uint32_t GetNeedReset() const;

    // Low byte of the image position written last; the editor reads it to show the change, then resets it.
    uint8_t m_byLastWritePos = 0;
    // Lengths of the inquiry strings written last: a read keeps trailing blanks up to them.
    uint8_t m_byInqVendorLen = 8;
    uint8_t m_byInqProductLen = 10;
    uint8_t m_byInqRevisionLen = 4;

protected:
    uint32_t GetSettingNumber(const char* section, const std::string& key, int32_t def) const;
    // The four keys prefix + "AddrMode", "Addr", "Mask" and "DataMode".
    FieldLayout GetFieldLayout(const char* section, const std::string& prefix, const FieldLayout& def) const;
    // The three keys prefix + "FunEnableMode", "FunEnableAddr" and "FunEnableMask" (defaults 0).
    FunEnableLayout GetFunEnableLayout(const char* section, const std::string& prefix) const;

    uint16_t ReadId(const char* prefix, uint8_t byDefaultAddr, const uint8_t* image, size_t size) const;
    bool WriteId(const char* prefix, uint8_t byDefaultAddr, uint8_t* image, size_t size, uint16_t value);
    bool HasStringArea(size_t size) const;
    std::string GetUsbString(const uint8_t* image, size_t size, size_t index) const;
    std::string GetInquiry(const uint8_t* image, size_t size, InquiryField which) const;
    bool SetInquiry(uint8_t* image, size_t size, InquiryField which, const std::string& text);
    uint8_t RememberedLength(InquiryField which) const;
    void RememberLength(InquiryField which, uint8_t length);
};
