#include "ui/update/PatchPkgDlg4.h"

#include "app/Messages.h"
#include "app/QuillixApp.h"
#include "core/MessageIds.h"
#include "core/VrkThread.h"
#include "device/DevTypeInfo.h"
#include "model/IcTypeIni.h"
#include "platform/ProgramFolder.h"
#include "ui/AppIcon.h"
#include "ui/MessageBoxes.h"
#include "ui/QtText.h"
#include "ui/WindowTitles.h"

#include <QGroupBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>

namespace {

// The Check button's font: 20 points, normal weight.
constexpr int kButtonPointSize = 20;
// The result text: bold, 12 points.
constexpr int kResultPointSize = 12;

QTextCharFormat ResultFormat(uint32_t rgb) {
    QTextCharFormat format;
    format.setFontWeight(QFont::Bold);
    format.setFontPointSize(kResultPointSize);
    format.setForeground(QColor::fromRgb((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
    return format;
}

} // namespace

CPatchPkgDlg4::CPatchPkgDlg4(QWidget* parent) : CResultDialog(parent) {
    setWindowTitle(QStringLiteral("Quillix"));
    setWindowIcon(QuillixIcon());
    CreateControls();
}

void CPatchPkgDlg4::CreateControls() {
    SetClientSizeDlu(316, 158);
    m_pCheck = new QPushButton(QStringLiteral("Check"), this);
    m_pCheck->setObjectName(ControlName(IDC_CHECK));
    QFont font(QStringLiteral("Calibr"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(kButtonPointSize);
    font.setWeight(QFont::Normal);
    m_pCheck->setFont(font);
    Place(m_pCheck, {102, 24, 82, 25});
    connect(m_pCheck, &QPushButton::clicked, this, [this] { OnCheck(); });

    auto* group = new QGroupBox(QStringLiteral("Check Result"), this);
    Place(group, {7, 51, 302, 75});
    m_pResult = new QTextEdit(this);
    m_pResult->setObjectName(ControlName(IDC_RESULT));
    m_pResult->setReadOnly(true);
    Place(m_pResult, {7, 61, 302, 65});

    m_pProgress = new QProgressBar(this);
    m_pProgress->setObjectName(ControlName(IDC_PROGRESS));
    m_pProgress->setRange(0, 100);
    m_pProgress->setValue(0);
    m_pProgress->setTextVisible(false);
    Place(m_pProgress, {7, 130, 302, 14});
}

void CPatchPkgDlg4::OnInitDialog() {
    TraceScope scope("CPatchPkgDlg4::OnInitDialog", kTraceApp);
    AddAboutEntry();
    LoadUserSetting();
    if (!StartVrkThread())
        TraceLine(scope, "The worker thread could not be started\n");
}

void CPatchPkgDlg4::LoadUserSetting() {
    // The check dialog keeps no settings; its title and caption are fixed.
    m_strTitle.clear();
}

void CPatchPkgDlg4::OnResult(uint32_t id, uintptr_t wParam, intptr_t) {
    switch (id) {
    case UM_LIB_READY:
        OnLibReady();
        break;
    case UM_WORKER_ENDED:
        OnWorkerEnded();
        break;
    case UM_PROGRESS:
        m_pProgress->setValue(static_cast<int>(wParam));
        break;
    case UM_SUCCEED:
        OnReadSucceeded();
        break;
    case UM_FAIL:
        OnReadFailed(static_cast<uint32_t>(wParam));
        break;
    case UM_FATAL:
        ShowMessageBox(this, {LoadMessage(static_cast<uint32_t>(wParam)), ResultCaption(g_ProjectType),
                              MsgIcon::Error, MsgButtons::Ok});
        m_pProgress->setValue(0);
        m_bLibFailed = 1;
        m_bBusy = 1;
        m_pCheck->setEnabled(false);
        break;
    default:
        break;
    }
}

void CPatchPkgDlg4::OnLibReady() {
    setWindowTitle(ToQt(UpdateDialogTitle(4, m_strTitle, g_ProjectType, g_szVersion, g_BusType)));
    m_pCheck->setDefault(true);
    m_pCheck->setFocus();
    m_bLibFailed = 0;
    SetIdle();
}

void CPatchPkgDlg4::SetIdle() {
    m_bBusy = 0;
    m_pCheck->setEnabled(true);
}

void CPatchPkgDlg4::OnCheck() {
    if (m_bBusy) {
        SetCancelFlag();
        return;
    }
    m_bLibFailed = 0;
    m_bBusy = 1;
    m_pCheck->setEnabled(false);
    ClearCancelFlag();
    m_strResult.clear();
    m_pResult->clear();
    if (g_pVrkThread)
        g_pVrkThread->PostThreadMessage(UM_REQ_READ, 0, 1);
}

void CPatchPkgDlg4::OnReadSucceeded() {
    m_pProgress->setValue(0);
    SetIdle();
    if (!g_pDevTypeInfo)
        return;
    uint32_t holdInfo = 0;
    if (g_pIcTypeIni)
        g_pIcTypeIni->GetFlashHoldInfo(holdInfo);
    std::optional<std::string> match =
        FindMatchingReference(*g_pDevTypeInfo, ReferenceFiles(GetProgramFolder()), holdInfo == 1);
    ShowResult(match ? PassText(*match) : FailText());
}

void CPatchPkgDlg4::OnReadFailed(uint32_t code) {
    ShowResult(ReadFailureText(code));
    m_pResult->verticalScrollBar()->setValue(m_pResult->verticalScrollBar()->maximum());
    m_pProgress->setValue(0);
    SetIdle();
}

void CPatchPkgDlg4::ShowResult(const CheckResultText& result) {
    m_strResult = result.text;
    m_pResult->setPlainText(ToQt(result.text));
    QTextCursor cursor(m_pResult->document());
    cursor.select(QTextCursor::Document);
    cursor.setCharFormat(ResultFormat(0));
    if (result.highlight.empty())
        return;
    const QString text = ToQt(result.text);
    const qsizetype word = text.indexOf(ToQt(result.highlight));
    if (word >= 0) {
        cursor.setPosition(static_cast<int>(word));
        cursor.setPosition(static_cast<int>(word + ToQt(result.highlight).size()), QTextCursor::KeepAnchor);
        cursor.setCharFormat(ResultFormat(result.rgb));
    }
    const qsizetype lineFeed = text.indexOf(QLatin1Char('\n'));
    if (result.bColourTail && lineFeed >= 0) {
        cursor.setPosition(static_cast<int>(lineFeed + 1));
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        cursor.setCharFormat(ResultFormat(result.rgb));
    }
}
