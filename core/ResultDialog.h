#pragma once

#include "core/ThreadFlag.h"

#include <cstdint>

// A dialog as the device operations see it: something that accepts posted result messages and
// carries a cancel flag. PostMessage may be called from any thread; the dialog handles the message
// later on its own thread, in posting order.
class IResultDialog : public CThreadFlag {
public:
    virtual ~IResultDialog() = default;
    virtual void PostMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) = 0;
};
