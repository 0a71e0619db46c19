#pragma once

#include <string>
#include <vector>

namespace platform {

// "*" and "*.*" match every name; "*.ext" matches the extension ignoring ASCII case; anything else is
// an exact name compared ignoring ASCII case, as the Windows search does.
bool MatchesFilePattern(const std::string& name, const std::string& pattern);

// Sorts names by their ASCII upper-case form (ties by the names themselves), so "the first match" is
// the same on every machine.
void SortFileNames(std::vector<std::string>& names);

} // namespace platform
