#include "fuzz/CodecFuzzCase.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

// A short, reproducible run of the fuzzer's case function: random layouts over random images, with
// layouts drawn mostly from meaningful values so that the writes and the string area are reached.
TEST(CodecFuzzSmoke, FixedSeedsKeepTheCodecInvariants) {
    std::mt19937 random(7464);
    auto byte = [&] { return static_cast<uint8_t>(random()); };
    auto pick = [&](std::initializer_list<uint8_t> values) {
        return random() % 4 == 0 ? byte() : *(values.begin() + random() % values.size());
    };
    for (int round = 0; round < 3000; ++round) {
        const size_t imageSize = random() % 4 == 0 ? random() % 8 : random() % 300;
        std::vector<uint8_t> input = {pick({100, 115, 255}),
                                      static_cast<uint8_t>(random() % 140),
                                      pick({0xFF, 0x0F, 0x30, 0x00}),
                                      pick({10, 13, 21, 22, 33, 34, 41, 255}),
                                      static_cast<uint8_t>(random() % 32),
                                      pick({8, 24}),
                                      pick({10, 255}),
                                      pick({11, 12, 0}),
                                      static_cast<uint8_t>(random() % 140),
                                      byte(),
                                      pick({9, 0, 40}),
                                      byte(),
                                      byte(),
                                      byte(),
                                      byte(),
                                      byte()};
        for (size_t i = 0; i < imageSize; ++i)
            input.push_back(random() % 3 == 0 ? static_cast<uint8_t>(random() % 40) : byte());
        ASSERT_TRUE(RunCodecFuzzCase(input.data(), input.size())) << "round " << round;
    }
}

} // namespace
