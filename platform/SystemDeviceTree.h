#pragma once

#include "platform/DeviceTree.h"

namespace platform {

// The operating system's own device tree and USB arrival/removal events, for a reader library that does
// not provide them. Created on first use and kept for the life of the process; nullptr where this build
// has no back end for it.
IDeviceTree* SystemDeviceTree();

} // namespace platform
