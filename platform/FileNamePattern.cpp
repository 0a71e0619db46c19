#include "platform/FileNamePattern.h"

#include <algorithm>

namespace platform {

namespace {
std::string UpperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}
} // namespace

bool MatchesFilePattern(const std::string& name, const std::string& pattern) {
    if (pattern == "*" || pattern == "*.*")
        return true;
    if (pattern.size() >= 2 && pattern[0] == '*' && pattern.find('*', 1) == std::string::npos) {
        std::string suffix = UpperAscii(pattern.substr(1));
        std::string upper = UpperAscii(name);
        return upper.size() >= suffix.size() &&
               upper.compare(upper.size() - suffix.size(), suffix.size(), suffix) == 0;
    }
    return UpperAscii(name) == UpperAscii(pattern);
}

void SortFileNames(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        std::string ua = UpperAscii(a), ub = UpperAscii(b);
        return ua != ub ? ua < ub : a < b;
    });
}

} // namespace platform
