#pragma once

#include "view/editor/VendorFile.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

// One vendor-file merge on fuzzer input: the first four bytes give the image size and the vendor-area
// start, the fifth the PreOffset and whether IC INI files are listed; the rest is the vendor file. The
// image lives in an allocation of exactly its size. Returns false when the merge breaks its rules: a
// block found lies inside the file, the target block inside the image, and a merge changes exactly
// bytes 2 to 127 of the target block (nothing when it refuses).
inline bool RunVendorFileFuzzCase(const uint8_t* data, size_t size) {
    constexpr size_t kHeader = 5;
    if (size < kHeader)
        return true;
    const size_t imageSize = static_cast<size_t>(data[0]) << 4 | data[1] >> 4;
    const bool hasStart = (data[1] & 0x08) != 0;
    const size_t vendorStart = static_cast<size_t>(data[2]) << 8 | data[3];
    const uint32_t preOffset = data[4] & 0x7F;
    const bool hasIniFiles = (data[4] & 0x80) != 0;
    const std::vector<uint8_t> file(data + kHeader, data + size);

    const std::optional<size_t> block = LocateVendorBlock(file);
    if (block && *block + kVendorBlockSize > file.size())
        return false;
    const std::optional<size_t> target = VendorBlockTarget(
        imageSize, hasStart ? std::optional<size_t>(vendorStart) : std::nullopt, preOffset, hasIniFiles);
    if (target && *target + kVendorBlockSize > imageSize)
        return false;

    const std::unique_ptr<uint8_t[]> image(new uint8_t[imageSize == 0 ? 1 : imageSize]);
    for (size_t i = 0; i < imageSize; ++i)
        image[i] = static_cast<uint8_t>(i * 31 + 7);
    const std::vector<uint8_t> before(image.get(), image.get() + imageSize);
    const size_t at = target.value_or(vendorStart);
    const size_t from = block.value_or(file.empty() ? 0 : data[0] % file.size());
    const bool merged = MergeVendorBlock(image.get(), imageSize, at, file, from);
    for (size_t i = 0; i < imageSize; ++i) {
        const bool inBlock = merged && i >= at + kVendorSignatureSize && i < at + kVendorBlockSize;
        const uint8_t expected = inBlock ? file[from + (i - at)] : before[i];
        if (image[i] != expected)
            return false;
    }
    return true;
}
