#include "ui/editor/BinaryEditCtrl.h"

#include "ui/QtText.h"
#include "ui/editor/BinaryDump.h"

#include <QFontDatabase>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace {

const QColor kHighlight(200, 200, 200);

// "Courier New" where it is installed, else the system's fixed-pitch font.
QFont DumpFont() {
    QFont font = QFontDatabase::families().contains(QStringLiteral("Courier New"))
                     ? QFont(QStringLiteral("Courier New"))
                     : QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPointSize(10);
    font.setBold(true);
    return font;
}

} // namespace

CBinaryEditCtrl::CBinaryEditCtrl(QWidget* parent) : QTextEdit(parent) {
    setReadOnly(true);
    setLineWrapMode(QTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setAcceptRichText(false);
}

void CBinaryEditCtrl::InitUI() {
    QFont font = DumpFont();
    setFont(font);
    document()->setDefaultFont(font);
    QPalette colours = palette();
    colours.setColor(QPalette::Text, Qt::black);
    setPalette(colours);
}

void CBinaryEditCtrl::SetData(const uint8_t* data, const uint8_t* viewStart, uint32_t size) {
    m_pData = data;
    m_pViewStart = viewStart;
    m_nSize = size;
}

void CBinaryEditCtrl::ShowBinary() {
    setPlainText(ToQt(BinaryDumpText(m_pData, m_nSize, m_pViewStart)));
}

void CBinaryEditCtrl::HighlightBytes(uint32_t offset, uint32_t count) {
    QTextCharFormat format;
    format.setBackground(kHighlight);
    for (uint32_t i = 0; i < count; ++i) {
        const DumpCell cell = DumpCellOf(offset + i);
        QTextBlock block = document()->findBlockByNumber(cell.line);
        // Bytes beyond the rows shown have no cell to mark.
        if (!block.isValid() || block.length() < cell.column + 2)
            continue;
        QTextCursor cursor(document());
        cursor.setPosition(block.position() + cell.column);
        cursor.setPosition(block.position() + cell.column + 2, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(format);
    }
}

void CBinaryEditCtrl::LineScroll(int lines) {
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->value() + lines * fontMetrics().lineSpacing());
}
