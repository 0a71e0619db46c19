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
#include "ui/editor/BinaryEditCtrl.h"
#include "ui/editor/DetailDlg.h"
#include "ui/editor/DetailPage1.h"
#include "ui/editor/DetailPageLunAndStr.h"
#include "ui/editor/DetailSheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

// The sample EEPROM IC INI file with the given "UI Type".
std::string SampleIni(const std::string& uiType) {
    std::string ini = uitest::SourceText("examples/eeprom-usb.ini");
    const std::string key = "UI Type=3";
    ini.replace(ini.find(key), key.size(), "UI Type=" + uiType);
    return ini;
}

// The detail dialog over the sample IC INI file as chip.ini (and optionally a second one, other.ini).
class DetailDlgTest : public uitest::EditorFixture {
protected:
    void Start(const std::string& uiType, const std::string& iniName = "chip.ini", bool secondIni = false) {
        std::vector<std::pair<std::string, std::string>> files = {{"chip.ini", SampleIni(uiType)}};
        if (secondIni)
            files.emplace_back("other.ini", SampleIni("0"));
        StartEditor(files, iniName);
    }
};

struct PageSetCase {
    const char* uiType;
    std::vector<std::string> tabs;
};

class DetailPageSetTest : public DetailDlgTest, public testing::WithParamInterface<PageSetCase> {};

// Every page of the set is shown in turn, each as its own screenshot.
TEST_P(DetailPageSetTest, TabsFollowUiType) {
    Start(GetParam().uiType);
    EXPECT_EQ(Tabs(), GetParam().tabs);
    for (int tab = 0; tab < m_dlg->Sheet()->count(); ++tab) {
        m_dlg->Sheet()->setCurrentIndex(tab);
        uitest::PumpPending();
        std::string caption = m_dlg->Sheet()->tabText(tab).toLower().replace(' ', '-').toStdString();
        uitest::SaveScreenshot(m_dlg.get(), std::string("detail-uitype") + GetParam().uiType + "-tab" +
                                                std::to_string(tab + 1) + "-" + caption);
    }
}

INSTANTIATE_TEST_SUITE_P(
    UiTypes, DetailPageSetTest,
    testing::Values(PageSetCase{"0", {"Advanced Property"}},
                    PageSetCase{"3", {"Advanced Property", "Lun and String", "Socket and String"}},
                    PageSetCase{"9", {"Advanced Property", "Lun and String", "Vendor File"}},
                    PageSetCase{"31",
                                {"Advanced Property", "Lun and String", "Socket and String", "Lun and String",
                                 "Vendor File", "Lun and String"}}));

TEST_F(DetailDlgTest, ReloadTwiceKeepsOnlyTheSecondPageSet) {
    Start("31");
    m_folder.Write("chip.ini", SampleIni("9"));
    g_pIcTypeIni->LoadIcIni();
    g_pIcTypeIni->Parse_ProjectType();
    m_dlg->ReloadSettings();
    EXPECT_EQ(Tabs(), (std::vector<std::string>{"Advanced Property", "Lun and String", "Vendor File"}));
    EXPECT_EQ(m_dlg->windowTitle().toStdString(), "Detail Config - Sample EEPROM USB 7464");
}

TEST_F(DetailDlgTest, IcTypeComboHiddenWithOneFile) {
    Start("0");
    EXPECT_FALSE(FindControl<QComboBox>(m_dlg.get(), CDetailDlg::IDC_IC_TYPE)->isVisible());
    EXPECT_FALSE(FindControl<QLabel>(m_dlg.get(), CDetailDlg::IDC_IC_TYPE_LABEL)->isVisible());
}

TEST_F(DetailDlgTest, IcTypeComboSelectsTheFileInUse) {
    Start("0", "other.ini", true);
    auto* combo = FindControl<QComboBox>(m_dlg.get(), CDetailDlg::IDC_IC_TYPE);
    EXPECT_TRUE(combo->isVisible());
    EXPECT_EQ(combo->currentText().toStdString(), "other.ini");
    EXPECT_EQ(combo->toolTip().toStdString(), LoadMessage(IDS_TIP_IC_TYPE));
    uitest::SaveScreenshot(m_dlg.get(), "detail-ictype-two-files");
}

TEST_F(DetailDlgTest, IcTypeComboStaleNameTakesTheFirstFile) {
    Start("0", "gone.ini", true);
    auto* combo = FindControl<QComboBox>(m_dlg.get(), CDetailDlg::IDC_IC_TYPE);
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(g_pIcTypeIni->m_strIniName, combo->itemText(0).toStdString());
}

TEST_F(DetailDlgTest, SaveThenLoadRoundTrip) {
    Start("1");
    Image()[0x20] = 0x5A;
    const std::vector<uint8_t> saved(Image(), Image() + g_pDevTypeInfo->GetDataUpSize());
    const std::string path = m_folder.File("image.bin");
    m_files.savePaths.push_back(path);
    FindControl<QPushButton>(m_dlg.get(), CDetailDlg::IDC_SAVE)->click();
    EXPECT_EQ(platform::ReadWholeFile(path), saved);

    g_pDevTypeInfo->AllocUploadImage(saved.size(), 0xFF);
    m_files.paths.push_back(path);
    FindControl<QPushButton>(m_dlg.get(), CDetailDlg::IDC_LOAD)->click();
    EXPECT_EQ(std::vector<uint8_t>(Image(), Image() + g_pDevTypeInfo->GetDataUpSize()), saved);
    ASSERT_FALSE(MainPosted().empty());
    EXPECT_EQ(MainPosted().back(), std::make_pair(UM_IMAGE_CHANGED, uintptr_t{1}));

    m_files.paths.push_back(m_folder.File("missing.bin"));
    FindControl<QPushButton>(m_dlg.get(), CDetailDlg::IDC_LOAD)->click();
    EXPECT_EQ(MainPosted().back(), std::make_pair(UM_FAIL, uintptr_t{IDS_LOAD_FILE_DATA_FAIL}));

    // An empty file releases the image: the main dialog hears of it, so its device fields empty too.
    m_folder.Write("empty.bin", "");
    m_files.paths.push_back(m_folder.File("empty.bin"));
    FindControl<QPushButton>(m_dlg.get(), CDetailDlg::IDC_LOAD)->click();
    ASSERT_GE(MainPosted().size(), 2u);
    EXPECT_EQ(MainPosted()[MainPosted().size() - 2], std::make_pair(UM_IMAGE_CHANGED, uintptr_t{0}));
    EXPECT_EQ(MainPosted().back(), std::make_pair(UM_FAIL, uintptr_t{IDS_LOAD_FILE_DATA_FAIL}));
}

TEST_F(DetailDlgTest, SaveFailureIsReported) {
    Start("0");
    m_folder.Write("file", "x");
    m_files.savePaths.push_back(m_folder.File("file") + "/image.bin");
    FindControl<QPushButton>(m_dlg.get(), CDetailDlg::IDC_SAVE)->click();
    ASSERT_FALSE(MainPosted().empty());
    EXPECT_EQ(MainPosted().back(), std::make_pair(UM_FAIL, uintptr_t{IDS_SAVE_FILE_DATA_FAIL}));
}

TEST_F(DetailDlgTest, EscapeHidesAndKeepsThePages) {
    Start("1");
    auto* page = ShowPage<CDetailPage_2>(2);
    m_dlg->reject();
    uitest::PumpPending();
    EXPECT_FALSE(m_dlg->isVisible());
    m_dlg->ShowAt(QPoint(10, 10));
    EXPECT_TRUE(m_dlg->isVisible());
    EXPECT_EQ(m_dlg->Sheet()->currentWidget(), page);
    EXPECT_EQ(Tabs().size(), 2u);
}

TEST_F(DetailDlgTest, HexViewShowsTheImage) {
    Start("0");
    const std::string text = m_dlg->HexView()->toPlainText().toStdString();
    EXPECT_EQ(text.substr(0, text.find('\n')), "---- :  BINARY DATA (128 BYTES)");
}

TEST_F(DetailDlgTest, LunPageTickWritesTheImageAndHighlights) {
    Start("1");
    auto* page = ShowPage<CDetailPage_2>(2);
    uitest::SaveScreenshot(m_dlg.get(), "detail-lun-page2");
    const uint8_t lun1 = g_pDevTypeInfo->UploadFields().GetLunAddr(1);
    auto* box = FindControl<QCheckBox>(page, CDetailPage_LunAndStr::CardBoxId(1, 1));
    ASSERT_NE(box, nullptr);
    const bool before = box->isChecked();
    box->click();
    uitest::PumpPending();
    EXPECT_EQ((Image()[lun1] & 0x01) != 0, !before);
    EXPECT_EQ(page->m_Cards.bCard[0][1], !before);
    uitest::SaveScreenshot(m_dlg.get(), "detail-lun-page2-ticked");
}

TEST_F(DetailDlgTest, LunStringThatDoesNotFitIsRefused) {
    Start("1");
    auto* page = ShowPage<CDetailPage_2>(2);
    std::vector<uint8_t> before(Image(), Image() + g_pDevTypeInfo->GetDataUpSize());
    const std::string previous = page->m_strLun[0];
    // Long strings on every LUN overflow the 128-byte image's string area.
    for (int n = 0; n < 5; ++n) {
        auto* edit = FindControl<QLineEdit>(page, CDetailPage_LunAndStr::IDC_LUN_STR + n);
        edit->setText(QStringLiteral("ABCDEFGHIJKLMNOP"));
        emit edit->textEdited(edit->text());
    }
    bool refused = false;
    for (const auto& [id, code] : MainPosted())
        refused = refused || (id == UM_FAIL && code == IDS_TOO_MANY_CHARACTERS);
    EXPECT_TRUE(refused);
}

TEST_F(DetailDlgTest, AdvancedEntryWithModeElevenSetsItsEnableBit) {
    Start("0");
    auto* page = static_cast<CDetailPage_1*>(m_dlg->Page(1));
    size_t wakeUp = page->m_Properties.size();
    for (size_t i = 0; i < page->m_Properties.size(); ++i)
        if (page->m_Properties[i].strName == "Remote wake-up")
            wakeUp = i;
    ASSERT_LT(wakeUp, page->m_Properties.size());
    Image()[0x6B] &= static_cast<uint8_t>(~0x02);
    m_dlg->PostMessage(UM_DETAIL_REFRESH, 1, 0);
    uitest::PumpPending();
    auto* tree = FindControl<QTreeWidget>(page, CDetailPage_1::IDC_GRID);
    auto* combo =
        qobject_cast<QComboBox*>(tree->itemWidget(page->Entry(wakeUp), CDetailPage_1::kValueColumn));
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->currentText().toStdString(), "Depends on FW");
    uitest::SaveScreenshot(m_dlg.get(), "detail-advanced-depends-on-fw");

    page->EditValue(wakeUp, "On");
    uitest::PumpPending();
    EXPECT_EQ(Image()[0x6B] & 0x02, 0x02);
    EXPECT_EQ(Image()[7] & 0x02, 0x02);
    EXPECT_EQ(combo->currentText().toStdString(), "On");
    uitest::SaveScreenshot(m_dlg.get(), "detail-advanced-after-edit");
}

TEST_F(DetailDlgTest, FunEnableOutsideTheImageIsSkipped) {
    Start("0");
    std::vector<uint8_t> before(Image(), Image() + g_pDevTypeInfo->GetDataUpSize());
    g_pDevTypeInfo->UploadFields().WritePropertyFunEnable(11, 0xF0, 0x01);
    EXPECT_EQ(std::vector<uint8_t>(Image(), Image() + g_pDevTypeInfo->GetDataUpSize()), before);
}

} // namespace
