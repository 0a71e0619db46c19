#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

// A manual-reset event: Set wakes every waiter and stays set until Reset.
class CCompletionEvent {
public:
    void Set();
    void Reset();
    // Waits until the event is set or `timeoutMs` have passed; whether it was set.
    bool Wait(uint32_t timeoutMs);

private:
    std::mutex m_Lock;
    std::condition_variable m_Changed;
    bool m_bSet = false;
};
