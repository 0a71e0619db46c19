#include "model/InquiryStrings.h"

#include "platform/Text.h"

#include <algorithm>
#include <cstring>

namespace {

struct InquiryFieldRow {
    size_t distance;
    size_t width;
};

constexpr InquiryFieldRow kInquiryFields[] = {
    {28, 8},  // vendor
    {20, 16}, // product
    {4, 4},   // revision
};

const InquiryFieldRow& Row(InquiryField which) {
    return kInquiryFields[static_cast<size_t>(which)];
}

bool FieldFits(const uint8_t* image, size_t size, uint8_t start, size_t width) {
    return image != nullptr && start < size && width <= size - start;
}

} // namespace

size_t InquiryFieldDistance(InquiryField which) {
    return Row(which).distance;
}

size_t InquiryFieldWidth(InquiryField which) {
    return Row(which).width;
}

uint8_t InquiryFieldStart(uint8_t cfg, InquiryField which) {
    return static_cast<uint8_t>(cfg - Row(which).distance);
}

std::optional<std::string> ReadInquiryString(const uint8_t* image, size_t size, uint8_t cfg,
                                             InquiryField which, size_t keepLength) {
    const uint8_t start = InquiryFieldStart(cfg, which);
    const size_t width = InquiryFieldWidth(which);
    if (!FieldFits(image, size, start, width))
        return std::nullopt;
    std::string bytes(reinterpret_cast<const char*>(image + start), width);
    while (bytes.size() > keepLength && bytes.back() == ' ')
        bytes.pop_back();
    bytes.resize(std::min(bytes.size(), bytes.find('\0')));
    return platform::Latin1ToUtf8(bytes);
}

std::optional<size_t> WriteInquiryString(uint8_t* image, size_t size, uint8_t cfg, InquiryField which,
                                         const std::string& text) {
    const uint8_t start = InquiryFieldStart(cfg, which);
    const size_t width = InquiryFieldWidth(which);
    if (!FieldFits(image, size, start, width))
        return std::nullopt;
    std::string bytes = platform::Utf8ToLatin1(text);
    const size_t copied = std::min(bytes.size(), width);
    std::memset(image + start, ' ', width);
    std::memcpy(image + start, bytes.data(), copied);
    return copied;
}
