#include "app/Messages.h"
#include "app/ExitStatus.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(MessageTable, IsSortedWithoutDuplicatesSoLookUpsFindEveryEntry) {
    auto table = MessageTable();
    ASSERT_FALSE(table.empty());
    for (size_t i = 1; i < table.size(); ++i)
        EXPECT_LT(table[i - 1].id, table[i].id) << "at index " << i;
    for (const MessageString& entry : table)
        EXPECT_EQ(LoadMessage(entry.id), entry.text) << entry.id;
}

struct LookUpCase {
    uint32_t id;
    const char* text;
};

class LoadMessageTest : public testing::TestWithParam<LookUpCase> {};

TEST_P(LoadMessageTest, GivesTheStoredText) {
    EXPECT_EQ(LoadMessage(GetParam().id), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LoadMessageTest,
    testing::Values(
        LookUpCase{41500, "Not Support!"},
        LookUpCase{41513, "Detected more than one device!\n\nPlease Remove or Disable some readers."},
        LookUpCase{41542, "Cann't find correct option"}, LookUpCase{41654, "Download EFUSE Code Succeed."},
        LookUpCase{41907, "Can't Find Suitable FW File!"}, LookUpCase{42013, "Serial Flash"},
        LookUpCase{43031,
                   "1  Read EFUSE Data.\n2  Verify whether the data is initial state or not.\n3  Quillix "
                   "will return succeed if all data is 0xFF except some mask bits."},
        LookUpCase{43063,
                   "1  Save binary file include FW Code and Vendor Info.\n2  This button is same as the "
                   "Save ... button below."},
        // Identifiers without a string, including gaps inside the families and the table's neighbours.
        LookUpCase{0, ""}, LookUpCase{41499, ""}, LookUpCase{41503, ""}, LookUpCase{41605, ""},
        LookUpCase{42004, ""}, LookUpCase{42022, ""}, LookUpCase{43064, ""}, LookUpCase{0xFFFFFFFF, ""}));

TEST(MessageTable, HoldsExactlyTheListedIdentifiers) {
    const std::set<uint32_t> expected = {
        41500, 41501, 41502, 41511, 41512, 41513, 41522, 41523, 41530, 41531, 41541, 41542, 41601, 41602,
        41603, 41604, 41606, 41651, 41653, 41654, 41655, 41701, 41702, 41704, 41705, 41706, 41707, 41708,
        41709, 41743, 41744, 41751, 41752, 41753, 41754, 41755, 41801, 41804, 41805, 41806, 41851, 41852,
        41853, 41854, 41901, 41902, 41903, 41904, 41905, 41906, 41907, 42000, 42001, 42002, 42003, 42010,
        42011, 42012, 42013, 42020, 42021, 43001, 43031, 43061, 43062, 43063};
    std::set<uint32_t> actual;
    for (const MessageString& entry : MessageTable())
        actual.insert(entry.id);
    EXPECT_EQ(actual, expected);
}

struct NameCase {
    uint32_t value;
    const char* shortName;
    const char* longName;
    const char* caption;
};

class MemoryKindNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(MemoryKindNameTest, ShortLongAndCaption) {
    EXPECT_EQ(MemoryKindShortName(GetParam().value), GetParam().shortName);
    EXPECT_EQ(MemoryKindLongName(GetParam().value), GetParam().longName);
    EXPECT_EQ(ResultCaption(GetParam().value), GetParam().caption);
}

// A kind beyond the four must not borrow the next table's names (42000 + 10 is a long name).
INSTANTIATE_TEST_SUITE_P(Kinds, MemoryKindNameTest,
                         testing::Values(NameCase{EFUSE, "Efuse", "EFUSE", "ReaderEfuse"},
                                         NameCase{FLASH, "FF", "FLASH", "ReaderFF"},
                                         NameCase{EEPROM, "EE", "EEPROM", "ReaderEE"},
                                         NameCase{SERIALFLASH, "SF", "Serial Flash", "ReaderSF"},
                                         NameCase{4, "", "", "Reader"}, NameCase{10, "", "", "Reader"}));

TEST(BusNames, KnownBusesAndNothingBeyond) {
    EXPECT_EQ(BusName(USB), "USB");
    EXPECT_EQ(BusName(PCIE), "PCIE");
    EXPECT_EQ(BusName(2), "");
}

TEST(ResultCaption, SuccessCaptionCarriesElapsedMilliseconds) {
    EXPECT_EQ(ResultCaptionWithTime(EFUSE, 1234), "ReaderEfuse - 1234 ms");
    EXPECT_EQ(ResultCaptionWithTime(FLASH, 0), "ReaderFF - 0 ms");
    // A tick difference is unsigned: a long run never shows a negative time.
    EXPECT_EQ(ResultCaptionWithTime(EEPROM, 0x80000000u), "ReaderEE - 2147483648 ms");
}

struct StatusCase {
    ResultCode code;
    int status;
};

class ExitStatusTest : public testing::TestWithParam<StatusCase> {};

TEST_P(ExitStatusTest, MapsIntoItsFamily) {
    EXPECT_EQ(ExitStatusForResult(GetParam().code), GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(Families, ExitStatusTest,
                         testing::Values(StatusCase{0, 0}, StatusCase{41500, 10}, StatusCase{41511, 21},
                                         StatusCase{41530, 40}, StatusCase{41539, 49}, StatusCase{41600, 50},
                                         StatusCase{41602, 52}, StatusCase{41609, 59}, StatusCase{41700, 60},
                                         StatusCase{41706, 66}, StatusCase{41709, 69}, StatusCase{41740, 70},
                                         StatusCase{41743, 73}, StatusCase{41749, 79}, StatusCase{41800, 80},
                                         StatusCase{41806, 86}, StatusCase{41809, 89}, StatusCase{41900, 90},
                                         StatusCase{41905, 95}, StatusCase{41909, 99},
                                         // Outside every family: never 0, never a shell's reserved range.
                                         StatusCase{1, 1}, StatusCase{41499, 1}, StatusCase{41540, 1},
                                         StatusCase{41599, 1}, StatusCase{41610, 1}, StatusCase{41651, 1},
                                         StatusCase{41710, 1}, StatusCase{41739, 1}, StatusCase{41750, 1},
                                         StatusCase{41810, 1}, StatusCase{41910, 1}, StatusCase{42000, 1},
                                         StatusCase{256, 1}, StatusCase{0xFFFFFFFF, 1}));

TEST(ExitStatus, NoNonZeroCodeEndsWithStatusZeroOrAboveNinetyNine) {
    for (ResultCode code = 1; code < 50000; ++code) {
        int status = ExitStatusForResult(code);
        ASSERT_GE(status, 1) << code;
        ASSERT_LE(status, 99) << code;
    }
}

TEST(ResultReport, TextAndFullCodeOnOneLine) {
    EXPECT_EQ(ResultReport(41511),
              "quillix: Detect Device Fail! Please Insert Card Reader or Insert one Card "
              "if auto-delink function is enable. (41511)");
    EXPECT_EQ(ResultReport(41500), "quillix: Not Support! (41500)");
    EXPECT_EQ(ResultReport(12), "quillix: result code 12");
}

} // namespace
