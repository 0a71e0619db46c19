#include "ui/AboutDlg.h"

#include "app/QuillixApp.h"
#include "platform/Text.h"
#include "ui/AppIcon.h"
#include "ui/DialogFont.h"
#include "ui/DialogUnits.h"
#include "ui/QtText.h"
#include "ui/ResultDialog.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

constexpr const char* kNotice =
    "Quillix reads, writes, erases and checks the configuration memory of card-reader controller "
    "chips and edits the vendor information it holds.\n\n"
    "This program is proprietary. It is licensed for use with the card readers it was delivered "
    "with; copying, distributing or reverse engineering it without written permission is not "
    "allowed. An EFUSE bit that is programmed cannot be changed again: check an image before you "
    "write it.";

} // namespace

std::string AboutVersionText(const char* version) {
    return platform::StrPrintf("Quillix Version %s", version);
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setFont(DialogFont());
    const DialogBaseUnits units = BaseUnitsOf(font());
    setWindowTitle(QStringLiteral("About Quillix"));
    setFixedSize(DluToPixelsX(300, units), DluToPixelsY(150, units));

    auto* icon = new QLabel(this);
    icon->setPixmap(QuillixIcon().pixmap(32));
    PlaceControl(icon, {11, 14, 21, 20}, units);

    auto* version = new QLabel(ToQt(AboutVersionText(g_szVersion)), this);
    version->setObjectName(ControlName(IDC_VERSION));
    PlaceControl(version, {42, 14, 200, 8}, units);

    auto* notice = new QPlainTextEdit(QString::fromLatin1(kNotice), this);
    notice->setObjectName(ControlName(IDC_NOTICE));
    notice->setReadOnly(true);
    PlaceControl(notice, {42, 30, 247, 92}, units);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(ControlName(IDOK));
    ok->setDefault(true);
    PlaceControl(ok, {239, 129, 50, 14}, units);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
