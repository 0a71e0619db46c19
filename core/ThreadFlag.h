#pragma once

#include <cstdint>
#include <mutex>

// The cancel flag of a dialog. A dialog clears it before posting a request and sets it to cancel; the
// worker only reads it. Every read and write holds the lock for that single access.
class CThreadFlag {
public:
    CThreadFlag() = default;
    CThreadFlag(const CThreadFlag&) = delete;
    CThreadFlag& operator=(const CThreadFlag&) = delete;

    void SetCancelFlag();
    void ClearCancelFlag();
    uint32_t GetCancelFlag() const;

private:
    mutable std::mutex m_Lock;
    uint32_t m_dwCancel = 0;
};
