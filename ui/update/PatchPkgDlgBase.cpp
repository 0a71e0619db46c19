#include "ui/update/PatchPkgDlgBase.h"

#include "app/Messages.h"
#include "app/QuillixApp.h"
#include "core/MessageIds.h"
#include "core/VrkThread.h"
#include "model/ConfigIni.h"
#include "model/IcTypeIni.h"
#include "platform/ProgramFolder.h"
#include "platform/Text.h"
#include "ui/AppIcon.h"
#include "ui/MessageBoxes.h"
#include "ui/QtText.h"
#include "ui/WindowTitles.h"
#include "ui/update/ToneColour.h"
#include "view/update/UpdateDlgRules.h"

#include <QColor>
#include <QGroupBox>
#include <QLabel>
#include <QMetaObject>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>

namespace {

constexpr const char* kConfigSection = "Quillix Config";
const QColor kFailureColour(200, 0, 0);

std::string Setting(const char* key) {
    return g_pConfigIni ? platform::IniBytesToUtf8(g_pConfigIni->GetString(kConfigSection, key, "")) : "";
}

} // namespace

CPatchPkgDlgBase::CPatchPkgDlgBase(Layout layout, uint32_t customizeUI, bool needsFile, QWidget* parent)
    : CResultDialog(parent), m_dwCustomizeUI(customizeUI), m_bNeedsFile(needsFile),
      m_Watcher([this](CDeviceChangeWatcher::Change change, uint32_t) { OnDeviceChange(change); }) {
    setWindowTitle(QStringLiteral("Quillix"));
    setWindowIcon(QuillixIcon());
    CreateControls(layout);
}

void CPatchPkgDlgBase::CreateControls(Layout layout) {
    const bool single = layout == Layout::Single;
    SetClientSizeDlu(316, single ? 180 : 193);
    auto group = [this](const char* text, const DluRect& rect) {
        auto* control = new QGroupBox(QString::fromLatin1(text), this);
        Place(control, rect);
    };
    auto label = [this](int id, const DluRect& rect) {
        auto* control = new QLabel(this);
        control->setObjectName(ControlName(id));
        control->setWordWrap(true);
        control->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        Place(control, rect);
        return control;
    };
    group("Reader Info", single ? DluRect{7, 7, 302, 65} : DluRect{7, 7, 302, 83});
    group("Update Info", single ? DluRect{7, 84, 302, 65} : DluRect{7, 100, 302, 62});
    // The reader line of the single layout takes the free height of its group: a message of three lines
    // and the firmware line below it.
    m_pReaderInfo = label(IDC_READER_INFO, single ? DluRect{14, 21, 288, 44} : DluRect{14, 21, 288, 11});
    if (!single)
        m_pStatus = label(IDC_STATUS, {14, 33, 288, 31});
    m_pUpdateInfo = label(IDC_UPDATE_INFO, single ? DluRect{14, 98, 288, 28} : DluRect{14, 114, 288, 13});

    if (layout != Layout::WithStatusNoCheckButton) {
        auto* check = new QPushButton(QStringLiteral("Reader Info"), this);
        check->setObjectName(ControlName(IDC_READER_CHECK));
        check->setAutoDefault(false);
        Place(check, single ? DluRect{252, 51, 50, 14} : DluRect{252, 68, 50, 14});
        check->hide();
        connect(check, &QPushButton::clicked, this, [this] { OnReaderCheck(); });
    }
    m_pUpdate = new QPushButton(QStringLiteral("Update"), this);
    m_pUpdate->setObjectName(ControlName(IDC_UPDATE));
    m_pUpdate->setEnabled(false);
    Place(m_pUpdate, single ? DluRect{252, 128, 50, 14} : DluRect{253, 140, 50, 14});
    connect(m_pUpdate, &QPushButton::clicked, this, [this] {
        if (m_bBusy) {
            SetCancelFlag();
            return;
        }
        OnUpdateClicked();
    });

    m_pProgress = new QProgressBar(this);
    m_pProgress->setObjectName(ControlName(IDC_PROGRESS));
    m_pProgress->setRange(0, 100);
    m_pProgress->setValue(0);
    m_pProgress->setTextVisible(false);
    Place(m_pProgress, single ? DluRect{7, 159, 302, 14} : DluRect{7, 172, 302, 14});
}

void CPatchPkgDlgBase::OnInitDialog() {
    TraceScope scope("CPatchPkgDlg::OnInitDialog", kTraceApp);
    AddAboutEntry();
    LoadUserSetting();
    m_strCaption = UpdateBoxCaption(m_strTitle, g_ProjectType);
    ShowTexts();
    if (!StartVrkThread())
        TraceLine(scope, "The worker thread could not be started\n");
}

void CPatchPkgDlgBase::LoadUserSetting() {
    TraceScope scope("CPatchPkgDlg::LoadUserSetting", kTraceApp);
    m_strFwPath = Setting("Download File");
    m_strUpdateInfo = m_strFwPath;
    if (!m_strFwPath.empty())
        MakeAbsolutePath(m_strFwPath);
    m_strFwInfo = Setting("FwInfo");
    m_strTitle = Setting("Title");
    TraceLine(scope, "Download File : %s, FwInfo : %s, Title : %s\n", m_strFwPath.c_str(),
              m_strFwInfo.c_str(), m_strTitle.c_str());
}

void CPatchPkgDlgBase::OnDestroy() {
    m_Watcher.Stop();
}

void CPatchPkgDlgBase::reject() {
    // The device tree goes away with the reader library when the worker ends.
    m_Watcher.Stop();
    m_bClosing = true;
    CResultDialog::reject();
}

void CPatchPkgDlgBase::InitOnLibReady() {
    setWindowTitle(
        ToQt(UpdateDialogTitle(m_dwCustomizeUI, m_strTitle, g_ProjectType, g_szVersion, g_BusType)));
    m_pUpdate->setDefault(true);
    m_pUpdate->setFocus();
    m_Watcher.Start();
}

bool CPatchPkgDlgBase::OnCommonResult(uint32_t id, uintptr_t wParam) {
    switch (id) {
    case UM_PROGRESS:
        SetProgress(static_cast<int>(wParam));
        return true;
    case UM_WORKER_ENDED:
        m_Watcher.Stop();
        OnWorkerEnded();
        return true;
    case UM_FATAL:
        ShowBox(LoadMessage(static_cast<uint32_t>(wParam)), true);
        SetProgress(0);
        m_bLibFailed = 1;
        m_bBusy = 1;
        UpdateButton();
        return true;
    default:
        return false;
    }
}

void CPatchPkgDlgBase::ReturnToIdle() {
    SetProgress(0);
    m_bBusy = 0;
    UpdateButton();
}

void CPatchPkgDlgBase::OnFileLoadEnded(bool loaded) {
    m_bFileLoading = 0;
    m_bFileFailed = loaded ? 0 : 1;
}

void CPatchPkgDlgBase::NoteUpdateResult(uintptr_t code, bool failure) {
    m_strLastFailure = failure ? LoadMessage(static_cast<uint32_t>(code)) : std::string();
}

void CPatchPkgDlgBase::UpdateButton() {
    const bool hasFile = !m_strFwPath.empty() && !m_bFileFailed;
    const UpdateButtonState state =
        ComputeUpdateButton(m_bNeedsFile, hasFile, m_bReady != 0, m_bBusy != 0, m_bLibFailed != 0);
    m_pUpdate->setEnabled(state.bEnabled);
    m_pUpdate->setText(QString::fromLatin1(state.pszText));
    ShowTexts();
}

void CPatchPkgDlgBase::ShowTexts() {
    m_pReaderInfo->setText(ToQt(m_strReaderInfo));
    m_pUpdateInfo->setText(ToQt(m_strUpdateInfo));
    if (m_pStatus)
        m_pStatus->setText(ToQt(m_strLastFailure.empty() ? m_strStatus : m_strLastFailure));
    // The line that carries the failure (the status line, else the reader line) shows it in red; without
    // a failure it shows the tone of what it says.
    QLabel* failureLine = m_pStatus ? m_pStatus : m_pReaderInfo;
    if (!m_strLastFailure.empty()) {
        QPalette palette = failureLine->parentWidget()->palette();
        palette.setColor(QPalette::WindowText, kFailureColour);
        failureLine->setPalette(palette);
    } else {
        ShowTone(failureLine,
                 ToneOfStatus(m_pStatus ? m_strStatus : m_strReaderInfo, m_bBusy != 0 && !m_bLibFailed));
    }
}

void CPatchPkgDlgBase::SetProgress(int percent) {
    m_pProgress->setValue(percent);
}

void CPatchPkgDlgBase::ShowBox(const std::string& text, bool error) {
    ShowTexts();
    ShowMessageBox(this, {text, m_strCaption, error ? MsgIcon::Error : MsgIcon::None, MsgButtons::Ok});
}

void CPatchPkgDlgBase::PostRequest(uint32_t id, uintptr_t wParam, intptr_t lParam) {
    // Once closing, the cancel flag stays set so that the running operation stops.
    if (m_bClosing)
        return;
    ClearCancelFlag();
    if (id == UM_REQ_LOAD_DOWNLOAD_FILE) {
        m_bFileLoading = 1;
        m_bFileFailed = 0;
    }
    if (g_pVrkThread)
        g_pVrkThread->PostThreadMessage(id, wParam, lParam);
}

void CPatchPkgDlgBase::PostReaderCheck() {
    QMetaObject::invokeMethod(
        this, [this] { OnReaderCheck(); }, Qt::QueuedConnection);
}
