#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace platform {

// A USB hub and the device instance attached to each of its ports (0 for an empty port).
struct UsbHub {
    uint32_t dwInstance = 0;
    bool bHighSpeed = false;
    std::vector<uint32_t> portInstances; // index = port number - 1
};

// The operating system's device tree as the tool needs it: parents of device instances, the USB hubs
// with their ports, and a counter that changes whenever a reader arrives or leaves.
class IDeviceTree {
public:
    virtual ~IDeviceTree() = default;
    virtual bool GetParent(uint32_t instance, uint32_t& parent) = 0;
    virtual std::vector<UsbHub> EnumerateHubs() = 0;
    virtual uint32_t ChangeCount() = 0;
    // Event `sequence` (below ChangeCount): whether a device arrived or left, and its instance. False
    // when the event is no longer kept.
    virtual bool GetDeviceEvent(uint32_t sequence, bool& arrived, uint32_t& instance) = 0;
};

// The device tree in use; nullptr when no back end provides one (every query then fails).
IDeviceTree* DeviceTree();
// Installs a device tree (nullptr removes it). Returns the previous one.
IDeviceTree* SetDeviceTree(IDeviceTree* tree);

// Parent of a device instance; false when there is none or no device tree.
bool GetParentInstance(uint32_t instance, uint32_t& parent);

} // namespace platform
