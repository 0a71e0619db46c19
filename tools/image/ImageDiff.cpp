#include "tools/image/ImageDiff.h"

#include "platform/Text.h"

#include <algorithm>

namespace {

// Every leaf of a report with its path; arrays index as "lun_strings[2]".
void Flatten(const nlohmann::ordered_json& value, const std::string& path,
             std::vector<std::pair<std::string, nlohmann::ordered_json>>& leaves) {
    if (value.is_object()) {
        for (const auto& [key, item] : value.items())
            Flatten(item, path.empty() ? key : path + "." + key, leaves);
    } else if (value.is_array()) {
        for (size_t i = 0; i < value.size(); ++i)
            Flatten(value[i], path + "[" + std::to_string(i) + "]", leaves);
    } else {
        leaves.emplace_back(path, value);
    }
}

std::vector<ByteRange> DifferingRanges(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    std::vector<ByteRange> ranges;
    const size_t common = std::min(a.size(), b.size());
    size_t i = 0;
    while (i < common) {
        if (a[i] == b[i]) {
            ++i;
            continue;
        }
        const size_t start = i;
        while (i < common && a[i] != b[i])
            ++i;
        ranges.push_back({start, i - start});
    }
    const size_t longest = std::max(a.size(), b.size());
    if (longest > common) {
        if (!ranges.empty() && ranges.back().nOffset + ranges.back().nLength == common)
            ranges.back().nLength += longest - common;
        else
            ranges.push_back({common, longest - common});
    }
    return ranges;
}

std::string Shown(const nlohmann::ordered_json& value) {
    return value.is_null() ? std::string("(none)")
                           : value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

} // namespace

ImageDiff DiffImages(const nlohmann::ordered_json& reportA, const std::vector<uint8_t>& a,
                     const nlohmann::ordered_json& reportB, const std::vector<uint8_t>& b) {
    ImageDiff diff;
    diff.nSizeA = a.size();
    diff.nSizeB = b.size();
    std::vector<std::pair<std::string, nlohmann::ordered_json>> leavesA;
    std::vector<std::pair<std::string, nlohmann::ordered_json>> leavesB;
    Flatten(reportA, "", leavesA);
    Flatten(reportB, "", leavesB);
    // The value at a path of the other report; null where it has no such field.
    auto valueAt = [](const std::vector<std::pair<std::string, nlohmann::ordered_json>>& leaves,
                      const std::string& path) -> const nlohmann::ordered_json* {
        auto leaf =
            std::find_if(leaves.begin(), leaves.end(), [&path](const auto& l) { return l.first == path; });
        return leaf == leaves.end() ? nullptr : &leaf->second;
    };
    for (const auto& leaf : leavesA) {
        const nlohmann::ordered_json* other = valueAt(leavesB, leaf.first);
        const nlohmann::ordered_json valueB = other ? *other : nlohmann::ordered_json();
        if (leaf.second != valueB)
            diff.fields.push_back({leaf.first, leaf.second, valueB});
    }
    for (const auto& leaf : leavesB) {
        if (!valueAt(leavesA, leaf.first))
            diff.fields.push_back({leaf.first, nlohmann::ordered_json(), leaf.second});
    }
    diff.ranges = DifferingRanges(a, b);
    return diff;
}

nlohmann::ordered_json DiffToJson(const ImageDiff& diff) {
    nlohmann::ordered_json json;
    json["equal"] = diff.IsEqual();
    json["size_a"] = diff.nSizeA;
    json["size_b"] = diff.nSizeB;
    nlohmann::ordered_json fields = nlohmann::ordered_json::array();
    for (const FieldDifference& field : diff.fields)
        fields.push_back({{"field", field.strField}, {"a", field.a}, {"b", field.b}});
    json["fields"] = fields;
    nlohmann::ordered_json ranges = nlohmann::ordered_json::array();
    for (const ByteRange& range : diff.ranges)
        ranges.push_back({{"offset", range.nOffset}, {"length", range.nLength}});
    json["ranges"] = ranges;
    return json;
}

std::string DiffToText(const ImageDiff& diff) {
    if (diff.IsEqual())
        return "The images are equal.\n";
    std::string text;
    for (const FieldDifference& field : diff.fields)
        text += field.strField + ": " + Shown(field.a) + " -> " + Shown(field.b) + "\n";
    for (const ByteRange& range : diff.ranges)
        text += platform::StrPrintf("Bytes 0x%llX-0x%llX differ (%llu)\n",
                                    static_cast<unsigned long long>(range.nOffset),
                                    static_cast<unsigned long long>(range.nOffset + range.nLength - 1),
                                    static_cast<unsigned long long>(range.nLength));
    return text;
}
