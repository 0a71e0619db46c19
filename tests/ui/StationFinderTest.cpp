#include "ui/update/StationFinder.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

// Hubs 1 and 2 of a station, by instance.
constexpr uint32_t kHub1 = 0x0F000001;
constexpr uint32_t kHub2 = 0x0F000002;

TEST(StationFinder, KeepsOccupiedPortsOfHighSpeedHubs) {
    std::vector<platform::UsbHub> hubs = {
        {kHub1, true, {0, 0, kHub2, 0x10000}},
        {kHub2, false, {0x20000}},
        {0x0F000003, true, {0, 0x30000}},
    };
    std::vector<HubPort> ports = HighSpeedPorts(hubs);
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].dwHub, kHub1);
    EXPECT_EQ(ports[0].nPort, 4u);
    EXPECT_EQ(ports[0].dwDevice, 0x10000u);
    EXPECT_EQ(ports[1].dwHub, 0x0F000003u);
    EXPECT_EQ(ports[1].nPort, 2u);
}

TEST(StationFinder, AttachesReadersThroughTheirAncestors) {
    // Disk -> device node -> hub, as the tree reports them.
    const std::map<uint32_t, uint32_t> parents = {
        {0x10002, 0x10000}, {0x10000, kHub1}, {0x20002, 0x20000}, {0x20000, kHub1},
        {0x30002, 0x30000}, {0x30000, kHub2}, {0x40002, 0x40000}, {0x50002, 0x50001},
    };
    auto lookup = [&](uint32_t instance, uint32_t& parent) {
        auto it = parents.find(instance);
        if (it == parents.end())
            return false;
        parent = it->second;
        return true;
    };
    const std::vector<HubPort> ports = {{kHub1, 7, 0x10000}, {kHub1, 8, 0x20000}, {kHub2, 7, 0x30000}};
    // 0x40002 hangs on no recorded port; 0x10000 is the device node itself, already taken by 0x10002.
    std::vector<PortReader> readers =
        AttachToPorts({0x30002, 0x40002, 0x10002, 0x20002, 0x10000}, ports, lookup);
    ASSERT_EQ(readers.size(), 3u);
    EXPECT_EQ(readers[0].dwInstance, 0x30002u);
    EXPECT_EQ(readers[0].nPort, 7u);
    EXPECT_EQ(readers[0].dwHub, kHub2);
    EXPECT_EQ(readers[1].dwInstance, 0x10002u);
    EXPECT_EQ(readers[2].dwInstance, 0x20002u);
    EXPECT_EQ(readers[2].nPort, 8u);
}

} // namespace
