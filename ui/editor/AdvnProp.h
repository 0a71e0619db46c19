#pragma once

#include "model/PropertyDisplay.h"

#include <string>
#include <vector>

// The next property whose name contains the pattern, ignoring case: searching starts after `selected`
// (-1: none selected) and wraps. -1 when no name matches.
int FindPropertyName(const std::vector<std::string>& names, int selected, const std::string& pattern);
