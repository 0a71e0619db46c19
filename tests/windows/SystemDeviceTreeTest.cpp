// The configuration-manager device tree and its use by the reader-library binding. Wine has no USB hubs
// and no device notifications, so the checks hold on any machine and go further where there is more.
#include "platform/SystemDeviceTree.h"
#include "device/VrkLibExternalUse.h"
#include "platform/DeviceTree.h"
#include "platform/win/WideText.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cfgmgr32.h>

#include <set>
#include <string>
#include <vector>

namespace {

using testsupport::TempProgramFolder;

// A device tree that knows nothing: stands for one that someone else installed.
class NoTree : public platform::IDeviceTree {
public:
    bool GetParent(uint32_t, uint32_t&) override { return false; }
    std::vector<platform::UsbHub> EnumerateHubs() override { return {}; }
    uint32_t ChangeCount() override { return 0; }
    bool GetDeviceEvent(uint32_t, bool&, uint32_t&) override { return false; }
};

class SystemDeviceTreeTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(m_tree, nullptr); }

    platform::IDeviceTree* m_tree = platform::SystemDeviceTree();
};

TEST_F(SystemDeviceTreeTest, OneTreeServesTheWholeProcess) {
    EXPECT_EQ(platform::SystemDeviceTree(), m_tree);
}

TEST_F(SystemDeviceTreeTest, InvalidInstancesHaveNoParent) {
    for (uint32_t instance : {0u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        uint32_t parent = 0x5A5A5A5A;
        EXPECT_FALSE(m_tree->GetParent(instance, parent)) << instance;
        EXPECT_EQ(parent, 0x5A5A5A5Au) << "left untouched for " << instance;
    }
}

TEST_F(SystemDeviceTreeTest, ParentOfTheRootsFirstChildIsTheRoot) {
    DEVINST root = 0, child = 0;
    const CONFIGRET located = CM_Locate_DevNodeW(&root, nullptr, CM_LOCATE_DEVNODE_NORMAL);
    const CONFIGRET walked = located == CR_SUCCESS ? CM_Get_Child(&child, root, 0) : located;
    if (walked != CR_SUCCESS)
        GTEST_SKIP() << "no device tree to walk here: root " << located << ", first child " << walked;
    uint32_t parent = 0;
    ASSERT_TRUE(m_tree->GetParent(child, parent));
    EXPECT_EQ(parent, root);
    uint32_t aboveRoot = 0;
    EXPECT_FALSE(m_tree->GetParent(root, aboveRoot));
}

TEST_F(SystemDeviceTreeTest, HubsListEachPortWithTheDeviceBelowTheHub) {
    std::set<uint32_t> seen;
    for (const platform::UsbHub& hub : m_tree->EnumerateHubs()) {
        EXPECT_NE(hub.dwInstance, 0u);
        EXPECT_TRUE(seen.insert(hub.dwInstance).second) << "hub listed twice: " << hub.dwInstance;
        EXPECT_LE(hub.portInstances.size(), 255u);
        for (size_t index = 0; index < hub.portInstances.size(); ++index) {
            if (hub.portInstances[index] == 0)
                continue;
            uint32_t parent = 0;
            EXPECT_TRUE(m_tree->GetParent(hub.portInstances[index], parent));
            EXPECT_EQ(parent, hub.dwInstance) << "port " << index + 1;
        }
    }
}

TEST_F(SystemDeviceTreeTest, OnlyEventsBelowTheChangeCountAreKept) {
    const uint32_t count = m_tree->ChangeCount();
    HMODULE configManager = GetModuleHandleW(L"cfgmgr32.dll");
    if (!configManager || !GetProcAddress(configManager, "CM_Register_Notification")) {
        EXPECT_EQ(count, 0u) << "no registration, no events";
    }
    for (uint32_t sequence : {count, count + 1, count + 1000, 0xFFFFFFFFu}) {
        bool arrived = true;
        uint32_t instance = 0x5A5A5A5A;
        EXPECT_FALSE(m_tree->GetDeviceEvent(sequence, arrived, instance)) << sequence;
        EXPECT_TRUE(arrived);
        EXPECT_EQ(instance, 0x5A5A5A5Au);
    }
}

// Restores the device tree that was installed before the test.
class BindingDeviceTreeTest : public ::testing::Test {
protected:
    void SetUp() override { m_saved = platform::SetDeviceTree(nullptr); }
    void TearDown() override {
        m_library.UnloadLib();
        platform::SetDeviceTree(m_saved);
    }

    // A reader library with every entry the tool calls but no device-tree exports, in the program folder.
    void PlaceLibraryWithoutTree() {
        const std::string target = m_folder.File(CVrkLibExternalUse::kLibraryFileName);
        ASSERT_TRUE(CopyFileW(platform::win::Widen(QUILLIX_STUB_LIBRARY_WITHOUT_TREE).c_str(),
                              platform::win::Widen(target).c_str(), FALSE));
    }

    TempProgramFolder m_folder;
    CVrkLibExternalUse m_library;

private:
    platform::IDeviceTree* m_saved = nullptr;
};

TEST_F(BindingDeviceTreeTest, MissingLibraryInstallsNoTree) {
    EXPECT_EQ(m_library.LoadLib(), 0u);
    EXPECT_EQ(platform::DeviceTree(), nullptr);
}

TEST_F(BindingDeviceTreeTest, LibraryWithoutATreeUsesTheSystemTreeWhileLoaded) {
    PlaceLibraryWithoutTree();
    ASSERT_EQ(m_library.LoadLib(), 1u);
    EXPECT_EQ(platform::DeviceTree(), platform::SystemDeviceTree());
    m_library.UnloadLib();
    EXPECT_EQ(platform::DeviceTree(), nullptr);
}

TEST_F(BindingDeviceTreeTest, UnloadingLeavesATreeInstalledByOthers) {
    PlaceLibraryWithoutTree();
    ASSERT_EQ(m_library.LoadLib(), 1u);
    NoTree other;
    platform::SetDeviceTree(&other);
    m_library.UnloadLib();
    EXPECT_EQ(platform::DeviceTree(), &other);
}

} // namespace
