// The installed device tree and the queries made through it from several threads.
#include "platform/DeviceTree.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace {

// A tree whose change counter waits until the test lets it answer.
class HeldTree : public platform::IDeviceTree {
public:
    bool GetParent(uint32_t, uint32_t&) override { return false; }
    std::vector<platform::UsbHub> EnumerateHubs() override { return {}; }
    bool GetDeviceEvent(uint32_t, bool&, uint32_t&) override { return false; }
    uint32_t ChangeCount() override {
        std::unique_lock lock(m_mutex);
        m_entered = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_released; });
        removedWhileRunning = removed.load();
        return 7;
    }

    void WaitUntilEntered() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_entered; });
    }
    void Release() {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }

    std::atomic<bool> removed{false};
    bool removedWhileRunning = false;

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_entered = false;
    bool m_released = false;
};

class DeviceTreeTest : public testing::Test {
protected:
    void SetUp() override { m_saved = platform::SetDeviceTree(nullptr); }
    void TearDown() override { platform::SetDeviceTree(m_saved); }

private:
    platform::IDeviceTree* m_saved = nullptr;
};

TEST_F(DeviceTreeTest, QueriesWithoutATreeFail) {
    uint32_t parent = 5;
    bool arrived = false;
    uint32_t instance = 0;
    EXPECT_FALSE(platform::GetParentInstance(1, parent));
    EXPECT_EQ(parent, 5u);
    EXPECT_FALSE(platform::EnumerateUsbHubs().has_value());
    EXPECT_FALSE(platform::DeviceChangeCount().has_value());
    EXPECT_FALSE(platform::GetDeviceEvent(0, arrived, instance));
}

TEST_F(DeviceTreeTest, OnlyTheInstalledTreeIsRemoved) {
    HeldTree installed, other;
    platform::SetDeviceTree(&installed);
    platform::RemoveDeviceTree(&other);
    EXPECT_EQ(platform::DeviceTree(), &installed);
    platform::RemoveDeviceTree(&installed);
    EXPECT_EQ(platform::DeviceTree(), nullptr);
}

// A library's tree is removed before the library is unloaded: the removal must wait for a query that
// another thread is still running on it.
TEST_F(DeviceTreeTest, RemovalWaitsForARunningQuery) {
    HeldTree tree;
    platform::SetDeviceTree(&tree);
    std::optional<uint32_t> answer;
    std::thread query([&] { answer = platform::DeviceChangeCount(); });
    tree.WaitUntilEntered();
    std::thread remover([&] {
        platform::RemoveDeviceTree(&tree);
        tree.removed = true;
    });
    // Gives the remover the time to reach the lock before the query may answer.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    tree.Release();
    query.join();
    remover.join();
    EXPECT_EQ(answer, 7u);
    EXPECT_FALSE(tree.removedWhileRunning);
    EXPECT_EQ(platform::DeviceTree(), nullptr);
}

} // namespace
