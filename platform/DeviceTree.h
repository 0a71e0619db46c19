#pragma once

#include <cstdint>
#include <functional>
#include <optional>
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

// The device tree in use; nullptr when no back end provides one. Only to tell which tree is installed:
// queries go through the functions below, which keep the tree (and the library behind it) in place
// until they return, whatever another thread installs or removes meanwhile.
IDeviceTree* DeviceTree();
// Installs a device tree (nullptr removes it) once the queries running on the old one have returned.
// Returns the previous one.
IDeviceTree* SetDeviceTree(IDeviceTree* tree);
// Removes `tree` if it is the one installed, once the queries running on it have returned.
void RemoveDeviceTree(IDeviceTree* tree);

// Parent of a device instance; false when there is none or no device tree.
bool GetParentInstance(uint32_t instance, uint32_t& parent);
// The USB hubs; nullopt when there is no device tree.
std::optional<std::vector<UsbHub>> EnumerateUsbHubs();
// The arrival/removal counter; nullopt when there is no device tree.
std::optional<uint32_t> DeviceChangeCount();
// Event `sequence` of the device tree; false when it is not kept or there is no device tree.
bool GetDeviceEvent(uint32_t sequence, bool& arrived, uint32_t& instance);

} // namespace platform
