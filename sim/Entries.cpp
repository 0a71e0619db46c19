#include "sim/Entries.h"

namespace sim {

const std::vector<EntryInfo>& Entries() {
    static const std::vector<EntryInfo> table = {
#define QUILLIX_SIM_ENTRY(name, used, effect) {#name, effect},
        QUILLIX_VRK_ENTRIES(QUILLIX_SIM_ENTRY)
#undef QUILLIX_SIM_ENTRY
    };
    return table;
}

const EntryInfo* FindEntry(std::string_view name) {
    for (const EntryInfo& entry : Entries())
        if (name == entry.name)
            return &entry;
    return nullptr;
}

} // namespace sim
