#pragma once

#include "sim/Scenario.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sim {

// One memory of a reader, kept in a file of its own and written through in place: a write reaches
// the file at once, like a chip, and a process that dies mid-write leaves it partly written.
// Every access outside the memory fails and touches nothing.
class MemoryChip {
public:
    MemoryChip(std::string path, uint32_t size, uint8_t blank);
    virtual ~MemoryChip() = default;

    uint32_t Size() const { return m_size; }
    uint8_t Blank() const { return m_blank; }
    bool InRange(uint64_t offset, uint64_t length) const { return offset + length <= m_size; }

    bool Read(uint32_t offset, uint8_t* out, uint32_t length) const;
    // Sets every byte to the blank value.
    bool Erase();
    // Stores data as this kind of memory stores it (see the subclasses).
    virtual bool Write(uint32_t offset, const uint8_t* data, uint32_t length) = 0;
    // Replaces bytes whatever the memory kind (the control tool loading content).
    bool Overwrite(uint32_t offset, const uint8_t* data, uint32_t length);

protected:
    // Programs data over the current content: each byte keeps its bits and gains the 1-bits of the
    // data (setsBits) or loses its 0-bits (otherwise).
    bool Program(uint32_t offset, const uint8_t* data, uint32_t length, bool setsBits);

private:
    std::string m_path;
    uint32_t m_size;
    uint8_t m_blank;
};

// EEPROM: any byte can be rewritten.
class EepromChip : public MemoryChip {
public:
    using MemoryChip::MemoryChip;
    bool Write(uint32_t offset, const uint8_t* data, uint32_t length) override;
};

// EFUSE: one-time programmable. A blank 0xFF fuse can only lose 1-bits, a blank 0x00 fuse (mapped
// generation) can only gain them; a write never undoes a programmed bit.
class EfuseChip : public MemoryChip {
public:
    using MemoryChip::MemoryChip;
    bool Write(uint32_t offset, const uint8_t* data, uint32_t length) override;
};

// NOR FLASH: erase sets every bit; a write can only clear bits, so writing over data that was not
// erased leaves a mix of old and new (a verify finds it).
class FlashChip : public MemoryChip {
public:
    using MemoryChip::MemoryChip;
    bool Write(uint32_t offset, const uint8_t* data, uint32_t length) override;
};

// The chip object of one memory of a reader of the state in `folder` (size 0 when it lacks it).
std::unique_ptr<MemoryChip> OpenChip(const std::string& folder, size_t index, const Reader& reader,
                                     Memory memory);

// Replaces a memory file with the content.
bool CreateMemoryFile(const std::string& path, const std::vector<uint8_t>& content, std::string& error);
// Grows (with the blank value) or cuts a memory file to the new size.
bool ResizeMemoryFile(const std::string& path, uint32_t oldSize, uint32_t newSize, uint8_t blank,
                      std::string& error);

} // namespace sim
