#include "platform/Text.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/editor/BinaryDump.h"
#include "ui/editor/BinaryEditCtrl.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <vector>

namespace {

std::vector<uint8_t> Counting(size_t size) {
    std::vector<uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), 0);
    return bytes;
}

struct DumpCase {
    const char* name;
    size_t size;
    size_t viewOffset; // SIZE_MAX: no vendor-area start
    const char* header;
    size_t rows;
    const char* firstRow;
    const char* lastRow;
};

class BinaryDumpRowsTest : public testing::TestWithParam<DumpCase> {};

TEST_P(BinaryDumpRowsTest, HeaderRowsAndOffsets) {
    const DumpCase& c = GetParam();
    std::vector<uint8_t> image = Counting(c.size);
    const uint8_t* view = c.viewOffset == SIZE_MAX ? nullptr : image.data() + c.viewOffset;
    EXPECT_EQ(BinaryDumpHeader(static_cast<uint32_t>(c.size)), c.header);
    std::vector<std::string> rows = BinaryDumpRows(image.data(), static_cast<uint32_t>(c.size), view);
    ASSERT_EQ(rows.size(), c.rows);
    EXPECT_EQ(rows.front(), c.firstRow);
    EXPECT_EQ(rows.back(), c.lastRow);
}

INSTANTIATE_TEST_SUITE_P(
    Images, BinaryDumpRowsTest,
    testing::Values(
        DumpCase{"TenBytes", 10, SIZE_MAX, "---- :  BINARY DATA (10 BYTES)", 2,
                 "0000h:  00 01 02 03 04 05 06 07 ; ........", "0008h:  08 09                   ; .."},
        DumpCase{"FourKiB", 4096, SIZE_MAX, "---- :  BINARY DATA (4096 BYTES)", 64,
                 "0000h:  00 01 02 03 04 05 06 07 ; ........", "01F8h:  F8 F9 FA FB FC FD FE FF ; ........"},
        DumpCase{"VendorWindow", 0x200, 0x100, "---- :  BINARY DATA (512 BYTES)", 32,
                 "0100h:  00 01 02 03 04 05 06 07 ; ........", "01F8h:  F8 F9 FA FB FC FD FE FF ; ........"},
        DumpCase{"ExactRow", 8, SIZE_MAX, "---- :  BINARY DATA (8 BYTES)", 1,
                 "0000h:  00 01 02 03 04 05 06 07 ; ........", "0000h:  00 01 02 03 04 05 06 07 ; ........"},
        DumpCase{"ViewStartOutsideShowsWholeBuffer", 16, 16, "---- :  BINARY DATA (16 BYTES)", 2,
                 "0000h:  00 01 02 03 04 05 06 07 ; ........", "0008h:  08 09 0A 0B 0C 0D 0E 0F ; ........"}),
    [](const testing::TestParamInfo<DumpCase>& info) { return std::string(info.param.name); });

TEST(BinaryDump, PrintableRangeIsExclamationToTilde) {
    const uint8_t bytes[] = {0x20, 0x21, 0x41, 0x7E, 0x7F, 0x00, 0xFF, 0x80};
    EXPECT_EQ(BinaryDumpRows(bytes, sizeof bytes, nullptr).at(0),
              "0000h:  20 21 41 7E 7F 00 FF 80 ; .!A~....");
}

TEST(BinaryDump, EmptyOrMissingBufferHasOnlyTheHeader) {
    const uint8_t byte = 0;
    EXPECT_EQ(BinaryDumpText(nullptr, 0, nullptr), "---- :  BINARY DATA (0 BYTES)");
    EXPECT_EQ(BinaryDumpText(&byte, 0, nullptr), "---- :  BINARY DATA (0 BYTES)");
    EXPECT_EQ(BinaryDumpText(nullptr, 12, nullptr), "---- :  BINARY DATA (12 BYTES)");
}

TEST(BinaryDump, RowsStartOnTheirOwnLines) {
    std::vector<uint8_t> image = Counting(9);
    EXPECT_EQ(BinaryDumpText(image.data(), 9, nullptr),
              "---- :  BINARY DATA (9 BYTES)\n0000h:  00 01 02 03 04 05 06 07 ; ........\n"
              "0008h:  08                      ; .");
}

struct CellCase {
    uint32_t offset;
    uint32_t startOffset;
    int line;
    int column;
};

class BinaryDumpCellTest : public testing::TestWithParam<CellCase> {};

// The cell must sit on the row's hex digits whatever the width of the row's offset.
TEST_P(BinaryDumpCellTest, StandsOnTheHexDigitsOfTheByte) {
    const CellCase& c = GetParam();
    const DumpCell cell = DumpCellOf(c.offset, c.startOffset);
    EXPECT_EQ(cell.line, c.line);
    EXPECT_EQ(cell.column, c.column);
}

INSTANTIATE_TEST_SUITE_P(Offsets, BinaryDumpCellTest,
                         testing::Values(CellCase{0, 0, 1, 8}, CellCase{9, 0, 2, 11}, CellCase{15, 0, 2, 29},
                                         CellCase{5, 0x100, 1, 23}, CellCase{5, 0x1FF00, 1, 24},
                                         CellCase{8, 0xFFF8, 2, 9}, CellCase{0, 0xFFF8, 1, 8},
                                         CellCase{7, 0x1000000, 1, 32}));

// Each cell of every row of a large image falls on its byte's two hex digits.
TEST(BinaryDump, CellsMatchTheRowsOfALargeImage) {
    std::vector<uint8_t> image = Counting(0x20000);
    const uint32_t start = 0x1FE00;
    const std::vector<std::string> rows = BinaryDumpRows(image.data(), 0x20000, image.data() + start);
    for (uint32_t offset = 0; offset < 0x200; ++offset) {
        const DumpCell cell = DumpCellOf(offset, start);
        ASSERT_LE(static_cast<size_t>(cell.line), rows.size());
        const std::string& row = rows[static_cast<size_t>(cell.line - 1)];
        EXPECT_EQ(row.substr(static_cast<size_t>(cell.column), 2),
                  platform::StrPrintf("%02X", image[start + offset]))
            << offset;
    }
}

bool IsGrey(const QTextDocument* document, int line, int column) {
    QTextBlock block = document->findBlockByNumber(line);
    QTextCursor cursor(block);
    cursor.setPosition(block.position() + column + 1);
    return cursor.charFormat().background().color() == QColor(200, 200, 200);
}

TEST(BinaryEditCtrl, HighlightMarksTheBytesHexDigits) {
    uitest::EnsureApplication();
    std::vector<uint8_t> image = Counting(32);
    CBinaryEditCtrl view;
    view.resize(600, 200);
    view.InitUI();
    view.SetData(image.data(), nullptr, 32);
    view.ShowBinary();
    view.HighlightBytes(9, 2);
    const QTextDocument* document = view.document();
    EXPECT_FALSE(IsGrey(document, 2, 8));
    EXPECT_TRUE(IsGrey(document, 2, 11));
    EXPECT_TRUE(IsGrey(document, 2, 14));
    EXPECT_FALSE(IsGrey(document, 2, 17));
    EXPECT_FALSE(IsGrey(document, 1, 11));
    EXPECT_TRUE(view.font().fixedPitch());
    view.show();
    uitest::SaveScreenshot(&view, "detail-hexview-highlight");

    // Bytes beyond the rows shown are ignored; a redraw drops the highlight.
    view.HighlightBytes(4090, 20);
    view.ShowBinary();
    EXPECT_FALSE(IsGrey(view.document(), 2, 11));
}

// A field at 0x1FF05 of a 128 KiB image whose view starts at its last 256 bytes (rows 1FF00h onward):
// the dialog scrolls (5 / 8) + 1 whole lines and marks the field's two bytes.
TEST(BinaryEditCtrl, FieldNearTheEndOfA128KiBImage) {
    uitest::EnsureApplication();
    std::vector<uint8_t> image = Counting(0x20000);
    CBinaryEditCtrl view;
    view.resize(600, 100);
    view.InitUI();
    view.SetData(image.data(), image.data() + 0x1FF00, 0x20000);
    view.ShowBinary();
    view.show();
    uitest::PumpPending();
    const uint32_t field = 0x1FF05 - 0x1FF00;
    view.LineScroll(static_cast<int>(field / 8 + 1));
    view.HighlightBytes(field, 2);
    EXPECT_EQ(view.FirstVisibleLine(), 1);
    // The view's top edge is the top of that line: no part of the header shows above it.
    const QTextBlock first = view.document()->findBlockByNumber(1);
    EXPECT_EQ(view.verticalScrollBar()->value(),
              static_cast<int>(std::ceil(view.document()->documentLayout()->blockBoundingRect(first).top())));
    const QTextDocument* document = view.document();
    EXPECT_EQ(first.text().toStdString().substr(0, 9), "1FF00h:  ");
    // "1FF00h:  00 01 02 03 04 05 06 ...": byte 5 stands at columns 24 and 25, byte 6 at 27 and 28.
    std::string marked;
    for (int column = 0; column < first.length() - 1; ++column)
        marked += IsGrey(document, 1, column) ? 'x' : '.';
    EXPECT_EQ(marked.substr(20, 12), "....xx.xx...");
    uitest::SaveScreenshot(&view, "detail-hexview-128k-field-1FF05");

    // Further scrolls keep whole lines at the top; scrolling back up stops at the header.
    view.LineScroll(3);
    EXPECT_EQ(view.FirstVisibleLine(), 4);
    view.LineScroll(-10);
    EXPECT_EQ(view.FirstVisibleLine(), 0);
    EXPECT_EQ(view.verticalScrollBar()->value(), 0);
}

} // namespace
