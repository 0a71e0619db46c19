#pragma once

#include <string>
#include <vector>

// The combo box's select-string rule: the first entry that begins with `name`, ignoring case (Qt's
// case folding, so not only ASCII), searching from entry 1 onwards and wrapping to entry 0. -1 when
// none does.
int SelectStringIndex(const std::vector<std::string>& entries, const std::string& name);
