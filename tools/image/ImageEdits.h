#pragma once

#include "model/ProjectTypes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The field writes of `set`, in the editor's order and with the editor's limits.
struct ImageEdits {
    std::optional<uint16_t> vid;
    std::optional<uint16_t> pid;
    std::optional<std::string> manufacturer;
    std::optional<std::string> product;
    std::optional<std::string> serial;
    std::vector<std::pair<size_t, std::string>> lunStrings;
    std::optional<std::string> inqVendor;
    std::optional<std::string> inqProduct;
    std::optional<std::string> inqRevision;
    std::vector<std::pair<std::string, std::string>> properties; // name, value as the page shows it
};

// Up to four hexadecimal digits, with or without "0x"; none for anything else.
std::optional<uint16_t> ParseUsbId(const std::string& text);

// Applies the edits to the device-type object's upload image. 0, or the code with the reason:
// IDS_TOO_MANY_CHARACTERS for text that does not fit, IDS_NOT_SUPPORT for a field or property the
// layout lacks, IDS_NO_CORRECT_OPTION for a property value that is none of its options or does not fit
// its field.
ResultCode ApplyImageEdits(const ImageEdits& edits, std::string& error);
