// A reader that shows a zero firmware key for a counted number of status reads, from the moment the
// key is set and again after every reset.
#include "tests/sim/SimFixture.h"

#include <array>

namespace simtest {
namespace {

class ZeroKeyTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        SimOk({"init", "flash-usb"});
        SimOk({"set", "0", "status.7", "0x84"});
        SimOk({"set", "0", "status.8", "0x12"});
        SimOk({"set", "0", "ext.0", "0x00"});
        SimOk({"set", "0", "ext.1", "0x03"});
    }
    // The firmware key of one status read and the extended read that follows it.
    static uint32_t Key(uint32_t dev) {
        std::array<uint8_t, 16> status{};
        std::array<uint8_t, 32> ext{};
        EXPECT_EQ(Lib().QDReadStatus(dev, status.data(), 16), 1u);
        EXPECT_EQ(Lib().QDPpStatus(dev, ext.data(), 32), 1u);
        return static_cast<uint32_t>(status[7] << 24 | status[8] << 16 | ext[0] << 8 | ext[1]);
    }
    static uint32_t OpenDisk() { return Open(Lib().QDOpenVrkUsbDisk, 0); }
};

TEST_F(ZeroKeyTest, KeyIsZeroForTheCountedReadsThenShows) {
    SimOk({"set", "0", "zero-key-reads", "2"});
    uint32_t dev = OpenDisk();
    ASSERT_NE(dev, 0u);
    EXPECT_EQ(Key(dev), 0u);
    EXPECT_EQ(Key(dev), 0u);
    EXPECT_EQ(Key(dev), 0x84120003u);
    EXPECT_EQ(Key(dev), 0x84120003u);
    Lib().QDClose(dev);
}

TEST_F(ZeroKeyTest, EveryResetStartsTheCountAgain) {
    SimOk({"set", "0", "zero-key-reads", "1"});
    for (int round = 0; round < 2; ++round) {
        uint32_t dev = OpenDisk();
        ASSERT_NE(dev, 0u);
        EXPECT_EQ(Key(dev), 0u) << round;
        EXPECT_EQ(Key(dev), 0x84120003u) << round;
        uint8_t block[16] = {};
        ASSERT_EQ(Lib().QDResetRom(dev, block, sizeof(block)), 1u);
        Lib().QDClose(dev);
    }
}

TEST_F(ZeroKeyTest, ZeroCountLeavesTheKeyAlone) {
    SimOk({"set", "0", "zero-key-reads", "0"});
    uint32_t dev = OpenDisk();
    uint8_t block[16] = {};
    ASSERT_EQ(Lib().QDResetRom(dev, block, sizeof(block)), 1u);
    Lib().QDClose(dev);
    dev = OpenDisk();
    ASSERT_NE(dev, 0u);
    EXPECT_EQ(Key(dev), 0x84120003u);
    Lib().QDClose(dev);
}

} // namespace
} // namespace simtest
