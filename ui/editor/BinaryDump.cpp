#include "ui/editor/BinaryDump.h"

#include "platform/Text.h"

#include <algorithm>

namespace {

constexpr uint32_t kBytesPerRow = 8;
constexpr int kFirstHexColumn = 8;

char Printable(uint8_t byte) {
    return byte >= 0x21 && byte <= 0x7E ? static_cast<char>(byte) : '.';
}

} // namespace

std::string BinaryDumpHeader(uint32_t size) {
    return platform::StrPrintf("---- :  BINARY DATA (%d BYTES)", static_cast<int>(size));
}

std::vector<std::string> BinaryDumpRows(const uint8_t* data, uint32_t size, const uint8_t* viewStart) {
    std::vector<std::string> rows;
    if (data == nullptr || size == 0)
        return rows;
    uint32_t start = 0;
    if (viewStart != nullptr && viewStart >= data && viewStart < data + size)
        start = static_cast<uint32_t>(viewStart - data);
    const uint32_t remaining = size - start;
    const uint32_t rowCount = std::min(((remaining - 1) >> 3) + 1, kBinaryDumpMaxRows);
    for (uint32_t row = 0; row < rowCount; ++row) {
        const uint32_t offset = start + kBytesPerRow * row;
        const uint32_t present = std::min(kBytesPerRow, size - offset);
        std::string text = platform::StrPrintf("%04Xh:  ", offset);
        for (uint32_t j = 0; j < kBytesPerRow; ++j)
            text += j < present ? platform::StrPrintf("%02X ", data[offset + j]) : std::string("   ");
        text += "; ";
        for (uint32_t j = 0; j < present; ++j)
            text += Printable(data[offset + j]);
        rows.push_back(std::move(text));
    }
    return rows;
}

std::string BinaryDumpText(const uint8_t* data, uint32_t size, const uint8_t* viewStart) {
    std::string text = BinaryDumpHeader(size);
    for (const std::string& row : BinaryDumpRows(data, size, viewStart)) {
        text += '\n';
        text += row;
    }
    return text;
}

DumpCell DumpCellOf(uint32_t offset) {
    return {static_cast<int>(offset >> 3) + 1, kFirstHexColumn + 3 * static_cast<int>(offset & 7)};
}
