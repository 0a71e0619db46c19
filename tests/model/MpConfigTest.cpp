#include "model/MpConfig.h"

#include "model/DefaultImages.h"
#include "model/IcTypeIni.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Bytes(const uint8_t* data, size_t size) {
    return data == nullptr ? std::vector<uint8_t>() : std::vector<uint8_t>(data, data + size);
}

std::vector<uint8_t> Upload(const CMpConfig& config) {
    return Bytes(config.GetDataUp(), config.GetDataUpSize());
}

// A FLASH-like image of 512 bytes with the vendor block mark at 256.
std::vector<uint8_t> FlashImage() {
    std::vector<uint8_t> image(512, 0x11);
    image[256] = 0x55;
    image[257] = 0xAA;
    return image;
}

class MpConfigFiles : public testing::Test {
protected:
    testsupport::TempProgramFolder folder;
    CMpConfig config;
};

TEST_F(MpConfigFiles, LoadsARelativeNameFromTheProgramFolder) {
    folder.Write("image.bin", std::vector<uint8_t>{1, 2, 3});
    config.m_strUploadFile = "image.bin";
    ASSERT_TRUE(config.LoadUploadFile());
    EXPECT_EQ(Upload(config), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(config.GetDataDown(), nullptr);
}

TEST_F(MpConfigFiles, MatchesTheNameIgnoringCase) {
    folder.Write("Image.BIN", std::vector<uint8_t>{4, 5});
    config.m_strDownloadFile = folder.File("IMAGE.bin");
    ASSERT_TRUE(config.LoadDownloadFile());
    EXPECT_EQ(Bytes(config.GetDataDown(), config.GetDataDownSize()), (std::vector<uint8_t>{4, 5}));
}

struct FailureCase {
    const char* name;
    const char* fileName;
    bool keepsOldImage;
};

class LoadFailure : public MpConfigFiles, public testing::WithParamInterface<FailureCase> {};

TEST_P(LoadFailure, ReportsFalse) {
    folder.Write("empty.bin", std::vector<uint8_t>{});
    folder.Write("a.bin", std::vector<uint8_t>{9});
    config.SetUploadImage(std::vector<uint8_t>{7, 7});
    config.m_strUploadFile = GetParam().fileName;
    EXPECT_FALSE(config.LoadUploadFile());
    const std::vector<uint8_t> expected =
        GetParam().keepsOldImage ? std::vector<uint8_t>{7, 7} : std::vector<uint8_t>();
    EXPECT_EQ(Upload(config), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, LoadFailure,
    testing::Values(FailureCase{"NoName", "", true}, FailureCase{"Missing", "missing.bin", true},
                    FailureCase{"WildcardsAreNotExpanded", "*.bin", true}, FailureCase{"Folder", ".", true},
                    FailureCase{"EmptyFile", "empty.bin", false}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST(MpConfig, ReplacingAnImageClearsItsVendorPointer) {
    CMpConfig config;
    const std::vector<uint8_t> flash = FlashImage();
    config.SetUploadImage(flash);
    config.SetDownloadImage(flash);
    ASSERT_TRUE(config.LocateVendorArea(config.GetDataUp(), false, 0));
    ASSERT_TRUE(config.LocateVendorArea(config.GetDataDown(), true, 6));
    EXPECT_EQ(config.GetVendorUp(), config.GetDataUp() + 256);
    EXPECT_EQ(config.GetVendorDown(), config.GetDataDown() + 250);
    EXPECT_EQ(config.UploadWindow().pData, config.GetDataUp() + 256);
    EXPECT_EQ(config.UploadWindow().nSize, 256u);
    EXPECT_EQ(config.DownloadWindow().nSize, 262u);

    config.SetUploadImage(flash);
    EXPECT_EQ(config.GetVendorUp(), nullptr);
    EXPECT_EQ(config.UploadWindow().pData, config.GetDataUp());
    EXPECT_EQ(config.UploadWindow().nSize, 512u);
    ASSERT_TRUE(config.AllocUploadImage(300, 0xFF));
    EXPECT_EQ(config.GetVendorUp(), nullptr);
    EXPECT_EQ(Upload(config), std::vector<uint8_t>(300, 0xFF));
    config.ReleaseBuffers();
    EXPECT_EQ(config.GetVendorDown(), nullptr);
    EXPECT_EQ(config.GetDataDown(), nullptr);
    EXPECT_EQ(config.DownloadWindow().pData, nullptr);
}

TEST(MpConfig, VendorAreaIsLookedUpOnlyInTheOwnBuffers) {
    CMpConfig config;
    std::vector<uint8_t> other = FlashImage();
    EXPECT_FALSE(config.LocateVendorArea(other.data(), false, 0));
    EXPECT_FALSE(config.LocateVendorArea(nullptr, false, 0));

    // A block found but moved before the buffer start by the pre-offset: not found.
    std::vector<uint8_t> small(256, 0);
    small[0] = 0xAA;
    small[1] = 0x55;
    config.SetUploadImage(small);
    EXPECT_TRUE(config.LocateVendorArea(config.GetDataUp(), false, 4));
    EXPECT_FALSE(config.LocateVendorArea(config.GetDataUp(), true, 4));
    EXPECT_EQ(config.GetVendorUp(), nullptr);
}

TEST(MpConfig, SettingAnImageFromItsOwnBytesIsSafe) {
    CMpConfig config;
    config.SetUploadImage(std::vector<uint8_t>{1, 2, 3, 4});
    config.SetUploadImage(std::span<const uint8_t>(config.GetDataUp() + 1, 2));
    EXPECT_EQ(Upload(config), (std::vector<uint8_t>{2, 3}));
}

TEST(MpConfig, WorkBuffers) {
    CMpConfig config;
    ASSERT_TRUE(config.AllocWorkBuffers(4096));
    ASSERT_NE(config.GetWorkBuf1(), nullptr);
    ASSERT_NE(config.GetWorkBuf2(), nullptr);
    EXPECT_NE(config.GetWorkBuf1(), config.GetWorkBuf2());
    EXPECT_EQ(config.GetWorkBufSize(), 4096u);
    config.ReleaseBuffers();
    EXPECT_EQ(config.GetWorkBuf1(), nullptr);
    EXPECT_EQ(config.GetWorkBufSize(), 0u);
}

// A project configuration whose IC INI file holds the given "Def Bin".
class DefaultImage : public testing::Test {
protected:
    void UseDefBin(const char* line, bool listed = true) {
        folder.Write("chip.ini", std::string("[Quillix Config]\n") + line + "\n");
        ini.Clear();
        ini.SetPath(folder.File("chip.ini"));
        ASSERT_TRUE(ini.Load());
        ini.m_IniFileNames.clear();
        if (listed)
            ini.m_IniFileNames.push_back("chip.ini");
    }
    testsupport::TempDir folder;
    CIcTypeIni ini;
    CMpConfig config;
};

TEST_F(DefaultImage, KnownNameReplacesTheUploadImage) {
    config.SetUploadImage(FlashImage());
    ASSERT_TRUE(config.LocateVendorArea(config.GetDataUp(), false, 0));
    UseDefBin("Def Bin=EFU_7464");
    config.LoadDefaultImage(ini);
    const std::vector<uint8_t> older = Upload(config);
    EXPECT_EQ(older.size(), 16u);
    EXPECT_EQ(config.GetVendorUp(), nullptr);
    UseDefBin("Def Bin=EFU_7464D");
    config.LoadDefaultImage(ini);
    EXPECT_EQ(Upload(config), older);
    UseDefBin("Def Bin=EEU_7640ZDD");
    config.LoadDefaultImage(ini);
    std::span<const uint8_t> expected = FindDefaultImage(7643);
    EXPECT_EQ(Upload(config), std::vector<uint8_t>(expected.begin(), expected.end()));
}

TEST_F(DefaultImage, NoDefaultImageFillsTheUploadImageWithFF) {
    struct Case {
        const char* line;
        bool listed;
    };
    for (const Case& c : {Case{"Def Bin=NULL", true}, Case{"", true}, Case{"Def Bin=efu_7464", true},
                          Case{"Def Bin=EFU_7464", false}}) {
        config.SetUploadImage(std::vector<uint8_t>{1, 2, 3});
        UseDefBin(c.line, c.listed);
        config.LoadDefaultImage(ini);
        EXPECT_EQ(Upload(config), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF})) << c.line;
    }
    // Without an upload image there is nothing to fill.
    config.ReleaseBuffers();
    config.LoadDefaultImage(ini);
    EXPECT_EQ(config.GetDataUp(), nullptr);
}

} // namespace
