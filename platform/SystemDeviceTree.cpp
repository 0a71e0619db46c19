#include "platform/SystemDeviceTree.h"

namespace platform {

// There is no sysfs/udev back end yet: on Linux only a reader library provides a device tree.
IDeviceTree* SystemDeviceTree() {
    return nullptr;
}

} // namespace platform
