#include "ui/editor/BinaryDump.h"

#include "platform/Text.h"

#include <algorithm>

namespace {

constexpr uint32_t kBytesPerRow = 8;

// "%04Xh:  ": the row's offset from the buffer start.
std::string RowPrefix(uint32_t offset) {
    return platform::StrPrintf("%04Xh:  ", offset);
}

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
    const uint32_t start = DumpStartOffset(data, size, viewStart);
    const uint32_t remaining = size - start;
    const uint32_t rowCount = std::min(((remaining - 1) >> 3) + 1, kBinaryDumpMaxRows);
    for (uint32_t row = 0; row < rowCount; ++row) {
        const uint32_t offset = start + kBytesPerRow * row;
        const uint32_t present = std::min(kBytesPerRow, size - offset);
        std::string text = RowPrefix(offset);
        for (uint32_t j = 0; j < kBytesPerRow; ++j)
            text += j < present ? platform::StrPrintf("%02X ", data[offset + j]) : std::string("   ");
        text += "; ";
        for (uint32_t j = 0; j < present; ++j)
            text += Printable(data[offset + j]);
        rows.push_back(std::move(text));
    }
    return rows;
}

uint32_t DumpStartOffset(const uint8_t* data, uint32_t size, const uint8_t* viewStart) {
    if (data != nullptr && viewStart != nullptr && viewStart >= data && viewStart < data + size)
        return static_cast<uint32_t>(viewStart - data);
    return 0;
}

std::string BinaryDumpText(const uint8_t* data, uint32_t size, const uint8_t* viewStart) {
    std::string text = BinaryDumpHeader(size);
    for (const std::string& row : BinaryDumpRows(data, size, viewStart)) {
        text += '\n';
        text += row;
    }
    return text;
}

DumpCell DumpCellOf(uint32_t offset, uint32_t startOffset) {
    const uint32_t row = offset >> 3;
    const auto prefix = static_cast<int>(RowPrefix(startOffset + kBytesPerRow * row).size());
    return {static_cast<int>(row) + 1, prefix + 3 * static_cast<int>(offset & 7)};
}
