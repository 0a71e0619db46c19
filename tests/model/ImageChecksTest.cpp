#include "model/ImageChecks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

struct CheckCase {
    DevTypeClass devClass;
    std::vector<uint8_t> head; // first bytes; the rest is zero
    size_t size;
    bool accepted;
};

class ImageCheck : public testing::TestWithParam<CheckCase> {};

TEST_P(ImageCheck, AcceptsOnlyImagesOfTheClass) {
    const CheckCase& c = GetParam();
    std::vector<uint8_t> image(c.size == 0 ? 1 : c.size, 0);
    std::copy_n(c.head.begin(), std::min(c.head.size(), c.size), image.begin());
    EXPECT_EQ(CheckImage(c.devClass, image.data(), c.size), c.accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Classes, ImageCheck,
    testing::Values(
        CheckCase{DevTypeClass::EfuseUsb, {}, 16, true}, CheckCase{DevTypeClass::EfuseUsb, {}, 17, false},
        CheckCase{DevTypeClass::EfuseUsb, {}, 40, true}, CheckCase{DevTypeClass::EfuseUsb, {}, 128, false},
        CheckCase{DevTypeClass::EfusePcie, {}, 8, true}, CheckCase{DevTypeClass::EfusePcie, {}, 16, false},
        CheckCase{DevTypeClass::EepromUsb, {0x08, 0x07}, 128, true},
        CheckCase{DevTypeClass::EepromUsb, {0x08, 0x09}, 2, true},
        CheckCase{DevTypeClass::EepromUsb, {0x08, 0x0B}, 128, true},
        CheckCase{DevTypeClass::EepromUsb, {0x10, 0x06}, 128, true},
        CheckCase{DevTypeClass::EepromUsb, {0x10, 0x08}, 128, true},
        CheckCase{DevTypeClass::EepromUsb, {0x10, 0x0A}, 128, true},
        CheckCase{DevTypeClass::EepromUsb, {0x07, 0x08}, 128, false},
        CheckCase{DevTypeClass::EepromUsb, {0x10, 0x0A}, 1, false},
        CheckCase{DevTypeClass::EepromPcie, {0x0C, 0x00, 0x0C, 0xAA}, 4, true},
        CheckCase{DevTypeClass::EepromPcie, {0x0C, 0x00, 0x0C, 0xAA}, 3, false},
        CheckCase{DevTypeClass::EepromPcie, {0x0C, 0x00, 0x0C, 0xAB}, 128, false},
        CheckCase{DevTypeClass::FlashUsb, {0x55, 0xAA}, 256, true},
        CheckCase{DevTypeClass::FlashUsb, {0x55, 0xAA}, 255, false},
        CheckCase{DevTypeClass::FlashPcie, {0x55, 0xAA}, 256, false},
        CheckCase{DevTypeClass::SerialFlashUsb, {0x55, 0xAA}, 256, false},
        CheckCase{DevTypeClass::SerialFlashPcie, {}, 8, false}));

TEST(ImageChecks, NoImageIsNeverAccepted) {
    for (uint8_t devClass = 0; devClass < 8; ++devClass)
        EXPECT_FALSE(CheckImage(static_cast<DevTypeClass>(devClass), nullptr, 16));
}

struct BlockCase {
    std::vector<size_t> marks; // positions holding 55 AA
    size_t size;
    bool applyPreOffset;
    uint8_t preOffset;
    std::optional<size_t> found;
};

class InfoBlock : public testing::TestWithParam<BlockCase> {};

TEST_P(InfoBlock, IsSearchedFromTheEndInStepsOf256) {
    const BlockCase& c = GetParam();
    std::vector<uint8_t> image(c.size, 0);
    for (size_t mark : c.marks) {
        image[mark] = 0xAA;
        image[mark + 1] = 0x55;
    }
    EXPECT_EQ(FindInfoBlock(image.data(), image.size(), c.applyPreOffset, c.preOffset), c.found);
}

INSTANTIATE_TEST_SUITE_P(
    Images, InfoBlock,
    testing::Values(BlockCase{{0}, 255, false, 0, std::nullopt}, BlockCase{{0}, 256, false, 0, 0},
                    BlockCase{{0, 512}, 1024, false, 0, 512}, BlockCase{{0}, 1024, false, 0, 0},
                    // Only positions size - 256 * k are examined.
                    BlockCase{{100}, 1024, false, 0, std::nullopt}, BlockCase{{44}, 300, false, 0, 44},
                    BlockCase{{512}, 1024, true, 16, 496}, BlockCase{{512}, 1024, false, 16, 512},
                    // The pre-offset would move the area before the buffer start.
                    BlockCase{{0}, 256, true, 16, std::nullopt}, BlockCase{{16}, 272, true, 16, 0}));

TEST(ImageChecks, BothMarkOrdersAreAccepted) {
    std::vector<uint8_t> image(512, 0);
    image[256] = 0x55;
    image[257] = 0xAA;
    EXPECT_EQ(FindInfoBlock(image.data(), image.size(), false, 0), 256u);
    image[256] = 0x55;
    image[257] = 0x55;
    EXPECT_EQ(FindInfoBlock(image.data(), image.size(), false, 0), std::nullopt);
}

} // namespace
