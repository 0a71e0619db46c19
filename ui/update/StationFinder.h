#pragma once

#include "platform/DeviceTree.h"
#include "view/update/StationRules.h"

#include <cstdint>
#include <functional>
#include <vector>

class CVrkFun;

// Finding the station's readers: the ports of high-speed USB hubs, the readers the library opens, and
// the port each reader hangs on in the device tree.

// A port of a kept hub with a device on it that is not a hub itself.
struct HubPort {
    uint32_t dwHub = 0;
    uint32_t nPort = 0;
    uint32_t dwDevice = 0;
};

// The occupied ports of the hubs that can run at high speed.
std::vector<HubPort> HighSpeedPorts(const std::vector<platform::UsbHub>& hubs);

using ParentLookup = std::function<bool(uint32_t instance, uint32_t& parent)>;

// Each reader on the recorded port whose device is the reader's own node or one of its ancestors;
// readers without such a port are dropped, and a second reader on a port already taken as well.
std::vector<PortReader> AttachToPorts(const std::vector<uint32_t>& readers, const std::vector<HubPort>& ports,
                                      const ParentLookup& getParent);

// The whole detection over the platform's device tree and the readers the session lists: the reader
// list in socket order.
std::vector<StationReader> FindStationReaders(const CVrkFun& session);
