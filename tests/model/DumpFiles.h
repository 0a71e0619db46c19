#pragma once

#include "model/SilentFiles.h"
#include "tests/support/TempDir.h"

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace dumptest {

// 0, 1, 2, ... as bytes.
inline std::vector<uint8_t> Counting(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i);
    return bytes;
}

// Every entry of a folder, dot files included, so a temporary file left behind shows.
inline std::set<std::string> EntriesOf(const testsupport::TempDir& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        names.insert(entry.path().filename().string());
    return names;
}

// Writes `data` as a dump of the given format.
inline bool Write(DumpFormat format, const std::string& path, const std::vector<uint8_t>& data) {
    return format == DumpFormat::kText ? WriteTxtFile(path, data.size(), data.data())
                                       : WriteBinFile(path, data.size(), data.data());
}

} // namespace dumptest
