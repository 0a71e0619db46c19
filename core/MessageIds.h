#pragma once

#include <cstdint>

// Result messages posted to the dialogs (by the worker and the device operations). Senders and
// handlers are matched by these numbers.
inline constexpr uint32_t UM_LIB_READY = 0x411;       // reader library bound; 0, 0
inline constexpr uint32_t UM_WORKER_ENDED = 0x412;    // the dialog closes itself; 0, 0
inline constexpr uint32_t UM_PROGRESS = 0x413;        // percentage 0-100, 0
inline constexpr uint32_t UM_FAIL = 0x414;            // ResultCode, 0
inline constexpr uint32_t UM_FATAL = 0x415;           // 41501 or 41502, 0
inline constexpr uint32_t UM_SUCCEED = 0x416;         // ResultCode, 0
inline constexpr uint32_t UM_FW_STATUS = 0x418;       // ResultCode, 0 or the firmware version
inline constexpr uint32_t UM_FW_VERSIONS = 0x419;     // reader location or 0, version address or 0
inline constexpr uint32_t UM_FILE_LOADED = 0x41a;     // image check result, lParam of the load request
inline constexpr uint32_t UM_IMAGE_CHANGED = 0x41b;   // image check result, 0
inline constexpr uint32_t UM_READERS_CHECKED = 0x41c; // 0, 0
inline constexpr uint32_t UM_SOCKET_BEGIN = 0x43d;    // socket index 0-2, 0
inline constexpr uint32_t UM_ALL_UPDATED = 0x43e;     // 0, 0
inline constexpr uint32_t UM_UPDATE_STOPPED = 0x43f;  // 0, 0
// The operation history could not be written; the text is LastHistoryNote(). 0, 0
inline constexpr uint32_t UM_HISTORY_NOTE = 0x460;

// Requests posted to the worker thread, handled one at a time in posting order.
inline constexpr uint32_t UM_REQ_INIT = 0x430;
inline constexpr uint32_t UM_REQ_DOWNLOAD = 0x431;
inline constexpr uint32_t UM_REQ_ERASE = 0x432;
inline constexpr uint32_t UM_REQ_UPDATE = 0x433;
inline constexpr uint32_t UM_REQ_READ = 0x434; // lParam: 0 report, non-zero quiet
inline constexpr uint32_t UM_REQ_CHECK_DEV_INFO = 0x435;
inline constexpr uint32_t UM_REQ_WAIT_CHECK_DEV_INFO = 0x436; // wParam: 0 wait for the reader first
inline constexpr uint32_t UM_REQ_GET_FW_VERSION = 0x437;
inline constexpr uint32_t UM_REQ_LOAD_FW_VERSION = 0x438;
inline constexpr uint32_t UM_REQ_UPDATE_ALL = 0x439;
inline constexpr uint32_t UM_REQ_LOAD_DOWNLOAD_FILE = 0x43b; // lParam passed through to UM_FILE_LOADED
inline constexpr uint32_t UM_REQ_CHECK_READERS = 0x440;      // lParam passed to the reader scan
