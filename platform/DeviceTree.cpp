#include "platform/DeviceTree.h"

#include <mutex>
#include <shared_mutex>

namespace platform {

namespace {
// Queries hold the lock shared, so a tree is never removed (and its library never unloaded) under a
// query that is still running in another thread.
std::shared_mutex g_mutex;
IDeviceTree* g_deviceTree = nullptr;
} // namespace

IDeviceTree* DeviceTree() {
    std::shared_lock lock(g_mutex);
    return g_deviceTree;
}

IDeviceTree* SetDeviceTree(IDeviceTree* tree) {
    std::unique_lock lock(g_mutex);
    IDeviceTree* previous = g_deviceTree;
    g_deviceTree = tree;
    return previous;
}

void RemoveDeviceTree(IDeviceTree* tree) {
    std::unique_lock lock(g_mutex);
    if (g_deviceTree == tree)
        g_deviceTree = nullptr;
}

bool GetParentInstance(uint32_t instance, uint32_t& parent) {
    std::shared_lock lock(g_mutex);
    return g_deviceTree && g_deviceTree->GetParent(instance, parent);
}

std::optional<std::vector<UsbHub>> EnumerateUsbHubs() {
    std::shared_lock lock(g_mutex);
    if (!g_deviceTree)
        return std::nullopt;
    return g_deviceTree->EnumerateHubs();
}

std::optional<uint32_t> DeviceChangeCount() {
    std::shared_lock lock(g_mutex);
    if (!g_deviceTree)
        return std::nullopt;
    return g_deviceTree->ChangeCount();
}

bool GetDeviceEvent(uint32_t sequence, bool& arrived, uint32_t& instance) {
    std::shared_lock lock(g_mutex);
    return g_deviceTree && g_deviceTree->GetDeviceEvent(sequence, arrived, instance);
}

} // namespace platform
