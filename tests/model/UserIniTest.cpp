#include "model/BuiltInLayouts.h"
#include "model/DefaultImages.h"
#include "model/UserIni4.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// An IC INI file with the given content, loaded into the getter family.
std::unique_ptr<CUserIni4> LoadLayout(const testsupport::TempDir& dir, const std::string& content) {
    dir.Write("chip.ini", content);
    auto ini = std::make_unique<CUserIni4>(dir.File("chip.ini"));
    ini->Load();
    return ini;
}

struct IdCase {
    const char* name;
    const char* m1Keys;
    uint16_t vid;
};

class LayoutVid : public testing::TestWithParam<IdCase> {};

TEST_P(LayoutVid, ReadsTheFieldTheKeysDescribe) {
    testsupport::TempDir dir;
    auto ini = LoadLayout(dir, std::string("[Vendor Info M1]\n") + GetParam().m1Keys);
    const std::vector<uint8_t> image = {0x00, 0x11, 0x12, 0x34, 0x56, 0x78, 0x00, 0x00, 0x04};
    EXPECT_EQ(ini->GetVID(image.data(), image.size()), GetParam().vid);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, LayoutVid,
    testing::Values(IdCase{"MissingKeysReadBigEndianAtTwo", "", 0x1234},
                    IdCase{"OnlyTheLowByteCounts", "VID Addr=258\n", 0x1234},
                    IdCase{"LittleEndian", "VID DataMode=22\nVID Addr=3\n", 0x5634},
                    IdCase{"OneByteFieldKeepsHighByte", "VID DataMode=10\nVID Mask=0xF0\n", 0xFF01},
                    IdCase{"ThirtyTwoBitsGiveTheLowHalf", "VID DataMode=33\n", 0x5678},
                    IdCase{"Absent", "VID AddrMode=255\n", 0xFFFF},
                    IdCase{"BeyondTheImage", "VID Addr=8\n", 0xFFFF},
                    IdCase{"RelativeToTheBlock", "Config DataMode=10\nVID AddrMode=115\nVID Addr=0\n",
                           0x5678}),
    [](const testing::TestParamInfo<IdCase>& info) { return std::string(info.param.name); });

TEST(UserIni, SetVidWritesTheFunctionEnableBitFirst) {
    testsupport::TempDir dir;
    auto ini = LoadLayout(dir, "[Vendor Info M1]\nFunEnableMode=11\nFunEnableAddr=0x0A\nFunEnableMask=0x04\n"
                               "PID AddrMode=255\n");
    std::vector<uint8_t> image(16, 0);
    ASSERT_TRUE(ini->SetVID(image.data(), image.size(), 0xBEEF));
    EXPECT_EQ(image[2], 0xBE);
    EXPECT_EQ(image[3], 0xEF);
    EXPECT_EQ(image[10], 0x04);
    EXPECT_EQ(ini->m_byLastWritePos, 2);
    // The enable bit is written even when the field itself is absent.
    image[10] = 0;
    EXPECT_FALSE(ini->SetPID(image.data(), image.size(), 1));
    EXPECT_EQ(image[10], 0x04);
    EXPECT_FALSE(ini->SetVID(nullptr, 16, 1));
}

TEST(UserIni, LunLayout) {
    testsupport::TempDir dir;
    auto ini = LoadLayout(dir, "[Vendor Info P2]\nLunAddr_2=0x30\n");
    std::vector<uint8_t> image(128, 0x5A);
    image[8] = 0x40;
    // "LUN AddrMode" missing: no LUN byte, but the raw address is still reported.
    EXPECT_EQ(ini->GetLunData(image.data(), image.size(), 2, 0xFF), 0xFF);
    EXPECT_EQ(ini->GetLunAddr(image.data(), image.size(), 2), 0x30);
    EXPECT_FALSE(ini->SetLunData(image.data(), image.size(), 2, 0xFF, 0));

    ini = LoadLayout(dir, "[Vendor Info M1]\nConfig DataMode=10\n[Vendor Info P2]\nLUN AddrMode=115\n"
                          "LunAddr_3=6\nLUN DataMode=10\nLUN FunEnableMode=12\nLUN FunEnableAddr=7\n"
                          "LUN FunEnableMask=0x80\n");
    EXPECT_EQ(ini->GetLunAddr(image.data(), image.size(), 3), 0x46);
    ASSERT_TRUE(ini->SetLunData(image.data(), image.size(), 3, 0x0F, 3));
    EXPECT_EQ(image[0x46], 0x53);
    EXPECT_EQ(image[7], 0x5A); // bit 7 was already clear
    EXPECT_EQ(ini->GetLunData(image.data(), image.size(), 3, 0xF0), 0x5);
    EXPECT_EQ(ini->m_byLastWritePos, 0x46);
    // LUN 0's address defaults to 0: the block start.
    EXPECT_EQ(ini->GetLunAddr(image.data(), image.size(), 0), 0x40);
}

TEST(UserIni, WithoutAConfigurationBlockThereAreNoStrings) {
    testsupport::TempDir dir;
    auto ini = LoadLayout(dir, "[Vendor Info M1]\nPID AddrMode=115\nPID Addr=5\n");
    std::vector<uint8_t> image(FindDefaultImage(7464).begin(), FindDefaultImage(7464).end());
    ASSERT_EQ(image.size(), 128u);
    const std::vector<uint8_t> before = image;
    EXPECT_EQ(ini->GetManufacturer(image.data(), image.size()), "");
    EXPECT_EQ(ini->GetInqVendor(image.data(), image.size()), "");
    // A relative field is read at its absolute address.
    EXPECT_EQ(ini->GetPID(image.data(), image.size()), static_cast<uint16_t>(image[5] << 8 | image[6]));
    EXPECT_TRUE(ini->SetUSBStrings(image.data(), image.size(), "m", "p", "s"));
    EXPECT_FALSE(ini->SetLunStr(image.data(), image.size(), 0, "x"));
    EXPECT_FALSE(ini->SetInqVendor(image.data(), image.size(), "x"));
    EXPECT_EQ(image, before);
}

class StringLayout : public testing::Test {
protected:
    StringLayout()
        : ini(LoadLayout(dir, "[Vendor Info M1]\nConfig DataMode=10\n")),
          image(FindDefaultImage(7464).begin(), FindDefaultImage(7464).end()) {}
    testsupport::TempDir dir;
    std::unique_ptr<CUserIni4> ini;
    std::vector<uint8_t> image;
};

TEST_F(StringLayout, UsbAndLunStrings) {
    EXPECT_EQ(ini->GetManufacturer(image.data(), image.size()), "Quillix");
    EXPECT_EQ(ini->GetProduct(image.data(), image.size()), "Card Reader 7464");
    EXPECT_EQ(ini->GetSerialNumber(image.data(), image.size()), "00007464");
    EXPECT_EQ(ini->GetLunStr(image.data(), image.size(), 2), "CF");
    ASSERT_TRUE(ini->SetUSBStrings(image.data(), image.size(), "M\xC3\xBC", "P", "S"));
    EXPECT_EQ(ini->m_byLastWritePos, 9);
    EXPECT_EQ(image[11], 'M');
    EXPECT_EQ(image[12], 0xFC);
    EXPECT_EQ(ini->GetManufacturer(image.data(), image.size()), "M\xC3\xBC");
    EXPECT_EQ(ini->GetLunStr(image.data(), image.size(), 1), "MS");
    ASSERT_TRUE(ini->SetLunStr(image.data(), image.size(), 7, "Seven"));
    EXPECT_EQ(ini->GetLunStr(image.data(), image.size(), 7), "Seven");
    EXPECT_FALSE(ini->SetLunStr(image.data(), image.size(), 8, "x"));
    // The 59-byte area cannot take a 30-character LUN string, nor a 63-character product.
    EXPECT_FALSE(ini->SetLunStr(image.data(), image.size(), 0, std::string(30, 'x')));
    EXPECT_FALSE(ini->SetUSBStrings(image.data(), image.size(), "M", std::string(63, 'p'), "S"));
    EXPECT_EQ(ini->GetLunStr(image.data(), image.size(), 0), "SD/MMC");
    // Fewer than 128 bytes: no string area.
    EXPECT_EQ(ini->GetManufacturer(image.data(), 127), "");
}

TEST_F(StringLayout, InquiryKeepsBlanksUpToTheRememberedLength) {
    std::fill_n(image.begin() + 0x4C, 16, ' ');
    std::copy_n("ABC", 3, image.begin() + 0x4C);
    EXPECT_EQ(ini->GetInqProduct(image.data(), image.size()), "ABC       ");
    ASSERT_TRUE(ini->SetInqProduct(image.data(), image.size(), "XY"));
    EXPECT_EQ(ini->m_byInqProductLen, 2);
    EXPECT_EQ(ini->m_byLastWritePos, 0x4C);
    EXPECT_EQ(ini->GetInqProduct(image.data(), image.size()), "XY");
    ASSERT_TRUE(ini->SetInqVendor(image.data(), image.size(), "TooLongVendor"));
    EXPECT_EQ(ini->m_byInqVendorLen, 8);
    EXPECT_EQ(ini->GetInqVendor(image.data(), image.size()), "TooLongV");
    EXPECT_EQ(ini->GetInqRevision(image.data(), image.size()), "1.00");

    // A configuration offset below 28 leaves no room for the inquiry strings.
    image[8] = 20;
    const std::vector<uint8_t> before = image;
    EXPECT_EQ(ini->GetInqVendor(image.data(), image.size()), "");
    EXPECT_FALSE(ini->SetInqVendor(image.data(), image.size(), "V"));
    EXPECT_EQ(image, before);
}

struct ModeLunCase {
    const char* keys;
    const char* product;
    const char* result;
};

class ModeLunStr : public testing::TestWithParam<ModeLunCase> {};

TEST_P(ModeLunStr, ReplacesTheEndOfTheProductString) {
    testsupport::TempDir dir;
    auto ini = LoadLayout(dir, std::string("[Vendor Info S2]\n") + GetParam().keys);
    std::string product = GetParam().product;
    EXPECT_TRUE(ini->GetModeLunStr(2, 1, product));
    EXPECT_EQ(product, GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ModeLunStr,
    testing::Values(
        ModeLunCase{"Mode2_Lun1_Pos=14\nMode2_Lun1_Str=-1\n", "Card Reader 7464", "Card Reader 74-1"},
        ModeLunCase{"Mode2_Lun1_Pos=10\nMode2_Lun1_Str=-SD\n", "Card Reader 7464", "Card Reade-SD   "},
        ModeLunCase{"Mode2_Lun1_Pos=10\nMode2_Lun1_Str=-SD\n", "Short", "Short-SD   "},
        ModeLunCase{"Mode2_Lun1_Pos=13\nMode2_Lun1_Str=-LONG\n", "Card Reader 7464", "Card Reader 7-LO"},
        ModeLunCase{"Mode1_Lun1_Pos=4\n", "Card Reader 7464 and more", "Card Reader 7464"},
        ModeLunCase{"Mode2_Lun1_Pos=20\nMode2_Lun1_Str=-X\n", "Card Reader 7464 and more",
                    "Card Reader 7464 and"},
        ModeLunCase{"Mode2_Lun1_Pos=3\nMode2_Lun1_Str=\xC3\xA9t\xC3\xA9\n", "\xC3\xA9l\xC3\xA9ment",
                    "\xC3\xA9l\xC3\xA9\xC3\xA9t\xC3\xA9          "}));

struct AllComboCase {
    const char* mode;
    bool enable;
    bool written;
    uint8_t after;
};

class AllCombo : public testing::TestWithParam<AllComboCase> {};

TEST_P(AllCombo, WritesTheBitByModeAndSwitch) {
    testsupport::TempDir dir;
    auto ini =
        LoadLayout(dir, std::string("[Vendor Info P2]\nAllCombo Addr=3\nAllCombo Mask=0x10\nAllCombo Mode=") +
                            GetParam().mode + "\n");
    std::vector<uint8_t> image = {0, 0, 0, 0x81};
    EXPECT_EQ(ini->SetAllCombo(image.data(), image.size(), GetParam().enable), GetParam().written);
    EXPECT_EQ(image[3], GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, AllCombo,
    testing::Values(AllComboCase{"11", true, true, 0x91}, AllComboCase{"11", false, true, 0x81},
                    AllComboCase{"12", true, true, 0x81}, AllComboCase{"12", false, true, 0x91},
                    AllComboCase{"0", true, false, 0x81}, AllComboCase{"13", false, false, 0x81}));

TEST(UserIni, AllComboBeyondTheImageWritesNothing) {
    testsupport::TempDir dir;
    auto ini = LoadLayout(dir, "[Vendor Info P2]\nAllCombo Addr=4\nAllCombo Mask=0x10\nAllCombo Mode=11\n");
    std::vector<uint8_t> image(4, 0);
    EXPECT_FALSE(ini->SetAllCombo(image.data(), image.size(), true));
    EXPECT_EQ(image, std::vector<uint8_t>(4, 0));
}

TEST(UserIni, NumericSettingsAndTheirDefaults) {
    testsupport::TempDir dir;
    auto ini = LoadLayout(dir, "[Quillix Config]\n");
    uint32_t value = 0xFFFF;
    EXPECT_FALSE(ini->GetFlashCodeSize(value));
    EXPECT_EQ(value, 0u);
    EXPECT_TRUE(ini->GetFlashBlockSize(value));
    EXPECT_EQ(value, 4096u);
    EXPECT_TRUE(ini->GetFlashRetryCount(value));
    EXPECT_EQ(value, 1u);
    EXPECT_FALSE(ini->GetCheckFwVersion(value));
    EXPECT_FALSE(ini->GetRomSubVersion(value));
    EXPECT_EQ(ini->GetNeedReset(), 1u);
    EXPECT_EQ(ini->GetPreOffset(), 0u);
    EXPECT_EQ(ini->GetMaxLun(), 0u);
    EXPECT_EQ(ini->GetLunInqProdStr(), 0u);
    EXPECT_EQ(ini->GetSocketSD2(), 1u);
    EXPECT_EQ(ini->GetInquiryStringMode(), 1u);
    EXPECT_EQ(ini->GetMaxLunMode(), 1u);
    EXPECT_EQ(ini->GetUIType(), 0u);
    EXPECT_EQ(ini->GetShowStyle(), 0u);

    ini =
        LoadLayout(dir, "[Vendor Info M1]\nFlash TagAddr=0xFEF0\nFlash CodeSize=0x20000\nRom IcVersion=010\n"
                        "Need Reset=0\nPreOffset=0x110\n[Vendor Info P3]\nUI Type=31\n");
    EXPECT_TRUE(ini->GetFlashTagAddr(value));
    EXPECT_EQ(value, 65264u);
    EXPECT_TRUE(ini->GetFlashCodeSize(value));
    EXPECT_EQ(value, 0x20000u);
    EXPECT_TRUE(ini->GetRomIcVersion(value));
    EXPECT_EQ(value, 8u);
    EXPECT_EQ(ini->GetNeedReset(), 0u);
    EXPECT_EQ(ini->GetPreOffset(), 0x110u); // the whole value; callers use its low byte
    EXPECT_EQ(ini->GetUIType(), 31u);
}

TEST(UserIni, PropertySections) {
    EXPECT_EQ(CUserIni4::PropertySectionName(FLASH, USB, 0), "ReaderFF_USB_00");
    EXPECT_EQ(CUserIni4::PropertySectionName(EFUSE, PCIE, 0xAB), "ReaderEfuse_PCIE_AB");
    EXPECT_EQ(CUserIni4::PropertySectionName(EEPROM, USB, 1), "ReaderEE_USB_01");
    EXPECT_EQ(CUserIni4::PropertySectionName(SERIALFLASH, USB, 255), "ReaderSF_USB_FF");

    testsupport::TempDir dir;
    auto ini =
        LoadLayout(dir, "[ReaderFF_USB_03]\nPropName=Mode\nPropDesp=first\\r\\nsecond\nPropMask=0x0C\n"
                        "PropOption_00=A\nPropOption_01=B\nPropOption_02=C\nPropOption_03=D\n"
                        "[ReaderFF_USB_0A]\nGroupName=G\nPropMask=0x0C\nDataMode=11\nPropAddrMode=115\n"
                        "PropAddr=0x105\nPropOption_00=A\nPropOption_02=C\nPropOption_03=D\n"
                        "DataOption_00=7\nDataOption_01=8\nDataOption_02=9\nFunEnableMode=12\n"
                        "[ReaderFF_PCIE_00]\nPropName=Other bus\n");
    std::vector<PropertyLayout> properties = ini->GetProperties(FLASH, USB);
    ASSERT_EQ(properties.size(), 2u);
    EXPECT_EQ(properties[0].byIndex, 3);
    EXPECT_EQ(properties[0].strName, "Mode");
    EXPECT_EQ(properties[0].strDescription, "first\nsecond");
    EXPECT_EQ(properties[0].options, (std::vector<std::string>{"A", "B", "C", "D"}));
    EXPECT_TRUE(properties[0].optionData.empty());
    EXPECT_EQ(properties[0].field.byDataMode, 10);

    EXPECT_EQ(properties[1].byIndex, 10);
    EXPECT_EQ(properties[1].strGroupName, "G");
    EXPECT_EQ(properties[1].field.byAddrMode, 115);
    EXPECT_EQ(properties[1].field.byAddr, 5);
    EXPECT_EQ(properties[1].funEnable.byMode, 12);
    EXPECT_EQ(properties[1].options, (std::vector<std::string>{"A", "C", "D"}));
    EXPECT_EQ(properties[1].optionData, (std::vector<uint32_t>{7, 9, 0}));
}

// The sample EEPROM-over-USB IC INI file describes the built-in layout, so both write the same bytes.
TEST(UserIni, SampleLayoutAgreesWithTheBuiltInLayout) {
    const std::string source = __FILE__;
    const std::string root = source.substr(0, source.rfind("tests/model/"));
    CUserIni4 ini(root + "examples/eeprom-usb.ini");
    ASSERT_TRUE(ini.Load());
    const BuiltInLayout& builtIn = GetBuiltInLayout(DevTypeClass::EepromUsb);
    std::vector<uint8_t> byIni(FindDefaultImage(7464).begin(), FindDefaultImage(7464).end());
    ASSERT_EQ(byIni.size(), 128u);
    std::vector<uint8_t> byBuiltIn = byIni;

    ASSERT_TRUE(ini.SetVID(byIni.data(), byIni.size(), 0x1D2C));
    ASSERT_TRUE(builtIn.SetVID(byBuiltIn.data(), byBuiltIn.size(), 0x1D2C));
    ASSERT_TRUE(ini.SetPID(byIni.data(), byIni.size(), 0x0B0A));
    ASSERT_TRUE(builtIn.SetPID(byBuiltIn.data(), byBuiltIn.size(), 0x0B0A));
    ASSERT_TRUE(ini.SetUSBStrings(byIni.data(), byIni.size(), "Maker", "Product", "42"));
    ASSERT_TRUE(builtIn.SetUSBStrings(byBuiltIn.data(), byBuiltIn.size(), "Maker", "Product", "42"));
    ASSERT_TRUE(ini.SetLunStr(byIni.data(), byIni.size(), 1, "MS"));
    ASSERT_TRUE(builtIn.SetLunStr(byBuiltIn.data(), byBuiltIn.size(), 1, "MS"));
    ASSERT_TRUE(ini.SetInqVendor(byIni.data(), byIni.size(), "Vendor"));
    ASSERT_TRUE(builtIn.SetInquiry(byBuiltIn.data(), byBuiltIn.size(), InquiryField::Vendor, "Vendor"));
    ASSERT_TRUE(ini.SetInqStrMode(byIni.data(), byIni.size(), 2));
    ASSERT_TRUE(builtIn.SetInqStrMode(byBuiltIn.data(), byBuiltIn.size(), 2));
    for (unsigned lun = 0; lun < 5; ++lun) {
        ASSERT_TRUE(ini.SetLunData(byIni.data(), byIni.size(), lun, 0x0F, static_cast<uint8_t>(lun + 1)));
        ASSERT_TRUE(
            builtIn.SetLunData(byBuiltIn.data(), byBuiltIn.size(), lun, 0x0F, static_cast<uint8_t>(lun + 1)));
    }
    EXPECT_EQ(byIni, byBuiltIn);

    EXPECT_EQ(ini.GetVID(byBuiltIn.data(), byBuiltIn.size()), 0x1D2C);
    EXPECT_EQ(builtIn.GetPID(byIni.data(), byIni.size()), 0x0B0A);
    EXPECT_EQ(ini.GetProduct(byBuiltIn.data(), byBuiltIn.size()), "Product");
    EXPECT_EQ(builtIn.GetLunStr(byIni.data(), byIni.size(), 1), "MS");
    EXPECT_EQ(ini.GetInqVendor(byBuiltIn.data(), byBuiltIn.size()), "Vendor");
    EXPECT_EQ(ini.GetInqStrMode(byBuiltIn.data(), byBuiltIn.size()), 2);
    EXPECT_EQ(builtIn.GetLunData(byIni.data(), byIni.size(), 4, 0x0F), 5);
    EXPECT_EQ(ini.GetLunAddr(byIni.data(), byIni.size(), 3), 0x66);
}

} // namespace
