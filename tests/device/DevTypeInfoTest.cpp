#include "core/Broadcast.h"
#include "core/MessageIds.h"
#include "device/DevTypeClasses.h"
#include "model/ConfigIni.h"
#include "model/IcTypeIni.h"
#include "tests/support/ProcessGlobals.h"
#include "tests/support/RecordingDialog.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <typeinfo>
#include <vector>

using testsupport::TempProgramFolder;

namespace {

// A program folder with an optional IC INI file, the project configuration loaded from it and the
// device-type object created for it.
class DevTypeTest : public testing::Test {
protected:
    void TearDown() override { testsupport::ResetProcessGlobals(); }
    void Configure(const std::string& icIni) {
        if (!icIni.empty())
            m_folder.Write("chip.ini", icIni);
        g_pIcTypeIni = new CIcTypeIni();
        g_pIcTypeIni->ListIniFiles();
        g_pIcTypeIni->LoadIcIni();
        g_pIcTypeIni->Parse_ProjectType();
        CreateDevTypeInfo();
    }
    static std::string ProjectIni(const char* kind, const char* bus) {
        return std::string("[Quillix Config]\nProject Type=") + kind + "\nBus Type=" + bus + "\n";
    }
    static std::string SampleIni(const char* name) {
        std::ifstream in(std::string(QUILLIX_TEST_SOURCE_DIR) + "/examples/" + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    testsupport::ProcessGlobals m_globals;
    TempProgramFolder m_folder;
};

} // namespace

TEST_F(DevTypeTest, ClassFollowsMemoryKindAndBus) {
    struct Case {
        const char* kind;
        const char* bus;
        const std::type_info& type;
    } cases[] = {
        {"Efuse", "USB", typeid(CEfuseInfo_USB)},
        {"EFUSE", "PCIE", typeid(CEfuseInfo_PCIE)},
        {"Flash", "USB", typeid(CFlashInfo_USB)},
        {"FLASH", "PCIE", typeid(CFlashInfo_PCIE)},
        {"Eeprom", "USB", typeid(CEepromInfo_USB)},
        {"EEPROM", "PCIE", typeid(CEepromInfo_PCIE)},
        {"SerialFlash", "USB", typeid(CSerialFlashInfo_USB)},
        {"SERIALFLASH", "PCIE", typeid(CSerialFlashInfo_PCIE)},
    };
    for (const Case& c : cases) {
        Configure(ProjectIni(c.kind, c.bus));
        ASSERT_NE(g_pDevTypeInfo, nullptr);
        EXPECT_EQ(typeid(*g_pDevTypeInfo), c.type) << c.kind << " " << c.bus;
        delete g_pIcTypeIni;
        g_pIcTypeIni = nullptr;
    }
}

TEST_F(DevTypeTest, WithoutAnIcIniFileTheToolIsAUsbFlashTool) {
    g_dwErrorCode = 41511;
    Configure("");
    EXPECT_EQ(typeid(*g_pDevTypeInfo), typeid(CFlashInfo_USB));
    EXPECT_EQ(g_dwErrorCode, 0u) << "creation clears the last result";
}

TEST_F(DevTypeTest, UnsupportedOperationsReport41500) {
    Configure(ProjectIni("SerialFlash", "USB"));
    // Without a dialog the failure lands in the exit code.
    EXPECT_EQ(g_pDevTypeInfo->DT_Read(), 0u);
    EXPECT_EQ(g_dwErrorCode, 41500u);

    testsupport::RecordingDialog dialog;
    g_pMainDlg = &dialog;
    g_dwErrorCode = 0;
    for (auto operation : {&CDevTypeInfo::DT_Erase, &CDevTypeInfo::DT_Update, &CDevTypeInfo::DT_Download,
                           &CDevTypeInfo::DT_CheckDevInfo, &CDevTypeInfo::DT_CheckReaders})
        EXPECT_EQ((g_pDevTypeInfo->*operation)(), 0u);
    ASSERT_EQ(dialog.Posted().size(), 5u);
    for (const testsupport::PostedMessage& message : dialog.Posted()) {
        EXPECT_EQ(message.id, UM_FAIL);
        EXPECT_EQ(message.wParam, 41500u);
    }
    // Silent operations record the code without any message.
    dialog.Clear();
    EXPECT_EQ(g_pDevTypeInfo->DT_SilentReadBin("x.bin"), 0u);
    EXPECT_EQ(g_pDevTypeInfo->DT_SilentErase(1), 0u);
    EXPECT_TRUE(dialog.Posted().empty());
    EXPECT_EQ(g_dwErrorCode, 41500u);
}

TEST_F(DevTypeTest, FieldAccessWithoutAnImageFails) {
    Configure(ProjectIni("Eeprom", "USB"));
    for (ImageFields fields : {g_pDevTypeInfo->UploadFields(), g_pDevTypeInfo->DownloadFields(),
                               g_pDevTypeInfo->FieldsOf(nullptr, 16)}) {
        EXPECT_EQ(fields.GetVID(), 0xFFFF);
        EXPECT_EQ(fields.GetPID(), 0xFFFF);
        EXPECT_EQ(fields.GetProduct(), "");
        EXPECT_EQ(fields.GetInqVendor(), "");
        EXPECT_EQ(fields.GetLunData(0, 0xFF), 0xFF);
        EXPECT_FALSE(fields.SetVID(0x1234));
        EXPECT_FALSE(fields.SetUSBStrings("a", "b", "c"));
    }
    std::vector<uint8_t> image(128, 0);
    EXPECT_EQ(g_pDevTypeInfo->FieldsOf(image.data(), 0).GetVID(), 0xFFFF) << "a zero size is no image";
}

TEST_F(DevTypeTest, BuiltInEepromLayoutPositions) {
    Configure(ProjectIni("Eeprom", "USB"));
    std::vector<uint8_t> image(128, 0x20);
    image[0] = 0x08;
    image[1] = 0x07;
    image[8] = 0x60;
    const char vendor[] = "VENDOR01";
    std::copy(vendor, vendor + 8, image.begin() + 0x44);
    image[0x66] = 0xA5;
    g_pDevTypeInfo->SetUploadImage(image);
    ImageFields fields = g_pDevTypeInfo->UploadFields();
    EXPECT_EQ(fields.GetInqVendor(), "VENDOR01");
    EXPECT_EQ(fields.GetLunData(3, 0xFF), 0xA5);
    EXPECT_EQ(fields.GetLunData(5, 0xFF), 0xFF);
    EXPECT_TRUE(g_pDevTypeInfo->CheckUploadImage());
}

TEST_F(DevTypeTest, FlashVendorWindowComesFromTheImageCheck) {
    Configure("");
    std::vector<uint8_t> image(1024, 0xFF);
    image[512] = 0x55;
    image[513] = 0xAA;
    image[512 + 2] = 0x12; // VID, most significant byte first
    image[512 + 3] = 0x34;
    g_pDevTypeInfo->SetUploadImage(image);
    EXPECT_EQ(g_pDevTypeInfo->UploadFields().GetVID(), 0xFFFF) << "no window before the check";
    ASSERT_TRUE(g_pDevTypeInfo->CheckUploadImage());
    EXPECT_EQ(g_pDevTypeInfo->GetVendorUp(), g_pDevTypeInfo->GetDataUp() + 512);
    EXPECT_EQ(g_pDevTypeInfo->UploadFields().GetVID(), 0x1234);
    // An image that is not one of the object's own buffers is never accepted.
    EXPECT_FALSE(g_pDevTypeInfo->DT_CheckImage(image.data(), image.size()));
    // Replacing the image drops the window.
    g_pDevTypeInfo->SetUploadImage(image);
    EXPECT_EQ(g_pDevTypeInfo->GetVendorUp(), nullptr);
}

TEST_F(DevTypeTest, BuiltInAndIcIniLayoutsAgreeOnTheDefaultImage) {
    // The same fields written through the fixed layout and through the sample IC INI layout give the
    // same image, and each reads back what it wrote.
    std::vector<uint8_t> written[2];
    for (int useIni = 0; useIni < 2; ++useIni) {
        Configure(useIni ? SampleIni("eeprom-usb.ini") : ProjectIni("Eeprom", "USB") + "Def Bin=EEU_7464\n");
        g_pDevTypeInfo->LoadDefaultImage(*g_pIcTypeIni);
        ASSERT_EQ(g_pDevTypeInfo->GetDataUpSize(), 128u);
        ASSERT_TRUE(g_pDevTypeInfo->CheckUploadImage());
        EXPECT_EQ(g_pIcTypeIni->UsesBuiltInLayout(), useIni == 0);
        ImageFields fields = g_pDevTypeInfo->UploadFields();
        ASSERT_TRUE(fields.SetVID(0xABCD));
        ASSERT_TRUE(fields.SetPID(0x0102));
        ASSERT_TRUE(fields.SetUSBStrings("Maker", "Card Reader", "0001"));
        ASSERT_TRUE(fields.SetInqVendor("Vend"));
        ASSERT_TRUE(fields.SetLunData(1, 0x0F, 0x5));
        EXPECT_EQ(fields.GetVID(), 0xABCD);
        EXPECT_EQ(fields.GetPID(), 0x0102);
        EXPECT_EQ(fields.GetManufacturer(), "Maker");
        EXPECT_EQ(fields.GetProduct(), "Card Reader");
        EXPECT_EQ(fields.GetSerialNumber(), "0001");
        EXPECT_EQ(fields.GetInqVendor(), "Vend");
        EXPECT_EQ(fields.GetLunData(1, 0x0F), 0x5);
        written[useIni].assign(g_pDevTypeInfo->GetDataUp(), g_pDevTypeInfo->GetDataUp() + 128);
        TearDown();
        std::filesystem::remove(m_folder.File("chip.ini"));
    }
    EXPECT_EQ(written[0], written[1]);
}
