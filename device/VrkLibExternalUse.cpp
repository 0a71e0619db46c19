#include "device/VrkLibExternalUse.h"

#include "app/TraceLog.h"
#include "platform/ProgramFolder.h"
#include "platform/SystemDeviceTree.h"

CVrkLibExternalUse::~CVrkLibExternalUse() {
    UnloadLib();
}

uint32_t CVrkLibExternalUse::LoadLib() {
    UnloadLib();
    m_hLib = platform::LoadLibraryFile(GetProgramFolder() + kLibraryFileName);
    m_deviceTree = LibraryDeviceTree::Bind(m_hLib);
    if (m_deviceTree) {
        platform::SetDeviceTree(m_deviceTree.get());
    } else if (m_hLib) {
        // A library that does not report the device tree itself leaves it to the operating system.
        if (platform::IDeviceTree* system = platform::SystemDeviceTree())
            platform::SetDeviceTree(system);
    }
    return m_hLib ? 1 : 0;
}

uint32_t CVrkLibExternalUse::LoadFun() {
    TraceScope scope("CVrkLibExternalUse::LoadFun", kTraceDevice);
    bool complete = m_hLib != nullptr;
    m_strMissingEntry.clear();
#define QUILLIX_BIND_SLOT(slot, used, effect)                                                                \
    slot = reinterpret_cast<PFN_##slot>(platform::FindExport(m_hLib, #slot));                                \
    if (used && !slot && complete) {                                                                         \
        complete = false;                                                                                    \
        m_strMissingEntry = #slot;                                                                           \
    }
    QUILLIX_VRK_ENTRIES(QUILLIX_BIND_SLOT)
#undef QUILLIX_BIND_SLOT
    // A library that lacks an entry the tool calls is not used at all, so no empty slot is called.
    if (!complete) {
        if (!m_strMissingEntry.empty())
            TraceLine(scope, "Missing entry : %s\n", m_strMissingEntry.c_str());
        ClearSlots();
    }
    m_bBound = complete;
    return complete ? 1 : 0;
}

uint32_t CVrkLibExternalUse::UnloadLib() {
    // Only the tree this library put in place is removed (the system tree when it brought none of its
    // own), and only after the queries running on it have returned.
    if (m_deviceTree)
        platform::RemoveDeviceTree(m_deviceTree.get());
    else if (m_hLib)
        platform::RemoveDeviceTree(platform::SystemDeviceTree());
    m_deviceTree.reset();
    bool released = platform::FreeLibraryFile(m_hLib);
    m_hLib = nullptr;
    m_hDev = 0;
    m_bBound = false;
    ClearSlots();
    return released ? 1 : 0;
}

void CVrkLibExternalUse::ClearSlots() {
#define QUILLIX_CLEAR_SLOT(slot, used, effect) slot = nullptr;
    QUILLIX_VRK_ENTRIES(QUILLIX_CLEAR_SLOT)
#undef QUILLIX_CLEAR_SLOT
}
