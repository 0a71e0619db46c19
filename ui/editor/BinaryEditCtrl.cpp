#include "ui/editor/BinaryEditCtrl.h"

#include "ui/DialogFont.h"
#include "ui/QtText.h"
#include "ui/editor/BinaryDump.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>
#include <cmath>

namespace {

const QColor kHighlight(200, 200, 200);

// 10 points, bold, fixed pitch.
QFont DumpFont() {
    QFont font = FixedPitchFont(10);
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
    const uint32_t start = DumpStartOffset(m_pData, m_nSize, m_pViewStart);
    for (uint32_t i = 0; i < count; ++i) {
        const DumpCell cell = DumpCellOf(offset + i, start);
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

int CBinaryEditCtrl::FirstVisibleLine() const {
    // The first line whose lower edge lies below the top of the view.
    const int top = verticalScrollBar()->value();
    const QAbstractTextDocumentLayout* layout = document()->documentLayout();
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        if (layout->blockBoundingRect(block).bottom() > top)
            return block.blockNumber();
    return std::max(document()->blockCount() - 1, 0);
}

void CBinaryEditCtrl::LineScroll(int lines) {
    // Whole lines: the text is moved so that a line starts at the top edge, whatever the line height.
    // The text is laid out in full first, so that the scroll range reaches every line.
    document()->documentLayout()->documentSize();
    const int last = std::max(document()->blockCount() - 1, 0);
    const int target = std::clamp(FirstVisibleLine() + lines, 0, last);
    const QTextBlock block = document()->findBlockByNumber(target);
    const QRectF rect = document()->documentLayout()->blockBoundingRect(block);
    verticalScrollBar()->setValue(target == 0 ? 0 : static_cast<int>(std::ceil(rect.top())));
}
