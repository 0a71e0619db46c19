#include "ui/ResultDialog.h"

#include "app/TraceLog.h"
#include "core/MessageIds.h"
#include "core/VrkThread.h"
#include "platform/Clock.h"
#include "ui/AboutDlg.h"
#include "ui/DialogFont.h"

#include <QAction>
#include <QMetaObject>

namespace {

// Pause between the worker's end and the dialog's end.
constexpr uint32_t kEndPauseMs = 128;

} // namespace

QString ControlName(int id) {
    return QString::number(id);
}

CResultDialog::CResultDialog(QWidget* parent) : QDialog(parent), m_units(BaseUnitsOf(DialogFont())) {
    setFont(DialogFont());
}

void CResultDialog::PostMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) {
    QMetaObject::invokeMethod(
        this, [this, id, wParam, lParam] { OnResult(id, wParam, lParam); }, Qt::QueuedConnection);
}

int CResultDialog::DoModal() {
    OnInitDialog();
    return exec();
}

void CResultDialog::Create() {
    OnInitDialog();
    show();
}

void CResultDialog::accept() {
    RequestClose();
}

void CResultDialog::reject() {
    RequestClose();
}

void CResultDialog::RequestClose() {
    if (m_bEnded)
        return;
    StopVrkThread(*this);
}

void CResultDialog::OnWorkerEnded() {
    platform::Sleep(kEndPauseMs);
    End();
}

void CResultDialog::End() {
    if (m_bEnded)
        return;
    m_bEnded = true;
    OnDestroy();
    QDialog::done(QDialog::Rejected);
}

void CResultDialog::SetClientSizeDlu(int width, int height) {
    setFixedSize(DluToPixelsX(width, m_units), DluToPixelsY(height, m_units));
}

void CResultDialog::Place(QWidget* control, const DluRect& rect) const {
    PlaceControl(control, rect, m_units);
}

void CResultDialog::AddAboutEntry() {
    auto* about = new QAction(QStringLiteral("&About Quillix..."), this);
    about->setShortcut(QKeySequence(Qt::Key_F1));
    connect(about, &QAction::triggered, this, [this] {
        CAboutDlg dialog(this);
        dialog.exec();
    });
    addAction(about);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}
