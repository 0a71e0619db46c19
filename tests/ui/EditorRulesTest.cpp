#include "ui/editor/AdvnProp.h"
#include "ui/editor/DetailDlgRules.h"
#include "ui/editor/VendorFile.h"

#include <gtest/gtest.h>

namespace {

// ---- vendor file ----

std::vector<uint8_t> FileWith(size_t size, size_t at, uint8_t first, uint8_t second) {
    std::vector<uint8_t> file(size, 0x00);
    if (at + 1 < size) {
        file[at] = first;
        file[at + 1] = second;
    }
    return file;
}

struct LocateCase {
    const char* name;
    std::vector<uint8_t> file;
    std::optional<size_t> offset;
};

class LocateVendorBlockTest : public testing::TestWithParam<LocateCase> {};

TEST_P(LocateVendorBlockTest, Offset) {
    EXPECT_EQ(LocateVendorBlock(GetParam().file), GetParam().offset);
}

INSTANTIATE_TEST_SUITE_P(
    Files, LocateVendorBlockTest,
    testing::Values(
        LocateCase{"EepromSignature1008", FileWith(128, 0, 0x10, 0x08), 0},
        LocateCase{"EepromSignature080B", FileWith(256, 0, 0x08, 0x0B), 0},
        LocateCase{"SmallFileWithFlashSignature", FileWith(128, 0, 0x55, 0xAA), std::nullopt},
        LocateCase{"ShorterThanABlock", FileWith(100, 0, 0x10, 0x08), std::nullopt},
        LocateCase{"EmptyFile", {}, std::nullopt},
        LocateCase{"FlashSignatureAtFirstCandidate", FileWith(0x20000, 0x1FF00, 0xAA, 0x55), 0x1FF00},
        LocateCase{"FlashSignatureFarDown", FileWith(0x20000, 0x10000, 0x55, 0xAA), 0x10000},
        LocateCase{"LargerFileSignatureAtSizeMinus256", FileWith(300, 44, 0x55, 0xAA), 44},
        LocateCase{"OffGridSignatureIsNotFound", FileWith(0x20000, 0x10001, 0x55, 0xAA), std::nullopt}),
    [](const testing::TestParamInfo<LocateCase>& info) { return std::string(info.param.name); });

TEST(VendorFile, MergeKeepsTheImageSignature) {
    std::vector<uint8_t> image(0x400, 0x11);
    std::vector<uint8_t> file(128);
    for (size_t i = 0; i < file.size(); ++i)
        file[i] = static_cast<uint8_t>(i);
    ASSERT_TRUE(MergeVendorBlock(image.data(), image.size(), 0x200, file, 0));
    EXPECT_EQ(image[0x200], 0x11);
    EXPECT_EQ(image[0x201], 0x11);
    EXPECT_EQ(image[0x202], 2);
    EXPECT_EQ(image[0x27F], 127);
    EXPECT_EQ(image[0x280], 0x11);
}

TEST(VendorFile, MergeRefusesBlocksOutsideTheirBuffers) {
    std::vector<uint8_t> image(0x100, 0x11);
    const std::vector<uint8_t> before = image;
    EXPECT_FALSE(MergeVendorBlock(image.data(), image.size(), 0x81, std::vector<uint8_t>(128), 0));
    EXPECT_FALSE(MergeVendorBlock(image.data(), image.size(), 0, std::vector<uint8_t>(127), 0));
    EXPECT_FALSE(MergeVendorBlock(image.data(), image.size(), 0, std::vector<uint8_t>(300), 200));
    EXPECT_EQ(image, before);
}

TEST(VendorFile, TargetAddsPreOffsetOnlyWithIniFiles) {
    EXPECT_EQ(VendorBlockTarget(0x1000, 0x800, 0x10, true), 0x810u);
    EXPECT_EQ(VendorBlockTarget(0x1000, 0x800, 0x10, false), 0x800u);
    EXPECT_EQ(VendorBlockTarget(0x1000, std::nullopt, 0, true), std::nullopt);
    EXPECT_EQ(VendorBlockTarget(0x1000, 0xF90, 0, true), std::nullopt);
    EXPECT_EQ(VendorBlockTarget(0x1000, 0xF80, 0, true), 0xF80u);
}

// ---- detail dialog ----

TEST(DetailDlgRules, PagesForUiType) {
    EXPECT_EQ(DetailPagesForUiType(0), (std::vector<int>{1}));
    EXPECT_EQ(DetailPagesForUiType(9), (std::vector<int>{1, 2, 5}));
    EXPECT_EQ(DetailPagesForUiType(31), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(DetailPagesForUiType(0x20), (std::vector<int>{1}));
}

TEST(DetailDlgRules, SelectStringSearchesFromTheSecondEntryAndWraps) {
    const std::vector<std::string> names = {"chip.ini", "CHIP2.ini", "other.ini"};
    EXPECT_EQ(SelectStringIndex(names, "chip"), 1);
    EXPECT_EQ(SelectStringIndex(names, "chip.INI"), 0);
    EXPECT_EQ(SelectStringIndex(names, "OTHER.ini"), 2);
    EXPECT_EQ(SelectStringIndex(names, "gone.ini"), -1);
    EXPECT_EQ(SelectStringIndex({}, "chip.ini"), -1);
}

TEST(DetailDlgRules, Caption) {
    EXPECT_EQ(DetailCaption(""), "Detail Config");
    EXPECT_EQ(DetailCaption("QX3000"), "Detail Config - QX3000");
}

// ---- advanced property page ----

PropertyLayout Property(uint8_t dataMode, std::vector<std::string> options,
                        std::vector<uint32_t> optionData = {}, uint8_t funMode = 0) {
    PropertyLayout property{};
    property.field = {kAddrModeAbsolute, 0, 0xFF, dataMode};
    property.funEnable = {funMode, 0, 0};
    property.options = std::move(options);
    property.optionData = std::move(optionData);
    return property;
}

struct NumberCase {
    uint32_t value;
    uint8_t dataMode;
    const char* text;
};

class PropertyNumberTest : public testing::TestWithParam<NumberCase> {};

TEST_P(PropertyNumberTest, Formats) {
    EXPECT_EQ(FormatPropertyNumber(GetParam().value, GetParam().dataMode), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, PropertyNumberTest,
    testing::Values(NumberCase{5, 10, "0x05 (5)"}, NumberCase{0x1234, 21, "0x1234 (4660)"},
                    NumberCase{0x80, 13, "0x80 (-128)"}, NumberCase{0x7F, 13, "0x7F (127)"},
                    NumberCase{0x1FF, 13, "0xFF (-1)"}, NumberCase{0xFFFE, 23, "0xFFFE (-2)"},
                    NumberCase{0x7FFF, 24, "0x7FFF (32767)"}, NumberCase{0x12345, 23, "0x2345 (0)"}));

struct DisplayCase {
    const char* name;
    uint32_t showStyle;
    uint8_t funMode;
    uint32_t enable;
    const char* text;
    std::optional<Rgb> colour;
};

class PropertyDisplayTest : public testing::TestWithParam<DisplayCase> {};

TEST_P(PropertyDisplayTest, TextAndColour) {
    const DisplayCase& c = GetParam();
    PropertyLayout property = Property(10, {"Off", "On"}, {}, c.funMode);
    PropertyDisplay display = DisplayProperty(property, 1, c.enable, c.showStyle, "Depends on FW", "none");
    EXPECT_EQ(display.text, c.text);
    EXPECT_EQ(display.background, c.colour);
}

INSTANTIATE_TEST_SUITE_P(
    ShowStyles, PropertyDisplayTest,
    testing::Values(DisplayCase{"Style0Off", 0, 11, 0, "On", std::nullopt},
                    DisplayCase{"Style1Off", 1, 11, 0, "On", kNotInEffectColour},
                    DisplayCase{"Style1On", 1, 11, 1, "On", kInEffectColour},
                    DisplayCase{"Style2Off", 2, 11, 0, "Depends on FW", std::nullopt},
                    DisplayCase{"Style3Off", 3, 11, 0, "Depends on FW", kNotInEffectColour},
                    DisplayCase{"Style3Mode12EnableZero", 3, 12, 0, "On", kInEffectColour},
                    DisplayCase{"Style3Mode12EnableOne", 3, 12, 1, "Depends on FW", kNotInEffectColour},
                    DisplayCase{"Style3Mode0", 3, 0, 7, "On", kInEffectColour}),
    [](const testing::TestParamInfo<DisplayCase>& info) { return std::string(info.param.name); });

TEST(AdvnProp, OptionsAndOptionData) {
    PropertyLayout plain = Property(10, {"A", "B", "C"});
    EXPECT_EQ(DisplayProperty(plain, 2, 0, 0, "", "none").text, "C");
    EXPECT_EQ(DisplayProperty(plain, 3, 0, 0, "", "none").text, "none");

    PropertyLayout data = Property(21, {"Slow", "Fast"}, {0x100, 0x200});
    EXPECT_EQ(DisplayProperty(data, 0x200, 0, 0, "", "none").text, "Fast");
    // A value no option carries keeps its raw number, so a small one still names an option.
    EXPECT_EQ(DisplayProperty(data, 1, 0, 0, "", "none").text, "Fast");
    EXPECT_EQ(DisplayProperty(data, 0x300, 0, 0, "", "none").text, "none");
    EXPECT_EQ(PropertyValueToStore(data, ParsePropertyText(data, "Slow")), 0x100u);
    EXPECT_EQ(PropertyValueToStore(data, ParsePropertyText(data, "unknown")), 0x200u);
    EXPECT_EQ(PropertyValueToStore(plain, ParsePropertyText(plain, "B")), 1u);
}

TEST(AdvnProp, FreeTextParsesTheLeadingNumber) {
    PropertyLayout free = Property(10, {});
    EXPECT_EQ(ParsePropertyText(free, "0x1F (31)"), 0x1Fu);
    EXPECT_EQ(ParsePropertyText(free, "17"), 17u);
    EXPECT_EQ(ParsePropertyText(free, "017"), 15u);
    EXPECT_EQ(ParsePropertyText(free, "text"), 0u);
}

TEST(AdvnProp, HighlightLengthByDataMode) {
    EXPECT_EQ(PropertyHighlightLength(13), 1u);
    EXPECT_EQ(PropertyHighlightLength(24), 2u);
    EXPECT_EQ(PropertyHighlightLength(34), 3u);
    EXPECT_EQ(PropertyHighlightLength(42), 4u);
}

TEST(AdvnProp, FindWrapsAndIgnoresCase) {
    const std::vector<std::string> names = {"USB SPEED", "Led Mode", "usb power", "Card detect"};
    EXPECT_EQ(FindPropertyName(names, -1, "usb"), 0);
    EXPECT_EQ(FindPropertyName(names, 0, "usb"), 2);
    EXPECT_EQ(FindPropertyName(names, 2, "usb"), 0);
    EXPECT_EQ(FindPropertyName(names, 1, ""), 2);
    EXPECT_EQ(FindPropertyName(names, 3, ""), 0);
    EXPECT_EQ(FindPropertyName(names, 0, "missing"), -1);
    EXPECT_EQ(FindPropertyName({}, -1, "x"), -1);
}

} // namespace
