#include "platform/DeviceTree.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<IDeviceTree*> g_deviceTree{nullptr};
}

IDeviceTree* DeviceTree() {
    return g_deviceTree.load();
}

IDeviceTree* SetDeviceTree(IDeviceTree* tree) {
    return g_deviceTree.exchange(tree);
}

bool GetParentInstance(uint32_t instance, uint32_t& parent) {
    IDeviceTree* tree = DeviceTree();
    return tree && tree->GetParent(instance, parent);
}

} // namespace platform
