#include "tools/image/ImageEdits.h"

#include "core/ResultCodes.h"
#include "device/DevTypeInfo.h"
#include "model/IcTypeIni.h"
#include "model/InquiryStrings.h"
#include "model/PropertyDisplay.h"
#include "platform/Text.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace {

// The LUN string boxes of the editor take up to 16 characters.
constexpr size_t kLunStringMaxChars = 16;

ResultCode TooLong(std::string& error, const std::string& what) {
    error = what + " does not fit into the image";
    return IDS_TOO_MANY_CHARACTERS;
}

ResultCode Lacks(std::string& error, const std::string& what) {
    error = "the image layout has no " + what;
    return IDS_NOT_SUPPORT;
}

ResultCode WriteInquiry(ImageFields& fields, InquiryField which, const std::string& text, const char* name,
                        bool (ImageFields::*set)(const std::string&), std::string& error) {
    if (platform::CharCount(text) > InquiryFieldWidth(which))
        return TooLong(error, platform::StrPrintf("inquiry %s \"%s\" (at most %zu characters)", name,
                                                  text.c_str(), InquiryFieldWidth(which)));
    if (!(fields.*set)(text))
        return Lacks(error, std::string("inquiry ") + name);
    return 0;
}

// The value a property's text stands for: one of its options, or a number (0x hexadecimal, leading 0
// octal, else decimal) that fits its field. None for anything else.
std::optional<uint32_t> PropertyValueOf(const PropertyLayout& property, const std::string& text) {
    if (!property.options.empty()) {
        if (std::find(property.options.begin(), property.options.end(), text) == property.options.end())
            return std::nullopt;
        return PropertyValueToStore(property, ParsePropertyText(property, text));
    }
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return std::nullopt;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 0);
    const size_t width = FieldWidth(property.field.byDataMode);
    const unsigned long long limit = width >= 4 ? 0xFFFFFFFFull : (1ull << (8 * width)) - 1;
    if (*end != '\0' || width == 0 || value > limit)
        return std::nullopt;
    return PropertyValueToStore(property, ParsePropertyText(property, text));
}

ResultCode WriteProperties(ImageFields& fields, const ImageEdits& edits, std::string& error) {
    const std::vector<PropertyLayout> properties =
        g_pIcTypeIni ? g_pIcTypeIni->GetProperties(g_ProjectType, g_BusType) : std::vector<PropertyLayout>();
    for (const auto& edit : edits.properties) {
        const std::string& name = edit.first;
        const std::string& text = edit.second;
        auto property = std::find_if(properties.begin(), properties.end(),
                                     [&name](const PropertyLayout& p) { return p.strName == name; });
        if (property == properties.end())
            return Lacks(error, "property \"" + name + "\"");
        const std::optional<uint32_t> value = PropertyValueOf(*property, text);
        if (!value) {
            std::string options;
            for (const std::string& option : property->options)
                options += (options.empty() ? "" : ", ") + ("\"" + option + "\"");
            error = "property \"" + name + "\" cannot take \"" + text + "\"" +
                    (options.empty() ? std::string(": not a number its field holds")
                                     : "; its options are " + options);
            return IDS_NO_CORRECT_OPTION;
        }
        if (!fields.WriteProperty(*property, *value))
            return Lacks(error, "room for property \"" + name + "\"");
    }
    return 0;
}

} // namespace

std::optional<uint16_t> ParseUsbId(const std::string& text) {
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits = digits.substr(2);
    if (digits.empty() || digits.size() > 4)
        return std::nullopt;
    uint16_t value = 0;
    for (char c : digits) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        value = static_cast<uint16_t>(value << 4 |
                                      (std::isdigit(static_cast<unsigned char>(c))
                                           ? c - '0'
                                           : std::toupper(static_cast<unsigned char>(c)) - 'A' + 10));
    }
    return value;
}

ResultCode ApplyImageEdits(const ImageEdits& edits, std::string& error) {
    ImageFields fields = g_pDevTypeInfo->UploadFields();
    if (edits.vid && !fields.SetVID(*edits.vid))
        return Lacks(error, "VID field");
    if (edits.pid && !fields.SetPID(*edits.pid))
        return Lacks(error, "PID field");
    if (edits.manufacturer || edits.product || edits.serial) {
        const std::string manufacturer = edits.manufacturer.value_or(fields.GetManufacturer());
        const std::string product = edits.product.value_or(fields.GetProduct());
        const std::string serial = edits.serial.value_or(fields.GetSerialNumber());
        if (!fields.SetUSBStrings(manufacturer, product, serial))
            return TooLong(error, "the USB strings");
    }
    for (const auto& [lun, text] : edits.lunStrings) {
        if (platform::CharCount(text) > kLunStringMaxChars)
            return TooLong(error, platform::StrPrintf("LUN %zu string \"%s\" (at most %zu characters)", lun,
                                                      text.c_str(), kLunStringMaxChars));
        if (!fields.SetLunStr(lun, text))
            return TooLong(error, platform::StrPrintf("LUN %zu string \"%s\"", lun, text.c_str()));
    }
    if (edits.inqVendor) {
        if (ResultCode code = WriteInquiry(fields, InquiryField::Vendor, *edits.inqVendor, "vendor",
                                           &ImageFields::SetInqVendor, error))
            return code;
    }
    if (edits.inqProduct) {
        if (ResultCode code = WriteInquiry(fields, InquiryField::Product, *edits.inqProduct, "product",
                                           &ImageFields::SetInqProduct, error))
            return code;
    }
    if (edits.inqRevision) {
        if (ResultCode code = WriteInquiry(fields, InquiryField::Revision, *edits.inqRevision, "revision",
                                           &ImageFields::SetInqRevision, error))
            return code;
    }
    return WriteProperties(fields, edits, error);
}
