#include "tools/image/SerialNumbers.h"

#include <cstdint>
#include <string_view>

std::optional<std::vector<std::string>> ConsecutiveSerials(const std::string& first, size_t count) {
    const size_t end = first.find_last_of("0123456789");
    if (end == std::string::npos || count == 0)
        return std::nullopt;
    size_t begin = end;
    while (begin > 0 && first[begin - 1] >= '0' && first[begin - 1] <= '9')
        --begin;
    const size_t width = end + 1 - begin;
    // Up to 19 digits fit into 64 bits with room for the count.
    if (width > 18 || count > 1'000'000'000'000ull)
        return std::nullopt;
    uint64_t limit = 1;
    for (size_t i = 0; i < width; ++i)
        limit *= 10;
    const uint64_t start = std::stoull(first.substr(begin, width));
    if (start + count > limit)
        return std::nullopt;
    const std::string prefix = first.substr(0, begin);
    const std::string suffix = first.substr(end + 1);
    std::vector<std::string> serials;
    serials.reserve(count);
    std::string digits(width, '0');
    for (uint64_t n = start; n < start + count; ++n) {
        uint64_t v = n;
        for (size_t i = width; i-- > 0; v /= 10)
            digits[i] = static_cast<char>('0' + v % 10);
        serials.push_back(prefix + digits + suffix);
    }
    return serials;
}

bool IsFileNameSafe(const std::string& serial) {
    if (serial.empty() || serial == "." || serial == "..")
        return false;
    constexpr std::string_view kRefused = "/\\:*?\"<>|";
    for (char c : serial) {
        if (static_cast<unsigned char>(c) < 0x20 || kRefused.find(c) != std::string_view::npos)
            return false;
    }
    return true;
}
