#pragma once

#include "core/ResultDialog.h"
#include "model/ProjectTypes.h"

#include <cstdint>

// The last result code of the run; 0 after start-up, the exit code at the end.
extern ResultCode g_dwErrorCode;

// The dialogs of the run: at most one is set (exactly one in dialog mode, none on the command line).
// They are written by the main thread only, never while a device operation runs.
extern IResultDialog* g_pMainDlg;
extern IResultDialog* g_pPatchPkgDlg;
extern IResultDialog* g_pPatchPkgDlg3;
extern IResultDialog* g_pPatchPkgDlg4;
extern IResultDialog* g_pPatchPkgDlg5;
extern IResultDialog* g_pPatchPkgDlg6;

// Posts a message to every dialog that is set: the main dialog first, then the update dialogs in the
// order 1, 3, 4, 5, 6. Without a main dialog a failure (0x414) or fatal (0x415) message stores wParam
// in g_dwErrorCode instead, so the command line's exit code is the last failure reported. Every
// message that an operation sends to "all dialogs" (progress, socket and firmware status included)
// goes through here.
void BroadcastResult(uint32_t id, uintptr_t wParam, intptr_t lParam);

// Shows the progress of an operation that runs without any dialog (the command line); called with
// every progress message's percentage while no dialog exists. nullptr (the default) shows nothing.
using ConsoleProgressFn = void (*)(uint32_t percent);
void SetConsoleProgress(ConsoleProgressFn show);

// The cancel flag of the first dialog that is set (main dialog, then update dialogs 1, 3, 4, 5, 6),
// read under its lock; 0 when no dialog is set.
uint32_t IsCancelRequested();

// While one exists, it keeps the last failure code (0x414, 0x415) that BroadcastResult sends on its
// thread, so the caller knows how an operation failed. A muted capture also keeps the messages from
// everyone else (dialogs, g_dwErrorCode, console progress): for a step the user did not ask for, such
// as the backup read before a write. Captures nest; the innermost one is served.
class BroadcastCapture {
public:
    explicit BroadcastCapture(bool mute = false);
    ~BroadcastCapture();
    BroadcastCapture(const BroadcastCapture&) = delete;
    BroadcastCapture& operator=(const BroadcastCapture&) = delete;

    ResultCode LastFailure() const { return m_dwLastFailure; }

private:
    friend void BroadcastResult(uint32_t id, uintptr_t wParam, intptr_t lParam);
    BroadcastCapture* m_pOuter;
    bool m_bMute;
    ResultCode m_dwLastFailure = 0;
};
