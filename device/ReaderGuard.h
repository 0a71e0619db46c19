#pragma once

#include "device/VrkFun.h"

#include <cstdint>
#include <utility>

// The reader of one device operation: opened when the guard is made, closed when it goes out of
// scope, on every path, so no early return can leave a handle open. Closing a reader that is not open
// (the opening failed, or a reset already dropped the handle) calls nothing.
class ReaderGuard {
public:
    // `open` is the session's way of opening the reader for this operation; its 1/0 answer is kept.
    template <typename Open>
    ReaderGuard(CVrkFun& session, Open&& open) : m_session(session), m_opened(std::forward<Open>(open)()) {}
    ~ReaderGuard() { m_session.CloseDevice(); }
    ReaderGuard(const ReaderGuard&) = delete;
    ReaderGuard& operator=(const ReaderGuard&) = delete;

    // The opening's answer; non-zero when the reader is open.
    [[nodiscard]] uint32_t Opened() const { return m_opened; }
    explicit operator bool() const { return m_opened != 0; }

    // Closes the reader and opens it again with `open` (a reader that must be asked afresh).
    template <typename Open> [[nodiscard]] uint32_t Reopen(Open&& open) {
        m_session.CloseDevice();
        m_opened = std::forward<Open>(open)();
        return m_opened;
    }

private:
    CVrkFun& m_session;
    uint32_t m_opened;
};
