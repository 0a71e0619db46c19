#include "ui/editor/DetailPage1.h"

#include "app/Messages.h"
#include "device/DevTypeInfo.h"
#include "model/IcTypeIni.h"
#include "platform/Clock.h"
#include "ui/DetailDlgLink.h"
#include "ui/QtText.h"
#include "ui/ResultDialog.h"
#include "ui/editor/AdvnProp.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>

#include <algorithm>

namespace {

QColor ToColour(const Rgb& rgb) {
    return QColor(rgb.r, rgb.g, rgb.b);
}

QLabel* Swatch(QWidget* parent, int id, const QColor& colour) {
    auto* swatch = new QLabel(parent);
    swatch->setObjectName(ControlName(id));
    swatch->setAutoFillBackground(true);
    QPalette palette = swatch->palette();
    palette.setColor(QPalette::Window, colour);
    swatch->setPalette(palette);
    return swatch;
}

} // namespace

CDetailPage_1::CDetailPage_1() : CDetailPage(1, 0) {
    m_pGrid = new QTreeWidget(this);
    m_pGrid->setObjectName(ControlName(IDC_GRID));
    m_pGrid->setColumnCount(2);
    m_pGrid->setHeaderHidden(true);
    m_pGrid->setRootIsDecorated(true);
    m_pGrid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                             QAbstractItemView::EditKeyPressed);
    Place(m_pGrid, {0, 18, 337, 134});
    m_pDescription = new QLabel(this);
    m_pDescription->setWordWrap(true);
    m_pDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pDescription->setFrameShape(QFrame::StyledPanel);
    Place(m_pDescription, {0, 152, 337, 30});

    auto* find = new QPushButton(QStringLiteral("Find (F3)"), this);
    find->setObjectName(ControlName(IDC_FIND));
    find->setAutoDefault(false);
    Place(find, {178, 3, 50, 12});
    m_pFindText = new QLineEdit(this);
    m_pFindText->setObjectName(ControlName(IDC_FIND_TEXT));
    Place(m_pFindText, {238, 3, 100, 12});

    // The swatches are bitmaps that end where their labels begin; "User Setting" takes the free space
    // before the second swatch.
    QLabel* userSwatch = Swatch(this, IDC_SWATCH_USER, QColor(199, 237, 204));
    Place(userSwatch, {11, 4, 22, 10});
    auto* userLabel = new QLabel(QStringLiteral("User Setting"), this);
    userLabel->setObjectName(ControlName(IDC_USER_SETTING));
    Place(userLabel, {35, 5, 50, 8});
    QLabel* fwSwatch = Swatch(this, IDC_SWATCH_FW, QColor(255, 255, 160));
    Place(fwSwatch, {90, 4, 22, 10});
    auto* dependsLabel = new QLabel(this);
    dependsLabel->setObjectName(ControlName(IDC_DEPENDS_ON_FW));
    Place(dependsLabel, {114, 5, 55, 8});
    m_Legend = {userSwatch, userLabel, fwSwatch, dependsLabel};

    connect(find, &QPushButton::clicked, this, [this] { OnFind(); });
    // Enter and F3 anywhere in the page search for the next entry.
    for (QKeySequence key :
         {QKeySequence(Qt::Key_F3), QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(key, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [this] { OnFind(); });
    }
    connect(m_pGrid, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (m_bFilling || column != kValueColumn)
            return;
        for (size_t i = 0; i < m_Entries.size(); ++i)
            if (m_Entries[i] == item)
                OnPropertyChanged(i);
    });
    connect(m_pGrid, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        m_pDescription->setText(item ? item->toolTip(kNameColumn) : QString());
    });
}

void CDetailPage_1::LoadUserSetting() {
    ReadSettings();
    InitUI();
    LoadBinaryInfo();
    if (WindowExists())
        RefreshControls();
    if (WindowExists())
        setEnabled(HasValidImage());
}

void CDetailPage_1::ReadSettings() {
    TraceScope scope("CDetailPage_1::LoadUserSetting", kTraceApp);
    TraceLine(scope, "LoadUserSetting Begin : %d\n", static_cast<int>(platform::GetTickCount()));
    m_nShowStyle = g_pIcTypeIni ? g_pIcTypeIni->GetShowStyle() : 0;
    m_Properties.clear();
    TraceLine(scope, "LoadUserSetting Tag1 :  %d\n", static_cast<int>(platform::GetTickCount()));
    if (g_pIcTypeIni)
        m_Properties = g_pIcTypeIni->GetProperties(g_ProjectType, g_BusType);
    TraceLine(scope, "LoadUserSetting End :   %d\n", static_cast<int>(platform::GetTickCount()));
}

void CDetailPage_1::InitUI() {
    m_strDependsOnFw = LoadMessage(IDS_DEPENDS_ON_FW);
    m_strNoOption = LoadMessage(IDS_NO_CORRECT_OPTION);
    for (QWidget* legend : m_Legend)
        legend->setVisible((m_nShowStyle & 1) != 0);

    m_bFilling = true;
    m_pGrid->clear();
    m_Entries.clear();
    std::vector<std::pair<std::string, QTreeWidgetItem*>> groups;
    for (const PropertyLayout& property : m_Properties) {
        auto group = std::find_if(groups.begin(), groups.end(),
                                  [&](const auto& known) { return known.first == property.strGroupName; });
        if (group == groups.end()) {
            auto* item = new QTreeWidgetItem(m_pGrid, QStringList{ToQt(property.strGroupName)});
            item->setFirstColumnSpanned(true);
            groups.emplace_back(property.strGroupName, item);
            group = groups.end() - 1;
        }
        auto* entry = new QTreeWidgetItem(group->second, QStringList{ToQt(property.strName)});
        entry->setToolTip(kNameColumn, ToQt(property.strDescription));
        entry->setData(kNameColumn, Qt::UserRole, property.byIndex);
        const size_t position = m_Entries.size();
        m_Entries.push_back(entry);
        if (property.options.empty()) {
            entry->setFlags(entry->flags() | Qt::ItemIsEditable);
            entry->setText(kValueColumn, QString());
            continue;
        }
        auto* choices = new QComboBox();
        for (const std::string& option : property.options)
            if (choices->findText(ToQt(option), Qt::MatchExactly) < 0)
                choices->addItem(ToQt(option));
        choices->setCurrentText(ToQt(property.options.back()));
        m_pGrid->setItemWidget(entry, kValueColumn, choices);
        connect(choices, &QComboBox::activated, this, [this, position] { OnPropertyChanged(position); });
    }
    m_pGrid->expandAll();
    // The name column is as wide as the longest name, leaving the value column a third of the grid.
    m_pGrid->resizeColumnToContents(kNameColumn);
    const int widest = m_pGrid->width() * 2 / 3;
    m_pGrid->setColumnWidth(
        kNameColumn, std::clamp(m_pGrid->columnWidth(kNameColumn), DluToPixelsX(100, m_units), widest));
    m_bFilling = false;
}

QString CDetailPage_1::ValueText(size_t position) const {
    QTreeWidgetItem* entry = m_Entries[position];
    if (auto* choices = qobject_cast<QComboBox*>(m_pGrid->itemWidget(entry, kValueColumn)))
        return choices->currentText();
    return entry->text(kValueColumn);
}

void CDetailPage_1::SetValueText(size_t position, const QString& text) {
    QTreeWidgetItem* entry = m_Entries[position];
    if (auto* choices = qobject_cast<QComboBox*>(m_pGrid->itemWidget(entry, kValueColumn))) {
        // A text that is not one of the options (the "no option" and "Depends on FW" texts) is shown as is.
        choices->setEditable(choices->findText(text, Qt::MatchExactly) < 0);
        choices->setCurrentText(text);
        if (choices->isEditable())
            choices->lineEdit()->setReadOnly(true);
        return;
    }
    entry->setText(kValueColumn, text);
}

void CDetailPage_1::LoadBinaryInfo() {
    if (!WindowExists() || !HasValidImage())
        return;
    ImageFields fields = g_pDevTypeInfo->UploadFields();
    m_bFilling = true;
    for (size_t i = 0; i < m_Properties.size() && i < m_Entries.size(); ++i) {
        const PropertyLayout& property = m_Properties[i];
        const ImageFields::PropertyReading reading = fields.ReadProperty(property);
        const PropertyDisplay display = DisplayProperty(property, reading.dwValue, reading.dwEnable,
                                                        m_nShowStyle, m_strDependsOnFw, m_strNoOption);
        SetValueText(i, ToQt(display.text));
        const QBrush brush = display.background ? QBrush(ToColour(*display.background)) : QBrush();
        m_Entries[i]->setBackground(kNameColumn, brush);
        m_Entries[i]->setBackground(kValueColumn, brush);
        // An entry with options shows a combo box over its value cell: it takes the colour as well.
        if (auto* choices = qobject_cast<QComboBox*>(m_pGrid->itemWidget(m_Entries[i], kValueColumn))) {
            QPalette colours = m_pGrid->palette();
            if (display.background) {
                colours.setColor(QPalette::Button, brush.color());
                colours.setColor(QPalette::Base, brush.color());
                colours.setColor(QPalette::Window, brush.color());
            }
            choices->setPalette(colours);
        }
    }
    m_bFilling = false;
}

void CDetailPage_1::RefreshControls() {
    m_pFindText->setText(ToQt(m_strFind));
    FindControl<QLabel>(this, IDC_DEPENDS_ON_FW)->setText(ToQt(m_strDependsOnFw));
}

void CDetailPage_1::EnableControls(uint32_t devBusy, uint32_t downBusy) {
    if (WindowExists())
        setEnabled(devBusy == 0 && downBusy == 0 && HasValidImage());
}

void CDetailPage_1::EditValue(size_t position, const std::string& text) {
    QTreeWidgetItem* entry = m_Entries.at(position);
    if (auto* choices = qobject_cast<QComboBox*>(m_pGrid->itemWidget(entry, kValueColumn))) {
        choices->setEditable(false);
        choices->setCurrentText(ToQt(text));
        OnPropertyChanged(position);
        return;
    }
    entry->setText(kValueColumn, ToQt(text));
}

void CDetailPage_1::OnPropertyChanged(size_t position) {
    if (position >= m_Properties.size() || !g_pDevTypeInfo || !g_pIcTypeIni)
        return;
    const PropertyLayout& property = m_Properties[position];
    const uint32_t value =
        PropertyValueToStore(property, ParsePropertyText(property, FromQt(ValueText(position))));
    // A value that cannot be written leaves the image as it was; the grid keeps showing the entry.
    (void)g_pDevTypeInfo->UploadFields().WriteProperty(property, value);
    if (!g_pDetailDlg)
        return;
    const uint8_t written = TakeLastWritePos();
    NotifyEdit(written, {{written, PropertyHighlightLength(property.field.byDataMode)}});
}

void CDetailPage_1::OnFind() {
    if (!isVisible())
        return;
    m_strFind = FromQt(m_pFindText->text());
    m_pGrid->expandAll();
    int selected = -1;
    for (size_t i = 0; i < m_Entries.size(); ++i)
        if (m_Entries[i] == m_pGrid->currentItem())
            selected = static_cast<int>(i);
    std::vector<std::string> names;
    for (const PropertyLayout& property : m_Properties)
        names.push_back(property.strName);
    const int found = FindPropertyName(names, selected, m_strFind);
    if (found < 0)
        return;
    m_pGrid->setCurrentItem(m_Entries[static_cast<size_t>(found)]);
    m_pGrid->scrollToItem(m_Entries[static_cast<size_t>(found)]);
}
