#include "ui/editor/DetailPageLunAndStr.h"

#include "app/Messages.h"
#include "core/Broadcast.h"
#include "core/MessageIds.h"
#include "core/ResultDialog.h"
#include "device/DevTypeInfo.h"
#include "model/IcTypeIni.h"
#include "platform/Text.h"
#include "ui/DetailDlgLink.h"
#include "ui/DialogFont.h"
#include "ui/QtText.h"
#include "ui/ResultDialog.h"
#include "view/editor/FieldsLunAccess.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>

namespace {

constexpr int kRowY = 44;
constexpr int kRowStep = 15;

int ColumnX(CardLayout layout, int column) {
    return layout == CardLayout::SixSockets ? 36 + 22 * column : 38 + 32 * column;
}

bool LowBit(uint32_t value) {
    return (value & 1) != 0;
}

} // namespace

CDetailPage_LunAndStr::CDetailPage_LunAndStr(int nPage, uint32_t loadMessage, CardLayout layout)
    : CDetailPage(nPage, loadMessage), m_layout(layout) {
    CreateControls();
}

void CDetailPage_LunAndStr::CreateControls() {
    const bool sockets = m_layout == CardLayout::SixSockets;
    const int columns = sockets ? kCardColumns : 4;
    auto label = [this](int id, const QString& text, const DluRect& rect) {
        auto* control = new QLabel(text, this);
        if (id != 0)
            control->setObjectName(ControlName(id));
        Place(control, rect);
        return control;
    };
    const int width = TemplateWidth() - 14;
    auto separator = [this, width](int y) {
        auto* line = new QFrame(this);
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
        Place(line, {7, y, width, 2});
    };
    separator(22);
    separator(kRowY + kRowStep * kShownLunRows + 4);
    label(0, QStringLiteral("MAX LUN:"), {7, 8, 35, 8});
    m_pMaxLun = new QComboBox(this);
    m_pMaxLun->setObjectName(ControlName(IDC_MAX_LUN));
    Place(m_pMaxLun, {45, 6, 40, 12});
    label(0, sockets ? QStringLiteral("Socket") : QStringLiteral("Card"), {7, 30, 28, 8});
    for (int c = 0; c < columns; ++c) {
        const int headingWidth = sockets ? 20 : c + 1 < columns ? 32 : 40;
        label(0, QString::fromLatin1(CardColumnHeading(m_layout, c)),
              {ColumnX(m_layout, c) - 4, 30, headingWidth, 8});
    }
    // The last heading ("MS/MSPRO") is wider than its column; the previews begin after it and are wide
    // enough for the whole inquiry string in the fixed-pitch font; the LUN strings take the rest.
    const int previewX = ColumnX(m_layout, columns - 1) + (sockets ? 26 : 40);
    const int previewWidth = 134;
    const int lunStrX = previewX + previewWidth + 2;
    const int lunStrWidth = TemplateWidth() - 7 - lunStrX;
    label(0, QStringLiteral("Inquiry String Mode"), {previewX + 6, 30, 64, 8});
    m_pInqMode = new QComboBox(this);
    m_pInqMode->setObjectName(ControlName(IDC_INQ_MODE));
    Place(m_pInqMode, {previewX + 72, 28, 90, 12});

    const QFont fixed = FixedPitchFont(DialogFont().pointSize());
    for (int r = 0; r < kShownLunRows; ++r) {
        const int y = kRowY + kRowStep * r;
        m_pRowLabel[r] = label(IDC_ROW_LABEL + r, QStringLiteral("LUN%1").arg(r), {7, y + 2, 25, 8});
        for (int c = 0; c < columns; ++c) {
            auto* box = new QCheckBox(this);
            box->setObjectName(ControlName(CardBoxId(r, c + 1)));
            Place(box, {ColumnX(m_layout, c), y, 12, 10});
            connect(box, &QCheckBox::clicked, this, [this, c, r] { OnCardClicked(c, r); });
            m_pCard[c][r] = box;
        }
        m_pPreview[r] = label(IDC_PREVIEW + r, QString(), {previewX, y + 2, previewWidth, 8});
        m_pPreview[r]->setFont(fixed);
        m_pLunStr[r] = new QLineEdit(this);
        m_pLunStr[r]->setObjectName(ControlName(IDC_LUN_STR + r));
        m_pLunStr[r]->setMaxLength(16);
        Place(m_pLunStr[r], {lunStrX, y, lunStrWidth, 12});
        connect(m_pLunStr[r], &QLineEdit::textEdited, this, [this, r] { OnLunStrChanged(r); });
    }

    const int lowerY = kRowY + kRowStep * kShownLunRows + 12;
    auto edit = [this](int id, int maxLength, const DluRect& rect) {
        auto* control = new QLineEdit(this);
        control->setObjectName(ControlName(id));
        control->setMaxLength(maxLength);
        Place(control, rect);
        connect(control, &QLineEdit::textEdited, this, [this, id] { OnTextChanged(id); });
        return control;
    };
    label(0, QStringLiteral("Vendor:"), {7, lowerY + 2, 30, 8});
    m_pVendor = edit(IDC_VENDOR, 8, {40, lowerY, 60, 12});
    label(0, QStringLiteral("Product:"), {110, lowerY + 2, 32, 8});
    m_pProduct = edit(IDC_PRODUCT, 16, {145, lowerY, 90, 12});
    label(0, QStringLiteral("Revision:"), {245, lowerY + 2, 35, 8});
    m_pRevision = edit(IDC_REVISION, 4, {283, lowerY, 40, 12});

    connect(m_pMaxLun, &QComboBox::activated, this, [this] { OnMaxLunChanged(); });
    connect(m_pInqMode, &QComboBox::activated, this, [this] { OnInqModeChanged(); });
}

void CDetailPage_LunAndStr::LoadUserSetting() {
    TraceScope scope("CDetailPage_LunAndStr::LoadUserSetting", kTraceApp);
    FillMaxLunCombo();
    LoadBinaryInfo();
    if (WindowExists())
        RefreshControls();
    EnableControls(0, 0);
}

void CDetailPage_LunAndStr::FillMaxLunCombo() {
    m_nMaxLunSetting = ClampMaxLun(g_pIcTypeIni ? g_pIcTypeIni->GetMaxLun() : 0);
    m_pMaxLun->clear();
    for (int n = 1; n <= m_nMaxLunSetting; ++n)
        m_pMaxLun->addItem(QString::number(n));
    m_nMaxLun = m_nMaxLunSetting - 1;
}

void CDetailPage_LunAndStr::LoadBinaryInfo() {
    if (!WindowExists() || !HasValidImage())
        return;
    ImageFields fields = g_pDevTypeInfo->UploadFields();
    m_strVendor = fields.GetInqVendor();
    m_strProduct = fields.GetInqProduct();
    m_strRevision = fields.GetInqRevision();
    for (size_t n = 0; n < m_strLun.size(); ++n)
        m_strLun[n] = fields.GetLunStr(n);
    m_nInqMode = fields.GetInqStrMode();
    FieldsLunAccess lun(g_pDevTypeInfo->UploadFields());
    m_nMaxLun = ReadCardLayout(m_layout, lun, m_nMaxLunSetting, m_Cards);
    ShowRows();
    RefreshPreview();
    FillInqModeCombo();
}

void CDetailPage_LunAndStr::FillInqModeCombo() {
    m_pInqMode->clear();
    for (unsigned mode = 0; mode < 16; ++mode) {
        std::vector<std::string> suffixes;
        for (unsigned n = 0; n < kShownLunRows; ++n) {
            std::string suffix;
            if (g_pIcTypeIni)
                g_pIcTypeIni->GetModeLunStr(mode, n, suffix);
            suffixes.push_back(suffix);
        }
        m_pInqMode->addItem(ToQt(InquiryModeEntry(suffixes)));
    }
    m_pInqMode->setCurrentIndex(m_nInqMode < m_pInqMode->count() ? m_nInqMode : -1);
}

void CDetailPage_LunAndStr::RefreshPreview() {
    for (unsigned n = 0; n < kShownLunRows; ++n) {
        std::string product = InquiryProduct16(m_strProduct);
        if (g_pIcTypeIni)
            g_pIcTypeIni->GetModeLunStr(static_cast<unsigned>(m_nInqMode), n, product);
        m_pPreview[n]->setText(ToQt(InquiryPreview(m_strVendor, product, m_strRevision, m_strLun[n])));
    }
}

void CDetailPage_LunAndStr::ShowRows() {
    const bool lunStrings = m_layout == CardLayout::BitPerCard || m_layout == CardLayout::SixSockets;
    for (int r = 0; r < kShownLunRows; ++r) {
        const bool shown = m_nMaxLun >= r;
        m_pRowLabel[r]->setVisible(shown);
        m_pPreview[r]->setVisible(shown);
        m_pLunStr[r]->setVisible(shown && lunStrings);
        for (int c = 0; c < kCardColumns; ++c)
            if (m_pCard[c][r])
                m_pCard[c][r]->setVisible(shown && HasCardBox(m_layout, c, r));
    }
}

void CDetailPage_LunAndStr::RefreshControls() {
    m_pVendor->setText(ToQt(m_strVendor));
    m_pProduct->setText(ToQt(m_strProduct));
    m_pRevision->setText(ToQt(m_strRevision));
    for (size_t n = 0; n < m_strLun.size(); ++n)
        m_pLunStr[n]->setText(ToQt(m_strLun[n]));
    m_pMaxLun->setCurrentIndex(m_nMaxLun);
    m_pInqMode->setCurrentIndex(m_nInqMode < m_pInqMode->count() ? m_nInqMode : -1);
    for (int c = 0; c < kCardColumns; ++c)
        for (int r = 0; r < kShownLunRows; ++r)
            if (m_pCard[c][r])
                m_pCard[c][r]->setChecked(m_Cards.bCard[c][r]);
}

void CDetailPage_LunAndStr::ReadControls() {
    m_strVendor = FromQt(m_pVendor->text());
    m_strProduct = FromQt(m_pProduct->text());
    m_strRevision = FromQt(m_pRevision->text());
    for (size_t n = 0; n < m_strLun.size(); ++n)
        m_strLun[n] = FromQt(m_pLunStr[n]->text());
    m_nMaxLun = m_pMaxLun->currentIndex();
    m_nInqMode = m_pInqMode->currentIndex();
    for (int c = 0; c < kCardColumns; ++c)
        for (int r = 0; r < kShownLunRows; ++r)
            if (m_pCard[c][r])
                m_Cards.bCard[c][r] = m_pCard[c][r]->isChecked();
}

void CDetailPage_LunAndStr::EnableControls(uint32_t devBusy, uint32_t downBusy) {
    if (!WindowExists())
        return;
    const bool enabled = devBusy == 0 && downBusy == 0 && HasValidImage();
    const bool readOnlyLunStr = !g_pIcTypeIni || g_pIcTypeIni->GetLunInqProdStr() == 0;
    for (QLineEdit* edit : {m_pVendor, m_pProduct, m_pRevision})
        edit->setEnabled(enabled);
    for (QLineEdit* edit : m_pLunStr) {
        edit->setEnabled(enabled);
        edit->setReadOnly(readOnlyLunStr);
    }
    const bool sockets = m_layout == CardLayout::SixSockets;
    const uint32_t socketKeys[kCardColumns] = {
        g_pIcTypeIni ? g_pIcTypeIni->GetSocketCF() : 1,  g_pIcTypeIni ? g_pIcTypeIni->GetSocketSM() : 1,
        g_pIcTypeIni ? g_pIcTypeIni->GetSocketSD() : 1,  g_pIcTypeIni ? g_pIcTypeIni->GetSocketMS() : 1,
        g_pIcTypeIni ? g_pIcTypeIni->GetSocketSD2() : 1, g_pIcTypeIni ? g_pIcTypeIni->GetSocketMS2() : 1};
    for (int c = 0; c < kCardColumns; ++c)
        for (int r = 0; r < kShownLunRows; ++r)
            if (m_pCard[c][r])
                m_pCard[c][r]->setEnabled(enabled && (!sockets || LowBit(socketKeys[c])));
    m_pMaxLun->setEnabled(enabled && (!sockets || !g_pIcTypeIni || LowBit(g_pIcTypeIni->GetMaxLunMode())));
    m_pInqMode->setEnabled(enabled &&
                           (!sockets || !g_pIcTypeIni || LowBit(g_pIcTypeIni->GetInquiryStringMode())));
    setEnabled(enabled);
}

void CDetailPage_LunAndStr::OnTextChanged(int id) {
    if (!HasValidImage())
        return;
    ReadControls();
    ImageFields fields = g_pDevTypeInfo->UploadFields();
    uint32_t length = 0;
    switch (id) {
    case IDC_VENDOR:
        fields.SetInqVendor(m_strVendor);
        length = 8;
        break;
    case IDC_PRODUCT:
        fields.SetInqProduct(m_strProduct);
        length = 16;
        break;
    default:
        fields.SetInqRevision(m_strRevision);
        length = 4;
        break;
    }
    RefreshPreview();
    if (!g_pDetailDlg)
        return;
    const uint8_t position = TakeLastWritePos();
    NotifyEdit(position, {{position, length}});
}

void CDetailPage_LunAndStr::OnInqModeChanged() {
    if (!HasValidImage())
        return;
    ReadControls();
    g_pDevTypeInfo->UploadFields().SetInqStrMode(static_cast<uint8_t>(m_nInqMode));
    RefreshPreview();
    if (!g_pDetailDlg)
        return;
    const uint8_t position = TakeLastWritePos();
    NotifyEdit(position, {{position, 1}});
}

void CDetailPage_LunAndStr::OnLunStrChanged(int lun) {
    if (!HasValidImage())
        return;
    const std::string previous = m_strLun[static_cast<size_t>(lun)];
    ReadControls();
    ImageFields fields = g_pDevTypeInfo->UploadFields();
    if (!fields.SetLunStr(static_cast<size_t>(lun), m_strLun[static_cast<size_t>(lun)])) {
        if (g_pMainDlg)
            g_pMainDlg->PostMessage(UM_FAIL, IDS_TOO_MANY_CHARACTERS, 0);
        m_strLun[static_cast<size_t>(lun)] = previous;
        m_pLunStr[static_cast<size_t>(lun)]->setText(ToQt(previous));
        return;
    }
    RefreshPreview();
    if (!g_pDetailDlg)
        return;
    const std::vector<std::string> usbStrings = {fields.GetManufacturer(), fields.GetProduct(),
                                                 fields.GetSerialNumber()};
    const std::vector<std::string> lunStrings(m_strLun.begin(), m_strLun.end());
    const uint32_t offset =
        LunStringOffset(TakeLastWritePos(), usbStrings, lunStrings, static_cast<size_t>(lun));
    NotifyEdit(offset, {{offset, StringAreaSize(m_strLun[static_cast<size_t>(lun)])}});
}

void CDetailPage_LunAndStr::OnCardClicked(int column, int row) {
    if (!HasValidImage())
        return;
    ReadControls();
    const bool checked = m_Cards.bCard[column][row];
    if (IsTwoLunColumn(m_layout, column))
        ApplyTwoLunColumn(m_Cards, m_Columns, column, row, checked);
    else
        ApplyExclusiveColumn(m_Cards, m_Columns, column, row, checked);
    RefreshControls();
    FieldsLunAccess lun(g_pDevTypeInfo->UploadFields());
    WriteCardLayout(m_layout, lun, m_nMaxLunSetting, m_nMaxLun, m_Cards);
    if (!g_pDetailDlg)
        return;
    const uint8_t position = TakeLastWritePos();
    const uint8_t address = g_pDevTypeInfo->UploadFields().GetLunAddr(static_cast<unsigned>(row));
    NotifyEdit(position, {{address, 1}});
}

void CDetailPage_LunAndStr::OnMaxLunChanged() {
    if (!HasValidImage())
        return;
    ReadControls();
    if (m_layout == CardLayout::SingleLun)
        return;
    FieldsLunAccess lun(g_pDevTypeInfo->UploadFields());
    WriteMaxLunChange(m_layout, lun, m_nMaxLun);
    ShowRows();
    if (!g_pDetailDlg)
        return;
    const uint8_t position = TakeLastWritePos();
    ImageFields fields = g_pDevTypeInfo->UploadFields();
    std::vector<std::pair<uint32_t, uint32_t>> highlights;
    for (int n = 0; n < m_nMaxLunSetting; ++n)
        highlights.emplace_back(fields.GetLunAddr(static_cast<unsigned>(n)), 1);
    NotifyEdit(position, highlights);
}
