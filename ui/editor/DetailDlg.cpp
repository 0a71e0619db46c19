#include "ui/editor/DetailDlg.h"

#include "app/Messages.h"
#include "core/Broadcast.h"
#include "core/MessageIds.h"
#include "core/ResultDialog.h"
#include "core/VrkThread.h"
#include "device/DevTypeInfo.h"
#include "model/IcTypeIni.h"
#include "model/SilentFiles.h"
#include "platform/Text.h"
#include "ui/DialogFont.h"
#include "ui/FileDialogs.h"
#include "ui/QtText.h"
#include "ui/ResultDialog.h"
#include "ui/editor/BinaryEditCtrl.h"
#include "ui/editor/DetailPage.h"
#include "ui/editor/DetailPageFactory.h"
#include "ui/editor/DetailSheet.h"
#include "ui/editor/SelectString.h"
#include "ui/main/QuillixDlg.h"
#include "view/editor/DetailDlgRules.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QMetaObject>
#include <QPushButton>
#include <QStyle>
#include <QTabBar>

#include <algorithm>

namespace {

constexpr char kBinaryFilter[] = "Binary Files (*.bin)|*.bin|All Files (*.*)|*.*||";
// Template 129 is this many dialog units wide.
constexpr int kTemplateWidth = 350;

void PostToMainDialog(uint32_t id, uintptr_t wParam) {
    if (g_pMainDlg)
        g_pMainDlg->PostMessage(id, wParam, 0);
}

} // namespace

CDetailDlg::CDetailDlg(QWidget* parent) : QDialog(parent), m_units(BaseUnitsOf(DialogFont())) {
    setFont(DialogFont());
    setWindowTitle(QStringLiteral("Detail Setting"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    const QRect client = DluToPixels({0, 0, kTemplateWidth, 268}, m_units);
    setFixedSize(client.size());

    auto button = [this](int id, const char* text, const DluRect& rect) {
        auto* control = new QPushButton(QString::fromLatin1(text), this);
        control->setObjectName(ControlName(id));
        control->setAutoDefault(false);
        PlaceControl(control, rect, m_units);
        return control;
    };
    m_pSave = button(IDC_SAVE, "Save ...", {288, 220, 50, 14});
    m_pSave->setDefault(true);
    m_pLoad = button(IDC_LOAD, "Load ...", {228, 220, 50, 14});
    m_pHexView = new CBinaryEditCtrl(this);
    m_pHexView->setObjectName(ControlName(IDC_HEX_VIEW));
    PlaceControl(m_pHexView, {0, 237, 350, 30}, m_units);
    m_pIcType = new QComboBox(this);
    m_pIcType->setObjectName(ControlName(IDC_IC_TYPE));
    PlaceControl(m_pIcType, {47, 221, 130, 12}, m_units);
    m_pIcType->hide();
    m_pIcTypeLabel = new QLabel(QStringLiteral("IC Type : "), this);
    m_pIcTypeLabel->setObjectName(ControlName(IDC_IC_TYPE_LABEL));
    PlaceControl(m_pIcTypeLabel, {8, 223, 33, 8}, m_units);
    m_pIcTypeLabel->hide();

    connect(m_pLoad, &QPushButton::clicked, this, [this] { OnLoadBinary(); });
    connect(m_pSave, &QPushButton::clicked, this, [this] { OnSaveBinary(); });
    connect(m_pIcType, &QComboBox::activated, this, [this] { OnIcTypeChanged(); });

    OnInitDialog();
}

CDetailDlg::~CDetailDlg() {
    TraceScope scope("CDetailDlg::OnDestroy", kTraceApp);
    if (g_pDetailDlg == this)
        g_pDetailDlg = nullptr;
}

void CDetailDlg::OnInitDialog() {
    TraceScope scope("CDetailDlg::OnInitDialog", kTraceApp);
    { TraceScope load("CDetailDlg::LoadUserSetting", kTraceApp); }
    InitUI();
    RefreshControls();
    EnableControls(0, 0);
}

void CDetailDlg::InitUI() {
    TraceScope scope("CDetailDlg::InitUI", kTraceApp);
    for (size_t i = 0; i < m_pPages.size(); ++i) {
        if (!m_pPages[i]) {
            m_pPages[i] = CreateDetailPage(static_cast<int>(i) + 1, this);
            m_pPages[i]->hide();
        }
    }
    if (!m_pSheet) {
        m_pSheet = new CDetailSheet(this, [this] { RequestHide(); });
        m_pSheet->AddPage(m_pPages[0]);
        PlaceSheet();
        m_pSheet->show();
    }
    FillIcTypeCombo();
    m_pIcType->setToolTip(ToQt(LoadMessage(IDS_TIP_IC_TYPE)));
}

void CDetailDlg::FillIcTypeCombo() {
    m_pIcType->clear();
    const std::vector<std::string> names =
        g_pIcTypeIni ? g_pIcTypeIni->m_IniFileNames : std::vector<std::string>();
    if (names.size() < 2) {
        m_pIcType->setEnabled(false);
        return;
    }
    // The names are file names (bytes); the combo shows them as text and maps its index back to them.
    for (const std::string& name : names)
        m_pIcType->addItem(ToQt(platform::IniBytesToUtf8(name)));
    m_pIcTypeLabel->show();
    m_pIcType->show();
    int selected = SelectStringIndex(names, g_pIcTypeIni->m_strIniName);
    if (selected < 0) {
        selected = 0;
        g_pIcTypeIni->m_strIniName = names.front();
    }
    m_pIcType->setCurrentIndex(selected);
}

void CDetailDlg::OnIcTypeChanged() {
    TraceScope scope("CDetailDlg::OnIcTypeChanged", kTraceApp);
    const int index = m_pIcType->currentIndex();
    if (index < 0 || !g_pIcTypeIni || static_cast<size_t>(index) >= g_pIcTypeIni->m_IniFileNames.size())
        return;
    g_pIcTypeIni->m_strIniName = g_pIcTypeIni->m_IniFileNames[static_cast<size_t>(index)];
    // The old device-type object and its buffers go away: the hex view must not keep pointing into them.
    m_pHexView->SetData(nullptr, nullptr, 0);
    g_pIcTypeIni->LoadIcIni();
    g_pIcTypeIni->Parse_ProjectType();
    CreateDevTypeInfo();
    if (g_pVrkThread)
        g_pVrkThread->PostThreadMessage(UM_REQ_INIT, 0, 0);
}

void CDetailDlg::ReloadSettings() {
    TraceScope scope("CDetailDlg::ReloadSettings", kTraceApp);
    while (m_pSheet->count() > 1)
        m_pSheet->RemoveLastPage(this);
    const uint32_t uiType = g_pIcTypeIni ? g_pIcTypeIni->GetUIType() : 0;
    for (int number : DetailPagesForUiType(uiType))
        if (number != 1)
            m_pSheet->AddPage(Page(number));

    FitSheet();
    Page(1)->LoadUserSetting();
    for (int number = 2; number <= 6; ++number)
        Page(number)->LoadUserSetting();
    UpdateCaption();

    if (!g_pVrkThread || !g_pDevTypeInfo)
        return;
    if (g_pDevTypeInfo->GetDataUp() && g_pDevTypeInfo->GetDataUpSize() != 0 &&
        g_pDevTypeInfo->CheckUploadImage())
        LoadBinaryInfo();
    m_pHexView->InitUI();
    RedrawHexView();
}

void CDetailDlg::UpdateCaption() {
    setWindowTitle(ToQt(DetailCaption(g_pIcTypeIni ? g_pIcTypeIni->m_strIcName : std::string())));
}

void CDetailDlg::LoadBinaryInfo() {
    for (CDetailPage* page : m_pPages)
        page->LoadBinaryInfo();
}

void CDetailDlg::RefreshControls() {
    for (CDetailPage* page : m_pPages)
        if (page->WindowExists())
            page->RefreshControls();
}

void CDetailDlg::EnableControls(uint32_t devBusy, uint32_t downBusy) {
    const bool idle = devBusy == 0 && downBusy == 0;
    m_pLoad->setEnabled(idle);
    m_pSave->setEnabled(idle && g_pDevTypeInfo && g_pDevTypeInfo->GetDataUp() != nullptr);
    setEnabled(idle);
    for (CDetailPage* page : m_pPages)
        page->EnableControls(devBusy, downBusy);
}

void CDetailDlg::ShowAt(const QPoint& topLeft) {
    move(topLeft);
    m_pSheet->show();
    show();
}

void CDetailDlg::PostMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) {
    QMetaObject::invokeMethod(
        this, [this, id, wParam, lParam] { OnMessage(id, wParam, lParam); }, Qt::QueuedConnection);
}

void CDetailDlg::OnMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) {
    switch (id) {
    case UM_DETAIL_SHOW:
        m_pSheet->setVisible(wParam != 0);
        setVisible(wParam != 0);
        break;
    case UM_IMAGE_CHANGED:
        OnImageChanged();
        break;
    case UM_DETAIL_REFRESH:
        RedrawHexView();
        LoadBinaryInfo();
        RefreshControls();
        break;
    case UM_DETAIL_SCROLL:
        m_pHexView->LineScroll(static_cast<int>(static_cast<intptr_t>(wParam)));
        break;
    case UM_DETAIL_SCROLL_TO:
        m_pHexView->LineScroll(static_cast<int>(wParam / 8 + 1));
        break;
    case UM_DETAIL_HIGHLIGHT:
        m_pHexView->HighlightBytes(static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
        break;
    default:
        break;
    }
}

void CDetailDlg::OnImageChanged() {
    TraceScope scope("CDetailDlg::OnImageChanged", kTraceApp);
    if (g_pDevTypeInfo && g_pDevTypeInfo->GetDataUp() && g_pDevTypeInfo->GetDataUpSize() != 0 &&
        g_pDevTypeInfo->CheckUploadImage())
        LoadBinaryInfo();
    RefreshControls();
    RedrawHexView();
    EnableControls(0, 0);
}

void CDetailDlg::RedrawHexView() {
    if (g_pDevTypeInfo)
        m_pHexView->SetData(g_pDevTypeInfo->GetDataUp(), g_pDevTypeInfo->GetVendorUp(),
                            g_pDevTypeInfo->GetDataUpSize());
    else
        m_pHexView->SetData(nullptr, nullptr, 0);
    m_pHexView->ShowBinary();
}

void CDetailDlg::OnLoadBinary() {
    TraceScope scope("CDetailDlg::OnLoadBinary", kTraceApp);
    std::optional<std::string> path = ShowOpenFileDialog(this, {"bin", kBinaryFilter, ""});
    if (!path || !g_pDevTypeInfo)
        return;
    g_pDevTypeInfo->m_strUploadFile = *path;
    if (g_pDevTypeInfo->LoadUploadFile()) {
        PostToMainDialog(UM_IMAGE_CHANGED, 1);
    } else {
        // The image may be gone (an empty file releases it): neither the view nor the main dialog's
        // device fields may go on showing the old buffer.
        RedrawHexView();
        PostToMainDialog(UM_IMAGE_CHANGED, 0);
        PostToMainDialog(UM_FAIL, IDS_LOAD_FILE_DATA_FAIL);
    }
}

void CDetailDlg::OnSaveBinary() {
    TraceScope scope("CDetailDlg::OnSaveBinary", kTraceApp);
    std::optional<std::string> path = ShowSaveFileDialog(this, {"bin", kBinaryFilter, ""});
    if (!path || !g_pDevTypeInfo || !g_pDevTypeInfo->GetDataUp())
        return;
    // The whole upload image, from the buffer start even when a vendor area is set.
    if (!WriteBinFile(*path, g_pDevTypeInfo->GetDataUpSize(), g_pDevTypeInfo->GetDataUp()))
        PostToMainDialog(UM_FAIL, IDS_SAVE_FILE_DATA_FAIL);
}

void CDetailDlg::reject() {
    RequestHide();
}

void CDetailDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    RequestHide();
}

void CDetailDlg::RequestHide() {
    setFocus();
    QWidget* owner = parentWidget();
    QPushButton* toggle =
        owner ? owner->findChild<QPushButton*>(ControlName(CQuillixDlg::IDC_DETAIL)) : nullptr;
    if (toggle)
        QMetaObject::invokeMethod(toggle, &QPushButton::click, Qt::QueuedConnection);
    else
        PostMessage(UM_DETAIL_SHOW, 0, 0);
}

void CDetailDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (m_pSheet)
        PlaceSheet();
}

void CDetailDlg::FitSheet() {
    // The sheet's frame around its pages, and the tab bar's own margin.
    const int frame = 2 * (m_pSheet->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 1);
    int width = DluToPixelsX(kTemplateWidth, m_units);
    for (int i = 0; i < m_pSheet->count(); ++i)
        if (const CDetailPage* page = m_pSheet->PageAt(i))
            width = std::max(width, DluToPixelsX(page->TemplateWidth(), m_units) + frame);
    width = std::max(width, m_pSheet->tabBar()->sizeHint().width() + frame);
    setFixedWidth(width);
    m_pHexView->resize(width, m_pHexView->height());
    PlaceSheet();
}

void CDetailDlg::PlaceSheet() {
    m_pSheet->setGeometry(0, 0, width(), std::max(0, height() - kBelowSheet));
}

std::unique_ptr<IDetailDialog> CreateDetailDlg(QWidget* parent) {
    auto dialog = std::make_unique<CDetailDlg>(parent);
    g_pDetailDlg = dialog.get();
    return dialog;
}
