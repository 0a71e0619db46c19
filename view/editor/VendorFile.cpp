#include "view/editor/VendorFile.h"

#include <algorithm>

namespace {

constexpr size_t kEepromFileLimit = 256;
constexpr size_t kSearchStep = 256;
constexpr uint16_t kEepromSignatures[] = {0x0807, 0x0809, 0x080B, 0x1006, 0x1008, 0x100A};

} // namespace

std::optional<size_t> LocateVendorBlock(const std::vector<uint8_t>& file) {
    const size_t size = file.size();
    if (size < kVendorBlockSize)
        return std::nullopt;
    if (size <= kEepromFileLimit) {
        const uint16_t signature = static_cast<uint16_t>(file[0] << 8 | file[1]);
        if (std::find(std::begin(kEepromSignatures), std::end(kEepromSignatures), signature) !=
            std::end(kEepromSignatures))
            return 0;
        return std::nullopt;
    }
    for (size_t back = kSearchStep; back <= size; back += kSearchStep) {
        const size_t offset = size - back;
        if ((file[offset] == 0x55 && file[offset + 1] == 0xAA) ||
            (file[offset] == 0xAA && file[offset + 1] == 0x55))
            return offset;
    }
    return std::nullopt;
}

std::optional<size_t> VendorBlockTarget(size_t imageSize, std::optional<size_t> vendorStart,
                                        uint32_t preOffset, bool hasIniFiles) {
    if (!vendorStart)
        return std::nullopt;
    const size_t target = *vendorStart + (hasIniFiles ? preOffset : 0);
    if (target > imageSize || imageSize - target < kVendorBlockSize)
        return std::nullopt;
    return target;
}

bool MergeVendorBlock(uint8_t* image, size_t imageSize, size_t target, const std::vector<uint8_t>& file,
                      size_t blockOffset) {
    if (!image || target > imageSize || imageSize - target < kVendorBlockSize || blockOffset > file.size() ||
        file.size() - blockOffset < kVendorBlockSize)
        return false;
    std::copy(file.begin() + static_cast<std::ptrdiff_t>(blockOffset + kVendorSignatureSize),
              file.begin() + static_cast<std::ptrdiff_t>(blockOffset + kVendorBlockSize),
              image + target + kVendorSignatureSize);
    return true;
}
