#include "app/Messages.h"

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

} // namespace
