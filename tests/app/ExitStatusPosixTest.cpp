#include "app/ExitStatus.h"

#include <gtest/gtest.h>

namespace {

// POSIX exit statuses: 8 bits, and 126-255 belong to the shell; on Windows the exit code is the whole
// result code.

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
