#pragma once

#include "platform/Clock.h"

#include <mutex>
#include <vector>

namespace platform {

// A clock for tests: Sleep records the duration and advances the tick count at once.
// Installs itself on construction and restores the previous clock on destruction.
class FakeClock : public IClock {
public:
    explicit FakeClock(uint32_t startTick = 1000) : m_tick(startTick) { m_previous = SetClock(this); }
    ~FakeClock() override { SetClock(m_previous); }
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    void Sleep(uint32_t ms) override {
        std::lock_guard lock(m_mutex);
        m_sleeps.push_back(ms);
        m_tick += ms;
    }
    uint32_t TickCount() override {
        std::lock_guard lock(m_mutex);
        return m_tick;
    }
    void Advance(uint32_t ms) {
        std::lock_guard lock(m_mutex);
        m_tick += ms;
    }
    std::vector<uint32_t> Sleeps() const {
        std::lock_guard lock(m_mutex);
        return m_sleeps;
    }
    uint64_t TotalSlept() const {
        std::lock_guard lock(m_mutex);
        uint64_t total = 0;
        for (uint32_t ms : m_sleeps)
            total += ms;
        return total;
    }
    void ClearSleeps() {
        std::lock_guard lock(m_mutex);
        m_sleeps.clear();
    }

private:
    mutable std::mutex m_mutex;
    uint32_t m_tick;
    std::vector<uint32_t> m_sleeps;
    IClock* m_previous = nullptr;
};

} // namespace platform
