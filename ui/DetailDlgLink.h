#pragma once

#include <QPoint>

#include <cstdint>
#include <memory>

class QWidget;

// Messages the main dialog and the editor pages post to the detail dialog.
inline constexpr uint32_t UM_DETAIL_SHOW = 0x450;      // show command: 0 hides, non-zero shows
inline constexpr uint32_t UM_DETAIL_SCROLL = 0x45A;    // lines, 0
inline constexpr uint32_t UM_DETAIL_SCROLL_TO = 0x45B; // image offset, 0
inline constexpr uint32_t UM_DETAIL_HIGHLIGHT = 0x45E; // image offset, length
inline constexpr uint32_t UM_DETAIL_REFRESH = 0x45F;   // 1, 0

// The vendor-information editor as the main dialog sees it. Calls and messages arrive on the GUI
// thread.
class IDetailDialog {
public:
    virtual ~IDetailDialog() = default;
    // Queued to the dialog; handled in posting order.
    virtual void PostMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) = 0;
    // Rebuilds the pages for the loaded configuration and reloads every field.
    virtual void ReloadSettings() = 0;
    // The main dialog's busy state: idle when both are 0.
    virtual void EnableControls(uint32_t devBusy, uint32_t downBusy) = 0;
    // Moves the dialog's top-left corner to `topLeft` (size kept), then shows its sheet and itself.
    virtual void ShowAt(const QPoint& topLeft) = 0;
};

// The one detail dialog; null while none exists.
extern IDetailDialog* g_pDetailDlg;

// Creates the detail dialog, hidden, with the main dialog as parent. The editor installs it; while no
// editor is installed the main dialog runs without one.
using DetailDlgFactory = std::unique_ptr<IDetailDialog> (*)(QWidget* parent);
extern DetailDlgFactory g_pfnCreateDetailDlg;
