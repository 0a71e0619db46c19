#include "model/DefaultImages.h"
#include "model/BuiltInLayouts.h"
#include "model/IcTypeIni.h"
#include "model/ImageChecks.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The device type a default image is made for, from the prefix of its name.
DevTypeClass ClassOfImageName(const std::string& name) {
    if (name.starts_with("EFU_"))
        return DevTypeClass::EfuseUsb;
    if (name.starts_with("EFP_"))
        return DevTypeClass::EfusePcie;
    if (name.starts_with("EEP_"))
        return DevTypeClass::EepromPcie;
    return DevTypeClass::EepromUsb;
}

TEST(DefaultImages, EveryNamedImageIsBuiltInWithItsSize) {
    for (const DefaultImageInfo& row : CIcTypeIni::DefaultImages()) {
        std::span<const uint8_t> image = FindDefaultImage(row.wId);
        EXPECT_EQ(image.size(), row.dwSize) << row.pszName;
    }
    EXPECT_TRUE(FindDefaultImage(0).empty());
    EXPECT_TRUE(FindDefaultImage(1234).empty());
}

TEST(DefaultImages, PassTheirClassCheckAndCarryVendorInformation) {
    for (const DefaultImageInfo& row : CIcTypeIni::DefaultImages()) {
        const std::string name = row.pszName;
        std::span<const uint8_t> image = FindDefaultImage(row.wId);
        const DevTypeClass devClass = ClassOfImageName(name);
        // "EFU_7676" keeps its 128 bytes, which no USB EFUSE accepts.
        EXPECT_EQ(CheckImage(devClass, image.data(), image.size()), name != "EFU_7676") << name;
        const BuiltInLayout& layout = GetBuiltInLayout(devClass);
        EXPECT_EQ(layout.GetVID(image.data(), image.size()), 0x2F5A) << name;
        EXPECT_NE(layout.GetPID(image.data(), image.size()), 0xFFFF) << name;
        if (devClass != DevTypeClass::EepromUsb)
            continue;
        EXPECT_EQ(layout.GetUsbString(image.data(), image.size(), 0), "Quillix") << name;
        EXPECT_FALSE(layout.GetUsbString(image.data(), image.size(), 1).empty()) << name;
        EXPECT_FALSE(layout.GetUsbString(image.data(), image.size(), 2).empty()) << name;
        EXPECT_FALSE(layout.GetLunStr(image.data(), image.size(), 0).empty()) << name;
        EXPECT_EQ(layout.GetInquiry(image.data(), image.size(), InquiryField::Vendor), "Quillix") << name;
        EXPECT_EQ(layout.GetInquiry(image.data(), image.size(), InquiryField::Revision), "1.00") << name;
        EXPECT_EQ(layout.GetLunData(image.data(), image.size(), 0, 0xFF), 0x01) << name;
    }
}

TEST(DefaultImages, OldAndNewNameOfTheSameImageAgree) {
    CIcTypeIni ini;
    EXPECT_EQ(ini.m_IcTypeTable.at("EFU_7464"), ini.m_IcTypeTable.at("EFU_7464D"));
}

} // namespace
