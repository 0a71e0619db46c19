#include "ui/editor/DetailPage5.h"

#include "app/Messages.h"
#include "core/Broadcast.h"
#include "core/MessageIds.h"
#include "core/ResultDialog.h"
#include "device/DevTypeInfo.h"
#include "model/IcTypeIni.h"
#include "model/SilentFiles.h"
#include "platform/FileSystem.h"
#include "ui/FileDialogs.h"
#include "ui/MessageBoxes.h"
#include "ui/QtText.h"
#include "ui/ResultDialog.h"
#include "ui/editor/DetailDlg.h"
#include "view/editor/VendorFile.h"

#include <QGroupBox>
#include <QLabel>
#include <QMetaObject>
#include <QPushButton>

namespace {

constexpr char kBinaryFilter[] = "Binary Files (*.bin)|*.bin|All Files (*.*)|*.*||";

// The image offset of the vendor block, or none (the image was not recognised or is too small).
std::optional<size_t> UploadVendorTarget() {
    if (!g_pDevTypeInfo || !g_pDevTypeInfo->GetDataUp() || !g_pDevTypeInfo->GetVendorUp())
        return std::nullopt;
    const size_t start = static_cast<size_t>(g_pDevTypeInfo->GetVendorUp() - g_pDevTypeInfo->GetDataUp());
    const bool hasIniFiles = g_pIcTypeIni && !g_pIcTypeIni->m_IniFileNames.empty();
    return VendorBlockTarget(g_pDevTypeInfo->GetDataUpSize(), start,
                             g_pIcTypeIni ? g_pIcTypeIni->GetPreOffset() : 0, hasIniFiles);
}

} // namespace

CDetailPage_5::CDetailPage_5() : CDetailPage(5, 0x4E1) {
    auto label = [this](const char* text, const DluRect& rect) {
        auto* control = new QLabel(QString::fromLatin1(text), this);
        Place(control, rect);
    };
    auto button = [this](int id, const char* text, const DluRect& rect) {
        auto* control = new QPushButton(QString::fromLatin1(text), this);
        control->setObjectName(ControlName(id));
        control->setAutoDefault(false);
        Place(control, rect);
        return control;
    };
    auto* group = new QGroupBox(QStringLiteral("Example for Firmware Update"), this);
    Place(group, {7, 7, 324, 87});
    // The instruction lines reach into the free space before their buttons.
    label("Step 1. Load binary file include FW Code.", {14, 24, 200, 8});
    m_pStepLoad = button(IDC_STEP_LOAD, "Load ...", {221, 21, 50, 14});
    label("Step 2. Load binary file include Vendor Info.", {14, 45, 200, 8});
    m_pStepVdrLoad = button(IDC_STEP_VDR_LOAD, "Vdr Load ...", {221, 42, 50, 14});
    label("Step 3. Save binary file include FW Code and Vendor Info.", {14, 66, 203, 8});
    m_pStepSave = button(IDC_STEP_SAVE, "Save ...", {221, 63, 50, 14});
    label("2. Change Vendor Info From Binary File (EEPROM or FLASH) :", {7, 147, 212, 8});
    m_pVdrLoad = button(IDC_VDR_LOAD, "Vdr Load ...", {221, 144, 50, 14});
    m_pVdrSave = button(IDC_VDR_SAVE, "Vdr Save ...", {281, 144, 50, 14});
    label("1. Load Flash Binary File include FW Code and Vendor Info via the \"Load ...\" Button below.",
          {7, 167, 324, 8});

    m_pStepVdrLoad->setToolTip(ToQt(LoadMessage(IDS_TIP_LOAD_VENDOR_INFO)));
    m_pStepLoad->setToolTip(ToQt(LoadMessage(IDS_TIP_LOAD_FW_CODE)));
    m_pStepSave->setToolTip(ToQt(LoadMessage(IDS_TIP_SAVE_BINARY)));

    connect(m_pStepLoad, &QPushButton::clicked, this, [this] { ForwardToDialog(CDetailDlg::IDC_LOAD); });
    connect(m_pStepSave, &QPushButton::clicked, this, [this] { ForwardToDialog(CDetailDlg::IDC_SAVE); });
    connect(m_pStepVdrLoad, &QPushButton::clicked, this, [this] { OnVendorLoad(); });
    connect(m_pVdrLoad, &QPushButton::clicked, this, [this] { OnVendorLoad(); });
    connect(m_pVdrSave, &QPushButton::clicked, this, [this] { OnVendorSave(); });
}

void CDetailPage_5::LoadUserSetting() {
    TraceScope scope("CDetailPage_5::LoadUserSetting", kTraceApp);
    LoadBinaryInfo();
    EnableControls(0, 0);
}

void CDetailPage_5::LoadBinaryInfo() {
    // The image check locates the vendor area of the image kinds that have one.
    if (WindowExists() && g_pDevTypeInfo && g_pDevTypeInfo->GetDataUp() &&
        g_pDevTypeInfo->GetDataUpSize() != 0)
        g_pDevTypeInfo->CheckUploadImage();
}

void CDetailPage_5::EnableControls(uint32_t devBusy, uint32_t downBusy) {
    const bool enabled = devBusy == 0 && downBusy == 0 && HasValidImage();
    for (QPushButton* button : {m_pVdrLoad, m_pVdrSave, m_pStepVdrLoad, m_pStepSave})
        button->setEnabled(enabled);
}

void CDetailPage_5::ForwardToDialog(int id) {
    QWidget* dialog = window();
    if (auto* button = dialog ? dialog->findChild<QPushButton*>(ControlName(id)) : nullptr)
        QMetaObject::invokeMethod(button, &QPushButton::click, Qt::QueuedConnection);
}

void CDetailPage_5::Report(uint32_t code) {
    ShowMessageBox(this, {LoadMessage(code), ResultCaption(g_ProjectType), MsgIcon::Error, MsgButtons::Ok});
}

void CDetailPage_5::OnVendorLoad() {
    TraceScope scope("CDetailPage_5::OnVendorLoad", kTraceApp);
    std::optional<std::string> path = ShowOpenFileDialog(this, {"bin", kBinaryFilter, ""});
    if (!path)
        return;
    const std::optional<size_t> target = UploadVendorTarget();
    if (!target) {
        Report(IDS_FILE_VENDOR_INFO_INVALID);
        return;
    }
    m_VendorFile.clear();
    m_dwVendorOffset = 0;
    std::optional<size_t> block;
    if (std::optional<std::vector<uint8_t>> content = platform::ReadWholeFile(*path)) {
        m_VendorFile = std::move(*content);
        block = LocateVendorBlock(m_VendorFile);
    }
    if (!block || !MergeVendorBlock(g_pDevTypeInfo->GetDataUp(), g_pDevTypeInfo->GetDataUpSize(), *target,
                                    m_VendorFile, *block)) {
        Report(IDS_LOAD_FILE_DATA_FAIL);
        return;
    }
    m_dwVendorOffset = static_cast<uint32_t>(*block);
    if (g_pMainDlg)
        g_pMainDlg->PostMessage(UM_IMAGE_CHANGED, 1, 0);
}

void CDetailPage_5::OnVendorSave() {
    TraceScope scope("CDetailPage_5::OnVendorSave", kTraceApp);
    std::optional<std::string> path = ShowSaveFileDialog(this, {"bin", kBinaryFilter, ""});
    if (!path)
        return;
    const std::optional<size_t> target = UploadVendorTarget();
    if (!target) {
        Report(IDS_FILE_VENDOR_INFO_INVALID);
        return;
    }
    if (!WriteBinFile(*path, kVendorBlockSize, g_pDevTypeInfo->GetDataUp() + *target))
        Report(IDS_SAVE_FILE_DATA_FAIL);
}
