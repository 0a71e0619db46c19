#include "ui/UpdateDlgPlaceholder.h"

#include "core/MessageIds.h"
#include "ui/QtText.h"

#include <QLabel>
#include <QPushButton>

CUpdateDlgPlaceholder::CUpdateDlgPlaceholder(std::string className, std::string title, QWidget* parent)
    : CResultDialog(parent), m_strClassName(std::move(className)), m_strTitle(std::move(title)) {}

void CUpdateDlgPlaceholder::OnInitDialog() {
    setWindowTitle(ToQt(m_strTitle));
    SetClientSizeDlu(240, 80);
    AddAboutEntry();

    auto* message = new QLabel(this);
    message->setObjectName(ControlName(IDC_MESSAGE));
    message->setWordWrap(true);
    message->setText(QStringLiteral("The configuration selects the firmware-update dialog %1, which this "
                                    "version of Quillix does not provide yet.")
                         .arg(ToQt(m_strClassName)));
    Place(message, {10, 10, 220, 40});

    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(ControlName(IDCANCEL));
    close->setDefault(true);
    Place(close, {180, 58, 50, 14});
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void CUpdateDlgPlaceholder::OnResult(uint32_t id, uintptr_t, intptr_t) {
    if (id == UM_WORKER_ENDED)
        OnWorkerEnded();
}
