#include "model/FieldCodec.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct MaskedCase {
    uint8_t mask;
    uint8_t before;
    uint8_t read;
    uint8_t written;
    uint8_t after;
};

class MaskedByte : public testing::TestWithParam<MaskedCase> {};

TEST_P(MaskedByte, ReadsAndWritesOnlyTheMaskBits) {
    const MaskedCase& c = GetParam();
    std::vector<uint8_t> image = {0x00, c.before, 0x00};
    uint8_t value = 0xEE;
    ASSERT_TRUE(ReadMasked(image.data(), image.size(), 1, c.mask, value));
    EXPECT_EQ(value, c.read);
    ASSERT_TRUE(WriteMasked(image.data(), image.size(), 1, c.mask, c.written));
    EXPECT_EQ(image, (std::vector<uint8_t>{0x00, c.after, 0x00}));
}

INSTANTIATE_TEST_SUITE_P(
    Masks, MaskedByte,
    testing::Values(MaskedCase{0x30, 0xA5, 2, 1, 0x95}, MaskedCase{0x00, 0xA5, 0, 3, 0xA5},
                    MaskedCase{0x80, 0x7F, 0, 1, 0xFF}, MaskedCase{0xFF, 0x12, 0x12, 0x34, 0x34},
                    MaskedCase{0x0C, 0xF3, 0, 7, 0xFF}, MaskedCase{0x01, 0xFE, 0, 0xFE, 0xFE}));

const std::vector<uint8_t> kSample = {0x00, 0x00, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC};

struct ReadCase {
    FieldLayout field;
    uint32_t value;
    uint8_t width;
};

class FieldRead : public testing::TestWithParam<ReadCase> {};

TEST_P(FieldRead, DecodesTheDataMode) {
    const ReadCase& c = GetParam();
    std::optional<FieldValue> value = ReadField(c.field, ConfigBlockLayout{}, kSample.data(), kSample.size());
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->dwValue, c.value);
    EXPECT_EQ(value->byWidth, c.width);
}

INSTANTIATE_TEST_SUITE_P(
    DataModes, FieldRead,
    testing::Values(ReadCase{{100, 2, 0xFF, 21}, 0x1234, 2}, ReadCase{{100, 2, 0xFF, 23}, 0x1234, 2},
                    ReadCase{{100, 2, 0xFF, 22}, 0x3412, 2}, ReadCase{{100, 2, 0xFF, 24}, 0x3412, 2},
                    ReadCase{{100, 2, 0xFF, 33}, 0x12345678, 4}, ReadCase{{100, 2, 0xFF, 41}, 0x12345678, 4},
                    ReadCase{{100, 2, 0xFF, 34}, 0x78563412, 4}, ReadCase{{100, 2, 0xFF, 42}, 0x78563412, 4},
                    ReadCase{{100, 3, 0xF0, 10}, 0x3, 1}, ReadCase{{100, 3, 0x0F, 13}, 0x4, 1},
                    // Any address mode but 115 and 255 is absolute.
                    ReadCase{{0, 6, 0xFF, 12}, 0x9A, 1},
                    // Multi-byte fields that end exactly at the image end.
                    ReadCase{{100, 6, 0xFF, 21}, 0x9ABC, 2}, ReadCase{{100, 4, 0xFF, 34}, 0xBC9A7856, 4}));

class FieldReadFails : public testing::TestWithParam<FieldLayout> {};

TEST_P(FieldReadFails, AndWritesNothing) {
    std::vector<uint8_t> image = kSample;
    EXPECT_FALSE(ReadField(GetParam(), ConfigBlockLayout{}, image.data(), image.size()).has_value());
    uint8_t last = 0x77;
    EXPECT_FALSE(WriteField(GetParam(), ConfigBlockLayout{}, image.data(), image.size(), 0xFFFFFFFF, last));
    EXPECT_EQ(image, kSample);
}

INSTANTIATE_TEST_SUITE_P(Layouts, FieldReadFails,
                         testing::Values(FieldLayout{255, 2, 0xFF, 21}, // field absent
                                         FieldLayout{100, 2, 0xFF, 255}, FieldLayout{100, 2, 0xFF, 20},
                                         FieldLayout{100, 2, 0xFF, 0}, FieldLayout{100, 8, 0xFF, 10},
                                         FieldLayout{100, 7, 0xFF, 21},   // crosses the end by one byte
                                         FieldLayout{100, 5, 0xFF, 33})); // crosses the end by one byte

TEST(FieldCodec, WritesThirtyTwoBitsLeastSignificantFirst) {
    std::vector<uint8_t> image(8, 0);
    uint8_t last = 0;
    ASSERT_TRUE(
        WriteField({100, 4, 0xFF, 34}, ConfigBlockLayout{}, image.data(), image.size(), 0x11223344, last));
    EXPECT_EQ(image, (std::vector<uint8_t>{0, 0, 0, 0, 0x44, 0x33, 0x22, 0x11}));
    EXPECT_EQ(last, 4);
    EXPECT_EQ(ReadField({100, 4, 0xFF, 34}, ConfigBlockLayout{}, image.data(), image.size())->dwValue,
              0x11223344u);
}

TEST(FieldCodec, RecordsTheWritePositionEvenForAnUnsupportedDataMode) {
    std::vector<uint8_t> image(8, 0);
    uint8_t last = 0;
    EXPECT_FALSE(WriteField({100, 6, 0xFF, 20}, ConfigBlockLayout{}, image.data(), image.size(), 1, last));
    EXPECT_EQ(last, 6);
    EXPECT_EQ(image, std::vector<uint8_t>(8, 0));
}

struct RelativeCase {
    ConfigBlockLayout config;
    size_t expectedPos;
};

class RelativeAddress : public testing::TestWithParam<RelativeCase> {};

TEST_P(RelativeAddress, AddsTheConfigurationOffsetWhenThereIsOne) {
    std::vector<uint8_t> image(0x60, 0);
    image[24] = 0x40;
    image[GetParam().expectedPos] = 0x5A;
    std::optional<FieldValue> value =
        ReadField({115, 5, 0xFF, 10}, GetParam().config, image.data(), image.size());
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->dwValue, 0x5Au);
    EXPECT_EQ(FieldPosition({115, 5, 0xFF, 10}, GetParam().config, image.data(), image.size()),
              GetParam().expectedPos);
}

INSTANTIATE_TEST_SUITE_P(Configs, RelativeAddress,
                         testing::Values(RelativeCase{{16, 24, 10}, 0x55},
                                         // No configuration block: the address stays absolute.
                                         RelativeCase{{16, 24, 255}, 5},
                                         // The pointer byte lies outside the image.
                                         RelativeCase{{16, 200, 10}, 5}));

TEST(FieldCodec, ConfigurationOffsetWrapsModulo256) {
    std::vector<uint8_t> image(16, 0);
    image[8] = 0xF0;
    EXPECT_EQ(GetConfigOffset({0x20, 8, 10}, image.data(), image.size()), 0x10);
    EXPECT_FALSE(GetConfigOffset({0x20, 8, 255}, image.data(), image.size()).has_value());
    EXPECT_FALSE(GetConfigOffset({0x20, 16, 10}, image.data(), image.size()).has_value());
    EXPECT_FALSE(GetConfigOffset({0x20, 8, 10}, nullptr, 16).has_value());
}

TEST(FieldCodec, RelativeFieldBeyondTheImageFails) {
    std::vector<uint8_t> image(0x20, 0);
    image[8] = 0x1E;
    EXPECT_FALSE(ReadField({115, 2, 0xFF, 10}, {0, 8, 10}, image.data(), image.size()).has_value());
    EXPECT_FALSE(ReadField({115, 1, 0xFF, 21}, {0, 8, 10}, image.data(), image.size()).has_value());
    EXPECT_TRUE(ReadField({115, 1, 0xFF, 10}, {0, 8, 10}, image.data(), image.size()).has_value());
}

struct FunEnableCase {
    FunEnableLayout layout;
    uint8_t after;
};

class FunEnable : public testing::TestWithParam<FunEnableCase> {};

TEST_P(FunEnable, SetsOrClearsTheMaskBits) {
    std::vector<uint8_t> image = {0x00, 0x00, 0x5A};
    WriteFunEnable(GetParam().layout, image.data(), image.size());
    EXPECT_EQ(image[2], GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(Modes, FunEnable,
                         testing::Values(FunEnableCase{{11, 2, 0x01}, 0x5B},
                                         FunEnableCase{{12, 2, 0x02}, 0x58},
                                         FunEnableCase{{11, 2, 0x30}, 0x5A}, // stores 1 in the group: 01b
                                         FunEnableCase{{12, 2, 0xF0}, 0x0A},
                                         FunEnableCase{{0, 2, 0xFF}, 0x5A},
                                         FunEnableCase{{13, 2, 0xFF}, 0x5A}));

TEST(FieldCodec, FunEnableOutsideTheImageWritesNothing) {
    std::vector<uint8_t> image = {0x00, 0x00, 0x00};
    WriteFunEnable({11, 3, 0xFF}, image.data(), image.size());
    WriteFunEnable({11, 0, 0xFF}, image.data(), 0);
    WriteFunEnable({11, 0, 0xFF}, nullptr, 3);
    EXPECT_EQ(image, std::vector<uint8_t>(3, 0));
}

TEST(FieldCodec, OneByteFieldKeepsTheHighByteOfASixteenBitPreset) {
    EXPECT_EQ(OverlayU16(0xFFFF, {0x12, 1}), 0xFF12);
    EXPECT_EQ(OverlayU16(0xFFFF, {0x1234, 2}), 0x1234);
    EXPECT_EQ(OverlayU16(0xFFFF, {0x56781234, 4}), 0x1234);
}

// Every access on images of 0 to 3 bytes, each in an allocation of exactly its size so that the address
// sanitizer sees any read or write beyond it.
TEST(FieldCodec, TinyImagesAreNeverAccessedOutside) {
    for (size_t size = 0; size < 4; ++size) {
        std::unique_ptr<uint8_t[]> image(new uint8_t[size == 0 ? 1 : size]);
        std::fill_n(image.get(), size, uint8_t{0xA5});
        uint8_t last = 0;
        for (uint8_t mode : {10, 21, 22, 33, 34}) {
            for (uint8_t addr = 0; addr < 6; ++addr) {
                const FieldLayout field = {100, addr, 0xFF, mode};
                std::optional<FieldValue> value = ReadField(field, {0, 0, 10}, image.get(), size);
                const bool fits = addr + FieldWidth(mode) <= size;
                EXPECT_EQ(value.has_value(), fits) << size << " " << int(mode) << " " << int(addr);
                EXPECT_EQ(WriteField(field, {0, 0, 10}, image.get(), size, 0xA5A5A5A5, last), fits);
            }
        }
        uint16_t word = 0;
        uint32_t dword = 0;
        EXPECT_EQ(ReadU16BE(image.get(), size, size - 1, word), false);
        EXPECT_EQ(ReadU32LE(image.get(), size, 0, dword), size >= 4);
        EXPECT_FALSE(WriteU8(image.get(), size, size, 0));
        for (size_t i = 0; i < size; ++i)
            EXPECT_EQ(image[i], 0xA5);
    }
}

} // namespace
