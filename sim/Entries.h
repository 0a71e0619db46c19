#pragma once

#include <string_view>
#include <vector>

namespace sim {

// What an entry of the reader library does, as far as faults care.
enum EntryFlags : unsigned {
    kEntryReads = 1u,  // fills a buffer from the reader: `flip` applies
    kEntryWrites = 2u, // changes a memory, a register or a setting: `lie` applies
    kEntryResets = 4u, // a reset command: accepted or refused per reader
};

struct EntryInfo {
    const char* name;
    unsigned flags;
};

// The 63 entries in slot order.
const std::vector<EntryInfo>& Entries();
// The entry of that exact name, or null.
const EntryInfo* FindEntry(std::string_view name);

} // namespace sim
