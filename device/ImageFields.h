#pragma once

#include "model/BuiltInLayouts.h"
#include "model/FieldCodec.h"
#include "model/MpConfig.h"
#include "model/UserIni4.h"

#include <cstdint>
#include <string>

// Vendor fields of one image window. Each access uses the IC INI layout when the loaded IC INI file
// describes it and the device type's fixed layout otherwise; an empty window fails every access
// (0xFFFF for identifiers, empty text, 0xFF for bytes, false for writes).
class ImageFields {
public:
    ImageFields(const BuiltInLayout& builtIn, ImageWindow window) : m_builtIn(builtIn), m_window(window) {}

    uint16_t GetVID() const;
    uint16_t GetPID() const;
    uint16_t GetFWVER() const;
    bool SetVID(uint16_t value);
    bool SetPID(uint16_t value);

    std::string GetManufacturer() const { return GetUsbString(0); }
    std::string GetProduct() const { return GetUsbString(1); }
    std::string GetSerialNumber() const { return GetUsbString(2); }
    // False when the strings do not fit into the image's string area.
    bool SetUSBStrings(const std::string& manufacturer, const std::string& product,
                       const std::string& serialNumber);
    std::string GetLunStr(size_t index) const;
    bool SetLunStr(size_t index, const std::string& text);

    std::string GetInqVendor() const { return GetInquiry(InquiryField::Vendor); }
    std::string GetInqProduct() const { return GetInquiry(InquiryField::Product); }
    std::string GetInqRevision() const { return GetInquiry(InquiryField::Revision); }
    bool SetInqVendor(const std::string& text) { return SetInquiry(InquiryField::Vendor, text); }
    bool SetInqProduct(const std::string& text) { return SetInquiry(InquiryField::Product, text); }
    bool SetInqRevision(const std::string& text) { return SetInquiry(InquiryField::Revision, text); }

    uint8_t GetConfigOffset() const;

    uint8_t GetInqStrMode() const;
    bool SetInqStrMode(uint8_t value);
    uint8_t GetLunAddr(unsigned lun) const;
    uint8_t GetLunData(unsigned lun, uint8_t mask) const;
    bool SetLunData(unsigned lun, uint8_t mask, uint8_t value);
    bool SetAllCombo(bool enable);

    // A field that a property of the advanced page describes, and its function-enable bit.
    bool ReadPropertyField(const FieldLayout& field, FieldValue& value) const;
    void WritePropertyFunEnable(uint8_t mode, uint8_t address, uint8_t mask);

    // A property's value and the byte of its enable field, as the advanced page reads them; 0 for
    // either when it cannot be read.
    struct PropertyReading {
        uint32_t dwValue;
        uint32_t dwEnable;
    };
    PropertyReading ReadProperty(const PropertyLayout& property) const;
    // Writes a property's value as the advanced page does: the function-enable bit (skipped outside
    // the image), then the field. False when the field cannot be written.
    bool WriteProperty(const PropertyLayout& property, uint32_t value);

    bool IsEmpty() const { return m_window.pData == nullptr || m_window.nSize == 0; }

private:
    std::string GetUsbString(size_t index) const;
    std::string GetInquiry(InquiryField which) const;
    bool SetInquiry(InquiryField which, const std::string& text);

    const BuiltInLayout& m_builtIn;
    ImageWindow m_window;
};
