#include "ui/update/StationFinder.h"

#include "app/TraceLog.h"
#include "device/VrkFun.h"

#include <algorithm>

namespace {

// More readers than sockets are never looked at.
constexpr size_t kMaxReaders = kStationSockets;
// A device tree deeper than this is taken as broken.
constexpr int kMaxTreeDepth = 32;

} // namespace

std::vector<HubPort> HighSpeedPorts(const std::vector<platform::UsbHub>& hubs) {
    auto isHub = [&](uint32_t instance) {
        return std::any_of(hubs.begin(), hubs.end(),
                           [instance](const platform::UsbHub& hub) { return hub.dwInstance == instance; });
    };
    std::vector<HubPort> ports;
    for (const platform::UsbHub& hub : hubs) {
        if (!hub.bHighSpeed)
            continue;
        for (size_t index = 0; index < hub.portInstances.size(); ++index) {
            const uint32_t device = hub.portInstances[index];
            if (device != 0 && !isHub(device))
                ports.push_back({hub.dwInstance, static_cast<uint32_t>(index + 1), device});
        }
    }
    return ports;
}

std::vector<PortReader> AttachToPorts(const std::vector<uint32_t>& readers, const std::vector<HubPort>& ports,
                                      const ParentLookup& getParent) {
    std::vector<PortReader> attached;
    for (uint32_t reader : readers) {
        uint32_t node = reader;
        for (int depth = 0; depth < kMaxTreeDepth; ++depth) {
            auto port = std::find_if(ports.begin(), ports.end(),
                                     [node](const HubPort& candidate) { return candidate.dwDevice == node; });
            if (port != ports.end()) {
                const bool taken =
                    std::any_of(attached.begin(), attached.end(), [&](const PortReader& other) {
                        return other.dwHub == port->dwHub && other.nPort == port->nPort;
                    });
                if (!taken)
                    attached.push_back({reader, port->dwHub, port->nPort});
                break;
            }
            if (!getParent(node, node))
                break;
        }
    }
    return attached;
}

std::vector<StationReader> FindStationReaders(const CVrkFun& session) {
    TraceScope scope("CDevFind::FindReaders", kTraceApp);
    const std::optional<std::vector<platform::UsbHub>> hubs = platform::EnumerateUsbHubs();
    if (!hubs) {
        TraceLine(scope, "No device tree\n");
        return {};
    }
    const std::vector<HubPort> ports = HighSpeedPorts(*hubs);
    const std::vector<uint32_t> readers = session.ListReaderInstances(kMaxReaders);
    const std::vector<PortReader> attached = AttachToPorts(readers, ports, platform::GetParentInstance);
    for (const PortReader& reader : attached)
        TraceLine(scope, "Reader %08X on hub %08X port %u\n", reader.dwInstance, reader.dwHub, reader.nPort);
    return AssignSockets(attached);
}
