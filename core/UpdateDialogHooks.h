#pragma once

#include <cstdint>

// What the worker and the firmware operations reach inside two of the firmware-update dialogs besides
// posting messages to them. A dialog that runs sets its hook pointer together with its dialog pointer,
// before the worker starts, and never changes it while the worker runs. Every call comes from the
// worker thread while the dialog lives on the user-interface thread, so an implementation guards its
// own fields.

// The single-reader update dialog (3): the fields the firmware operations fill in, and the event it
// waits on after requesting the reader's identity.
class IPatchPkgDlg3Hooks {
public:
    virtual ~IPatchPkgDlg3Hooks() = default;
    virtual void SetFwVersion(uint16_t wVersion) = 0;
    virtual void SetVendorProductId(uint16_t wVid, uint16_t wPid) = 0;
    // Whether the reader was last sent into its ROM code (1) or not (0).
    virtual uint32_t GetRomReset() const = 0;
    virtual void SetRomReset(uint32_t bRomReset) = 0;
    virtual void SignalCompletion() = 0;
};

// The multi-reader update dialog (6): the same completion event, and the flag that stays set while a
// reader check sequence it requested is pending.
class IPatchPkgDlg6Hooks {
public:
    virtual ~IPatchPkgDlg6Hooks() = default;
    virtual void SignalCompletion() = 0;
    virtual void ClearScanPending() = 0;
};

// Null unless that dialog runs.
extern IPatchPkgDlg3Hooks* g_pPatchPkgDlg3Hooks;
extern IPatchPkgDlg6Hooks* g_pPatchPkgDlg6Hooks;
