#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <vector>

// Field-by-field differences of two image reports, then the byte ranges in which the images differ.
struct FieldDifference {
    std::string strField; // the JSON path of the field in `show --json`, as "inquiry.vendor"
    nlohmann::ordered_json a;
    nlohmann::ordered_json b;
};

struct ByteRange {
    uint64_t nOffset;
    uint64_t nLength;
};

struct ImageDiff {
    std::vector<FieldDifference> fields;
    std::vector<ByteRange> ranges; // bytes beyond the shorter image count as differing
    uint64_t nSizeA = 0;
    uint64_t nSizeB = 0;
    bool IsEqual() const { return fields.empty() && ranges.empty(); }
};

ImageDiff DiffImages(const nlohmann::ordered_json& reportA, const std::vector<uint8_t>& a,
                     const nlohmann::ordered_json& reportB, const std::vector<uint8_t>& b);

nlohmann::ordered_json DiffToJson(const ImageDiff& diff);
std::string DiffToText(const ImageDiff& diff);
