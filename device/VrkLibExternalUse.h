#pragma once

#include "device/LibraryDeviceTree.h"
#include "device/QdCRLibApi.h"
#include "device/VrkEntries.h"
#include "platform/DynamicLibrary.h"

#include <cstdint>
#include <memory>
#include <string>

// The binding of the reader-access library: the module, the open device and one slot per export.
class CVrkLibExternalUse {
public:
#ifdef _WIN32
    static constexpr const char* kLibraryFileName = "QdCRLib.dll";
#else
    static constexpr const char* kLibraryFileName = "libQdCRLib.so";
#endif

    CVrkLibExternalUse() = default;
    virtual ~CVrkLibExternalUse();
    CVrkLibExternalUse(const CVrkLibExternalUse&) = delete;
    CVrkLibExternalUse& operator=(const CVrkLibExternalUse&) = delete;

    // Loads the library from the program folder only (after unloading a loaded one). 1 or 0.
    [[nodiscard]] uint32_t LoadLib();
    // Binds every slot; 1 when every entry that an operation calls is present, 0 otherwise.
    [[nodiscard]] uint32_t LoadFun();
    // Releases the module and clears the handles and every slot; 1 when a module was released.
    uint32_t UnloadLib();
    // True between a successful LoadFun and the next UnloadLib: only then are entries called.
    bool IsBound() const {
        return m_bBound;
    }
    // After a failed LoadFun: the first entry an operation calls that the library lacks ("" otherwise).
    const std::string& MissingEntry() const {
        return m_strMissingEntry;
    }

    platform::LibraryHandle m_hLib = nullptr;
    uint32_t m_hDev = 0;

#define QUILLIX_DECLARE_SLOT(name, used, effect) PFN_##name name = nullptr;
    QUILLIX_VRK_ENTRIES(QUILLIX_DECLARE_SLOT)
#undef QUILLIX_DECLARE_SLOT

protected:
    // Clears every slot without touching the module.
    void ClearSlots();

private:
    bool m_bBound = false;
    std::string m_strMissingEntry;
    // The library's own device tree while it is loaded, installed as the platform's device tree.
    std::unique_ptr<LibraryDeviceTree> m_deviceTree;
};
