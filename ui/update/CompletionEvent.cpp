#include "ui/update/CompletionEvent.h"

#include <chrono>

void CCompletionEvent::Set() {
    {
        std::lock_guard lock(m_Lock);
        m_bSet = true;
    }
    m_Changed.notify_all();
}

void CCompletionEvent::Reset() {
    std::lock_guard lock(m_Lock);
    m_bSet = false;
}

bool CCompletionEvent::Wait(uint32_t timeoutMs) {
    std::unique_lock lock(m_Lock);
    return m_Changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_bSet; });
}
