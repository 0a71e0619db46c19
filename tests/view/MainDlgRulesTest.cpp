#include "view/main/MainDlgRules.h"
#include "model/ProjectTypes.h"

#include <gtest/gtest.h>

// How gtest prints a row that does not match.
void PrintTo(const ButtonStates& s, std::ostream* os) {
    std::ostream& out = *os;
    out << "read " << s.bRead << " update " << s.bUpdate << (s.bUpdateIsCancel ? " (Cancel)" : "")
        << " devEdits " << s.bDeviceEdits << " browse " << s.bBrowse << " download " << s.bDownload
        << (s.bDownloadIsCancel ? " (Cancel)" : "") << " fileEdits " << s.bFileEdits;
}

namespace {

struct ButtonCase {
    const char* name;
    ButtonInputs in;
    ButtonStates out;
};

// Inputs: devBusy, downBusy, uploadValid, detailShown, hasPath, fileValid.
// Outputs: read, update, updateIsCancel, deviceEdits, browse, download, downloadIsCancel, fileEdits.
const ButtonCase kButtonCases[] = {
    {"IdleNothingLoaded",
     {false, false, false, false, false, false},
     {true, false, false, false, true, false, false, false}},
    {"IdleValidImageAndFile",
     {false, false, true, false, true, true},
     {true, true, false, true, true, true, false, true}},
    {"IdlePathButFileInvalid",
     {false, false, true, false, true, false},
     {true, true, false, true, true, true, false, false}},
    {"DeviceRequestRunning",
     {true, false, true, false, true, true},
     {false, true, true, false, false, false, false, false}},
    {"DeviceRequestWithoutValidImageStillCancels",
     {true, false, false, false, true, true},
     {false, true, true, false, false, false, false, false}},
    {"DownloadRunning",
     {false, true, true, false, true, true},
     {false, false, false, false, false, true, true, false}},
    {"LibraryUnusable",
     {true, true, true, false, true, true},
     {false, false, true, false, false, false, true, false}},
    {"DetailShownLocksFilePanel",
     {false, false, true, true, true, true},
     {true, true, false, true, false, false, false, false}},
};

class SetButtonsTable : public testing::TestWithParam<ButtonCase> {};

TEST_P(SetButtonsTable, EnablesAndLabelsTheControls) {
    EXPECT_EQ(ComputeButtonStates(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(MainDialog, SetButtonsTable, testing::ValuesIn(kButtonCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct LayoutCase {
    const char* name;
    uint32_t kind;
    uint32_t bus;
    uint32_t customizeUI;
    bool hasDetail;
    MainLayout out;
};

// Outputs: string rows, VID label, PID label, erase button, tooltip, ">" button, device panel, versions.
const LayoutCase kLayoutCases[] = {
    {"EfuseUsb", EFUSE, USB, 0, true, {false, "VID", "PID", "Check", true, true, true, false}},
    {"EfusePcie", EFUSE, PCIE, 0, false, {false, "SSVID", "SSDID", "Check", true, false, true, false}},
    {"EepromUsb", EEPROM, USB, 0, true, {true, "VID", "PID", "Erase", false, true, true, false}},
    {"EepromPcie", EEPROM, PCIE, 0, true, {false, "SSVID", "SSDID", "Erase", false, true, true, false}},
    {"FlashUsb", FLASH, USB, 0, false, {true, "VID", "PID", "Erase", false, false, true, true}},
    {"SerialFlashUsb", SERIALFLASH, USB, 7, true, {true, "VID", "PID", "Erase", false, true, true, false}},
    {"DownloadOnly", EEPROM, USB, 2, true, {true, "VID", "PID", "Erase", false, false, false, false}},
};

class MainLayoutTable : public testing::TestWithParam<LayoutCase> {};

TEST_P(MainLayoutTable, FollowsMemoryKindBusAndForm) {
    const LayoutCase& c = GetParam();
    MainLayout layout = ComputeMainLayout(c.kind, c.bus, c.customizeUI, c.hasDetail);
    EXPECT_EQ(layout.bStringRows, c.out.bStringRows);
    EXPECT_STREQ(layout.pszVidLabel, c.out.pszVidLabel);
    EXPECT_STREQ(layout.pszPidLabel, c.out.pszPidLabel);
    EXPECT_STREQ(layout.pszEraseButton, c.out.pszEraseButton);
    EXPECT_EQ(layout.bCheckTooltip, c.out.bCheckTooltip);
    EXPECT_EQ(layout.bDetailToggle, c.out.bDetailToggle);
    EXPECT_EQ(layout.bDevicePanel, c.out.bDevicePanel);
    EXPECT_EQ(layout.bVersionStatics, c.out.bVersionStatics);
}

INSTANTIATE_TEST_SUITE_P(MainDialog, MainLayoutTable, testing::ValuesIn(kLayoutCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MainDialogTexts, GroupCaptionsUseTheLongKindName) {
    EXPECT_EQ(DeviceGroupCaption(EFUSE), "EFUSE From Corvane Card Reader");
    EXPECT_EQ(FileGroupCaption(SERIALFLASH), "Serial Flash From Binary File");
}

TEST(MainDialogTexts, IdentifiersAndVersions) {
    EXPECT_EQ(FormatId(0x0bda), "0BDA");
    EXPECT_EQ(FormatId(0x7), "0007");
    EXPECT_EQ(VersionText(0x1A2), "Ver: 01A2");
    EXPECT_EQ(VersionText(std::nullopt), "Ver: N/A");
}

struct HexCase {
    const char* text;
    uint16_t value;
};

class ParseHexTable : public testing::TestWithParam<HexCase> {};

TEST_P(ParseHexTable, TakesUpToFourLeadingDigits) {
    EXPECT_EQ(ParseHexId(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(MainDialog, ParseHexTable,
                         testing::Values(HexCase{"", 0}, HexCase{"0bda", 0x0BDA}, HexCase{"FFFF", 0xFFFF},
                                         HexCase{"12", 0x12}, HexCase{"12345", 0x1234}, HexCase{"1x2", 0x1},
                                         HexCase{"zz", 0}));

struct HighlightCase {
    const char* name;
    VendorField field;
    uint8_t recorded;
    size_t manufacturer, product, serial;
    DetailHighlight out;
};

const HighlightCase kHighlightCases[] = {
    {"Vid", VendorField::Vid, 2, 7, 16, 12, {2, 2}},
    {"Pid", VendorField::Pid, 4, 0, 0, 0, {4, 2}},
    {"Manufacturer", VendorField::Manufacturer, 9, 7, 16, 12, {9, 9}},
    {"EmptyManufacturer", VendorField::Manufacturer, 9, 0, 16, 12, {9, 0}},
    {"Product", VendorField::Product, 9, 7, 16, 12, {18, 18}},
    {"Serial", VendorField::SerialNumber, 9, 7, 16, 12, {36, 14}},
    {"SerialWrapsAt256", VendorField::SerialNumber, 250, 3, 2, 1, {3, 3}},
    {"EmptySerial", VendorField::SerialNumber, 9, 7, 16, 0, {36, 0}},
};

class DetailHighlightTable : public testing::TestWithParam<HighlightCase> {};

TEST_P(DetailHighlightTable, PointsAtTheChangedField) {
    const HighlightCase& c = GetParam();
    DetailHighlight h = ComputeDetailHighlight(c.field, c.recorded, c.manufacturer, c.product, c.serial);
    EXPECT_EQ(h.dwPosition, c.out.dwPosition);
    EXPECT_EQ(h.dwLength, c.out.dwLength);
}

INSTANTIATE_TEST_SUITE_P(MainDialog, DetailHighlightTable, testing::ValuesIn(kHighlightCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
