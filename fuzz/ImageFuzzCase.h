#pragma once

#include "model/ProjectTypes.h"
#include "tools/image/ChipContext.h"
#include "tools/image/ImageDiff.h"
#include "tools/image/ImageReport.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// quillix-image's show and diff on fuzzer input. Byte 0 chooses the memory kind (bits 0-1), the bus
// (bit 2) and whether the IC INI file is used (bit 3); bytes 1-2 are the IC INI file's length n, little
// endian, and the next n bytes its text; byte 3 + n splits the rest into images A and B. Returns false
// when a result breaks its rules: an image differs from itself, or equal images are not reported equal.
inline bool RunImageFuzzCase(const uint8_t* data, size_t size) {
    if (size < 4)
        return true;
    const uint8_t selector = data[0];
    const size_t iniSize = std::min<size_t>(data[1] | data[2] << 8, size - 4);
    const uint8_t* rest = data + 3 + iniSize;
    const size_t restSize = size - 3 - iniSize;
    const size_t split = restSize <= 1 ? 0 : rest[0] % restSize;
    const std::vector<uint8_t> a(rest + (restSize > 0 ? 1 : 0), rest + (restSize > 0 ? 1 : 0) + split);
    const std::vector<uint8_t> b(rest + (restSize > 0 ? 1 : 0) + split, rest + restSize);

    ChipChoice chip;
    const std::string iniPath = (std::filesystem::temp_directory_path() / "quillix-image-fuzz.ini").string();
    if (selector & 0x08) {
        std::ofstream(iniPath, std::ios::binary)
            .write(reinterpret_cast<const char*>(data + 3), static_cast<std::streamsize>(iniSize));
        chip.strIcIni = iniPath;
    } else {
        chip.kind = static_cast<MemoryKind>(selector & 0x03);
        chip.bus = (selector & 0x04) ? PCIE : USB;
    }
    ChipContext context;
    std::string error;
    if (context.Load(chip, error) != 0)
        return true;
    const nlohmann::ordered_json reportA = ReportToJson(ReadImageReport(a));
    const nlohmann::ordered_json reportB = ReportToJson(ReadImageReport(b));
    (void)ReportToText(ReadImageReport(a));
    (void)reportA.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    if (!DiffImages(reportA, a, reportA, a).IsEqual())
        return false;
    const ImageDiff diff = DiffImages(reportA, a, reportB, b);
    (void)DiffToText(diff);
    (void)DiffToJson(diff).dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    return diff.ranges.empty() == (a == b);
}
