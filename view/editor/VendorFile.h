#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// The 128-byte vendor block: two signature bytes, then the vendor information that a merge copies.
inline constexpr size_t kVendorBlockSize = 128;
inline constexpr size_t kVendorSignatureSize = 2;

// Where the vendor block lies in a vendor file. A file of at most 256 bytes is the block itself (an
// EEPROM image) and must carry one of the EEPROM signatures; a larger file is searched from 256 bytes
// before its end towards its start, in steps of 256, for 55 AA or AA 55. A file too short to hold a
// whole block has none.
std::optional<size_t> LocateVendorBlock(const std::vector<uint8_t>& file);

// Offset of the vendor block in the upload image: the vendor-area start, plus "PreOffset" when the
// project lists IC INI files. None without a vendor-area start or when the block does not fit in the image.
std::optional<size_t> VendorBlockTarget(size_t imageSize, std::optional<size_t> vendorStart,
                                        uint32_t preOffset, bool hasIniFiles);

// Copies bytes 2 to 127 of the file's block over those of the image's block; the image keeps its own
// signature. False, with nothing copied, when either block does not lie wholly inside its buffer.
bool MergeVendorBlock(uint8_t* image, size_t imageSize, size_t target, const std::vector<uint8_t>& file,
                      size_t blockOffset);
