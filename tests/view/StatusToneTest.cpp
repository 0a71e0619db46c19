#include "view/update/StatusTone.h"
#include "app/Messages.h"
#include "view/update/StationRules.h"

#include <gtest/gtest.h>

namespace {

struct ToneCase {
    std::string text;
    bool busy;
    StatusTone tone;
};

class StatusToneTest : public testing::TestWithParam<ToneCase> {};

TEST_P(StatusToneTest, ColourFollowsWhatTheLineSays) {
    EXPECT_EQ(ToneOfStatus(GetParam().text, GetParam().busy), GetParam().tone) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, StatusToneTest,
    testing::Values(
        // The station's socket statuses.
        ToneCase{"Ready", false, StatusTone::Plain}, ToneCase{"N/A", false, StatusTone::Plain},
        ToneCase{"Not detect", false, StatusTone::Absent},
        ToneCase{kStatusUpdating, false, StatusTone::Updating},
        ToneCase{kStatusFinished, false, StatusTone::Finished},
        ToneCase{kStatusFailed, false, StatusTone::Failed},
        // The result lines of the one-button tools: message texts, alone or with the firmware below.
        ToneCase{LoadMessage(IDS_CHECK_DEVICE_INFO_SUCCEED) + "\n\nCurrent Firmware : 0120", false,
                 StatusTone::Finished},
        ToneCase{LoadMessage(IDS_DETECT_DEVICE_FAIL) + "\n\nCurrent Firmware : 0000", false,
                 StatusTone::Absent},
        ToneCase{LoadMessage(IDS_CHECK_DEVICE_INFO_FAIL), false, StatusTone::Failed},
        ToneCase{"Port 5 Check Device Info Fail!", false, StatusTone::Failed},
        ToneCase{LoadMessage(IDS_FW_UPDATE_SUCCEED), false, StatusTone::Finished},
        ToneCase{LoadMessage(IDS_ERASE_FLASH_FAIL), false, StatusTone::Failed},
        ToneCase{LoadMessage(IDS_MORE_THAN_ONE_DEVICE), false, StatusTone::Failed},
        // A running request shows as updating whatever the line said before.
        ToneCase{LoadMessage(IDS_CHECK_DEVICE_INFO_FAIL), true, StatusTone::Updating},
        ToneCase{"", false, StatusTone::Plain}));

} // namespace
