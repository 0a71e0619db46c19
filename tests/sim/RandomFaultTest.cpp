// The seeded random-fault mode of the simulated reader: what each of its faults does to a call, and
// that a seed replays the same run.
#include "tests/sim/SimFixture.h"

#include <gmock/gmock.h>

using namespace simtest;
using testing::HasSubstr;

namespace {

class RandomFaultTest : public SimTest {
protected:
    static const SimLibrary& L() { return Lib(); }
    uint32_t OpenStor() { return Open(L().QDOpenVrkUsbStor, 0); }

    // A fixed sequence of EEPROM writes and reads under `random SEED PERMILLE`: every call's result,
    // every read's data and the memory at the end, as one record.
    std::vector<uint8_t> Run(uint32_t seed, uint32_t permille) {
        SimOk({"init", "eeprom-usb"});
        SimOk({"fault", "0", "random", std::to_string(seed), std::to_string(permille)});
        std::vector<uint8_t> record;
        uint32_t dev = OpenStor();
        EXPECT_NE(dev, 0u);
        for (int round = 0; round < 40; ++round) {
            std::vector<uint8_t> data(64, static_cast<uint8_t>(round * 37 + 1));
            record.push_back(static_cast<uint8_t>(L().QDWriteEeprom(dev, 64, data.data(), 64)));
            std::vector<uint8_t> back(64, 0xA5);
            record.push_back(static_cast<uint8_t>(L().QDReadEeprom(dev, 64, back.data(), 64)));
            record.insert(record.end(), back.begin(), back.end());
        }
        L().QDClose(dev);
        std::vector<uint8_t> memory = Memory(0, "eeprom");
        record.insert(record.end(), memory.begin(), memory.end());
        return record;
    }
    // Rounds in which the read did not return what the round wrote.
    static int Disturbed(const std::vector<uint8_t>& record) {
        int disturbed = 0;
        for (int round = 0; round < 40; ++round) {
            const uint8_t* back = record.data() + round * 66 + 2;
            disturbed += std::count(back, back + 64, static_cast<uint8_t>(round * 37 + 1)) != 64;
        }
        return disturbed;
    }
};

TEST_F(RandomFaultTest, ASeedReplaysExactlyAndAnotherSeedDiffers) {
    std::vector<uint8_t> first = Run(1234, 300);
    EXPECT_EQ(Run(1234, 300), first);
    EXPECT_NE(Run(1235, 300), first);
    EXPECT_GT(Disturbed(first), 0);
    EXPECT_LT(Disturbed(first), 40);
}

TEST_F(RandomFaultTest, RateZeroDisturbsNothing) {
    EXPECT_EQ(Disturbed(Run(99, 0)), 0);
}

TEST_F(RandomFaultTest, EveryFaultAtFullRate) {
    SimOk({"fault", "0", "random", "7", "1000"});
    uint32_t dev = OpenStor();
    std::vector<uint8_t> before = Memory(0, "eeprom");
    std::vector<uint8_t> data(64, 0x11);
    // The first draw of a write drops it: success reported, nothing stored.
    EXPECT_EQ(L().QDWriteEeprom(dev, 64, data.data(), 64), 1u);
    EXPECT_EQ(Memory(0, "eeprom"), before);
    // A read comes back short (the tail keeps the caller's bytes) and with one bit flipped: some
    // prefix of the memory followed by the caller's bytes is one bit away from what came back.
    std::vector<uint8_t> back(64, 0x5A);
    EXPECT_EQ(L().QDReadEeprom(dev, 64, back.data(), 64), 1u);
    int closest = 64 * 8;
    for (size_t prefix = 0; prefix < 64; ++prefix) {
        int bits = 0;
        for (size_t i = 0; i < 64; ++i)
            bits += __builtin_popcount(back[i] ^ (i < prefix ? before[i] : 0x5A));
        closest = std::min(closest, bits);
    }
    EXPECT_EQ(closest, 1);
    // A reset leaves the reader away until the driver-update tool brings it back.
    uint8_t block[8] = {};
    EXPECT_EQ(L().QDSwReset(dev, block, sizeof block), 1u);
    for (int attempt = 0; attempt < 5; ++attempt)
        EXPECT_EQ(OpenStor(), 0u);
    EXPECT_THAT(ScenarioBytes(), HasSubstr("Gone=1"));
}

TEST_F(RandomFaultTest, ShortReadAndPartialWriteMoveOnlyAPrefix) {
    // At full rate every write is dropped before it can be cut; at half rate some seed's first write
    // escapes the drop and is cut.
    for (uint32_t seed = 0; seed < 200; ++seed) {
        SimOk({"init", "eeprom-usb"});
        SimOk({"fault", "0", "random", std::to_string(seed), "500"});
        std::vector<uint8_t> before = Memory(0, "eeprom");
        uint32_t dev = OpenStor();
        std::vector<uint8_t> data(64, static_cast<uint8_t>(~before[0]));
        ASSERT_EQ(L().QDWriteEeprom(dev, 64, data.data(), 64), 1u);
        L().QDClose(dev);
        std::vector<uint8_t> after = Memory(0, "eeprom");
        size_t stored = 0;
        while (stored < 64 && after[stored] == data[0])
            ++stored;
        if (stored == 0 || stored == 64)
            continue;
        // A partial write: a prefix of the data, the old bytes after it.
        EXPECT_EQ(std::vector<uint8_t>(after.begin() + stored, after.end()),
                  std::vector<uint8_t>(before.begin() + stored, before.end()));
        return;
    }
    FAIL() << "no seed gave a partial write";
}

struct BadRandom {
    std::vector<std::string> args;
    const char* reason;
};

class RandomFaultParse : public RandomFaultTest, public testing::WithParamInterface<BadRandom> {};

TEST_P(RandomFaultParse, IsRefused) {
    std::vector<std::string> args = {"fault", "0", "random"};
    args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
    RunResult result = RunProgram(QUILLIX_SIM_TOOL, args);
    EXPECT_EQ(result.status, 2);
    EXPECT_THAT(result.err, HasSubstr(GetParam().reason));
}

INSTANTIATE_TEST_SUITE_P(Arguments, RandomFaultParse,
                         testing::Values(BadRandom{{"1"}, "random needs SEED PERMILLE"},
                                         BadRandom{{"1", "2", "3"}, "random needs SEED PERMILLE"},
                                         BadRandom{{"x", "2"}, "not a number: x"},
                                         BadRandom{{"1", "1001"}, "PERMILLE must be 0 to 1000"}));

} // namespace
