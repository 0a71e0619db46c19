#pragma once

#include "model/BuiltInLayouts.h"
#include "model/EestrFormat.h"
#include "model/FieldCodec.h"
#include "model/InquiryStrings.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

// One codec run on fuzzer input: the first bytes choose a field layout, a configuration-block layout, a
// function-enable bit, a string-area start and a value; the rest is the image. The image lives in an
// allocation of exactly its size, so a sanitizer sees any access beyond it. Returns false when an
// invariant of the codec does not hold.
inline bool RunCodecFuzzCase(const uint8_t* data, size_t size) {
    constexpr size_t kHeader = 16;
    if (size < kHeader)
        return true;
    const FieldLayout field = {data[0], data[1], data[2], data[3]};
    const ConfigBlockLayout config = {data[4], data[5], data[6]};
    const FunEnableLayout funEnable = {data[7], data[8], data[9]};
    const uint8_t stringStart = data[10];
    uint32_t value = 0;
    std::memcpy(&value, data + 11, sizeof(value));
    const uint8_t selector = data[15];

    const size_t imageSize = size - kHeader;
    const std::unique_ptr<uint8_t[]> original(new uint8_t[imageSize]);
    std::memcpy(original.get(), data + kHeader, imageSize);
    const std::unique_ptr<uint8_t[]> image(new uint8_t[imageSize]);
    auto reset = [&] { std::memcpy(image.get(), original.get(), imageSize); };
    auto unchanged = [&] { return std::memcmp(image.get(), original.get(), imageSize) == 0; };
    reset();

    // A field read lies inside the image; a failed write changes nothing; a write reads back.
    if (std::optional<FieldValue> read = ReadField(field, config, image.get(), imageSize)) {
        std::optional<size_t> pos = FieldPosition(field, config, image.get(), imageSize);
        if (!pos || *pos + read->byWidth > imageSize)
            return false;
    }
    uint8_t lastWritePos = 0;
    if (!WriteField(field, config, image.get(), imageSize, value, lastWritePos)) {
        if (!unchanged())
            return false;
    } else {
        // A relative field may overwrite the pointer byte it was located by; then its position moved,
        // possibly out of the image.
        const bool pointerHit = field.byAddrMode == kAddrModeRelative &&
                                FieldPosition(field, config, original.get(), imageSize) !=
                                    FieldPosition(field, config, image.get(), imageSize);
        std::optional<FieldValue> back = ReadField(field, config, image.get(), imageSize);
        if (!back && !pointerHit)
            return false;
        uint32_t expected = value;
        if (back && back->byWidth == 1) {
            const unsigned shift = MaskShift(field.byMask);
            expected = field.byMask == 0 ? 0 : ((((value & 0xFF) << shift) & field.byMask) >> shift);
        } else if (back && back->byWidth == 2) {
            expected = value & 0xFFFF;
        }
        if (back && !pointerHit && back->dwValue != expected)
            return false;
    }
    reset();

    // The function-enable bit touches at most its own byte.
    WriteFunEnable(funEnable, image.get(), imageSize);
    for (size_t i = 0; i < imageSize; ++i) {
        if (i != funEnable.byAddr && image[i] != original[i])
            return false;
    }
    reset();

    // The string area: what decodes and encodes again decodes the same, up to the first empty USB
    // string (after which the area holds nothing).
    CEestrFormat strings;
    strings.Decode(image.get(), imageSize, stringStart, config.byConfigAddr, config.byPreOffset);
    if (strings.Encode(image.get(), imageSize, stringStart, config.byConfigAddr, config.byPreOffset)) {
        CEestrFormat again;
        again.Decode(image.get(), imageSize, stringStart, config.byConfigAddr, config.byPreOffset);
        bool complete = true;
        for (size_t i = 0; i < CEestrFormat::kUsbStringCount; ++i) {
            complete = complete && !strings.m_UsbStrings[i].empty();
            if (again.m_UsbStrings[i] != (complete ? strings.m_UsbStrings[i] : std::string()))
                return false;
        }
        for (size_t i = 0; i < CEestrFormat::kLunStringCount; ++i) {
            if (again.m_LunStrings[i] != (complete ? strings.m_LunStrings[i] : std::string()))
                return false;
        }
    } else if (!unchanged()) {
        return false;
    }
    reset();

    // Inquiry strings around a configuration offset taken from the input.
    const InquiryField which = static_cast<InquiryField>(selector % 3);
    const std::string text(reinterpret_cast<const char*>(data + 11),
                           std::min<size_t>(4 + selector % 16, size - 11));
    if (std::optional<size_t> copied = WriteInquiryString(image.get(), imageSize, data[5], which, text)) {
        if (!ReadInquiryString(image.get(), imageSize, data[5], which, *copied))
            return false;
    } else if (!unchanged()) {
        return false;
    }
    reset();

    // Every built-in layout on the same image, for memory safety.
    for (uint8_t devClass = 0; devClass < 8; ++devClass) {
        const BuiltInLayout& layout = GetBuiltInLayout(static_cast<DevTypeClass>(devClass));
        layout.GetVID(image.get(), imageSize);
        layout.SetPID(image.get(), imageSize, static_cast<uint16_t>(value));
        layout.GetUsbString(image.get(), imageSize, selector % 3);
        layout.SetLunStr(image.get(), imageSize, selector % 8, text);
        layout.GetInquiry(image.get(), imageSize, which);
        layout.SetInquiry(image.get(), imageSize, which, text);
        layout.SetInqStrMode(image.get(), imageSize, static_cast<uint8_t>(value));
        layout.SetLunData(image.get(), imageSize, selector % 6, field.byMask, static_cast<uint8_t>(value));
        layout.GetLunData(image.get(), imageSize, selector % 6, field.byMask);
    }
    return true;
}
