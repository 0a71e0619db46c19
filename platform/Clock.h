#pragma once

#include <cstdint>

namespace platform {

// Every sleep and tick count of the tool goes through one clock, so tests can replace it with a
// fake one that records sleeps and advances time instantly.
class IClock {
public:
    virtual ~IClock() = default;
    virtual void Sleep(uint32_t ms) = 0;
    // Milliseconds of a monotonic clock, truncated to 32 bits.
    virtual uint32_t TickCount() = 0;
};

class RealClock : public IClock {
public:
    void Sleep(uint32_t ms) override;
    uint32_t TickCount() override;
};

// The clock in use; the real clock unless a test installed another one.
IClock& Clock();
// Installs a clock (nullptr restores the real clock). Returns the previous one.
IClock* SetClock(IClock* clock);

inline void Sleep(uint32_t ms) {
    Clock().Sleep(ms);
}
inline uint32_t GetTickCount() {
    return Clock().TickCount();
}

} // namespace platform
