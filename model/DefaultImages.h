#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// One built-in default image, embedded into the program from resources/default-images/.
struct EmbeddedImage {
    uint16_t wResourceId;
    const uint8_t* pData;
    size_t nSize;
};

extern const EmbeddedImage g_EmbeddedImages[];
extern const size_t g_nEmbeddedImages;

// The bytes of the default image with this resource id; empty when there is none.
std::span<const uint8_t> FindDefaultImage(uint16_t wResourceId);
