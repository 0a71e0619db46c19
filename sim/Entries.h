#pragma once

#include "device/VrkEntries.h"

#include <string_view>
#include <vector>

namespace sim {

struct EntryInfo {
    const char* name;
    unsigned flags; // VrkEntryEffect
};

// The 63 entries of the reader library in slot order, with their effect.
const std::vector<EntryInfo>& Entries();
// The entry of that exact name, or null.
const EntryInfo* FindEntry(std::string_view name);

} // namespace sim
