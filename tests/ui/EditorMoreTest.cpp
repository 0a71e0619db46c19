#include "app/Messages.h"
#include "core/Broadcast.h"
#include "core/MessageIds.h"
#include "device/DevTypeInfo.h"
#include "model/ConfigIni.h"
#include "model/IcTypeIni.h"
#include "platform/FileSystem.h"
#include "tests/support/TempDir.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/ResultDialog.h"
#include "ui/editor/DetailDlg.h"
#include "ui/editor/DetailPage5.h"
#include "ui/editor/DetailSheet.h"

#include <QComboBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <utility>

namespace {

std::string Example(const std::string& name) {
    std::ifstream in(std::string(QUILLIX_SOURCE_DIR "/examples/") + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class RecordingMainDlg : public IResultDialog {
public:
    void PostMessage(uint32_t id, uintptr_t wParam, intptr_t) override { posted.emplace_back(id, wParam); }
    std::vector<std::pair<uint32_t, uintptr_t>> posted;
};

class SaveDialogs : public uitest::ScriptedFileDialogs {
public:
    std::optional<std::string> GetSaveFileName(QWidget*, const OpenFileRequest&) override {
        if (savePaths.empty())
            return std::nullopt;
        std::string path = savePaths.front();
        savePaths.pop_front();
        return path;
    }
    std::deque<std::string> savePaths;
};

// A program folder with the given IC INI files (the first one in use), the project objects and the
// detail dialog; no worker and no main dialog window.
class EditorMoreTest : public testing::Test {
protected:
    void Start(const std::vector<std::pair<std::string, std::string>>& iniFiles) {
        uitest::EnsureApplication();
        for (const auto& [name, example] : iniFiles)
            m_folder.Write(name, Example(example));
        m_folder.Write("config.ini", "[Quillix Config]\nIni Name=" + iniFiles.front().first + "\n");
        g_pConfigIni = new CIniFile(m_folder.File("config.ini"));
        g_pConfigIni->Load();
        g_pIcTypeIni = new CIcTypeIni();
        g_pIcTypeIni->LoadUserSetting();
        g_pIcTypeIni->ListIniFiles();
        g_pIcTypeIni->LoadIcIni();
        g_pIcTypeIni->Parse_ProjectType();
        CreateDevTypeInfo();
        g_pDevTypeInfo->LoadDefaultImage(*g_pIcTypeIni);
        g_pMainDlg = &m_main;
        m_dlg = std::make_unique<CDetailDlg>(nullptr);
        g_pDetailDlg = m_dlg.get();
        m_dlg->ReloadSettings();
        m_dlg->ShowAt(QPoint(0, 0));
        m_dlg->PostMessage(UM_IMAGE_CHANGED, 1, 0);
        uitest::PumpPending();
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

    void TearDown() override {
        m_dlg.reset();
        g_pDetailDlg = nullptr;
        g_pMainDlg = nullptr;
        DestroyDevTypeInfo();
        delete g_pIcTypeIni;
        g_pIcTypeIni = nullptr;
        delete g_pConfigIni;
        g_pConfigIni = nullptr;
    }

    std::vector<std::string> Tabs() const {
        std::vector<std::string> tabs;
        for (int i = 0; i < m_dlg->Sheet()->count(); ++i)
            tabs.push_back(m_dlg->Sheet()->tabText(i).toStdString());
        return tabs;
    }

    CDetailPage_5* ShowVendorPage() {
        auto* page = static_cast<CDetailPage_5*>(m_dlg->Page(5));
        m_dlg->Sheet()->setCurrentWidget(page);
        uitest::PumpPending();
        return page;
    }

    uint8_t* Image() const { return g_pDevTypeInfo->GetDataUp(); }
    std::vector<uint8_t> ImageBytes() const {
        return std::vector<uint8_t>(Image(), Image() + g_pDevTypeInfo->GetDataUpSize());
    }

    static constexpr size_t kImageSize = 1024;
    static constexpr size_t kVendorAt = 512;

    testsupport::TempProgramFolder m_folder;
    RecordingMainDlg m_main;
    std::unique_ptr<CDetailDlg> m_dlg;
    uitest::RecordingMessageBoxes m_boxes;
    SaveDialogs m_files;
};

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
