#pragma once

#include "core/Broadcast.h"
#include "core/MessageIds.h"
#include "model/ProjectTypes.h"

#include <cstdint>

// How a device operation tells every dialog (or, without one, the command line) how it goes. Each is
// one BroadcastResult of the message named.

// UM_FAIL with the result code; without a main dialog it becomes g_dwErrorCode.
inline void ReportFailure(ResultCode code) {
    BroadcastResult(UM_FAIL, code, 0);
}

// UM_SUCCEED with the result code.
inline void ReportSuccess(ResultCode code) {
    BroadcastResult(UM_SUCCEED, code, 0);
}

// UM_PROGRESS with a percentage 0-100.
inline void ReportProgress(uint32_t percent) {
    BroadcastResult(UM_PROGRESS, percent, 0);
}

// UM_FW_STATUS of the update dialogs: the result code and 0 or the firmware version.
inline void ReportStatus(ResultCode code, intptr_t lParam = 0) {
    BroadcastResult(UM_FW_STATUS, code, lParam);
}

// The end of an operation that succeeded: progress 100, then the success code.
inline void ReportCompleted(ResultCode code) {
    ReportProgress(100);
    ReportSuccess(code);
}
