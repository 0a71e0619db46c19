// The flip fault over a range of calls: which reads of the entry come back with a bit flipped.
#include "tests/sim/SimFixture.h"

#include <gtest/gtest.h>

using namespace simtest;

namespace {

struct FlipRow {
    std::vector<std::string> args; // after the entry
    std::vector<bool> flipped;     // per read, in call order
};

class FlipFaultTest : public SimTest, public testing::WithParamInterface<FlipRow> {};

TEST_P(FlipFaultTest, FlipsTheCountedReads) {
    std::vector<std::string> args = {"fault", "0", "flip", "QDReadEeprom"};
    args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
    ASSERT_EQ(RunProgram(QUILLIX_SIM_TOOL, args).status, 0);
    std::vector<uint8_t> memory = Memory(0, "eeprom");
    uint32_t dev = Open(Lib().QDOpenVrkUsbStor, 0);
    std::vector<bool> flipped;
    for (size_t i = 0; i < GetParam().flipped.size(); ++i) {
        std::vector<uint8_t> data(16);
        EXPECT_EQ(Lib().QDReadEeprom(dev, 16, data.data(), 16), 1u);
        flipped.push_back(data != std::vector<uint8_t>(memory.begin(), memory.begin() + 16));
    }
    Lib().QDClose(dev);
    EXPECT_EQ(flipped, GetParam().flipped);
}

INSTANTIATE_TEST_SUITE_P(Counts, FlipFaultTest,
                         testing::Values(FlipRow{{}, {true, false}}, FlipRow{{"2"}, {true, true, false}},
                                         FlipRow{{"2", "1"}, {false, true, true, false}},
                                         FlipRow{{"0"}, {false}}));

} // namespace
