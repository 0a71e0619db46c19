#include "platform/SystemDeviceTree.h"

#include <windows.h>

// The interface-class GUIDs and property keys below are defined in this file, not imported.
#include <initguid.h>

#include <cfgmgr32.h>
#include <devpkey.h>
#include <setupapi.h>
#include <usbioctl.h>
#include <usbiodef.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cwchar>
#include <cwctype>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace platform {

namespace {

// Arrival and removal events kept for GetDeviceEvent.
constexpr uint32_t kKeptEvents = 64;
// A name, id list or interface path longer than this (in bytes) is not believed.
constexpr ULONG kMaxTextBytes = 64 * 1024;
// Children of one hub looked at when matching a port's driver key; a hub has at most 255 ports.
constexpr int kMaxChildren = 256;
// Pipes a connection answer has room for: 15 IN and 15 OUT endpoints at most.
constexpr size_t kMaxPipes = 30;

// The two configuration-manager entries that older systems (and Wine) lack are looked up by name, so
// the program still starts there; without them there are simply no device events.
using RegisterNotificationFn = CONFIGRET(WINAPI*)(PCM_NOTIFY_FILTER, PVOID, PCM_NOTIFY_CALLBACK,
                                                  PHCMNOTIFICATION);
using InterfacePropertyFn = CONFIGRET(WINAPI*)(LPCWSTR, const DEVPROPKEY*, DEVPROPTYPE*, PBYTE, PULONG,
                                               ULONG);

template <typename Fn> Fn ConfigManagerEntry(const char* name) {
    // cfgmgr32.dll is linked, so it is loaded already.
    HMODULE module = GetModuleHandleW(L"cfgmgr32.dll");
    if (!module)
        return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

struct DeviceInfoSetCloser {
    void operator()(HDEVINFO set) const { SetupDiDestroyDeviceInfoList(set); }
};
using UniqueDeviceInfoSet = std::unique_ptr<void, DeviceInfoSetCloser>;

// Variable-length answers are kept in DWORDs, so the structures laid over them are aligned.
std::vector<DWORD> AlignedBuffer(size_t bytes) {
    return std::vector<DWORD>((bytes + sizeof(DWORD) - 1) / sizeof(DWORD));
}

// Text of `bytes` bytes at `text`, up to its first terminating zero.
std::wstring BoundedText(const wchar_t* text, size_t bytes) {
    return std::wstring(text, wcsnlen(text, bytes / sizeof(wchar_t)));
}

// A string or multi-string registry property of a devnode, every string in order; empty when it has none.
std::vector<std::wstring> DevnodeStrings(DEVINST devnode, ULONG property) {
    ULONG type = 0;
    ULONG size = 0;
    if (CM_Get_DevNode_Registry_PropertyW(devnode, property, &type, nullptr, &size, 0) != CR_BUFFER_SMALL ||
        size == 0 || size > kMaxTextBytes)
        return {};
    std::vector<DWORD> buffer = AlignedBuffer(size);
    ULONG returned = static_cast<ULONG>(buffer.size() * sizeof(DWORD));
    if (CM_Get_DevNode_Registry_PropertyW(devnode, property, &type, buffer.data(), &returned, 0) !=
            CR_SUCCESS ||
        (type != REG_SZ && type != REG_MULTI_SZ))
        return {};
    const wchar_t* text = reinterpret_cast<const wchar_t*>(buffer.data());
    const size_t length = std::min<size_t>(returned, buffer.size() * sizeof(DWORD)) / sizeof(wchar_t);
    std::vector<std::wstring> strings;
    for (size_t start = 0; start < length;) {
        const size_t end = std::find(text + start, text + length, L'\0') - text;
        if (end == start)
            break;
        strings.emplace_back(text + start, end - start);
        if (type == REG_SZ)
            break;
        start = end + 1;
    }
    return strings;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix, size_t at = 0) {
    return text.size() >= at + prefix.size() && SameText(text.substr(at, prefix.size()), prefix);
}

// A root hub names its USB version in its hardware id: "USB\ROOT_HUB" (1.1), "USB\ROOT_HUB20",
// "USB\ROOT_HUB30", ... Where it does not, the host controller's PCI programming interface (class 0C03)
// says it: 20h and above run at high speed or more. Nothing for a hub that is not a root hub.
std::optional<bool> RootHubHighSpeed(DEVINST hub) {
    const std::wstring rootPrefix = L"USB\\ROOT_HUB";
    bool root = false;
    for (const std::wstring& id : DevnodeStrings(hub, CM_DRP_HARDWAREID)) {
        if (!StartsWith(id, rootPrefix))
            continue;
        root = true;
        unsigned version = 0;
        for (size_t i = rootPrefix.size(); i < id.size() && iswdigit(id[i]) && version < 100; ++i)
            version = version * 10 + (id[i] - L'0');
        if (version >= 20)
            return true;
    }
    if (!root)
        return std::nullopt;
    DEVINST controller = 0;
    if (CM_Get_Parent(&controller, hub, 0) != CR_SUCCESS)
        return false;
    const std::wstring classPrefix = L"CC_0C03";
    for (ULONG property : {CM_DRP_HARDWAREID, CM_DRP_COMPATIBLEIDS}) {
        for (const std::wstring& id : DevnodeStrings(controller, property)) {
            for (size_t at = 0; at < id.size(); ++at) {
                if (!StartsWith(id, classPrefix, at) || at + classPrefix.size() + 2 > id.size())
                    continue;
                const std::wstring hex = id.substr(at + classPrefix.size(), 2);
                if (iswxdigit(hex[0]) && iswxdigit(hex[1]) && std::wcstoul(hex.c_str(), nullptr, 16) >= 0x20)
                    return true;
            }
        }
    }
    return false;
}

struct HubInterface {
    DEVINST devnode = 0;
    std::wstring path;
};

// The present USB hub interfaces: their devnodes and the paths they are opened by.
std::vector<HubInterface> PresentHubInterfaces() {
    std::vector<HubInterface> hubs;
    HDEVINFO raw = SetupDiGetClassDevsW(&GUID_DEVINTERFACE_USB_HUB, nullptr, nullptr,
                                        DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (raw == INVALID_HANDLE_VALUE)
        return hubs;
    UniqueDeviceInfoSet set(raw);
    constexpr size_t pathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA interfaceData{};
        interfaceData.cbSize = sizeof(interfaceData);
        if (!SetupDiEnumDeviceInterfaces(raw, nullptr, &GUID_DEVINTERFACE_USB_HUB, index, &interfaceData))
            break;
        DWORD required = 0;
        if (SetupDiGetDeviceInterfaceDetailW(raw, &interfaceData, nullptr, 0, &required, nullptr) ||
            GetLastError() != ERROR_INSUFFICIENT_BUFFER || required <= pathOffset || required > kMaxTextBytes)
            continue;
        std::vector<DWORD> buffer = AlignedBuffer(required);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
        // cbSize is the size of the fixed part, whatever the length of the path.
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof(device);
        if (!SetupDiGetDeviceInterfaceDetailW(raw, &interfaceData, detail, required, nullptr, &device))
            continue;
        hubs.push_back({device.DevInst, BoundedText(detail->DevicePath, required - pathOffset)});
    }
    return hubs;
}

// An input-output control whose answer replaces the question in the same buffer; the bytes answered.
std::optional<DWORD> AskHub(HANDLE hub, DWORD code, void* buffer, DWORD size) {
    DWORD returned = 0;
    if (!DeviceIoControl(hub, code, buffer, size, buffer, size, &returned, nullptr))
        return std::nullopt;
    return std::min(returned, size);
}

std::optional<ULONG> PortCount(HANDLE hub) {
    USB_NODE_INFORMATION node{};
    std::optional<DWORD> answered = AskHub(hub, IOCTL_USB_GET_NODE_INFORMATION, &node, sizeof(node));
    constexpr size_t needed = offsetof(USB_NODE_INFORMATION, u.HubInformation.HubDescriptor.bNumberOfPorts) +
                              sizeof(node.u.HubInformation.HubDescriptor.bNumberOfPorts);
    // ::UsbHub is the system's node type (a composite device's parent answers UsbMIParent).
    if (!answered || *answered < needed || node.NodeType != ::UsbHub)
        return std::nullopt;
    return node.u.HubInformation.HubDescriptor.bNumberOfPorts;
}

// The driver key of the device on a port; empty when the port has none.
std::wstring PortDriverKey(HANDLE hub, ULONG port) {
    constexpr size_t nameOffset = offsetof(USB_NODE_CONNECTION_DRIVERKEY_NAME, DriverKeyName);
    USB_NODE_CONNECTION_DRIVERKEY_NAME probe{};
    probe.ConnectionIndex = port;
    std::optional<DWORD> answered =
        AskHub(hub, IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME, &probe, sizeof(probe));
    if (!answered || *answered < nameOffset || probe.ActualLength <= nameOffset ||
        probe.ActualLength > kMaxTextBytes)
        return {};
    std::vector<DWORD> buffer = AlignedBuffer(probe.ActualLength);
    auto* name = reinterpret_cast<USB_NODE_CONNECTION_DRIVERKEY_NAME*>(buffer.data());
    name->ConnectionIndex = port;
    const DWORD size = static_cast<DWORD>(buffer.size() * sizeof(DWORD));
    answered = AskHub(hub, IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME, name, size);
    if (!answered || *answered <= nameOffset)
        return {};
    return BoundedText(name->DriverKeyName, *answered - nameOffset);
}

// The child of a hub's devnode that carries a driver key; 0 when none does.
DEVINST ChildWithDriverKey(DEVINST hub, const std::wstring& driverKey) {
    DEVINST child = 0;
    CONFIGRET result = CM_Get_Child(&child, hub, 0);
    for (int n = 0; result == CR_SUCCESS && n < kMaxChildren; ++n) {
        std::vector<std::wstring> keys = DevnodeStrings(child, CM_DRP_DRIVER);
        if (!keys.empty() && SameText(keys.front(), driverKey))
            return child;
        result = CM_Get_Sibling(&child, child, 0);
    }
    return 0;
}

struct PortDevice {
    DEVINST devnode = 0;
    bool highSpeed = false;
};

// The device instance on a port (0 when nothing is connected or it cannot be found) and whether the port
// runs it at high speed or more.
PortDevice DeviceOnPort(HANDLE hub, DEVINST hubDevnode, ULONG port) {
    constexpr size_t fixedPart = offsetof(USB_NODE_CONNECTION_INFORMATION_EX, PipeList);
    const DWORD size = static_cast<DWORD>(fixedPart + kMaxPipes * sizeof(USB_PIPE_INFO));
    std::vector<DWORD> buffer = AlignedBuffer(size);
    auto* connection = reinterpret_cast<USB_NODE_CONNECTION_INFORMATION_EX*>(buffer.data());
    connection->ConnectionIndex = port;
    std::optional<DWORD> answered =
        AskHub(hub, IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX, connection, size);
    if (!answered || *answered < fixedPart || connection->ConnectionStatus != DeviceConnected)
        return {};
    const std::wstring driverKey = PortDriverKey(hub, port);
    if (driverKey.empty())
        return {};
    return {ChildWithDriverKey(hubDevnode, driverKey), connection->Speed >= UsbHighSpeed};
}

struct KeptEvent {
    bool arrived = false;
    uint32_t instance = 0;
};

class SystemTree final : public IDeviceTree {
public:
    SystemTree() { RegisterForUsbDevices(); }

    bool GetParent(uint32_t instance, uint32_t& parent) override {
        DEVINST found = 0;
        if (instance == 0 || CM_Get_Parent(&found, instance, 0) != CR_SUCCESS)
            return false;
        parent = found;
        return true;
    }

    std::vector<UsbHub> EnumerateHubs() override {
        struct Found {
            UsbHub hub;
            std::optional<bool> rootHighSpeed;
        };
        std::vector<Found> found;
        // Each device on a port, and whether the port runs it at high speed: a hub's own speed.
        std::map<uint32_t, bool> portHighSpeed;
        for (const HubInterface& hubInterface : PresentHubInterfaces()) {
            HANDLE raw = CreateFileW(hubInterface.path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr);
            if (raw == INVALID_HANDLE_VALUE)
                continue;
            UniqueHandle hub(raw);
            std::optional<ULONG> ports = PortCount(raw);
            if (!ports)
                continue;
            Found entry;
            entry.hub.dwInstance = hubInterface.devnode;
            entry.rootHighSpeed = RootHubHighSpeed(hubInterface.devnode);
            for (ULONG port = 1; port <= *ports; ++port) {
                const PortDevice device = DeviceOnPort(raw, hubInterface.devnode, port);
                entry.hub.portInstances.push_back(device.devnode);
                if (device.devnode != 0)
                    portHighSpeed[device.devnode] = device.highSpeed;
            }
            found.push_back(std::move(entry));
        }
        std::vector<UsbHub> hubs;
        for (Found& entry : found) {
            if (entry.rootHighSpeed) {
                entry.hub.bHighSpeed = *entry.rootHighSpeed;
            } else {
                auto onPort = portHighSpeed.find(entry.hub.dwInstance);
                entry.hub.bHighSpeed = onPort != portHighSpeed.end() && onPort->second;
            }
            hubs.push_back(std::move(entry.hub));
        }
        return hubs;
    }

    uint32_t ChangeCount() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_count;
    }

    bool GetDeviceEvent(uint32_t sequence, bool& arrived, uint32_t& instance) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (sequence >= m_count || m_count - sequence > kKeptEvents)
            return false;
        const KeptEvent& event = m_events[sequence % kKeptEvents];
        arrived = event.arrived;
        instance = event.instance;
        return true;
    }

private:
    void RegisterForUsbDevices() {
        m_interfaceProperty = ConfigManagerEntry<InterfacePropertyFn>("CM_Get_Device_Interface_PropertyW");
        auto registerNotification = ConfigManagerEntry<RegisterNotificationFn>("CM_Register_Notification");
        if (!registerNotification)
            return;
        CM_NOTIFY_FILTER filter{};
        filter.cbSize = sizeof(filter);
        filter.FilterType = CM_NOTIFY_FILTER_TYPE_DEVICEINTERFACE;
        filter.u.DeviceInterface.ClassGuid = GUID_DEVINTERFACE_USB_DEVICE;
        // Never unregistered: the tree lives as long as the process.
        HCMNOTIFICATION notification = nullptr;
        registerNotification(&filter, this, &SystemTree::OnNotification, &notification);
    }

    // Runs on a system thread.
    static DWORD CALLBACK OnNotification(HCMNOTIFICATION, PVOID context, CM_NOTIFY_ACTION action,
                                         PCM_NOTIFY_EVENT_DATA data, DWORD size) {
        if (action != CM_NOTIFY_ACTION_DEVICEINTERFACEARRIVAL &&
            action != CM_NOTIFY_ACTION_DEVICEINTERFACEREMOVAL)
            return ERROR_SUCCESS;
        constexpr size_t linkOffset = offsetof(CM_NOTIFY_EVENT_DATA, u.DeviceInterface.SymbolicLink);
        std::wstring link;
        if (data && size > linkOffset && data->FilterType == CM_NOTIFY_FILTER_TYPE_DEVICEINTERFACE)
            link = BoundedText(data->u.DeviceInterface.SymbolicLink, size - linkOffset);
        auto* tree = static_cast<SystemTree*>(context);
        const bool arrived = action == CM_NOTIFY_ACTION_DEVICEINTERFACEARRIVAL;
        // An event whose device cannot be named still counts, with instance 0.
        tree->Record(arrived, link.empty() ? 0 : tree->InstanceOfInterface(link, arrived));
        return ERROR_SUCCESS;
    }

    // The devnode of a device interface; a removed device is looked up among the devnodes no longer present.
    uint32_t InstanceOfInterface(const std::wstring& link, bool present) const {
        if (!m_interfaceProperty)
            return 0;
        DEVPROPTYPE type = 0;
        ULONG size = 0;
        if (m_interfaceProperty(link.c_str(), &DEVPKEY_Device_InstanceId, &type, nullptr, &size, 0) !=
                CR_BUFFER_SMALL ||
            size == 0 || size > kMaxTextBytes)
            return 0;
        std::vector<DWORD> buffer = AlignedBuffer(size);
        ULONG returned = static_cast<ULONG>(buffer.size() * sizeof(DWORD));
        if (m_interfaceProperty(link.c_str(), &DEVPKEY_Device_InstanceId, &type,
                                reinterpret_cast<PBYTE>(buffer.data()), &returned, 0) != CR_SUCCESS ||
            type != DEVPROP_TYPE_STRING)
            return 0;
        std::wstring id = BoundedText(reinterpret_cast<const wchar_t*>(buffer.data()),
                                      std::min<size_t>(returned, buffer.size() * sizeof(DWORD)));
        DEVINST devnode = 0;
        if (id.empty() ||
            CM_Locate_DevNodeW(&devnode, id.data(),
                               present ? CM_LOCATE_DEVNODE_NORMAL : CM_LOCATE_DEVNODE_PHANTOM) != CR_SUCCESS)
            return 0;
        return devnode;
    }

    void Record(bool arrived, uint32_t instance) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_events[m_count % kKeptEvents] = {arrived, instance};
        ++m_count;
    }

    InterfacePropertyFn m_interfaceProperty = nullptr;
    std::mutex m_mutex;
    uint32_t m_count = 0;
    std::array<KeptEvent, kKeptEvents> m_events{};
};

} // namespace

IDeviceTree* SystemDeviceTree() {
    // Never destroyed: notifications may arrive on a system thread until the process ends.
    static SystemTree* const tree = new SystemTree();
    return tree;
}

} // namespace platform
