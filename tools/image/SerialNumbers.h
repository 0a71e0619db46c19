#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// `count` consecutive serial numbers from `first`: its last run of decimal digits counts up with its
// width kept (leading zeros stay), the text before and after it stays. None when `first` has no digit,
// when the count is 0, or when the last number would need more digits than `first` has.
std::optional<std::vector<std::string>> ConsecutiveSerials(const std::string& first, size_t count);

// Whether a serial number can name a file of its own: not empty, no path separator, no character that
// Windows refuses in file names, not "." or "..".
bool IsFileNameSafe(const std::string& serial);
