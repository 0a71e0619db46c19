#include "platform/Clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace platform {

void RealClock::Sleep(uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

uint32_t RealClock::TickCount() {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

namespace {
RealClock g_realClock;
std::atomic<IClock*> g_clock{&g_realClock};
} // namespace

IClock& Clock() {
    return *g_clock.load();
}

IClock* SetClock(IClock* clock) {
    return g_clock.exchange(clock ? clock : &g_realClock);
}

} // namespace platform
