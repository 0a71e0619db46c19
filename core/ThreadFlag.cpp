#include "core/ThreadFlag.h"

void CThreadFlag::SetCancelFlag() {
    std::lock_guard lock(m_Lock);
    m_dwCancel = 1;
}

void CThreadFlag::ClearCancelFlag() {
    std::lock_guard lock(m_Lock);
    m_dwCancel = 0;
}

uint32_t CThreadFlag::GetCancelFlag() const {
    std::lock_guard lock(m_Lock);
    return m_dwCancel;
}
