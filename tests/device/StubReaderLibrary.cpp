// A reader library that exports every entry name and does nothing: the binding tests load it to see
// which exports the binding accepts. QUILLIX_STUB_USED_ONLY leaves out the bound-only entries.
#include "device/VrkEntries.h"

#include <cstdint>

#ifdef _WIN32
#define QUILLIX_STUB_EXPORT __declspec(dllexport)
#else
#define QUILLIX_STUB_EXPORT __attribute__((visibility("default")))
#endif

#define QUILLIX_STUB_1(name)                                                                                 \
    extern "C" QUILLIX_STUB_EXPORT uint32_t name() {                                                         \
        return 0;                                                                                            \
    }
#ifdef QUILLIX_STUB_USED_ONLY
#define QUILLIX_STUB_0(name)
#else
#define QUILLIX_STUB_0(name) QUILLIX_STUB_1(name)
#endif
#define QUILLIX_STUB(name, used, effect) QUILLIX_STUB_##used(name)

QUILLIX_VRK_ENTRIES(QUILLIX_STUB)
