#include "sim/DeviceTree.h"

#include <algorithm>

namespace sim {

namespace {
constexpr uint32_t kHubInstanceBase = 0x0F000000;
}

uint32_t NodeInstance(const Reader& reader, Node node) {
    return reader.instance + static_cast<uint32_t>(node);
}

std::optional<Node> OpenedNode(const Reader& reader, OpenKind kind) {
    switch (kind) {
    case OpenKind::UsbStor:
        if (reader.bus == Bus::Usb && reader.storageClass)
            return Node::Storage;
        break;
    case OpenKind::UsbDisk:
        if (reader.bus == Bus::Usb)
            return Node::Disk;
        break;
    case OpenKind::UsbCdrom:
        break; // no simulated reader has a CD-ROM interface
    case OpenKind::PcieStor:
        if (reader.bus == Bus::Pcie)
            return Node::Storage;
        break;
    case OpenKind::PcieDisk:
        if (reader.bus == Bus::Pcie)
            return Node::Disk;
        break;
    }
    return std::nullopt;
}

Node PrimaryNode(const Reader& reader) {
    return reader.storageClass || reader.bus == Bus::Pcie ? Node::Storage : Node::Disk;
}

uint32_t ReaderInstance(const Reader& reader) {
    return NodeInstance(reader, PrimaryNode(reader));
}

uint32_t HubInstance(uint32_t hubNumber) {
    return kHubInstanceBase + hubNumber;
}

std::optional<uint32_t> ParentOf(const Scenario& scenario, uint32_t instance) {
    for (const Reader& reader : scenario.readers) {
        if (!reader.Present() || instance < reader.instance || instance > NodeInstance(reader, Node::Disk))
            continue;
        switch (static_cast<Node>(instance - reader.instance)) {
        case Node::Device:
            if (reader.bus == Bus::Usb && reader.hub != 0)
                return HubInstance(reader.hub);
            return std::nullopt;
        case Node::Storage:
            if (reader.storageClass || reader.bus == Bus::Pcie)
                return reader.instance;
            return std::nullopt;
        case Node::Disk:
            return reader.storageClass || reader.bus == Bus::Pcie ? NodeInstance(reader, Node::Storage)
                                                                  : reader.instance;
        }
    }
    return std::nullopt; // unknown, or a hub: hubs hang on the host, which is not part of the tree
}

std::vector<Hub> HubsOf(const Scenario& scenario) {
    std::vector<Hub> hubs = scenario.hubs;
    for (const Reader& reader : scenario.readers) {
        if (reader.bus != Bus::Usb || reader.hub == 0)
            continue;
        auto it =
            std::find_if(hubs.begin(), hubs.end(), [&](const Hub& h) { return h.number == reader.hub; });
        if (it == hubs.end()) {
            Hub hub;
            hub.number = reader.hub;
            hubs.push_back(hub);
            it = hubs.end() - 1;
        }
        it->ports = std::max(it->ports, reader.port);
    }
    std::sort(hubs.begin(), hubs.end(), [](const Hub& a, const Hub& b) { return a.number < b.number; });
    return hubs;
}

std::optional<uint32_t> PortDevice(const Scenario& scenario, uint32_t hubInstance, uint32_t port) {
    for (const Reader& reader : scenario.readers)
        if (reader.Present() && reader.bus == Bus::Usb && reader.hub != 0 &&
            HubInstance(reader.hub) == hubInstance && reader.port == port)
            return reader.instance;
    return std::nullopt;
}

} // namespace sim
