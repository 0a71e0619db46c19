#include "model/BuiltInLayouts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(BuiltInLayouts, ClassFollowsMemoryKindAndBus) {
    struct Row {
        MemoryKind kind;
        BusType bus;
        const char* className;
    };
    const Row rows[] = {
        {EFUSE, USB, "CEfuseInfo_USB"},
        {EFUSE, PCIE, "CEfuseInfo_PCIE"},
        {FLASH, USB, "CFlashInfo_USB"},
        {FLASH, PCIE, "CFlashInfo_PCIE"},
        {EEPROM, USB, "CEepromInfo_USB"},
        {EEPROM, PCIE, "CEepromInfo_PCIE"},
        {SERIALFLASH, USB, "CSerialFlashInfo_USB"},
        {SERIALFLASH, PCIE, "CSerialFlashInfo_PCIE"},
    };
    for (const Row& row : rows) {
        const BuiltInLayout& layout = GetBuiltInLayout(DevTypeClassOf(row.kind, row.bus));
        EXPECT_STREQ(layout.pszClassName, row.className);
        EXPECT_EQ(layout.devClass, DevTypeClassOf(row.kind, row.bus));
    }
}

struct IdCase {
    DevTypeClass devClass;
    std::vector<size_t> vidBytes; // positions of the VID's bytes, most significant first
    std::vector<size_t> pidBytes;
};

class BuiltInIds : public testing::TestWithParam<IdCase> {};

TEST_P(BuiltInIds, StoresVidAndPidWhereTheClassKeepsThem) {
    const IdCase& c = GetParam();
    const BuiltInLayout& layout = GetBuiltInLayout(c.devClass);
    std::vector<uint8_t> image(32, 0);
    ASSERT_TRUE(layout.SetVID(image.data(), image.size(), 0x1234));
    ASSERT_TRUE(layout.SetPID(image.data(), image.size(), 0xABCD));
    std::vector<uint8_t> expected(32, 0);
    expected[c.vidBytes[0]] = 0x12;
    expected[c.vidBytes[1]] = 0x34;
    expected[c.pidBytes[0]] = 0xAB;
    expected[c.pidBytes[1]] = 0xCD;
    EXPECT_EQ(image, expected);
    EXPECT_EQ(layout.GetVID(image.data(), image.size()), 0x1234);
    EXPECT_EQ(layout.GetPID(image.data(), image.size()), 0xABCD);

    // An image too short for the identifier: nothing is read or written.
    std::vector<uint8_t> tiny(c.pidBytes[0], 0x5A);
    EXPECT_FALSE(layout.SetPID(tiny.data(), tiny.size(), 0));
    EXPECT_EQ(tiny, std::vector<uint8_t>(c.pidBytes[0], 0x5A));
    EXPECT_EQ(layout.GetPID(tiny.data(), tiny.size()), 0xFFFF);
    EXPECT_EQ(layout.GetVID(nullptr, 32), 0xFFFF);
}

INSTANTIATE_TEST_SUITE_P(Classes, BuiltInIds,
                         testing::Values(IdCase{DevTypeClass::EfuseUsb, {1, 0}, {3, 2}},
                                         IdCase{DevTypeClass::EfusePcie, {2, 1}, {4, 3}},
                                         IdCase{DevTypeClass::EepromPcie, {8, 4}, {16, 12}},
                                         IdCase{DevTypeClass::EepromUsb, {2, 3}, {4, 5}},
                                         IdCase{DevTypeClass::FlashUsb, {2, 3}, {4, 5}}));

TEST(BuiltInLayouts, ClassesWithoutVendorFieldsFailEveryAccess) {
    for (DevTypeClass devClass :
         {DevTypeClass::FlashPcie, DevTypeClass::SerialFlashUsb, DevTypeClass::SerialFlashPcie}) {
        const BuiltInLayout& layout = GetBuiltInLayout(devClass);
        std::vector<uint8_t> image(128, 0x60);
        EXPECT_EQ(layout.GetVID(image.data(), image.size()), 0xFFFF);
        EXPECT_FALSE(layout.SetVID(image.data(), image.size(), 1));
        EXPECT_FALSE(layout.SetUSBStrings(image.data(), image.size(), "m", "p", "s"));
        EXPECT_FALSE(layout.SetInquiry(image.data(), image.size(), InquiryField::Vendor, "v"));
        EXPECT_EQ(layout.GetLunData(image.data(), image.size(), 0, 0xFF), 0xFF);
        EXPECT_EQ(layout.GetInqStrMode(image.data(), image.size()), 0xFF);
        EXPECT_EQ(image, std::vector<uint8_t>(128, 0x60));
    }
    const BuiltInLayout& efuse = GetBuiltInLayout(DevTypeClass::EfuseUsb);
    std::vector<uint8_t> image(40, 0x60);
    EXPECT_EQ(efuse.GetUsbString(image.data(), image.size(), 0), "");
    EXPECT_FALSE(efuse.SetLunStr(image.data(), image.size(), 0, "x"));
}

// An EEPROM USB image whose configuration block starts at 0x60.
class EepromUsbLayout : public testing::Test {
protected:
    EepromUsbLayout() : image(128, 0) {
        image[8] = 0x60;
        for (size_t i = 0; i < 28; ++i)
            image[0x44 + i] = static_cast<uint8_t>('A' + i);
    }
    const BuiltInLayout& layout = GetBuiltInLayout(DevTypeClass::EepromUsb);
    std::vector<uint8_t> image;
};

TEST_F(EepromUsbLayout, InquiryStringsLieBeforeTheConfigurationBlock) {
    EXPECT_EQ(layout.GetInquiry(image.data(), image.size(), InquiryField::Vendor), "ABCDEFGH");
    EXPECT_EQ(layout.GetInquiry(image.data(), image.size(), InquiryField::Product), "IJKLMNOPQRSTUVWX");
    EXPECT_EQ(layout.GetInquiry(image.data(), image.size(), InquiryField::Revision), "YZ[\\");

    ASSERT_TRUE(layout.SetInquiry(image.data(), image.size(), InquiryField::Vendor, "Qx"));
    EXPECT_EQ(std::string(image.begin() + 0x44, image.begin() + 0x4C), "Qx      ");
    EXPECT_EQ(layout.GetInquiry(image.data(), image.size(), InquiryField::Vendor), "Qx");
    ASSERT_TRUE(layout.SetInquiry(image.data(), image.size(), InquiryField::Revision, "2.345"));
    EXPECT_EQ(std::string(image.begin() + 0x5C, image.begin() + 0x60), "2.34");
    EXPECT_EQ(image[0x60], 0); // the configuration block is not touched
}

TEST_F(EepromUsbLayout, InquiryPositionWrapsAndIsBoundsChecked) {
    // Offset 10: the vendor string starts at (10 - 28) modulo 256 = 238, beyond a 128-byte image.
    image[8] = 10;
    const std::vector<uint8_t> before = image;
    EXPECT_EQ(layout.GetInquiry(image.data(), image.size(), InquiryField::Vendor), "");
    EXPECT_FALSE(layout.SetInquiry(image.data(), image.size(), InquiryField::Vendor, "V"));
    EXPECT_EQ(image, before);

    std::vector<uint8_t> big(256, ' ');
    big[8] = 10;
    ASSERT_TRUE(layout.SetInquiry(big.data(), big.size(), InquiryField::Vendor, "Wrapped"));
    EXPECT_EQ(std::string(big.begin() + 238, big.begin() + 246), "Wrapped ");
}

TEST_F(EepromUsbLayout, LunBytesFollowTheConfigurationBlock) {
    const size_t expected[] = {0x60, 0x61, 0x62, 0x66, 0x6A};
    for (size_t lun = 0; lun < 5; ++lun) {
        EXPECT_EQ(layout.LunPosition(image.data(), image.size(), lun), expected[lun]);
        ASSERT_TRUE(layout.SetLunData(image.data(), image.size(), lun, 0x0C, 2));
        EXPECT_EQ(layout.GetLunData(image.data(), image.size(), lun, 0x0C), 2);
    }
    EXPECT_EQ(image[0x66], 0x08);
    EXPECT_EQ(layout.GetLunData(image.data(), image.size(), 5, 0xFF), 0xFF);
    EXPECT_FALSE(layout.SetLunData(image.data(), image.size(), 5, 0xFF, 0));

    // A block pointer that puts LUN 4 beyond the image.
    image[8] = 0x78;
    EXPECT_EQ(layout.GetLunData(image.data(), image.size(), 3, 0xFF), 0x00);
    EXPECT_EQ(layout.GetLunData(image.data(), image.size(), 4, 0xFF), 0xFF);
    EXPECT_FALSE(layout.SetLunData(image.data(), image.size(), 4, 0xFF, 0));
}

TEST_F(EepromUsbLayout, InquiryStringModeIsTheUpperNibbleOfByteSeven) {
    image[7] = 0x35;
    EXPECT_EQ(layout.GetInqStrMode(image.data(), image.size()), 3);
    ASSERT_TRUE(layout.SetInqStrMode(image.data(), image.size(), 9));
    EXPECT_EQ(image[7], 0x95);
    EXPECT_EQ(layout.GetInqStrMode(image.data(), 7), 0xFF);
}

TEST_F(EepromUsbLayout, StringsRoundTripThroughTheArea) {
    ASSERT_TRUE(layout.SetUSBStrings(image.data(), image.size(), "Maker", "Reader", "0001"));
    ASSERT_TRUE(layout.SetLunStr(image.data(), image.size(), 2, "SD"));
    EXPECT_EQ(layout.GetUsbString(image.data(), image.size(), 0), "Maker");
    EXPECT_EQ(layout.GetUsbString(image.data(), image.size(), 1), "Reader");
    EXPECT_EQ(layout.GetUsbString(image.data(), image.size(), 2), "0001");
    EXPECT_EQ(layout.GetLunStr(image.data(), image.size(), 2), "SD");
    EXPECT_EQ(image[9], 7);
    EXPECT_EQ(image[9 + 7 + 8 + 6], (4 | (2 << 5)));
    // The area ends 28 bytes before the block: the inquiry strings stay.
    EXPECT_EQ(layout.GetInquiry(image.data(), image.size(), InquiryField::Vendor), "ABCDEFGH");
    // 59 bytes of area: a 62-character product string no longer fits.
    EXPECT_FALSE(layout.SetUSBStrings(image.data(), image.size(), "Maker", std::string(62, 'p'), "0001"));
    EXPECT_EQ(layout.GetUsbString(image.data(), image.size(), 1), "Reader");
    EXPECT_EQ(layout.GetLunStr(image.data(), image.size(), 8), "");
}

} // namespace
