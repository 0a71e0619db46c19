#include "ui/editor/SelectString.h"

#include <gtest/gtest.h>

namespace {

TEST(SelectString, SearchesFromTheSecondEntryAndWraps) {
    const std::vector<std::string> names = {"chip.ini", "CHIP2.ini", "other.ini"};
    EXPECT_EQ(SelectStringIndex(names, "chip"), 1);
    EXPECT_EQ(SelectStringIndex(names, "chip.INI"), 0);
    EXPECT_EQ(SelectStringIndex(names, "OTHER.ini"), 2);
    EXPECT_EQ(SelectStringIndex(names, "gone.ini"), -1);
    EXPECT_EQ(SelectStringIndex({}, "chip.ini"), -1);
}

} // namespace
