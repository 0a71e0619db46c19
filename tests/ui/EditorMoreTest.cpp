#include "app/Messages.h"
#include "core/Broadcast.h"
#include "core/MessageIds.h"
#include "device/DevTypeInfo.h"
#include "model/ConfigIni.h"
#include "model/IcTypeIni.h"
#include "platform/FileSystem.h"
#include "tests/support/TempDir.h"
#include "tests/ui/EditorFixture.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/ResultDialog.h"
#include "ui/editor/DetailDlg.h"
#include "ui/editor/DetailPage5.h"
#include "ui/editor/DetailSheet.h"

#include <QComboBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>
#include <utility>

namespace {

// The detail dialog over the example IC INI files given as {file name, example name}.
class EditorMoreTest : public uitest::EditorFixture {
protected:
    void Start(const std::vector<std::pair<std::string, std::string>>& iniFiles) {
        std::vector<std::pair<std::string, std::string>> texts;
        for (const auto& [name, example] : iniFiles)
            texts.emplace_back(name, uitest::SourceText("examples/" + example));
        StartEditor(texts);
    }

    // A FLASH USB project whose upload image carries a 55 AA vendor block at kVendorAt.
    void StartFlash() {
        Start({{"flash.ini", "flash-usb.ini"}});
        std::vector<uint8_t> image(kImageSize);
        for (size_t i = 0; i < image.size(); ++i)
            image[i] = static_cast<uint8_t>(i * 7 + 3);
        image[kVendorAt] = 0x55;
        image[kVendorAt + 1] = 0xAA;
        // No other position the search visits carries a mark.
        image[kImageSize - 256] = 0;
        g_pDevTypeInfo->SetUploadImage(image);
        m_dlg->PostMessage(UM_IMAGE_CHANGED, 1, 0);
        uitest::PumpPending();
        ASSERT_EQ(g_pDevTypeInfo->GetVendorUp(), Image() + kVendorAt);
    }

    CDetailPage_5* ShowVendorPage() { return ShowPage<CDetailPage_5>(5); }

    std::vector<uint8_t> ImageBytes() const {
        return std::vector<uint8_t>(Image(), Image() + g_pDevTypeInfo->GetDataUpSize());
    }

    static constexpr size_t kImageSize = 1024;
    static constexpr size_t kVendorAt = 512;
};

TEST_F(EditorMoreTest, IcTypeChoiceKeepsAFileNameThatIsNotUtf8) {
    const std::string cafe = "caf\xe9-efuse.ini"; // Windows-1252, as copied from a Windows machine
    Start({{"a-eeprom.ini", "eeprom-usb.ini"}, {cafe, "efuse-usb.ini"}});
    auto* combo = FindControl<QComboBox>(m_dlg.get(), CDetailDlg::IDC_IC_TYPE);
    const int other = combo->findText(QString::fromUtf8("caf\xc3\xa9-efuse.ini"));
    ASSERT_GE(other, 0) << "the name is shown as text";
    combo->setCurrentIndex(other);
    emit combo->activated(other);
    uitest::PumpPending();

    EXPECT_EQ(g_pIcTypeIni->m_strIniName, cafe);
    ASSERT_NE(g_pDevTypeInfo, nullptr);
    EXPECT_EQ(g_pDevTypeInfo->GetDevTypeClass(), DevTypeClass::EfuseUsb);
}

TEST_F(EditorMoreTest, IcTypeChoiceReloadsTheIniAndTheDeviceType) {
    Start({{"a-eeprom.ini", "eeprom-usb.ini"}, {"b-efuse.ini", "efuse-usb.ini"}});
    ASSERT_EQ(g_pDevTypeInfo->GetDevTypeClass(), DevTypeClass::EepromUsb);
    EXPECT_EQ(Tabs(), (std::vector<std::string>{"Advanced Property", "Lun and String", "Socket and String"}));

    auto* combo = FindControl<QComboBox>(m_dlg.get(), CDetailDlg::IDC_IC_TYPE);
    const int other = combo->findText(QStringLiteral("b-efuse.ini"));
    ASSERT_GE(other, 0);
    combo->setCurrentIndex(other);
    emit combo->activated(other);
    uitest::PumpPending();

    EXPECT_EQ(g_pIcTypeIni->m_strIniName, "b-efuse.ini");
    EXPECT_EQ(g_pIcTypeIni->m_strIcName, "Sample EFUSE USB 7464");
    EXPECT_EQ(g_pIcTypeIni->GetUIType(), 0u);
    ASSERT_NE(g_pDevTypeInfo, nullptr);
    EXPECT_EQ(g_pDevTypeInfo->GetDevTypeClass(), DevTypeClass::EfuseUsb);

    // Once the worker has initialised the new device type, the main dialog reloads the editor.
    m_dlg->ReloadSettings();
    m_dlg->PostMessage(UM_IMAGE_CHANGED, 1, 0);
    uitest::PumpPending();
    EXPECT_EQ(Tabs(), std::vector<std::string>{"Advanced Property"});
    EXPECT_EQ(m_dlg->windowTitle().toStdString(), "Detail Config - Sample EFUSE USB 7464");
}

TEST_F(EditorMoreTest, SaveWithAVendorWindowWritesTheWholeImage) {
    StartFlash();
    const std::string path = m_folder.File("whole.bin");
    m_files.savePaths.push_back(path);
    FindControl<QPushButton>(m_dlg.get(), CDetailDlg::IDC_SAVE)->click();
    const std::optional<std::vector<uint8_t>> saved = platform::ReadWholeFile(path);
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(*saved, ImageBytes());
}

TEST_F(EditorMoreTest, VendorLoadOfAShortFileFailsAndKeepsTheImage) {
    StartFlash();
    auto* page = ShowVendorPage();
    const std::vector<uint8_t> before = ImageBytes();
    const std::string path = m_folder.File("short.bin");
    std::string shortFile(100, '\x22');
    shortFile[0] = '\x55';
    shortFile[1] = '\xAA';
    m_folder.Write("short.bin", shortFile);
    m_files.paths.push_back(path);
    auto* load = FindControl<QPushButton>(page, CDetailPage_5::IDC_VDR_LOAD);
    ASSERT_TRUE(load->isEnabled());
    load->click();
    uitest::PumpPending();

    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_EQ(m_boxes.shown[0].text, LoadMessage(IDS_LOAD_FILE_DATA_FAIL));
    EXPECT_EQ(m_boxes.shown[0].icon, MsgIcon::Error);
    EXPECT_EQ(ImageBytes(), before);
}

TEST_F(EditorMoreTest, VendorSaveWritesTheVendorBlockOnly) {
    StartFlash();
    auto* page = ShowVendorPage();
    const std::string path = m_folder.File("vendor.bin");
    m_files.savePaths.push_back(path);
    auto* save = FindControl<QPushButton>(page, CDetailPage_5::IDC_VDR_SAVE);
    ASSERT_TRUE(save->isEnabled());
    save->click();
    uitest::PumpPending();

    EXPECT_TRUE(m_boxes.shown.empty());
    const std::optional<std::vector<uint8_t>> saved = platform::ReadWholeFile(path);
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(*saved, std::vector<uint8_t>(Image() + kVendorAt, Image() + kVendorAt + 128));
}

} // namespace
