#include "model/DefaultImages.h"

std::span<const uint8_t> FindDefaultImage(uint16_t wResourceId) {
    for (size_t i = 0; i < g_nEmbeddedImages; ++i) {
        if (g_EmbeddedImages[i].wResourceId == wResourceId)
            return {g_EmbeddedImages[i].pData, g_EmbeddedImages[i].nSize};
    }
    return {};
}
