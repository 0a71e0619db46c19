#include "model/EestrFormat.h"

#include "platform/Text.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr uint8_t kStringDescriptorType = 3;
constexpr size_t kUsbRecordCap = 64;
constexpr uint8_t kLunLengthMask = 0x1F;

// The text of a record body: its bytes up to the first zero byte, as UTF-8.
std::string RecordText(const uint8_t* body, size_t length) {
    const uint8_t* end = std::find(body, body + length, uint8_t{0});
    return platform::Latin1ToUtf8(std::string(body, end));
}

} // namespace

std::optional<size_t> CEestrFormat::AreaLength(const uint8_t* image, size_t size, uint8_t start,
                                               uint8_t configAddr, uint8_t preOffset) {
    if (image == nullptr || configAddr >= size)
        return std::nullopt;
    int length = static_cast<int>(image[configAddr]) + preOffset - start - 28;
    if (length < 0 || length > static_cast<int>(kMaxAreaSize))
        length = 0;
    if (start > size || static_cast<size_t>(length) > size - start)
        return std::nullopt;
    // An area that holds its own length pointer would change its length when written.
    if (configAddr >= start && configAddr < start + length)
        return std::nullopt;
    return static_cast<size_t>(length);
}

void CEestrFormat::Decode(const uint8_t* image, size_t size, uint8_t start, uint8_t configAddr,
                          uint8_t preOffset) {
    for (std::string& text : m_UsbStrings)
        text.clear();
    for (std::string& text : m_LunStrings)
        text.clear();
    const size_t d = AreaLength(image, size, start, configAddr, preOffset).value_or(0);
    const uint8_t* area = image + (d == 0 ? 0 : start);

    // A record body never reaches beyond the area, whatever its length byte claims.
    auto body = [&](size_t f, size_t length) {
        size_t from = std::min(f + 2, d);
        return RecordText(area + from, std::min(f + length, d) - from);
    };

    size_t f = 0;
    for (size_t i = 0; i < kUsbStringCount && f < d; ++i) {
        size_t length = area[f];
        if (length >= d)
            return;
        if (length >= kUsbRecordCap)
            length = kUsbRecordCap;
        else if (length < 2)
            return;
        m_UsbStrings[i] = body(f, length);
        f += length;
    }
    for (size_t n = 0; n < kLunStringCount && f < d; ++n) {
        uint8_t head = area[f];
        size_t length = head & kLunLengthMask;
        if (length >= d || length < 2)
            return;
        m_LunStrings[head >> 5] = body(f, length);
        f += length;
    }
}

bool CEestrFormat::Encode(uint8_t* image, size_t size, uint8_t start, uint8_t configAddr,
                          uint8_t preOffset) const {
    std::optional<size_t> area = AreaLength(image, size, start, configAddr, preOffset);
    if (!area)
        return false;
    const size_t d = *area;

    std::array<std::string, kUsbStringCount> usb;
    std::array<std::string, kLunStringCount> lun;
    size_t needed = 0;
    auto narrow = [&](const std::string& text, size_t maxChars, std::string& out) {
        out = platform::Utf8ToLatin1(text);
        if (out.size() > maxChars || out.find('\0') != std::string::npos)
            return false;
        // A record as long as the whole area would not decode again.
        if (!out.empty() && out.size() + 2 >= d)
            return false;
        needed += out.empty() ? 0 : out.size() + 2;
        return true;
    };
    for (size_t i = 0; i < kUsbStringCount; ++i) {
        if (!narrow(m_UsbStrings[i], kMaxUsbStringChars, usb[i]))
            return false;
    }
    for (size_t i = 0; i < kLunStringCount; ++i) {
        if (!narrow(m_LunStrings[i], kMaxLunStringChars, lun[i]))
            return false;
    }
    if (needed > d)
        return false;

    std::vector<uint8_t> scratch;
    auto append = [&](uint8_t head, const std::string& text) {
        scratch.push_back(head);
        scratch.push_back(kStringDescriptorType);
        scratch.insert(scratch.end(), text.begin(), text.end());
    };
    // The decoder reads three USB records before any LUN record, so an empty USB string ends the area.
    bool usbComplete = true;
    for (const std::string& text : usb) {
        if (text.empty()) {
            usbComplete = false;
            break;
        }
        append(static_cast<uint8_t>(text.size() + 2), text);
    }
    if (usbComplete) {
        for (size_t i = 0; i < kLunStringCount; ++i) {
            if (!lun[i].empty())
                append(static_cast<uint8_t>(((lun[i].size() + 2) & kLunLengthMask) | (i << 5)), lun[i]);
        }
    }
    scratch.resize(d, 0);
    if (d > 0)
        std::memcpy(image + start, scratch.data(), d);
    return true;
}
