#include "ui/main/QuillixDlg.h"

#include "app/Messages.h"
#include "app/QuillixApp.h"
#include "core/Broadcast.h"
#include "core/ForceCheck.h"
#include "core/MessageIds.h"
#include "core/VrkThread.h"
#include "device/DevTypeInfo.h"
#include "model/ConfigIni.h"
#include "model/IcTypeIni.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/ProgramFolder.h"
#include "platform/Text.h"
#include "ui/AppIcon.h"
#include "ui/FileDialogs.h"
#include "ui/MessageBoxes.h"
#include "ui/QtText.h"
#include "ui/WindowTitles.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include <filesystem>

namespace {

constexpr const char* kConfigSection = "Quillix Config";
constexpr const char* kDownloadFileKey = "Download File";
constexpr const char* kForceCheckKey = "Force Check";
// The longest download path the setting holds.
constexpr size_t kMaxPathChars = 1023;
constexpr const char* kBinaryFilter = "Binary Files (*.bin)|*.bin|All Files (*.*)|*.*||";

// Rows of a vendor panel in the template: label and edit of manufacturer, product, serial number.
constexpr int kStringRowY[] = {45, 64, 83};
constexpr int kStringEditY[] = {43, 62, 81};
constexpr const char* kStringLabels[] = {"Manufacturer : ", "Product : ", "Serial Number : "};
// The file panel repeats the device panel 131 dialog units lower.
constexpr int kFilePanelOffset = 131;

std::string CanonicalName(const std::string& path) {
    std::error_code error;
    std::filesystem::path canonical = std::filesystem::canonical(path, error);
    return error ? path : canonical.string();
}

} // namespace

CQuillixDlg::CQuillixDlg(QWidget* parent) : CResultDialog(parent) {
    setWindowTitle(QStringLiteral("Quillix"));
    setWindowIcon(QuillixIcon());
    CreateControls();
}

CQuillixDlg::~CQuillixDlg() {
    m_Watcher.StopWatch();
    SetForceCheckReader(nullptr);
    if (g_pDetailDlg == m_pDetailDlg.get())
        g_pDetailDlg = nullptr;
}

void CQuillixDlg::CreateControls() {
    SetClientSizeDlu(264, 292);

    auto button = [this](int id, const char* text, const DluRect& rect) {
        auto* control = new QPushButton(QString::fromLatin1(text), this);
        control->setObjectName(ControlName(id));
        control->setAutoDefault(false);
        Place(control, rect);
        return control;
    };
    auto label = [this](int id, const char* text, const DluRect& rect) {
        auto* control = new QLabel(QString::fromLatin1(text), this);
        control->setObjectName(ControlName(id));
        Place(control, rect);
        return control;
    };
    auto group = [this](int id, const char* text, const DluRect& rect) {
        auto* control = new QGroupBox(QString::fromLatin1(text), this);
        control->setObjectName(ControlName(id));
        Place(control, rect);
        return control;
    };

    m_pDeviceGroup = group(IDC_DEVICE_GROUP, "EFUSE/FLASH/EEPROM From Corvane Card Reader", {7, 7, 250, 123});
    m_pFileGroup = group(IDC_FILE_GROUP, "EFUSE/FLASH/EEPROM From Binary File", {7, 134, 250, 130});

    m_pRead = button(IDC_READ, "Read", {17, 22, 50, 14});
    m_pErase = button(IDC_ERASE, "Erase", {197, 22, 50, 14});
    CreatePanelRows(0, IDC_DEV_MANUFACTURER, IDC_DEV_MANUFACTURER_LABEL, m_DevControls);
    m_pDevVidLabel = findChild<QLabel*>(ControlName(IDC_DEV_VID_LABEL));
    m_pDevPidLabel = findChild<QLabel*>(ControlName(IDC_DEV_PID_LABEL));
    m_pUpdate = button(IDC_UPDATE, "Update", {197, 97, 50, 14});
    m_DevControls.pVersion = label(IDC_DEV_VERSION, "Ver: N/A", {201, 115, 43, 11});

    m_pBrowse = button(IDC_BROWSE, "...", {17, 155, 20, 12});
    m_pPath = new QLineEdit(this);
    m_pPath->setObjectName(ControlName(IDC_DOWNLOAD_PATH));
    m_pPath->setReadOnly(true);
    Place(m_pPath, {47, 155, 200, 12});
    CreatePanelRows(kFilePanelOffset, IDC_FILE_MANUFACTURER, IDC_FILE_MANUFACTURER_LABEL, m_FileControls);
    m_pFileVidLabel = findChild<QLabel*>(ControlName(IDC_FILE_VID_LABEL));
    m_pFilePidLabel = findChild<QLabel*>(ControlName(IDC_FILE_PID_LABEL));
    m_pDownload = button(IDC_DOWNLOAD, "Download", {197, 230, 50, 14});
    m_pDownload->setDefault(true);
    m_FileControls.pVersion = label(IDC_FILE_VERSION, "Ver: N/A", {200, 250, 43, 11});

    m_pProgress = new QProgressBar(this);
    m_pProgress->setObjectName(ControlName(IDC_PROGRESS));
    m_pProgress->setRange(0, 100);
    m_pProgress->setValue(0);
    m_pProgress->setTextVisible(false);
    Place(m_pProgress, {7, 270, 250, 14});

    m_pDetail = button(IDC_DETAIL, ">", {257, 52, 6, 24});
    m_pDetail->setCheckable(true);

    connect(m_pRead, &QPushButton::clicked, this, [this] { OnDeviceRequest(UM_REQ_READ); });
    connect(m_pErase, &QPushButton::clicked, this, [this] { OnDeviceRequest(UM_REQ_ERASE); });
    connect(m_pUpdate, &QPushButton::clicked, this, [this] { OnUpdateOrCancel(); });
    connect(m_pBrowse, &QPushButton::clicked, this, [this] { OnBrowse(); });
    connect(m_pDownload, &QPushButton::clicked, this, [this] { OnDownload(); });
    connect(m_pDetail, &QPushButton::clicked, this, [this] { OnToggleDetail(); });
    connect(m_DevControls.pVid, &QLineEdit::textEdited, this, [this] { OnDeviceIdEdited(VendorField::Vid); });
    connect(m_DevControls.pPid, &QLineEdit::textEdited, this, [this] { OnDeviceIdEdited(VendorField::Pid); });
    connect(m_DevControls.pManufacturer, &QLineEdit::textEdited, this,
            [this] { OnDeviceStringEdited(VendorField::Manufacturer); });
    connect(m_DevControls.pProduct, &QLineEdit::textEdited, this,
            [this] { OnDeviceStringEdited(VendorField::Product); });
    connect(m_DevControls.pSerial, &QLineEdit::textEdited, this,
            [this] { OnDeviceStringEdited(VendorField::SerialNumber); });
}

QLineEdit* CQuillixDlg::CreatePanelRows(int yOffset, int firstEditId, int firstLabelId,
                                        VendorControls& controls) {
    auto edit = [this](int id, const DluRect& rect) {
        auto* control = new QLineEdit(this);
        control->setObjectName(ControlName(id));
        Place(control, rect);
        return control;
    };
    QLineEdit* strings[3];
    for (int row = 0; row < 3; ++row) {
        auto* text = new QLabel(QString::fromLatin1(kStringLabels[row]), this);
        text->setObjectName(ControlName(firstLabelId + row));
        Place(text, {17, kStringRowY[row] + yOffset, 62, 8});
        strings[row] = edit(firstEditId + row, {80, kStringEditY[row] + yOffset, 167, 12});
    }
    auto* vidLabel = new QLabel(QStringLiteral("VID : "), this);
    vidLabel->setObjectName(ControlName(firstLabelId + 3));
    Place(vidLabel, {17, 102 + yOffset, 28, 8});
    auto* pidLabel = new QLabel(QStringLiteral("PID : "), this);
    pidLabel->setObjectName(ControlName(firstLabelId + 4));
    Place(pidLabel, {95, 102 + yOffset, 28, 8});
    controls.pManufacturer = strings[0];
    controls.pProduct = strings[1];
    controls.pSerial = strings[2];
    controls.pVid = edit(firstEditId + 3, {47, 100 + yOffset, 30, 12});
    controls.pPid = edit(firstEditId + 4, {125, 100 + yOffset, 30, 12});
    // Identifiers are up to four hexadecimal digits.
    for (QLineEdit* id : {controls.pVid, controls.pPid}) {
        id->setMaxLength(4);
        id->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9A-Fa-f]{0,4}")), id));
    }
    return controls.pVid;
}

uint32_t CQuillixDlg::ReadForceCheck() {
    auto* dialog = dynamic_cast<CQuillixDlg*>(g_pMainDlg);
    return dialog ? dialog->m_bForceCheck : 0;
}

void CQuillixDlg::OnInitDialog() {
    TraceScope scope("CQuillixDlg::OnInitDialog", kTraceApp);
    AddAboutEntry();
    LoadUserSetting();
    // The EFUSE flows read the setting through this while the dialog exists.
    SetForceCheckReader(&CQuillixDlg::ReadForceCheck);
    ShowVersionFields();
    if (!StartVrkThread())
        TraceLine(scope, "The worker thread could not be started\n");
}

// Only FLASH images carry a firmware version; the fields follow the IC type in use.
void CQuillixDlg::ShowVersionFields() {
    const bool flash = g_ProjectType == FLASH;
    m_DevControls.pVersion->setVisible(flash);
    m_FileControls.pVersion->setVisible(flash);
}

void CQuillixDlg::LoadUserSetting() {
    TraceScope scope("CQuillixDlg::LoadUserSetting", kTraceApp);
    if (!g_pConfigIni)
        return;
    std::string path =
        platform::IniBytesToUtf8(g_pConfigIni->GetString(kConfigSection, kDownloadFileKey, ""));
    m_strDownloadPath = platform::LeftChars(path, kMaxPathChars);
    if (!m_strDownloadPath.empty())
        MakeAbsolutePath(m_strDownloadPath);
    m_bForceCheck = g_pConfigIni->GetNumber(kConfigSection, kForceCheckKey, 0);
    TraceLine(scope, "Download File : %s, Force Check : %u\n", m_strDownloadPath.c_str(), m_bForceCheck);
}

void CQuillixDlg::SaveUserSetting() {
    TraceScope scope("CQuillixDlg::SaveUserSetting", kTraceApp);
    if (g_pConfigIni)
        g_pConfigIni->SetEntry(kConfigSection, kDownloadFileKey, m_strDownloadPath);
}

void CQuillixDlg::OnResult(uint32_t id, uintptr_t wParam, intptr_t lParam) {
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
    case UM_FAIL:
        if (m_bFileLoading) {
            // The file did not load: its old values must not stay on show as if they were this file's.
            m_bFileLoading = 0;
            ClearFileFields();
            UpdateData(false);
        }
        ShowResultBox(static_cast<uint32_t>(wParam), true, false);
        PostMessage(UM_PROGRESS, 0, 0);
        SetButtons(0, 0);
        break;
    case UM_FATAL:
        ShowResultBox(static_cast<uint32_t>(wParam), true, false);
        PostMessage(UM_PROGRESS, 0, 0);
        // Nothing can work without the reader library: every operation stays disabled.
        SetButtons(1, 1);
        break;
    case UM_SUCCEED:
        ShowResultBox(static_cast<uint32_t>(wParam), false, true);
        PostMessage(UM_PROGRESS, 0, 0);
        SetButtons(0, 0);
        break;
    case UM_FILE_LOADED:
        OnFileLoaded(wParam, lParam);
        break;
    case UM_IMAGE_CHANGED:
        OnImageChanged(wParam);
        break;
    default:
        break;
    }
}

void CQuillixDlg::ShowResultBox(uint32_t code, bool failure, bool withTime) {
    std::string caption = withTime
                              ? ResultCaptionWithTime(g_ProjectType, platform::GetTickCount() - m_dwStartTick)
                              : ResultCaption(g_ProjectType);
    ShowMessageBox(this,
                   {LoadMessage(code), caption, failure ? MsgIcon::Error : MsgIcon::None, MsgButtons::Ok});
}

void CQuillixDlg::OnLibReady() {
    TraceScope scope("CQuillixDlg::OnLibReady", kTraceApp);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (g_pIcTypeIni && !g_pIcTypeIni->m_IniFileNames.empty() && g_pfnCreateDetailDlg) {
        if (!m_pDetailDlg) {
            m_pDetailDlg = g_pfnCreateDetailDlg(this);
            g_pDetailDlg = m_pDetailDlg.get();
        }
        if (m_pDetailDlg)
            m_pDetailDlg->ReloadSettings();
    }
    InitUI();
    UpdateData(false);
    SetButtons(0, 0);
    if (!m_strDownloadPath.empty()) {
        SetButtons(0, 1);
        if (g_pDevTypeInfo)
            g_pDevTypeInfo->m_strDownloadFile = m_strDownloadPath;
        MakeAbsolutePath(m_strDownloadPath);
        if (platform::IsRegularFile(m_strDownloadPath)) {
            m_strDownloadPath = CanonicalName(m_strDownloadPath);
            WatchDownloadFile();
        } else {
            // The load request still runs, so the user learns that the file is gone.
            m_strDownloadPath.clear();
        }
        m_pPath->setText(ToQt(m_strDownloadPath));
        StartRequest(UM_REQ_LOAD_DOWNLOAD_FILE, 0);
    }
    QApplication::restoreOverrideCursor();
}

void CQuillixDlg::InitUI() {
    TraceScope scope("CQuillixDlg::InitUI", kTraceApp);
    const bool hasIniFiles = g_pIcTypeIni && !g_pIcTypeIni->m_IniFileNames.empty();
    const MainLayout layout =
        ComputeMainLayout(g_ProjectType, g_BusType, g_dwCustomizeUI, hasIniFiles && m_pDetailDlg != nullptr);
    setWindowTitle(ToQt(ReaderWindowTitle(g_ProjectType, g_szVersion, g_BusType)));
    ShowVersionFields();
    m_pDeviceGroup->setTitle(ToQt(DeviceGroupCaption(g_ProjectType)));
    m_pFileGroup->setTitle(ToQt(FileGroupCaption(g_ProjectType)));

    for (int row = 0; row < 3; ++row) {
        for (int id : {IDC_DEV_MANUFACTURER_LABEL + row, IDC_FILE_MANUFACTURER_LABEL + row,
                       IDC_DEV_MANUFACTURER + row, IDC_FILE_MANUFACTURER + row})
            FindControl<QWidget>(this, id)->setVisible(layout.bStringRows);
    }
    for (QLabel* vid : {m_pDevVidLabel, m_pFileVidLabel})
        vid->setText(QString::fromLatin1(layout.pszVidLabel));
    for (QLabel* pid : {m_pDevPidLabel, m_pFilePidLabel})
        pid->setText(QString::fromLatin1(layout.pszPidLabel));
    m_pErase->setText(QString::fromLatin1(layout.pszEraseButton));
    m_pErase->setToolTip(layout.bCheckTooltip ? ToQt(LoadMessage(IDS_TIP_EFUSE_CHECK)) : QString());
    m_pDetail->setVisible(layout.bDetailToggle);

    if (!layout.bDevicePanel) {
        for (QWidget* control : std::initializer_list<QWidget*>{
                 m_pDeviceGroup, m_pRead, m_pErase, m_pUpdate, m_pDetail, m_DevControls.pVersion,
                 m_pDevVidLabel, m_pDevPidLabel, m_DevControls.pVid, m_DevControls.pPid})
            control->hide();
        for (int row = 0; row < 3; ++row) {
            FindControl<QWidget>(this, IDC_DEV_MANUFACTURER_LABEL + row)->hide();
            FindControl<QWidget>(this, IDC_DEV_MANUFACTURER + row)->hide();
        }
    }
    RefreshDeviceFields();
    ClearFileFields();
}

void CQuillixDlg::RefreshDeviceFields() {
    m_Dev = VendorTexts();
    if (!g_pDevTypeInfo || !g_pDevTypeInfo->GetDataUp() || g_pDevTypeInfo->GetDataUpSize() == 0 ||
        !g_pDevTypeInfo->CheckUploadImage())
        return;
    ImageFields fields = g_pDevTypeInfo->UploadFields();
    m_Dev.strVid = FormatId(fields.GetVID());
    m_Dev.strPid = FormatId(fields.GetPID());
    m_Dev.strManufacturer = fields.GetManufacturer();
    m_Dev.strProduct = fields.GetProduct();
    m_Dev.strSerial = fields.GetSerialNumber();
    m_Dev.strVersion = VersionText(fields.GetFWVER());
}

void CQuillixDlg::ClearFileFields() {
    m_bFileValid = 0;
    m_bFileFailsCheck = 0;
    m_File = VendorTexts();
    m_pDownload->setDefault(true);
    m_pDownload->setFocus();
}

void CQuillixDlg::UpdateData(bool save) {
    auto exchange = [save](VendorTexts& texts, const VendorControls& controls) {
        std::pair<std::string*, QLineEdit*> pairs[] = {{&texts.strVid, controls.pVid},
                                                       {&texts.strPid, controls.pPid},
                                                       {&texts.strManufacturer, controls.pManufacturer},
                                                       {&texts.strProduct, controls.pProduct},
                                                       {&texts.strSerial, controls.pSerial}};
        for (auto& [text, edit] : pairs) {
            if (save)
                *text = FromQt(edit->text());
            else
                edit->setText(ToQt(*text));
        }
        if (!save)
            controls.pVersion->setText(ToQt(texts.strVersion));
    };
    exchange(m_Dev, m_DevControls);
    exchange(m_File, m_FileControls);
    if (save)
        m_strDownloadPath = FromQt(m_pPath->text());
    else
        m_pPath->setText(ToQt(m_strDownloadPath));
}

void CQuillixDlg::SetButtons(uint32_t devBusy, uint32_t downBusy) {
    m_bDevBusy = devBusy;
    m_bDownBusy = downBusy;
    const bool uploadValid = g_pDevTypeInfo && g_pDevTypeInfo->GetDataUp() &&
                             g_pDevTypeInfo->GetDataUpSize() != 0 && g_pDevTypeInfo->CheckUploadImage();
    const ButtonStates states =
        ComputeButtonStates({devBusy != 0, downBusy != 0, uploadValid, m_bDetailShown != 0,
                             !m_strDownloadPath.empty(), m_bFileValid != 0});
    m_pRead->setEnabled(states.bRead);
    m_pErase->setEnabled(states.bRead);
    m_pDetail->setEnabled(states.bRead);
    m_pUpdate->setEnabled(states.bUpdate);
    m_pUpdate->setText(states.bUpdateIsCancel ? QStringLiteral("Cancel") : QStringLiteral("Update"));
    for (QLineEdit* edit : {m_DevControls.pVid, m_DevControls.pPid, m_DevControls.pManufacturer,
                            m_DevControls.pProduct, m_DevControls.pSerial})
        edit->setEnabled(states.bDeviceEdits);
    m_pBrowse->setEnabled(states.bBrowse);
    m_pPath->setEnabled(states.bBrowse);
    m_pDownload->setEnabled(states.bDownload);
    m_pDownload->setText(states.bDownloadIsCancel ? QStringLiteral("Cancel") : QStringLiteral("Download"));
    for (QLineEdit* edit : {m_FileControls.pVid, m_FileControls.pPid, m_FileControls.pManufacturer,
                            m_FileControls.pProduct, m_FileControls.pSerial})
        edit->setEnabled(states.bFileEdits);
    if (m_pDetailDlg)
        m_pDetailDlg->EnableControls(devBusy, downBusy);
}

void CQuillixDlg::StartRequest(uint32_t request, intptr_t lParam) {
    m_bFileLoading = request == UM_REQ_LOAD_DOWNLOAD_FILE;
    ClearCancelFlag();
    m_dwStartTick = platform::GetTickCount();
    if (g_pVrkThread)
        g_pVrkThread->PostThreadMessage(request, 0, lParam);
}

void CQuillixDlg::OnDeviceRequest(uint32_t request) {
    SetButtons(1, 0);
    UpdateData(true);
    StartRequest(request, 0);
}

void CQuillixDlg::OnUpdateOrCancel() {
    if (m_bDevBusy) {
        SetCancelFlag();
        return;
    }
    OnDeviceRequest(UM_REQ_UPDATE);
}

void CQuillixDlg::WatchDownloadFile() {
    m_Watcher.AddFile(m_strDownloadPath);
    if (!m_Watcher.IsWatching())
        m_Watcher.StartWatch();
}

void CQuillixDlg::OnBrowse() {
    std::optional<std::string> chosen = ShowOpenFileDialog(this, {"bin", kBinaryFilter, m_strDownloadPath});
    if (!chosen)
        return;
    m_strPrevPath = m_strDownloadPath;
    m_strDownloadPath = *chosen;
    m_pPath->setText(ToQt(m_strDownloadPath));
    if (m_strDownloadPath != m_strPrevPath) {
        m_Watcher.RemoveFile(m_strPrevPath);
        m_bFileMissing = 0;
        // A change seen on the previous file says nothing about the new one.
        m_bFileModified = 0;
    }
    SetButtons(0, 1);
    if (g_pDevTypeInfo)
        g_pDevTypeInfo->m_strDownloadFile = m_strDownloadPath;
    WatchDownloadFile();
    StartRequest(UM_REQ_LOAD_DOWNLOAD_FILE, 0);
}

void CQuillixDlg::OnDownload() {
    if (m_bDownBusy) {
        SetCancelFlag();
        return;
    }
    const std::string shownPath = FromQt(m_pPath->text());
    if (m_bFileMissing) {
        ShowMessageBox(this, {platform::StrPrintf("%s\n can not be found.", shownPath.c_str()),
                              ResultCaption(g_ProjectType), MsgIcon::None, MsgButtons::Ok});
        return;
    }
    if (m_bFileModified) {
        MsgAnswer answer = ShowMessageBox(
            this, {platform::StrPrintf("%s\n has been modified outside. Do you want to reload it?",
                                       shownPath.c_str()),
                   ResultCaption(g_ProjectType), MsgIcon::Question, MsgButtons::OkCancel});
        if (answer == MsgAnswer::Ok) {
            m_bFileModified = 0;
            SetButtons(0, 1);
            StartRequest(UM_REQ_LOAD_DOWNLOAD_FILE, 1);
            return;
        }
    }
    SetButtons(0, 1);
    UpdateData(true);
    ClearCancelFlag();
    if (m_bFileValid) {
        ImageFields fields = g_pDevTypeInfo->DownloadFields();
        fields.SetVID(ParseHexId(m_File.strVid));
        fields.SetPID(ParseHexId(m_File.strPid));
        if (!fields.SetUSBStrings(m_File.strManufacturer, m_File.strProduct, m_File.strSerial)) {
            PostMessage(UM_FAIL, IDS_TOO_MANY_CHARACTERS, 0);
            return;
        }
    } else if (!m_File.strVid.empty() || !m_File.strPid.empty() || !m_File.strManufacturer.empty() ||
               !m_File.strProduct.empty() || !m_File.strSerial.empty()) {
        PostMessage(UM_FAIL, IDS_FILE_VENDOR_INFO_INVALID, 0);
        return;
    }
    if (m_bFileFailsCheck && !ConfirmUncheckedDownload()) {
        SetButtons(0, 0);
        return;
    }
    StartRequest(UM_REQ_DOWNLOAD, 0);
}

bool CQuillixDlg::ConfirmUncheckedDownload() {
    const std::string text =
        platform::StrPrintf("%s\n %s\nThe file does not pass the chip check. Download it anyway?",
                            m_strDownloadPath.c_str(), LoadMessage(IDS_FILE_VENDOR_INFO_INVALID).c_str());
    return ShowMessageBox(this, {text, ResultCaption(g_ProjectType), MsgIcon::Warning, MsgButtons::YesNo}) ==
           MsgAnswer::Yes;
}

void CQuillixDlg::OnFileLoaded(uintptr_t valid, intptr_t downloadAfter) {
    m_bFileLoading = 0;
    if (valid) {
        m_bFileValid = 1;
        ImageFields fields = g_pDevTypeInfo->DownloadFields();
        m_File.strVid = FormatId(fields.GetVID());
        m_File.strPid = FormatId(fields.GetPID());
        m_File.strManufacturer = fields.GetManufacturer();
        m_File.strProduct = fields.GetProduct();
        m_File.strSerial = fields.GetSerialNumber();
        m_File.strVersion = VersionText(fields.GetFWVER());
    } else {
        ClearFileFields();
        m_bFileFailsCheck = 1;
    }
    UpdateData(false);
    PostMessage(UM_PROGRESS, 0, 0);
    if (!valid)
        ShowResultBox(IDS_FILE_VENDOR_INFO_INVALID, true, false);
    if (downloadAfter && !valid && !ConfirmUncheckedDownload())
        downloadAfter = 0;
    if (downloadAfter) {
        SetButtons(0, 1);
        StartRequest(UM_REQ_DOWNLOAD, 0);
    } else {
        SetButtons(0, 0);
    }
}

void CQuillixDlg::OnImageChanged(uintptr_t valid) {
    RefreshDeviceFields();
    if (m_pDetailDlg)
        m_pDetailDlg->PostMessage(UM_IMAGE_CHANGED, valid, 0);
    UpdateData(false);
    SetButtons(0, 0);
}

void CQuillixDlg::OnDeviceIdEdited(VendorField field) {
    UpdateData(true);
    if (!g_pDevTypeInfo)
        return;
    ImageFields fields = g_pDevTypeInfo->UploadFields();
    if (field == VendorField::Vid)
        fields.SetVID(ParseHexId(m_Dev.strVid));
    else
        fields.SetPID(ParseHexId(m_Dev.strPid));
    NotifyDetail(field);
}

void CQuillixDlg::OnDeviceStringEdited(VendorField field) {
    const VendorTexts before = m_Dev;
    UpdateData(true);
    if (!g_pDevTypeInfo)
        return;
    if (!g_pDevTypeInfo->UploadFields().SetUSBStrings(m_Dev.strManufacturer, m_Dev.strProduct,
                                                      m_Dev.strSerial)) {
        PostMessage(UM_FAIL, IDS_TOO_MANY_CHARACTERS, 0);
        // The edited control gets back the text it had before the change.
        std::pair<std::string*, const std::string*> restore[] = {
            {&m_Dev.strManufacturer, &before.strManufacturer},
            {&m_Dev.strProduct, &before.strProduct},
            {&m_Dev.strSerial, &before.strSerial}};
        QLineEdit* edits[] = {m_DevControls.pManufacturer, m_DevControls.pProduct, m_DevControls.pSerial};
        size_t index = field == VendorField::Manufacturer ? 0 : field == VendorField::Product ? 1 : 2;
        *restore[index].first = *restore[index].second;
        edits[index]->setText(ToQt(*restore[index].first));
        return;
    }
    NotifyDetail(field);
}

void CQuillixDlg::NotifyDetail(VendorField field) {
    if (!m_pDetailDlg || !g_pIcTypeIni)
        return;
    const uint8_t recorded = g_pIcTypeIni->m_byLastWritePos;
    g_pIcTypeIni->m_byLastWritePos = 0;
    DetailHighlight highlight =
        ComputeDetailHighlight(field, recorded, platform::CharCount(m_Dev.strManufacturer),
                               platform::CharCount(m_Dev.strProduct), platform::CharCount(m_Dev.strSerial));
    m_pDetailDlg->PostMessage(UM_DETAIL_REFRESH, 1, 0);
    m_pDetailDlg->PostMessage(UM_DETAIL_SCROLL_TO, highlight.dwPosition, 0);
    m_pDetailDlg->PostMessage(UM_DETAIL_HIGHLIGHT, highlight.dwPosition, highlight.dwLength);
}

void CQuillixDlg::OnToggleDetail() {
    if (m_bDetailShown)
        HideDetailDlg();
    else
        ShowDetailDlg();
    m_bDetailShown = !m_bDetailShown;
    m_pDetail->setChecked(m_bDetailShown != 0);
    SetButtons(0, 0);
}

void CQuillixDlg::ShowDetailDlg() {
    TraceScope scope("CQuillixDlg::ShowDetailDlg", kTraceApp);
    if (m_pDetailDlg)
        m_pDetailDlg->ShowAt(frameGeometry().topRight() + QPoint(1, 0));
}

void CQuillixDlg::HideDetailDlg() {
    TraceScope scope("CQuillixDlg::HideDetailDlg", kTraceApp);
    if (m_pDetailDlg)
        m_pDetailDlg->PostMessage(UM_DETAIL_SHOW, 0, 0);
}

void CQuillixDlg::OnDestroy() {
    TraceScope scope("CQuillixDlg::OnDestroy", kTraceApp);
    m_Watcher.StopWatch();
    SetForceCheckReader(nullptr);
    g_pDetailDlg = nullptr;
    m_pDetailDlg.reset();
    UpdateData(true);
    SaveUserSetting();
}
