#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The text of the hex view: a header line, then rows of eight bytes with the offset from the buffer
// start, the bytes in hex and the printable characters.

// The dump shows at most this many rows (512 bytes).
inline constexpr uint32_t kBinaryDumpMaxRows = 64;

// "---- :  BINARY DATA (<size> BYTES)".
std::string BinaryDumpHeader(uint32_t size);

// The rows of the dump, each without its leading line break. The rows start at `viewStart` when it lies
// inside the buffer, else at `data`. A last, partial row shows only the bytes that exist; an empty
// buffer has no rows.
std::vector<std::string> BinaryDumpRows(const uint8_t* data, uint32_t size, const uint8_t* viewStart);

// The offset of the first row from the buffer start: that of `viewStart` when it lies inside the
// buffer, else 0.
uint32_t DumpStartOffset(const uint8_t* data, uint32_t size, const uint8_t* viewStart);

// Header and rows joined by line breaks, so row r is line r + 1.
std::string BinaryDumpText(const uint8_t* data, uint32_t size, const uint8_t* viewStart);

// Where the two hex digits of a byte stand: its line (the header is line 0) and its column. `offset`
// counts from the first row, which starts `startOffset` bytes into the buffer; a row's offset takes four
// hex digits or more (1FF00h), which moves its bytes to the right.
struct DumpCell {
    int line;
    int column;
};
DumpCell DumpCellOf(uint32_t offset, uint32_t startOffset);
