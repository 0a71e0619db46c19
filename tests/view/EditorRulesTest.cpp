#include "view/editor/DetailDlgRules.h"
#include "view/editor/VendorFile.h"

#include <gtest/gtest.h>

namespace {

// ---- vendor file ----

std::vector<uint8_t> FileWith(size_t size, size_t at, uint8_t first, uint8_t second) {
    std::vector<uint8_t> file(size, 0x00);
    if (at + 1 < size) {
        file[at] = first;
        file[at + 1] = second;
    }
    return file;
}

struct LocateCase {
    const char* name;
    std::vector<uint8_t> file;
    std::optional<size_t> offset;
};

class LocateVendorBlockTest : public testing::TestWithParam<LocateCase> {};

TEST_P(LocateVendorBlockTest, Offset) {
    EXPECT_EQ(LocateVendorBlock(GetParam().file), GetParam().offset);
}

INSTANTIATE_TEST_SUITE_P(
    Files, LocateVendorBlockTest,
    testing::Values(
        LocateCase{"EepromSignature1008", FileWith(128, 0, 0x10, 0x08), 0},
        LocateCase{"EepromSignature080B", FileWith(256, 0, 0x08, 0x0B), 0},
        LocateCase{"SmallFileWithFlashSignature", FileWith(128, 0, 0x55, 0xAA), std::nullopt},
        LocateCase{"ShorterThanABlock", FileWith(100, 0, 0x10, 0x08), std::nullopt},
        LocateCase{"EmptyFile", {}, std::nullopt},
        LocateCase{"FlashSignatureAtFirstCandidate", FileWith(0x20000, 0x1FF00, 0xAA, 0x55), 0x1FF00},
        LocateCase{"FlashSignatureFarDown", FileWith(0x20000, 0x10000, 0x55, 0xAA), 0x10000},
        LocateCase{"LargerFileSignatureAtSizeMinus256", FileWith(300, 44, 0x55, 0xAA), 44},
        LocateCase{"OffGridSignatureIsNotFound", FileWith(0x20000, 0x10001, 0x55, 0xAA), std::nullopt}),
    [](const testing::TestParamInfo<LocateCase>& info) { return std::string(info.param.name); });

TEST(VendorFile, MergeKeepsTheImageSignature) {
    std::vector<uint8_t> image(0x400, 0x11);
    std::vector<uint8_t> file(128);
    for (size_t i = 0; i < file.size(); ++i)
        file[i] = static_cast<uint8_t>(i);
    ASSERT_TRUE(MergeVendorBlock(image.data(), image.size(), 0x200, file, 0));
    EXPECT_EQ(image[0x200], 0x11);
    EXPECT_EQ(image[0x201], 0x11);
    EXPECT_EQ(image[0x202], 2);
    EXPECT_EQ(image[0x27F], 127);
    EXPECT_EQ(image[0x280], 0x11);
}

TEST(VendorFile, MergeRefusesBlocksOutsideTheirBuffers) {
    std::vector<uint8_t> image(0x100, 0x11);
    const std::vector<uint8_t> before = image;
    EXPECT_FALSE(MergeVendorBlock(image.data(), image.size(), 0x81, std::vector<uint8_t>(128), 0));
    EXPECT_FALSE(MergeVendorBlock(image.data(), image.size(), 0, std::vector<uint8_t>(127), 0));
    EXPECT_FALSE(MergeVendorBlock(image.data(), image.size(), 0, std::vector<uint8_t>(300), 200));
    EXPECT_EQ(image, before);
}

TEST(VendorFile, TargetAddsPreOffsetOnlyWithIniFiles) {
    EXPECT_EQ(VendorBlockTarget(0x1000, 0x800, 0x10, true), 0x810u);
    EXPECT_EQ(VendorBlockTarget(0x1000, 0x800, 0x10, false), 0x800u);
    EXPECT_EQ(VendorBlockTarget(0x1000, std::nullopt, 0, true), std::nullopt);
    EXPECT_EQ(VendorBlockTarget(0x1000, 0xF90, 0, true), std::nullopt);
    EXPECT_EQ(VendorBlockTarget(0x1000, 0xF80, 0, true), 0xF80u);
}

// ---- detail dialog ----

TEST(DetailDlgRules, PagesForUiType) {
    EXPECT_EQ(DetailPagesForUiType(0), (std::vector<int>{1}));
    EXPECT_EQ(DetailPagesForUiType(9), (std::vector<int>{1, 2, 5}));
    EXPECT_EQ(DetailPagesForUiType(31), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(DetailPagesForUiType(0x20), (std::vector<int>{1}));
}

TEST(DetailDlgRules, Caption) {
    EXPECT_EQ(DetailCaption(""), "Detail Config");
    EXPECT_EQ(DetailCaption("QX3000"), "Detail Config - QX3000");
}

} // namespace
