#include "ui/editor/AdvnProp.h"

#include <gtest/gtest.h>

namespace {

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
