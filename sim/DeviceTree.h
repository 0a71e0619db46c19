#pragma once

#include "sim/Scenario.h"

#include <optional>
#include <vector>

namespace sim {

// Device nodes of a reader. A USB reader's device node hangs on its hub's port; below it a
// storage-class reader has its storage interface and the disk below that, a disk-only reader just
// the disk. A PCIe reader has its function, its storage controller and a disk below that.
enum class Node { Device = 0, Storage = 1, Disk = 2 };

// The classes the open entries enumerate.
enum class OpenKind { UsbStor, UsbDisk, UsbCdrom, PcieStor, PcieDisk };

uint32_t NodeInstance(const Reader& reader, Node node);
// The node an open of that kind reaches on the reader, or nullopt when it never shows there.
std::optional<Node> OpenedNode(const Reader& reader, OpenKind kind);
// The reader's own node: its storage interface (storage-class and PCIe readers) or its disk. The
// station and Qd_GetReaderInst name a reader by this node's instance.
Node PrimaryNode(const Reader& reader);
uint32_t ReaderInstance(const Reader& reader);

uint32_t HubInstance(uint32_t hubNumber);

// Parent of a present device node or hub; nullopt when unknown or at the top.
std::optional<uint32_t> ParentOf(const Scenario& scenario, uint32_t instance);
// Every hub: the configured ones and the ones a USB reader names, sorted by number, each with at
// least as many ports as its highest port in use.
std::vector<Hub> HubsOf(const Scenario& scenario);
// Device node of the present reader on that port of that hub.
std::optional<uint32_t> PortDevice(const Scenario& scenario, uint32_t hubInstance, uint32_t port);

} // namespace sim
