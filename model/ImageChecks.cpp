#include "model/ImageChecks.h"

#include <algorithm>

namespace {

constexpr size_t kInfoBlockStride = 256;

bool CheckEfuseUsb(const uint8_t*, size_t size) {
    return size == 16 || size == 40;
}

bool CheckEfusePcie(const uint8_t*, size_t size) {
    return size == 8;
}

bool CheckEepromUsb(const uint8_t* image, size_t size) {
    static constexpr uint16_t kSignatures[] = {0x0807, 0x0809, 0x080B, 0x1006, 0x1008, 0x100A};
    if (size < 2)
        return false;
    const uint16_t head = static_cast<uint16_t>(image[0] << 8 | image[1]);
    return std::find(std::begin(kSignatures), std::end(kSignatures), head) != std::end(kSignatures);
}

bool CheckEepromPcie(const uint8_t* image, size_t size) {
    static constexpr uint8_t kSignature[] = {0x0C, 0x00, 0x0C, 0xAA};
    return size >= 4 && std::equal(std::begin(kSignature), std::end(kSignature), image);
}

bool CheckFlashUsb(const uint8_t* image, size_t size) {
    return FindInfoBlock(image, size, false, 0).has_value();
}

bool Never(const uint8_t*, size_t) {
    return false;
}

using ImageCheck = bool (*)(const uint8_t*, size_t);

// One check per device type, in the order of DevTypeClass.
constexpr ImageCheck kImageChecks[] = {
    CheckEfuseUsb, CheckEfusePcie, CheckFlashUsb, Never, CheckEepromUsb, CheckEepromPcie, Never, Never,
};

} // namespace

bool CheckImage(DevTypeClass devClass, const uint8_t* image, size_t size) {
    if (image == nullptr)
        return false;
    return kImageChecks[static_cast<size_t>(devClass)](image, size);
}

std::optional<size_t> FindInfoBlock(const uint8_t* buffer, size_t size, bool bApplyPreOffset,
                                    uint8_t byPreOffset) {
    if (buffer == nullptr || size < kInfoBlockStride)
        return std::nullopt;
    for (size_t back = kInfoBlockStride; back <= size; back += kInfoBlockStride) {
        const size_t pos = size - back;
        const bool marked = (buffer[pos] == 0x55 && buffer[pos + 1] == 0xAA) ||
                            (buffer[pos] == 0xAA && buffer[pos + 1] == 0x55);
        if (!marked)
            continue;
        if (!bApplyPreOffset)
            return pos;
        if (byPreOffset > pos)
            return std::nullopt;
        return pos - byPreOffset;
    }
    return std::nullopt;
}
