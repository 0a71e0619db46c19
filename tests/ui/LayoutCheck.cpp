#include "tests/ui/LayoutCheck.h"

#include "ui/DialogUnits.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace uitest {
namespace {

constexpr int kUnbounded = 1 << 20;

bool FromTemplate(const QWidget* widget) {
    return widget->property(kTemplateRectProperty).isValid();
}

QRect TemplateRect(const QWidget* widget) {
    return widget->property(kTemplateRectProperty).toRect();
}

// "1016", or "QLabel "Step 1. ..."" for a control without an id.
std::string ControlLabel(const QWidget* widget) {
    if (!widget->objectName().isEmpty())
        return widget->objectName().toStdString();
    QString text = widget->property("text").toString();
    if (text.isEmpty())
        text = widget->property("title").toString();
    std::string label = widget->metaObject()->className();
    if (!text.isEmpty())
        label += " \"" + text.left(40).toStdString() + "\"";
    return label;
}

// Text as drawn: the mnemonic ampersands are not shown.
QString Shown(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    shown.remove(QLatin1Char('&'));
    shown.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return shown;
}

class Checker {
public:
    explicit Checker(const QWidget* root) : m_root(root) {}

    std::vector<LayoutOffence> Run() {
        for (const QWidget* widget : m_root->findChildren<QWidget*>()) {
            if (!widget->isVisibleTo(m_root))
                continue;
            if (auto* tabs = qobject_cast<const QTabWidget*>(widget))
                CheckTabs(tabs);
            if (auto* tree = qobject_cast<const QTreeWidget*>(widget))
                CheckGrid(tree);
            if (!FromTemplate(widget))
                continue;
            CheckText(widget);
            CheckInsideParent(widget);
        }
        CheckSiblings();
        return m_offences;
    }

private:
    void Offend(const QWidget* widget, const std::string& problem, int missing) {
        m_offences.push_back({ControlLabel(widget), problem, missing});
    }

    // The text's size against the space the control gives it.
    void Fit(const QWidget* widget, const std::string& what, QSize needed, QSize available) {
        const int wide = needed.width() - available.width();
        const int high = needed.height() - available.height();
        if (wide <= 0 && high <= 0)
            return;
        std::ostringstream problem;
        problem << what << " needs " << needed.width() << "x" << needed.height() << " px, has "
                << available.width() << "x" << available.height();
        Offend(widget, problem.str(), std::max(wide, high));
    }

    void CheckText(const QWidget* widget) {
        const QFontMetrics metrics = widget->fontMetrics();
        if (auto* label = qobject_cast<const QLabel*>(widget)) {
            if (label->text().isEmpty())
                return;
            const QRect space = label->contentsRect().adjusted(label->margin(), label->margin(),
                                                               -label->margin(), -label->margin());
            const int flags = label->wordWrap() ? Qt::TextWordWrap : 0;
            const QRect bounds(0, 0, label->wordWrap() ? space.width() : kUnbounded, kUnbounded);
            QSize needed =
                metrics.boundingRect(bounds, flags | Qt::AlignLeft | Qt::AlignTop, label->text()).size();
            // Laid-out text is a pixel or so taller than its lines; a line takes the font's height, as the
            // dialog units do.
            const int slack =
                metrics.boundingRect(bounds, Qt::AlignLeft | Qt::AlignTop, QStringLiteral("A")).height() -
                metrics.height();
            needed.setHeight(needed.height() - std::max(slack, 0));
            Fit(widget, "text", needed, space.size());
            return;
        }
        if (auto* group = qobject_cast<const QGroupBox*>(widget)) {
            if (group->title().isEmpty())
                return;
            QStyleOptionGroupBox option;
            option.initFrom(group);
            option.text = group->title();
            option.lineWidth = 1;
            option.textAlignment = group->alignment();
            option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
            const QRect caption =
                group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group);
            // The caption keeps the gap to the right edge that it has to the left one.
            Fit(widget, "caption", QSize(caption.right() + 1 + caption.left(), caption.height()),
                QSize(group->width(), group->height()));
            return;
        }
        if (auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            if (button->text().isEmpty())
                return;
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            QStyle::SubElement contents = QStyle::SE_PushButtonContents;
            if (qobject_cast<const QCheckBox*>(button))
                contents = QStyle::SE_CheckBoxContents;
            else if (qobject_cast<const QRadioButton*>(button))
                contents = QStyle::SE_RadioButtonContents;
            else if (auto* push = qobject_cast<const QPushButton*>(button); push && push->isDefault())
                option.features |= QStyleOptionButton::DefaultButton;
            const QRect space = button->style()->subElementRect(contents, &option, button);
            const QSize needed(metrics.horizontalAdvance(Shown(button->text())), metrics.height());
            Fit(widget, "text", needed, space.size());
            return;
        }
        if (auto* combo = qobject_cast<const QComboBox*>(widget)) {
            if (combo->currentText().isEmpty())
                return;
            QStyleOptionComboBox option;
            option.initFrom(combo);
            option.editable = combo->isEditable();
            option.currentText = combo->currentText();
            option.frame = combo->hasFrame();
            const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                               QStyle::SC_ComboBoxEditField, combo);
            Fit(widget, "text", QSize(metrics.horizontalAdvance(combo->currentText()), metrics.height()),
                field.size());
            return;
        }
        if (auto* edit = qobject_cast<const QLineEdit*>(widget)) {
            // An edit scrolls its text sideways; a line of the font must fit in its height.
            const int frame = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
            Fit(widget, "line", QSize(0, metrics.height()), QSize(edit->width(), edit->height() - 2 * frame));
        }
    }

    void CheckTabs(const QTabWidget* tabs) {
        const QTabBar* bar = tabs->tabBar();
        const QFontMetrics metrics = bar->fontMetrics();
        const int needed = bar->sizeHint().width();
        if (needed > tabs->width()) {
            std::ostringstream problem;
            problem << "tabs need " << needed << " px, sheet has " << tabs->width();
            Offend(bar, problem.str(), needed - tabs->width());
        }
        for (int i = 0; i < bar->count(); ++i) {
            const QRect tab = bar->tabRect(i);
            const int text = metrics.horizontalAdvance(Shown(bar->tabText(i)));
            if (text > tab.width())
                Offend(bar, "tab \"" + bar->tabText(i).toStdString() + "\" is narrower than its text",
                       text - tab.width());
        }
    }

    // Every cell of a property grid shows its whole text.
    void CheckGrid(const QTreeWidget* tree) {
        const QFontMetrics metrics = tree->fontMetrics();
        const int margin = 2 * (tree->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, tree) + 1);
        for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(tree)); *it; ++it) {
            const QTreeWidgetItem* item = *it;
            if (item->isHidden())
                continue;
            int depth = 0;
            for (const QTreeWidgetItem* up = item->parent(); up; up = up->parent())
                ++depth;
            const int indent = tree->indentation() * (depth + (tree->rootIsDecorated() ? 1 : 0));
            const int columns = item->isFirstColumnSpanned() ? 1 : tree->columnCount();
            for (int column = 0; column < columns; ++column) {
                if (item->text(column).isEmpty())
                    continue;
                int cell =
                    item->isFirstColumnSpanned() ? tree->viewport()->width() : tree->columnWidth(column);
                if (column == tree->columnCount() - 1 && !item->isFirstColumnSpanned())
                    cell =
                        std::max(cell, tree->viewport()->width() - tree->header()->sectionPosition(column));
                const int needed =
                    metrics.horizontalAdvance(item->text(column)) + margin + (column == 0 ? indent : 0);
                if (needed > cell) {
                    std::ostringstream problem;
                    problem << "cell \"" << item->text(column).toStdString() << "\" needs " << needed
                            << " px, column " << column << " has " << cell;
                    Offend(tree, problem.str(), needed - cell);
                }
            }
        }
    }

    void CheckInsideParent(const QWidget* widget) {
        const QWidget* parent = widget->parentWidget();
        if (!parent)
            return;
        const QRect area = parent->rect();
        const QRect place = widget->geometry();
        if (area.contains(place))
            return;
        const int missing = std::max({area.left() - place.left(), area.top() - place.top(),
                                      place.right() - area.right(), place.bottom() - area.bottom()});
        std::ostringstream problem;
        problem << "lies outside its " << (parent == m_root ? "dialog" : "page") << " (" << place.x() << ","
                << place.y() << " " << place.width() << "x" << place.height() << " in " << area.width() << "x"
                << area.height() << ")";
        Offend(widget, problem.str(), missing);
    }

    // Siblings the template keeps apart stay apart.
    void CheckSiblings() {
        std::vector<const QWidget*> placed;
        for (const QWidget* widget : m_root->findChildren<QWidget*>())
            if (widget->isVisibleTo(m_root) && FromTemplate(widget))
                placed.push_back(widget);
        for (size_t a = 0; a < placed.size(); ++a) {
            for (size_t b = a + 1; b < placed.size(); ++b) {
                const QWidget* first = placed[a];
                const QWidget* second = placed[b];
                if (first->parentWidget() != second->parentWidget() ||
                    TemplateRect(first).intersects(TemplateRect(second)))
                    continue;
                const QRect overlap = first->geometry().intersected(second->geometry());
                if (overlap.isEmpty())
                    continue;
                Offend(first, "overlaps control " + ControlLabel(second),
                       std::min(overlap.width(), overlap.height()));
            }
        }
    }

    const QWidget* m_root;
    std::vector<LayoutOffence> m_offences;
};

} // namespace

std::vector<LayoutOffence> CheckLayout(const QWidget* root) {
    return Checker(root).Run();
}

std::string DescribeOffences(const std::string& dialog, const std::vector<LayoutOffence>& offences) {
    std::ostringstream lines;
    for (const LayoutOffence& offence : offences)
        lines << dialog << ": control " << offence.control << ": " << offence.problem << ": "
              << offence.missingPixels << " px missing\n";
    return lines.str();
}

void ExpectLayoutFits(const QWidget* root, const std::string& dialog) {
    const std::vector<LayoutOffence> offences = CheckLayout(root);
    EXPECT_TRUE(offences.empty()) << DescribeOffences(dialog, offences);
}

} // namespace uitest
