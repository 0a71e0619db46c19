#pragma once

#include "core/ResultDialog.h"
#include "ui/DialogUnits.h"

#include <QDialog>

#include <cstdint>

class QAction;

// Base of the dialogs that post requests to the worker and receive its result messages. PostMessage may
// be called from any thread; the message reaches OnResult on the GUI thread, in posting order. OK,
// Cancel, Escape and the close box run the close sequence: the worker is told to stop and the dialog
// ends when it reports UM_WORKER_ENDED, so it never closes while a device operation runs.
class CResultDialog : public QDialog, public IResultDialog {
    Q_OBJECT

public:
    explicit CResultDialog(QWidget* parent = nullptr);

    void PostMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) override;

    // OnInitDialog, then the modal loop; the dialog's result.
    int DoModal();
    // OnInitDialog, then shown modeless (tests drive the dialog this way).
    void Create();

    void accept() override;
    void reject() override;

    // Whether the dialog has ended.
    bool HasEnded() const { return m_bEnded; }

protected:
    virtual void OnInitDialog() = 0;
    virtual void OnResult(uint32_t id, uintptr_t wParam, intptr_t lParam) = 0;
    // Runs once, right before the dialog ends: the place to save settings and release helpers.
    virtual void OnDestroy() {}

    // The handling of UM_WORKER_ENDED: a short pause, then the dialog ends as if cancelled.
    void OnWorkerEnded();

    // Sizes the client area and places controls by dialog units of the dialog's font.
    void SetClientSizeDlu(int width, int height);
    void Place(QWidget* control, const DluRect& rect) const;
    DialogBaseUnits Units() const { return m_units; }

    // Adds the "&About Quillix..." entry (right-click menu of the dialog, and F1) that opens the about box.
    void AddAboutEntry();

private:
    void RequestClose();
    void End();

    DialogBaseUnits m_units;
    bool m_bEnded = false;
};

// Object name of the control with a template id, so tests find controls by id.
QString ControlName(int id);

template <class Widget> Widget* FindControl(const QWidget* dialog, int id) {
    return dialog->findChild<Widget*>(ControlName(id));
}
