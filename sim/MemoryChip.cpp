#include "sim/MemoryChip.h"

#include "sim/Presets.h"

#include "sim/FileAccess.h"

#include <algorithm>

namespace sim {

namespace {

bool FillRange(SimFile& file, uint64_t from, uint64_t to, uint8_t value) {
    std::vector<uint8_t> chunk(64 * 1024, value);
    for (uint64_t pos = from; pos < to; pos += chunk.size()) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(chunk.size(), to - pos));
        if (!file.WriteAt(pos, chunk.data(), n))
            return false;
    }
    return true;
}

} // namespace

MemoryChip::MemoryChip(std::string path, uint32_t size, uint8_t blank)
    : m_path(std::move(path)), m_size(size), m_blank(blank) {}

bool MemoryChip::Read(uint32_t offset, uint8_t* out, uint32_t length) const {
    if (!InRange(offset, length))
        return false;
    if (length == 0)
        return true;
    SimFile file(m_path, SimFile::Mode::Read);
    return file.ReadAt(offset, out, length);
}

bool MemoryChip::Erase() {
    SimFile file(m_path, SimFile::Mode::Write);
    return FillRange(file, 0, m_size, m_blank) && file.Close();
}

bool MemoryChip::Overwrite(uint32_t offset, const uint8_t* data, uint32_t length) {
    if (!InRange(offset, length))
        return false;
    if (length == 0)
        return true;
    SimFile file(m_path, SimFile::Mode::Write);
    return file.WriteAt(offset, data, length) && file.Close();
}

bool MemoryChip::Program(uint32_t offset, const uint8_t* data, uint32_t length, bool setsBits) {
    if (!InRange(offset, length))
        return false;
    std::vector<uint8_t> merged(length);
    if (!Read(offset, merged.data(), length))
        return false;
    for (uint32_t i = 0; i < length; ++i)
        merged[i] =
            setsBits ? static_cast<uint8_t>(merged[i] | data[i]) : static_cast<uint8_t>(merged[i] & data[i]);
    return Overwrite(offset, merged.data(), length);
}

bool EepromChip::Write(uint32_t offset, const uint8_t* data, uint32_t length) {
    return Overwrite(offset, data, length);
}

bool EfuseChip::Write(uint32_t offset, const uint8_t* data, uint32_t length) {
    return Program(offset, data, length, Blank() == 0x00);
}

bool FlashChip::Write(uint32_t offset, const uint8_t* data, uint32_t length) {
    return Program(offset, data, length, false);
}

std::unique_ptr<MemoryChip> OpenChip(const std::string& folder, size_t index, const Reader& reader,
                                     Memory memory) {
    std::string path = MemoryPath(folder, index, memory);
    uint32_t size = reader.MemorySize(memory);
    uint8_t blank = BlankByte(reader, memory);
    switch (memory) {
    case Memory::Efuse:
        return std::make_unique<EfuseChip>(path, size, blank);
    case Memory::Eeprom:
        return std::make_unique<EepromChip>(path, size, blank);
    case Memory::Flash:
        return std::make_unique<FlashChip>(path, size, blank);
    }
    return nullptr;
}

bool CreateMemoryFile(const std::string& path, const std::vector<uint8_t>& content, std::string& error) {
    SimFile file(path, SimFile::Mode::Create);
    if (!file.WriteAt(0, content.data(), content.size()) || !file.Close()) {
        error = "cannot write " + path + ": " + LastSystemError();
        return false;
    }
    return true;
}

bool ResizeMemoryFile(const std::string& path, uint32_t oldSize, uint32_t newSize, uint8_t blank,
                      std::string& error) {
    SimFile file(path, SimFile::Mode::OpenOrCreate);
    bool ok = file.Resize(std::min(oldSize, newSize)) &&
              FillRange(file, std::min(oldSize, newSize), newSize, blank) && file.Close();
    if (!ok)
        error = "cannot resize " + path + ": " + LastSystemError();
    return ok;
}

} // namespace sim
