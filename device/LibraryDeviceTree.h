#pragma once

#include "device/QdCRLibApi.h"
#include "platform/DeviceTree.h"
#include "platform/DynamicLibrary.h"

#include <memory>

// The device tree and device events of a reader library that provides them itself (the simulated
// reader does, through extra exports); a library without them provides no device tree.
class LibraryDeviceTree : public platform::IDeviceTree {
public:
    // A device tree over the library's exports, or nullptr when the library lacks any of them.
    static std::unique_ptr<LibraryDeviceTree> Bind(platform::LibraryHandle library);

    bool GetParent(uint32_t instance, uint32_t& parent) override;
    std::vector<platform::UsbHub> EnumerateHubs() override;
    uint32_t ChangeCount() override;
    bool GetDeviceEvent(uint32_t sequence, bool& arrived, uint32_t& instance) override;

private:
    PFN_QdSimGetParentInst m_getParent = nullptr;
    PFN_QdSimEnumHubs m_enumHubs = nullptr;
    PFN_QdSimGetPortDevice m_getPortDevice = nullptr;
    PFN_QdSimGetChangeCount m_getChangeCount = nullptr;
    PFN_QdSimGetDeviceEvent m_getDeviceEvent = nullptr;
};
