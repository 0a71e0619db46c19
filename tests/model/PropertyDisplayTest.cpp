#include "model/PropertyDisplay.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

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

} // namespace
