// The simulated EFUSE as the chip guards it: the register generation's programming conditions and
// busy polls, and the regulator setting that weak fuses need.
#include "tests/sim/SimFixture.h"

#include <array>

namespace simtest {
namespace {

class EfuseAccessTest : public SimTest {
protected:
    static const SimLibrary& L() { return Lib(); }
    void Start(const std::string& preset) {
        SimOk({"init", preset});
        m_dev = Open(L().QDOpenVrkUsbStor, 0);
        ASSERT_NE(m_dev, 0u);
    }
    void TearDown() override {
        L().QDClose(m_dev);
        SimTest::TearDown();
    }
    uint8_t Reg(uint16_t address) {
        uint8_t value = 0;
        EXPECT_EQ(L().QDReadMem(m_dev, address, 1, &value, 1), 1u);
        return value;
    }
    void SetReg(uint16_t address, uint8_t value) {
        EXPECT_EQ(L().QDWriteMem(m_dev, address, 1, &value, 1), 1u);
    }
    // Loads one voltage latch the way the tool does: value, selector, strobe 0, 0, 1.
    void LoadLatch(uint8_t select, uint8_t value) {
        SetReg(0xFE41, value);
        SetReg(0xFE40, select);
        SetReg(0xFE42, 0x00);
        SetReg(0xFE42, 0x00);
        SetReg(0xFE42, 0x01);
    }
    // Runs a command and returns how many polls read busy before it was done (at most 64).
    int RunCommand(uint8_t command) {
        SetReg(0xFE7D, command);
        int busy = 0;
        while (busy < 64 && (Reg(0xFE7D) & 0x80))
            ++busy;
        return busy;
    }
    uint32_t m_dev = 0;
};

TEST_F(EfuseAccessTest, CommandsReadBusyForTwoPolls) {
    Start("efuse-usb-reg");
    EXPECT_EQ(RunCommand(0x85), 2);
    EXPECT_EQ(Reg(0xFE7E), 0xFF);
    EXPECT_EQ(RunCommand(0xA5), 2);
}

TEST_F(EfuseAccessTest, RegisterProgrammingNeedsBothLatchesAndTheEnable) {
    struct Case {
        uint8_t latchA, latchB, enable;
        bool burns;
    } cases[] = {
        {0xB8, 0xB8, 0xFC, true},  {0x38, 0xB8, 0xFC, false}, {0xB8, 0x38, 0xFC, false},
        {0xB8, 0xB8, 0xFF, false}, {0x00, 0x00, 0xFC, false}, // no voltage sequence at all
    };
    for (const Case& c : cases) {
        Start("efuse-usb-reg");
        if (c.latchA)
            LoadLatch(0x02, c.latchA);
        if (c.latchB)
            LoadLatch(0x0C, c.latchB);
        SetReg(0xFD7A, c.enable);
        EXPECT_EQ(Reg(0xFE43), c.latchA);
        EXPECT_EQ(Reg(0xFE44), c.latchB);
        SetReg(0xFE7E, 0x5A);
        EXPECT_EQ(RunCommand(0xA3), 2);
        EXPECT_EQ(Memory(0, "efuse")[3], c.burns ? 0x5A : 0xFF)
            << std::hex << int(c.latchA) << " " << int(c.latchB) << " " << int(c.enable);
        // The fuse burns like any fuse: programming again can only clear further bits.
        if (c.burns) {
            SetReg(0xFE7E, 0xA5);
            RunCommand(0xA3);
            EXPECT_EQ(Memory(0, "efuse")[3], 0x00);
        }
        L().QDClose(m_dev);
        m_dev = 0;
    }
}

TEST_F(EfuseAccessTest, LatchesAreLostAtAReset) {
    Start("efuse-usb-reg");
    LoadLatch(0x02, 0xB8);
    SetReg(0xFE43, 0x00); // read-only
    EXPECT_EQ(Reg(0xFE43), 0xB8);
    std::array<uint8_t, 16> block{};
    ASSERT_EQ(L().QDSwReset(m_dev, block.data(), 16), 1u);
    m_dev = Open(L().QDOpenVrkUsbStor, 0);
    EXPECT_EQ(Reg(0xFE43), 0x00);
}

TEST_F(EfuseAccessTest, WeakFusesBurnOnlyAtTheBoostedRegulator) {
    struct Case {
        const char* preset;
        bool weak;
        uint8_t ldo;
        uint8_t data, expected;
    } cases[] = {
        {"efuse-usb", true, 0x08, 0x0F, 0xFF},        {"efuse-usb", true, 0x0F, 0x0F, 0x0F},
        {"efuse-usb", false, 0x08, 0x0F, 0x0F},       {"efuse-usb-mapped", true, 0x08, 0x30, 0x00},
        {"efuse-usb-mapped", true, 0x0F, 0x30, 0x30},
    };
    for (const Case& c : cases) {
        Start(c.preset);
        if (c.weak)
            SimOk({"fault", "0", "weak-fuses", "on"});
        ASSERT_EQ(L().QDWriteLdo(m_dev, c.ldo), 1u);
        std::array<uint8_t, 8> data;
        data.fill(c.data);
        EXPECT_EQ(L().QDWriteEfuse(m_dev, 0, 8, data.data()), 1u) << "a weak fuse still reports success";
        EXPECT_EQ(Memory(0, "efuse")[7], c.expected) << c.preset << " ldo " << int(c.ldo);
        L().QDClose(m_dev);
        m_dev = 0;
    }
}

TEST_F(EfuseAccessTest, WeakFusesSwitchOff) {
    Start("efuse-usb");
    SimOk({"fault", "0", "weak-fuses", "on"});
    SimOk({"fault", "0", "weak-fuses", "off"});
    std::array<uint8_t, 16> data{};
    EXPECT_EQ(L().QDWriteEfuse(m_dev, 0, 16, data.data()), 1u);
    EXPECT_EQ(Memory(0, "efuse")[0], 0x00);
}

} // namespace
} // namespace simtest
