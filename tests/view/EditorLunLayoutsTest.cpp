#include "view/editor/LunLayouts.h"

#include <gtest/gtest.h>

#include <array>

namespace {

// Eight LUN bytes and the all-combo flag; the shift of the mask's lowest bit as the codec does it.
class FakeLuns : public ILunAccess {
public:
    uint8_t GetLunData(unsigned lun, uint8_t mask) const override {
        if (lun >= bytes.size() || mask == 0)
            return 0xFF;
        return static_cast<uint8_t>((bytes[lun] & mask) >> Shift(mask));
    }
    bool SetLunData(unsigned lun, uint8_t mask, uint8_t value) override {
        if (lun >= bytes.size())
            return false;
        ++writes;
        bytes[lun] = static_cast<uint8_t>((bytes[lun] & ~mask) | ((value << Shift(mask)) & mask));
        return true;
    }
    bool SetAllCombo(bool enable) override {
        allCombo = enable ? 1 : 0;
        return true;
    }
    static unsigned Shift(uint8_t mask) {
        unsigned shift = 0;
        while (!(mask & (1u << shift)))
            ++shift;
        return shift;
    }
    std::array<uint8_t, 8> bytes{};
    int allCombo = -1;
    int writes = 0;
};

enum : int { CF = 0, SM = 1, SD = 2, MS = 3, SD2 = 4, MS2 = 5 };

struct Click {
    int column;
    int row;
    bool checked;
};

// Clicks on the page's boxes through the page's column rule.
void ClickAll(CardLayout layout, CardGrid& grid, CardColumns& columns, std::initializer_list<Click> clicks) {
    for (const Click& click : clicks) {
        grid.bCard[click.column][click.row] = click.checked;
        if (IsTwoLunColumn(layout, click.column))
            ApplyTwoLunColumn(grid, columns, click.column, click.row, click.checked);
        else
            ApplyExclusiveColumn(grid, columns, click.column, click.row, click.checked);
    }
}

TEST(LunLayouts, MaxLunIsClampedToTheGrid) {
    EXPECT_EQ(ClampMaxLun(0), 0);
    EXPECT_EQ(ClampMaxLun(5), 5);
    EXPECT_EQ(ClampMaxLun(8), 8);
    EXPECT_EQ(ClampMaxLun(200), 8);
    EXPECT_EQ(ClampMaxLun(0xFFFFFFFF), 8);
}

TEST(LunLayouts, HugeMaxLunWritesNoMoreThanTheGrid) {
    FakeLuns luns;
    CardGrid grid;
    WriteCardLayout(CardLayout::BitPerCard, luns, ClampMaxLun(1000), 7, grid);
    EXPECT_EQ(luns.writes, 8 * 8);
}

struct ColumnCase {
    const char* name;
    CardLayout layout;
    int column;
    std::vector<Click> clicks;
    std::vector<int> tickedRows;
};

class ColumnRuleTest : public testing::TestWithParam<ColumnCase> {};

TEST_P(ColumnRuleTest, TickedRowsAfterClicks) {
    const ColumnCase& c = GetParam();
    CardGrid grid;
    CardColumns columns;
    for (const Click& click : c.clicks)
        ClickAll(c.layout, grid, columns, {click});
    std::vector<int> ticked;
    for (int row = 0; row < kLunGridRows; ++row)
        if (grid.bCard[c.column][row])
            ticked.push_back(row);
    EXPECT_EQ(ticked, c.tickedRows);
}

INSTANTIATE_TEST_SUITE_P(
    Clicks, ColumnRuleTest,
    testing::Values(
        ColumnCase{"CfMovesToNewRow", CardLayout::BitPerCard, CF, {{CF, 0, true}, {CF, 2, true}}, {2}},
        ColumnCase{"SdKeepsTwoRows", CardLayout::BitPerCard, SD, {{SD, 3, true}, {SD, 1, true}}, {1, 3}},
        ColumnCase{"ThirdSdDropsTheOldest",
                   CardLayout::BitPerCard,
                   SD,
                   {{SD, 3, true}, {SD, 1, true}, {SD, 4, true}},
                   {1, 4}},
        ColumnCase{"UntickedSdFreesItsRow",
                   CardLayout::BitPerCard,
                   MS,
                   {{MS, 3, true}, {MS, 1, true}, {MS, 3, false}, {MS, 0, true}},
                   {0, 1}},
        ColumnCase{"SocketsAreExclusive", CardLayout::SixSockets, SD2, {{SD2, 0, true}, {SD2, 4, true}}, {4}},
        ColumnCase{"PackedSdIsExclusive", CardLayout::Packed, SD, {{SD, 1, true}, {SD, 2, true}}, {2}}),
    [](const testing::TestParamInfo<ColumnCase>& info) { return std::string(info.param.name); });

TEST(LunLayouts, Page2SecondSdLunGetsTheHighBit) {
    FakeLuns luns;
    CardGrid grid;
    CardColumns columns;
    ClickAll(CardLayout::BitPerCard, grid, columns, {{SD, 3, true}, {SD, 1, true}});
    WriteCardLayout(CardLayout::BitPerCard, luns, 4, 3, grid);
    EXPECT_EQ(luns.bytes[1], 0x80 | 0x04);
    EXPECT_EQ(luns.bytes[3], 0x80 | 0x10);
    EXPECT_EQ(luns.allCombo, 0);
}

TEST(LunLayouts, Page2CfMoveClearsTheOldRow) {
    FakeLuns luns;
    luns.bytes[0] = 0x81;
    CardGrid grid;
    CardColumns columns;
    ReadCardLayout(CardLayout::BitPerCard, luns, 4, grid);
    ClickAll(CardLayout::BitPerCard, grid, columns, {{CF, 2, true}});
    WriteCardLayout(CardLayout::BitPerCard, luns, 4, 3, grid);
    EXPECT_EQ(luns.bytes[0] & 0x01, 0);
    EXPECT_EQ(luns.bytes[2] & 0x01, 0x01);
}

struct ComboCase {
    const char* name;
    int row;
    int selectedMaxLun;
    uint8_t comboBit;
    int allCombo;
};

class Page2ComboTest : public testing::TestWithParam<ComboCase> {};

TEST_P(Page2ComboTest, ComboBitAndAllComboFlag) {
    const ComboCase& c = GetParam();
    FakeLuns luns;
    CardGrid grid;
    grid.bCard[CF][c.row] = true;
    grid.bCard[SD][c.row] = true;
    WriteCardLayout(CardLayout::BitPerCard, luns, 4, c.selectedMaxLun, grid);
    EXPECT_EQ(luns.bytes[static_cast<size_t>(c.row)] & 0x40, c.comboBit);
    EXPECT_EQ(luns.allCombo, c.allCombo);
}

INSTANTIATE_TEST_SUITE_P(Rows, Page2ComboTest,
                         testing::Values(ComboCase{"RowWithinMaxLun", 0, 1, 0x40, 1},
                                         ComboCase{"RowAboveMaxLun", 2, 1, 0x40, 0}),
                         [](const testing::TestParamInfo<ComboCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(LunLayouts, Page2LunCountFromPresentBitsLimitedBySetting) {
    FakeLuns luns;
    luns.bytes = {0x80, 0x80, 0x80, 0x80, 0x80};
    CardGrid grid;
    EXPECT_EQ(ReadCardLayout(CardLayout::BitPerCard, luns, 8, grid), 4);
    EXPECT_EQ(ReadCardLayout(CardLayout::BitPerCard, luns, 3, grid), 2);
    EXPECT_EQ(ReadCardLayout(CardLayout::BitPerCard, luns, 0, grid), -1);
    luns.bytes = {};
    EXPECT_EQ(ReadCardLayout(CardLayout::BitPerCard, luns, 4, grid), 0);
}

TEST(LunLayouts, NoMaxLunWritesOnlyTheAllComboFlag) {
    for (CardLayout layout : {CardLayout::BitPerCard, CardLayout::SixSockets}) {
        FakeLuns luns;
        CardGrid grid;
        grid.bCard[CF][0] = true;
        WriteCardLayout(layout, luns, 0, -1, grid);
        EXPECT_EQ(luns.writes, 0);
        EXPECT_EQ(luns.allCombo, 0);
    }
}

TEST(LunLayouts, Page2MaxLunChangeSetsPresentBitsAndRecountsCombos) {
    FakeLuns luns;
    luns.bytes[1] = 0x01 | 0x10; // CF and a second SD on LUN 1
    WriteMaxLunChange(CardLayout::BitPerCard, luns, 1);
    EXPECT_EQ(luns.bytes[0], 0x80);
    EXPECT_EQ(luns.bytes[1], 0x80 | 0x11);
    EXPECT_EQ(luns.bytes[2], 0x00);
    EXPECT_EQ(luns.allCombo, 1);
    WriteMaxLunChange(CardLayout::BitPerCard, luns, 0);
    EXPECT_EQ(luns.allCombo, 0);
}

TEST(LunLayouts, Page3SixSocketBitsAndCombo) {
    FakeLuns luns;
    CardGrid grid;
    grid.bCard[SD2][0] = true;
    grid.bCard[MS2][0] = true;
    grid.bCard[SM][1] = true;
    WriteCardLayout(CardLayout::SixSockets, luns, 2, 1, grid);
    EXPECT_EQ(luns.bytes[0], 0x80 | 0x40 | 0x20 | 0x10);
    EXPECT_EQ(luns.bytes[1], 0x80 | 0x02);
    EXPECT_EQ(luns.allCombo, 1);
    CardGrid back;
    EXPECT_EQ(ReadCardLayout(CardLayout::SixSockets, luns, 2, back), 1);
    EXPECT_TRUE(back.bCard[SD2][0]);
    EXPECT_TRUE(back.bCard[SM][1]);
    EXPECT_FALSE(back.bCard[CF][0]);
}

struct PackedCase {
    int selectedMaxLun;
    int allCombo;
};

class Page4AllComboTest : public testing::TestWithParam<PackedCase> {};

TEST_P(Page4AllComboTest, AllComboWhenMoreThanOneLun) {
    FakeLuns luns;
    WriteMaxLunChange(CardLayout::Packed, luns, GetParam().selectedMaxLun);
    EXPECT_EQ(luns.allCombo, GetParam().allCombo);
    EXPECT_EQ(luns.bytes[0] & 0x03, GetParam().selectedMaxLun);
    CardGrid grid;
    EXPECT_EQ(ReadCardLayout(CardLayout::Packed, luns, 4, grid), GetParam().selectedMaxLun);
}

INSTANTIATE_TEST_SUITE_P(Entries, Page4AllComboTest,
                         testing::Values(PackedCase{0, 0}, PackedCase{1, 1}, PackedCase{2, 1},
                                         PackedCase{3, 1}));

TEST(LunLayouts, Page4PackedBits) {
    FakeLuns luns;
    CardGrid grid;
    grid.bCard[CF][0] = true;
    grid.bCard[SM][1] = true;
    grid.bCard[SD][2] = true;
    grid.bCard[MS][3] = true;
    WriteCardLayout(CardLayout::Packed, luns, 4, 3, grid);
    EXPECT_EQ(luns.bytes[0], 0x40);
    EXPECT_EQ(luns.bytes[1], 0x80);
    EXPECT_EQ(luns.bytes[2], 0x04);
    EXPECT_EQ(luns.bytes[3], 0x02);
    EXPECT_EQ(luns.allCombo, 1);
    EXPECT_FALSE(HasCardBox(CardLayout::Packed, CF, 1));
    EXPECT_TRUE(HasCardBox(CardLayout::Packed, SM, 4));
}

TEST(LunLayouts, Page6BothCardsSetTheComboBits) {
    FakeLuns luns;
    CardGrid grid;
    grid.bCard[SD][0] = true;
    grid.bCard[MS][0] = true;
    WriteCardLayout(CardLayout::SingleLun, luns, 1, 0, grid);
    EXPECT_EQ(luns.bytes[0], 0x04 | 0x08 | 0x40 | 0x80);
    grid.bCard[MS][0] = false;
    WriteCardLayout(CardLayout::SingleLun, luns, 1, 0, grid);
    EXPECT_EQ(luns.bytes[0], 0x04);
    EXPECT_EQ(ReadCardLayout(CardLayout::SingleLun, luns, 3, grid), 2);
    EXPECT_FALSE(HasCardBox(CardLayout::SingleLun, SM, 0));
}

struct ModeCase {
    const char* name;
    std::vector<std::string> suffixes;
    const char* entry;
};

class InquiryModeTest : public testing::TestWithParam<ModeCase> {};

TEST_P(InquiryModeTest, EntryText) {
    EXPECT_EQ(InquiryModeEntry(GetParam().suffixes), GetParam().entry);
}

INSTANTIATE_TEST_SUITE_P(
    Suffixes, InquiryModeTest,
    testing::Values(ModeCase{"TwoNames", {"-SD     ", "-MS     ", "", "", ""}, "2-LUN SD MS"},
                    ModeCase{"NumberedOnly", {"-0  ", "-1", "-2 x", "-3", "-4"}, "N/A"},
                    ModeCase{"AllEmpty", {"", "    ", "", "", ""}, "N/A"},
                    ModeCase{"DashAlone", {"-", "-CF-XD", "", "", ""}, "1-LUN CF XD"}),
    [](const testing::TestParamInfo<ModeCase>& info) { return std::string(info.param.name); });

TEST(LunLayouts, InquiryPreviewPadsAndAppliesTheLunString) {
    EXPECT_EQ(InquiryPreview("ABC", InquiryProduct16("Reader"), "1", ""), "ABC      Reader           1   ");
    EXPECT_EQ(InquiryPreview("ABCDEFGH", "Multi Reader -SD", "1.00", "-CF"),
              "ABCDEFGH Multi Reader -CF 1.00");
    EXPECT_EQ(InquiryProduct16("A product name longer"), "A product name l");
}

TEST(LunLayouts, LunStringOffsetSkipsEarlierStrings) {
    EXPECT_EQ(StringAreaSize(""), 0u);
    EXPECT_EQ(StringAreaSize("abc"), 5u);
    // 0x40 + (4+2) + (6+2) + 0 + (2+2) for LUN 0's string, then LUN 1 follows it.
    EXPECT_EQ(LunStringOffset(0x40, {"Acme", "Reader", ""}, {"-A", "", "-C"}, 0), 0x40u + 14);
    EXPECT_EQ(LunStringOffset(0x40, {"Acme", "Reader", ""}, {"-A", "", "-C"}, 2), 0x40u + 18);
}

} // namespace
