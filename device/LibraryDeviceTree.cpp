#include "device/LibraryDeviceTree.h"

namespace {
// Hubs and ports are enumerated at most this far, whatever a library answers.
constexpr uint32_t kMaxHubs = 64;
constexpr uint32_t kMaxPorts = 32;

template <typename Pointer> bool Find(platform::LibraryHandle library, const char* name, Pointer& pointer) {
    pointer = reinterpret_cast<Pointer>(platform::FindExport(library, name));
    return pointer != nullptr;
}
} // namespace

std::unique_ptr<LibraryDeviceTree> LibraryDeviceTree::Bind(platform::LibraryHandle library) {
    auto tree = std::unique_ptr<LibraryDeviceTree>(new LibraryDeviceTree());
    bool complete = Find(library, "QdSimGetParentInst", tree->m_getParent) &&
                    Find(library, "QdSimEnumHubs", tree->m_enumHubs) &&
                    Find(library, "QdSimGetPortDevice", tree->m_getPortDevice) &&
                    Find(library, "QdSimGetChangeCount", tree->m_getChangeCount) &&
                    Find(library, "QdSimGetDeviceEvent", tree->m_getDeviceEvent);
    return complete ? std::move(tree) : nullptr;
}

bool LibraryDeviceTree::GetParent(uint32_t instance, uint32_t& parent) {
    return m_getParent(instance, &parent) != 0;
}

std::vector<platform::UsbHub> LibraryDeviceTree::EnumerateHubs() {
    std::vector<platform::UsbHub> hubs;
    for (uint32_t index = 0; index < kMaxHubs; ++index) {
        uint32_t instance = 0, highSpeed = 0, portCount = 0;
        if (!m_enumHubs(index, &instance, &highSpeed, &portCount))
            break;
        platform::UsbHub hub;
        hub.dwInstance = instance;
        hub.bHighSpeed = highSpeed != 0;
        for (uint32_t port = 1; port <= portCount && port <= kMaxPorts; ++port) {
            uint32_t device = 0;
            hub.portInstances.push_back(m_getPortDevice(instance, port, &device) ? device : 0);
        }
        hubs.push_back(std::move(hub));
    }
    return hubs;
}

uint32_t LibraryDeviceTree::ChangeCount() {
    return m_getChangeCount();
}

bool LibraryDeviceTree::GetDeviceEvent(uint32_t sequence, bool& arrived, uint32_t& instance) {
    uint32_t arrivedFlag = 0;
    if (!m_getDeviceEvent(sequence, &arrivedFlag, &instance))
        return false;
    arrived = arrivedFlag != 0;
    return true;
}
