#include "ui/update/PatchPkgDlg5.h"

#include "app/Messages.h"
#include "core/MessageIds.h"
#include "core/VrkThread.h"
#include "device/DevTypeInfo.h"
#include "model/ConfigIni.h"
#include "model/IcTypeIni.h"
#include "model/SilentFiles.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "ui/AppIcon.h"
#include "ui/FileDialogs.h"
#include "ui/MessageBoxes.h"
#include "ui/QtText.h"
#include "ui/update/StationFinder.h"
#include "ui/update/ToneColour.h"

#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>

namespace {

constexpr const char* kBinaryFilter = "Binary Files (*.bin)|*.bin|All Files (*.*)|*.*||";
constexpr const char* kIniFilter = "Ini Files (*.ini)|*.ini|All Files (*.*)|*.*||";
constexpr const char* kPathKey = "FW Path";
constexpr const char* kSerialKey = "SN";

constexpr const char* kUpdating = "Firmware Updating, please do not disconnect or power off host.";
constexpr const char* kAllFinished =
    "Firmware Update Finished, please disconnect device and change next one to start.";
constexpr const char* kStopped = "Firmware Update Fail!";

// Rows of the three sockets: caption and its place, and the y of the path edit, the "S/N:" label, the
// serial-number edit and the status.
struct SocketRow {
    const char* caption;
    int captionX, captionY;
    int pathY, snLabelY, snY, statusY;
};
constexpr SocketRow kRows[kStationSockets] = {
    {"SD Card #1", 23, 62, 60, 63, 62, 64},
    {"CF Card", 24, 90, 88, 91, 90, 92},
    {"SD Card #2", 23, 120, 119, 122, 121, 122},
};

} // namespace

CPatchPkgDlg5::CPatchPkgDlg5(QWidget* parent)
    : CResultDialog(parent), m_Watcher([this](CDeviceChangeWatcher::Change, uint32_t) {
          if (!m_bBusy)
              PostMessage(UM_DETECT, 0, 0);
      }) {
    // The template has no caption text.
    setWindowTitle(QString());
    setWindowIcon(QuillixIcon());
    m_strStatus.fill("N/A");
    m_strMessage = "N/A";
    CreateControls();
}

void CPatchPkgDlg5::CreateControls() {
    SetClientSizeDlu(544, 238);
    auto label = [this](const char* text, const DluRect& rect) {
        auto* control = new QLabel(QString::fromLatin1(text), this);
        Place(control, rect);
        return control;
    };
    auto button = [this](int id, const char* text, const DluRect& rect) {
        auto* control = new QPushButton(QString::fromLatin1(text), this);
        control->setObjectName(ControlName(id));
        control->setAutoDefault(false);
        Place(control, rect);
        return control;
    };
    label("Tavro TRX9 Firmware Update Tool", {21, 17, 132, 10});
    m_pLoad = button(IDC_LOAD, "Load", {23, 36, 40, 15});
    m_pSave = button(IDC_SAVE, "Save", {83, 36, 40, 15});
    for (size_t socket = 0; socket < kStationSockets; ++socket) {
        const SocketRow& row = kRows[socket];
        const int step = static_cast<int>(socket) * 3;
        label(row.caption, {row.captionX, row.captionY, 42, 8});
        SocketControls& controls = m_Sockets[socket];
        controls.pPath = new QLineEdit(this);
        controls.pPath->setObjectName(ControlName(IDC_FW_PATH + step));
        controls.pPath->setReadOnly(true);
        Place(controls.pPath, {67, row.pathY, 172, 13});
        controls.pBrowse = button(IDC_BROWSE + step, "Browser", {247, row.pathY, 52, 12});
        label("S/N:", {304, row.snLabelY, 16, 8});
        controls.pSerial = new QLineEdit(this);
        controls.pSerial->setObjectName(ControlName(IDC_SERIAL + step));
        Place(controls.pSerial, {322, row.snY, 87, 13});
        controls.pStatus = label("N/A", {413, row.statusY, 112, 19});
        controls.pStatus->setObjectName(ControlName(IDC_STATUS + static_cast<int>(socket)));
        // A static text of the template starts at its top edge, on the line of its row.
        controls.pStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        controls.pStatus->setWordWrap(true);
        connect(controls.pBrowse, &QPushButton::clicked, this, [this, socket] { OnBrowse(socket); });
        connect(controls.pSerial, &QLineEdit::textEdited, this, [this, socket] { OnSerialEdited(socket); });
    }
    m_pStart = button(IDC_START, "Start", {70, 148, 59, 13});
    m_pExit = button(IDC_EXIT, "Exit", {167, 149, 59, 13});
    m_pMessage = label("N/A", {30, 167, 376, 37});
    m_pMessage->setObjectName(ControlName(IDC_MESSAGE));
    m_pMessage->setWordWrap(true);
    m_pMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pProgress = new QProgressBar(this);
    m_pProgress->setObjectName(ControlName(IDC_PROGRESS));
    m_pProgress->setRange(0, 100);
    m_pProgress->setValue(0);
    m_pProgress->setTextVisible(false);
    Place(m_pProgress, {30, 210, 381, 15});

    connect(m_pLoad, &QPushButton::clicked, this, [this] { OnLoad(); });
    connect(m_pSave, &QPushButton::clicked, this, [this] { OnSave(); });
    connect(m_pStart, &QPushButton::clicked, this, [this] { OnStart(); });
    connect(m_pExit, &QPushButton::clicked, this, [this] { reject(); });
    EnableStation();
}

void CPatchPkgDlg5::OnInitDialog() {
    TraceScope scope("CPatchPkgDlg5::OnInitDialog", kTraceApp);
    AddAboutEntry();
    LoadUserSetting();
    ShowValues();
    if (!StartVrkThread())
        TraceLine(scope, "The worker thread could not be started\n");
    PostMessage(UM_DETECT, 0, 0);
}

void CPatchPkgDlg5::LoadUserSetting() {
    TraceScope scope("CPatchPkgDlg5::LoadUserSetting", kTraceApp);
    for (size_t socket = 0; socket < kStationSockets; ++socket) {
        const char* section = kStationSections[socket];
        std::string path, serial;
        if (g_pConfigIni) {
            path = platform::IniBytesToUtf8(g_pConfigIni->GetString(section, kPathKey, ""));
            serial = platform::IniBytesToUtf8(g_pConfigIni->GetString(section, kSerialKey, ""));
        }
        SetFwPath(socket, path);
        m_strSerial[socket] = serial;
        TraceLine(scope, "%s : %s, SN %s\n", section, path.c_str(), serial.c_str());
    }
}

void CPatchPkgDlg5::SaveUserSetting() {
    if (!g_pConfigIni)
        return;
    for (size_t socket = 0; socket < kStationSockets; ++socket) {
        g_pConfigIni->SetEntry(kStationSections[socket], kPathKey, m_strFwPath[socket]);
        g_pConfigIni->SetEntry(kStationSections[socket], kSerialKey, m_strSerial[socket]);
    }
}

void CPatchPkgDlg5::OnDestroy() {
    m_Watcher.Stop();
    SaveUserSetting();
}

void CPatchPkgDlg5::reject() {
    // The device tree goes away with the reader library when the worker ends.
    m_Watcher.Stop();
    CResultDialog::reject();
}

void CPatchPkgDlg5::SetFwPath(size_t socket, const std::string& path) {
    m_strFwPath[socket] = path;
    m_strFileName[socket] = FirmwareFileName(path);
}

void CPatchPkgDlg5::ShowValues() {
    for (size_t socket = 0; socket < kStationSockets; ++socket) {
        m_Sockets[socket].pPath->setText(ToQt(m_strFwPath[socket]));
        m_Sockets[socket].pSerial->setText(ToQt(m_strSerial[socket]));
        m_Sockets[socket].pStatus->setText(ToQt(m_strStatus[socket]));
        ShowTone(m_Sockets[socket].pStatus, ToneOfStatus(m_strStatus[socket], false));
    }
    m_pMessage->setText(ToQt(m_strMessage));
    ShowTone(m_pMessage, ToneOfStatus(m_strMessage, false));
}

void CPatchPkgDlg5::EnableStation() {
    m_pStart->setEnabled(StationControlsEnabled(m_bFileReady));
    // With a reader in every socket, a socket whose file is missing must stay mendable from here: the
    // files and serial numbers can be changed whenever no update runs.
    std::array<bool, kStationSockets> occupied{};
    for (const StationReader& reader : m_Readers)
        occupied[reader.nSocket] = true;
    const bool editable = m_bLibReady && !m_bBusy && StationControlsEnabled(occupied);
    for (QWidget* control : {static_cast<QWidget*>(m_pLoad), static_cast<QWidget*>(m_pSave)})
        control->setEnabled(editable);
    for (const SocketControls& controls : m_Sockets) {
        controls.pSerial->setEnabled(editable);
        controls.pBrowse->setEnabled(editable);
    }
    m_pExit->setEnabled(true);
}

void CPatchPkgDlg5::OnResult(uint32_t id, uintptr_t wParam, intptr_t) {
    switch (id) {
    case UM_LIB_READY:
        m_bLibReady = true;
        ShowValues();
        m_bBusy = 0;
        EnableStation();
        m_Watcher.Start();
        // The detection posted at the start found no library to open readers with.
        PostMessage(UM_DETECT, 0, 0);
        break;
    case UM_DETECT:
        if (!m_bBusy && m_bLibReady)
            Detect(wParam != 0);
        break;
    case UM_WORKER_ENDED:
        m_Watcher.Stop();
        OnWorkerEnded();
        break;
    case UM_SOCKET_BEGIN:
        if (wParam < kStationSockets) {
            m_nCurrentSocket = static_cast<size_t>(wParam);
            m_strStatus[wParam] = kStatusUpdating;
            ShowValues();
        }
        break;
    case UM_PROGRESS:
        m_pProgress->setValue(static_cast<int>(wParam));
        break;
    case UM_FAIL:
        if (std::optional<size_t> socket = CurrentSocket())
            m_strStatus[*socket] = kStatusFailed;
        m_strLastError = LoadMessage(static_cast<uint32_t>(wParam));
        ShowValues();
        break;
    case UM_SUCCEED:
        if (std::optional<size_t> socket = CurrentSocket())
            m_strStatus[*socket] = kStatusFinished;
        ShowValues();
        break;
    case UM_ALL_UPDATED:
        OnUpdateEnded(kAllFinished);
        break;
    case UM_UPDATE_STOPPED:
        OnUpdateEnded(platform::StrPrintf("%s\r\n%s", kStopped, m_strLastError.c_str()));
        break;
    default:
        break;
    }
}

std::optional<size_t> CPatchPkgDlg5::CurrentSocket() const {
    return m_nCurrentSocket;
}

void CPatchPkgDlg5::OnUpdateEnded(const std::string& message) {
    m_strMessage = message;
    m_pProgress->setValue(0);
    m_bBusy = 0;
    ShowValues();
    EnableStation();
    PostMessage(UM_DETECT, 1, 0);
}

void CPatchPkgDlg5::Detect(bool afterUpdate) {
    TraceScope scope("CPatchPkgDlg5::Detect", kTraceApp);
    m_Readers = g_pDevTypeInfo ? FindStationReaders(*g_pDevTypeInfo) : std::vector<StationReader>();
    StationInputs inputs;
    for (const StationReader& reader : m_Readers)
        inputs.occupied[reader.nSocket] = true;
    for (size_t socket = 0; socket < kStationSockets; ++socket) {
        inputs.firmwarePath[socket] = m_strFwPath[socket];
        inputs.fileName[socket] = m_strFileName[socket];
        inputs.fileAvailable[socket] = FirmwareFileAvailable(m_strFwPath[socket]);
    }
    inputs.bAfterUpdate = afterUpdate;
    inputs.previousMessage = m_strMessage;
    inputs.previousStatus = m_strStatus;
    const StationView view = EvaluateStation(inputs);
    m_strStatus = view.status;
    m_bFileReady = view.fileReady;
    m_strMessage = view.message;
    TraceLine(scope, "%zu readers: %s\n", m_Readers.size(), m_strMessage.c_str());
    ShowValues();
    m_bBusy = 0;
    EnableStation();
}

void CPatchPkgDlg5::OnBrowse(size_t socket) {
    std::optional<std::string> path = ShowOpenFileDialog(this, {"bin", kBinaryFilter, m_strFwPath[socket]});
    if (!path)
        return;
    SetFwPath(socket, *path);
    ShowValues();
    Detect(false);
}

void CPatchPkgDlg5::OnSerialEdited(size_t socket) {
    QLineEdit* edit = m_Sockets[socket].pSerial;
    m_strSerial[socket] = FilterSerialNumber(FromQt(edit->text()));
    edit->setText(ToQt(m_strSerial[socket]));
    edit->setCursorPosition(static_cast<int>(edit->text().size()));
}

void CPatchPkgDlg5::OnLoad() {
    std::optional<std::string> path = ShowOpenFileDialog(this, {"ini", kIniFilter, ""});
    if (!path)
        return;
    StationSettings settings;
    if (!LoadStationFile(*path, settings)) {
        ShowMessageBox(this, {LoadMessage(IDS_LOAD_FILE_DATA_FAIL), ResultCaption(g_ProjectType),
                              MsgIcon::Error, MsgButtons::Ok});
        return;
    }
    for (size_t socket = 0; socket < kStationSockets; ++socket) {
        SetFwPath(socket, settings.firmwarePath[socket]);
        m_strSerial[socket] = settings.serialNumber[socket];
    }
    ShowValues();
    Detect(false);
}

void CPatchPkgDlg5::OnSave() {
    std::optional<std::string> path = ShowSaveFileDialog(this, {"ini", kIniFilter, ""});
    if (!path)
        return;
    StationSettings settings{m_strFwPath, m_strSerial};
    const std::string text = FormatStationFile(settings);
    // A file that cannot be written must not look saved.
    if (!WriteBinFile(*path, text.size(), reinterpret_cast<const uint8_t*>(text.data())))
        ShowMessageBox(this, {LoadMessage(IDS_SAVE_FILE_DATA_FAIL), ResultCaption(g_ProjectType),
                              MsgIcon::Error, MsgButtons::Ok});
}

void CPatchPkgDlg5::OnStart() {
    if (m_bBusy) {
        SetCancelFlag();
        return;
    }
    TraceScope scope("CPatchPkgDlg5::OnStart", kTraceApp);
    if (!g_pDevTypeInfo || !g_pVrkThread)
        return;
    CDevTypeInfo& dev = *g_pDevTypeInfo;
    for (size_t socket = 0; socket < kStationSockets; ++socket) {
        dev.m_strSocketFile[socket] = m_strFwPath[socket];
        dev.m_strSocketText[socket] = m_strSerial[socket];
        dev.m_dwSocketReader[socket] = 0;
    }
    // Each socket gets the reader detected in it.
    for (const StationReader& reader : m_Readers)
        dev.m_dwSocketReader[reader.nSocket] = reader.dwInstance;
    m_nCurrentSocket.reset();
    m_strStatus[1] = "Ready";
    m_strStatus[2] = "Ready";
    m_strMessage = kUpdating;
    m_bBusy = 1;
    for (QWidget* control :
         {static_cast<QWidget*>(m_pStart), static_cast<QWidget*>(m_pLoad), static_cast<QWidget*>(m_pSave)})
        control->setEnabled(false);
    for (const SocketControls& controls : m_Sockets) {
        controls.pSerial->setEnabled(false);
        controls.pBrowse->setEnabled(false);
    }
    ShowValues();
    ClearCancelFlag();
    g_pVrkThread->PostThreadMessage(UM_REQ_UPDATE_ALL, 0, 0);
}
