#pragma once

#include "model/BuiltInLayouts.h"

#include <cstddef>
#include <cstdint>
#include <optional>

// Whether an image belongs to the configured device type. For USB FLASH this only says whether the
// vendor-information block is found; recording where it lies is the buffer holder's job.
bool CheckImage(DevTypeClass devClass, const uint8_t* image, size_t size);

// Offset of the vendor-information block of a FLASH image: the positions size - 256, size - 512, ... are
// examined in that order and the first one holding 55 AA or AA 55 is taken. With bApplyPreOffset the
// result lies byPreOffset bytes before it. None when no block is found or the pre-offset would move the
// position before the start of the buffer.
std::optional<size_t> FindInfoBlock(const uint8_t* buffer, size_t size, bool bApplyPreOffset,
                                    uint8_t byPreOffset);
