#include "ui/main/QuillixDlg.h"
#include "app/Messages.h"
#include "app/QuillixApp.h"
#include "core/Broadcast.h"
#include "core/ForceCheck.h"
#include "core/MessageIds.h"
#include "core/VrkThread.h"
#include "device/DevTypeInfo.h"
#include "model/ConfigIni.h"
#include "model/IcTypeIni.h"
#include "platform/FakeClock.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "tests/support/SimReader.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/DetailDlgLink.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

using testsupport::SimReader;
using uitest::PumpUntil;

namespace {

using Dlg = CQuillixDlg;

// The vendor-information editor as a recorder of what the main dialog tells it.
class FakeDetailDialog : public IDetailDialog {
public:
    struct Message {
        uint32_t id;
        uintptr_t wParam;
        intptr_t lParam;
        bool operator==(const Message&) const = default;
    };

    FakeDetailDialog() { s_pCurrent = this; }
    ~FakeDetailDialog() override { s_pCurrent = nullptr; }
    void PostMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) override {
        messages.push_back({id, wParam, lParam});
    }
    void ReloadSettings() override { ++reloads; }
    void EnableControls(uint32_t devBusy, uint32_t downBusy) override { enabled = {devBusy, downBusy}; }
    void ShowAt(const QPoint& topLeft) override { shownAt = topLeft; }
    size_t Count(uint32_t id) const {
        return static_cast<size_t>(
            std::count_if(messages.begin(), messages.end(), [id](const Message& m) { return m.id == id; }));
    }

    static std::unique_ptr<IDetailDialog> Create(QWidget*) { return std::make_unique<FakeDetailDialog>(); }
    static FakeDetailDialog* s_pCurrent;

    std::vector<Message> messages;
    int reloads = 0;
    std::pair<uint32_t, uint32_t> enabled{9, 9};
    std::optional<QPoint> shownAt;
};

FakeDetailDialog* FakeDetailDialog::s_pCurrent = nullptr;

// A program folder with the simulated reader (or, with an empty preset, without a reader library), one
// IC INI file and config.ini; the process-wide objects as start-up creates them; the main dialog on top,
// driven without a modal loop. Sleeps go to the fake clock.
class MainDlgTest : public testing::Test {
protected:
    void Start(const std::string& preset, const std::string& icIniText, const std::string& config = "") {
        uitest::EnsureApplication();
        ReadShortVersion("1.00.0.0");
        if (preset.empty()) {
            m_plainFolder = std::make_unique<testsupport::TempProgramFolder>();
        } else {
            m_sim = std::make_unique<SimReader>(preset);
        }
        Folder().Write("chip.ini", icIniText);
        Folder().Write("config.ini", "[Quillix Config]\nIni Name=chip.ini\n" + config);
        uitest::LoadProject(Folder().File("config.ini"));

        g_pfnCreateDetailDlg = &FakeDetailDialog::Create;
        m_dlg = std::make_unique<Dlg>();
        g_pMainDlg = m_dlg.get();
        m_dlg->Create();
    }

    // Waits for the answer of the worker's start: the library is ready (the title is set) or a box says
    // why not.
    void WaitUntilReady() {
        ASSERT_TRUE(
            PumpUntil([&] { return m_dlg->windowTitle().startsWith("Reader") || !m_boxes.shown.empty(); }));
        uitest::PumpPending();
    }

    void TearDown() override {
        if (m_dlg) {
            m_dlg->reject();
            EXPECT_TRUE(PumpUntil([&] { return m_dlg->HasEnded(); }));
            DeleteVrkThread();
            g_pMainDlg = nullptr;
            m_dlg.reset();
        }
        g_pfnCreateDetailDlg = nullptr;
        uitest::UnloadProject();
    }

    testsupport::TempDir& Folder() {
        return m_sim ? static_cast<testsupport::TempDir&>(*m_sim) : *m_plainFolder;
    }

    template <class W> W* Control(int id) {
        W* control = FindControl<W>(m_dlg.get(), id);
        EXPECT_NE(control, nullptr) << id;
        return control;
    }
    std::string Text(int id) { return Control<QWidget>(id)->property("text").toString().toStdString(); }
    bool Enabled(int id) { return Control<QWidget>(id)->isEnabled(); }
    bool Visible(int id) { return Control<QWidget>(id)->isVisible(); }
    void Click(int id) { Control<QPushButton>(id)->click(); }
    // Waits until `count` boxes were shown and the events they caused are handled.
    void WaitForBoxes(size_t count) {
        ASSERT_TRUE(PumpUntil([&] { return m_boxes.shown.size() >= count; })) << m_boxes.shown.size();
        uitest::PumpPending();
    }
    FakeDetailDialog* Detail() { return FakeDetailDialog::s_pCurrent; }
    // Clicks Read and waits for its result box and for the changed image it reports afterwards.
    void ReadAndWait(size_t boxes) {
        const size_t changes = Detail() ? Detail()->Count(UM_IMAGE_CHANGED) : 0;
        Click(Dlg::IDC_READ);
        WaitForBoxes(boxes);
        ASSERT_TRUE(PumpUntil([&] { return Detail() && Detail()->Count(UM_IMAGE_CHANGED) > changes; }));
        WaitIdle();
    }
    void WaitIdle() {
        ASSERT_TRUE(PumpUntil([&] { return Enabled(Dlg::IDC_READ) && Text(Dlg::IDC_UPDATE) == "Update"; }));
    }
    void Type(int id, const std::string& text) {
        QLineEdit* edit = Control<QLineEdit>(id);
        edit->setText(QString::fromStdString(text));
        emit edit->textEdited(edit->text());
    }
    // Moves a file prepared elsewhere over `path` with a later write time: one change, seen once.
    void ReplaceFile(const std::string& path, const std::string& prepared) {
        timespec later[2] = {{UTIME_OMIT, 0}, {time(nullptr) + 60, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, prepared.c_str(), later, 0), 0);
        ASSERT_EQ(rename(prepared.c_str(), path.c_str()), 0);
    }
    // Writes the upload image (the default image after start-up) into a file of the program folder.
    std::string SaveUploadImage(const std::string& name) {
        platform::CreateDirectories(platform::FolderOf(Folder().File(name)));
        Folder().Write(name, std::string(reinterpret_cast<const char*>(g_pDevTypeInfo->GetDataUp()),
                                         g_pDevTypeInfo->GetDataUpSize()));
        return Folder().File(name);
    }

    platform::FakeClock m_clock;
    uitest::RecordingMessageBoxes m_boxes;
    uitest::ScriptedFileDialogs m_files;
    std::unique_ptr<SimReader> m_sim;
    std::unique_ptr<testsupport::TempProgramFolder> m_plainFolder;
    std::unique_ptr<Dlg> m_dlg;
};

TEST_F(MainDlgTest, StartsWithTheDefaultImageOfTheChip) {
    Start("eeprom-usb", uitest::SourceText("examples/eeprom-usb.ini"));
    WaitUntilReady();
    EXPECT_TRUE(m_boxes.shown.empty());
    EXPECT_EQ(m_dlg->windowTitle().toStdString(), "ReaderEE 1.00 (Corvane USB Card Reader)");
    EXPECT_EQ(Control<QGroupBox>(Dlg::IDC_DEVICE_GROUP)->title().toStdString(),
              "EEPROM From Corvane Card Reader");
    EXPECT_EQ(Control<QGroupBox>(Dlg::IDC_FILE_GROUP)->title().toStdString(), "EEPROM From Binary File");
    ImageFields fields = g_pDevTypeInfo->UploadFields();
    EXPECT_EQ(Text(Dlg::IDC_DEV_VID), FormatId(fields.GetVID()));
    EXPECT_EQ(Text(Dlg::IDC_DEV_PID), FormatId(fields.GetPID()));
    EXPECT_EQ(Text(Dlg::IDC_DEV_MANUFACTURER), fields.GetManufacturer());
    EXPECT_FALSE(Text(Dlg::IDC_DEV_VID).empty());
    // A valid upload image can be written back; without a download file there is nothing to download.
    EXPECT_TRUE(Enabled(Dlg::IDC_UPDATE));
    EXPECT_TRUE(Enabled(Dlg::IDC_READ));
    EXPECT_TRUE(Enabled(Dlg::IDC_BROWSE));
    EXPECT_FALSE(Enabled(Dlg::IDC_DOWNLOAD));
    EXPECT_FALSE(Enabled(Dlg::IDC_FILE_VID));
    uitest::SaveScreenshot(m_dlg.get(), "main-dialog-eeprom-usb-start");
}

struct LayoutCase {
    const char* name;
    const char* preset;
    const char* ini;
    const char* title;
    bool stringRows;
    const char* vidLabel;
    const char* eraseText;
    bool versions;
};

class MainDlgLayout : public MainDlgTest, public testing::WithParamInterface<LayoutCase> {};

TEST_P(MainDlgLayout, FitsTheConfiguredChip) {
    const LayoutCase& c = GetParam();
    Start(c.preset, uitest::SourceText(c.ini));
    WaitUntilReady();
    EXPECT_EQ(m_dlg->windowTitle().toStdString(), c.title);
    for (int id : {Dlg::IDC_DEV_MANUFACTURER, Dlg::IDC_DEV_SERIAL, Dlg::IDC_FILE_PRODUCT,
                   Dlg::IDC_FILE_MANUFACTURER_LABEL})
        EXPECT_EQ(Visible(id), c.stringRows) << id;
    EXPECT_EQ(Text(Dlg::IDC_DEV_VID_LABEL), c.vidLabel);
    EXPECT_EQ(Text(Dlg::IDC_FILE_VID_LABEL), c.vidLabel);
    EXPECT_EQ(Text(Dlg::IDC_ERASE), c.eraseText);
    const bool efuse = std::string(c.eraseText) == "Check";
    EXPECT_EQ(Control<QWidget>(Dlg::IDC_ERASE)->toolTip().toStdString(),
              efuse ? LoadMessage(IDS_TIP_EFUSE_CHECK) : std::string());
    EXPECT_EQ(Visible(Dlg::IDC_DEV_VERSION), c.versions);
    EXPECT_EQ(Visible(Dlg::IDC_FILE_VERSION), c.versions);
    uitest::SaveScreenshot(m_dlg.get(), std::string("main-dialog-layout-") + c.name);
}

INSTANTIATE_TEST_SUITE_P(
    MainDialog, MainDlgLayout,
    testing::Values(LayoutCase{"efuse_usb", "efuse-usb", "examples/efuse-usb.ini",
                               "ReaderEfuse 1.00 (Corvane USB Card Reader)", false, "VID", "Check", false},
                    LayoutCase{"efuse_pcie", "efuse-pcie", "examples/efuse-pcie.ini",
                               "ReaderEfuse 1.00 (Corvane PCIE Card Reader)", false, "SSVID", "Check", false},
                    LayoutCase{"eeprom_usb", "eeprom-usb", "examples/eeprom-usb.ini",
                               "ReaderEE 1.00 (Corvane USB Card Reader)", true, "VID", "Erase", false},
                    LayoutCase{"eeprom_pcie", "eeprom-pcie", "examples/eeprom-pcie.ini",
                               "ReaderEE 1.00 (Corvane PCIE Card Reader)", false, "SSVID", "Erase", false},
                    LayoutCase{"flash_usb", "flash-usb", "examples/flash-usb.ini",
                               "ReaderFF 1.00 (Corvane USB Card Reader)", true, "VID", "Erase", true}),
    [](const auto& info) { return std::string(info.param.name); });

struct ReadCase {
    const char* name;
    const char* preset;
    const char* ini;
    ResultCode success;
    const char* caption;
};

class MainDlgRead : public MainDlgTest, public testing::WithParamInterface<ReadCase> {};

// A Read on the simulated reader of every memory kind: the success box with the elapsed time, the
// fields of the image read and Update enabled.
TEST_P(MainDlgRead, ShowsTheReaderImage) {
    const ReadCase& c = GetParam();
    Start(c.preset, uitest::SourceText(c.ini));
    WaitUntilReady();
    const uint32_t posted = m_clock.TickCount();
    ReadAndWait(1);
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_EQ(m_boxes.shown[0].text, LoadMessage(c.success));
    EXPECT_EQ(m_boxes.shown[0].caption,
              std::string(c.caption) + " - " + std::to_string(m_boxes.ticks[0] - posted) + " ms");
    EXPECT_EQ(m_boxes.shown[0].icon, MsgIcon::None);
    ImageFields fields = g_pDevTypeInfo->UploadFields();
    EXPECT_EQ(Text(Dlg::IDC_DEV_VID), FormatId(fields.GetVID()));
    EXPECT_EQ(Text(Dlg::IDC_DEV_PID), FormatId(fields.GetPID()));
    if (Visible(Dlg::IDC_DEV_PRODUCT)) {
        EXPECT_EQ(Text(Dlg::IDC_DEV_PRODUCT), fields.GetProduct());
    }
    EXPECT_TRUE(Enabled(Dlg::IDC_UPDATE));
    EXPECT_EQ(Control<QProgressBar>(Dlg::IDC_PROGRESS)->value(), 0);
    uitest::SaveScreenshot(m_dlg.get(), std::string("main-dialog-read-") + c.name);
}

INSTANTIATE_TEST_SUITE_P(MainDialog, MainDlgRead,
                         testing::Values(ReadCase{"efuse_usb", "efuse-usb", "examples/efuse-usb.ini",
                                                  IDS_READ_EFUSE_SUCCEED, "ReaderEfuse"},
                                         ReadCase{"efuse_pcie", "efuse-pcie", "examples/efuse-pcie.ini",
                                                  IDS_READ_EFUSE_SUCCEED, "ReaderEfuse"},
                                         ReadCase{"eeprom_usb", "eeprom-usb", "examples/eeprom-usb.ini",
                                                  IDS_READ_EEPROM_SUCCEED, "ReaderEE"},
                                         ReadCase{"eeprom_pcie", "eeprom-pcie", "examples/eeprom-pcie.ini",
                                                  IDS_READ_EEPROM_SUCCEED, "ReaderEE"},
                                         ReadCase{"flash_usb", "flash-usb", "examples/flash-usb.ini",
                                                  IDS_READ_FLASH_SUCCEED, "ReaderFF"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainDlgTest, ForceCheckSettingReachesTheEfuseFlows) {
    Start("efuse-usb", uitest::SourceText("examples/efuse-usb.ini"), "Force Check=1\n");
    WaitUntilReady();
    EXPECT_EQ(m_dlg->m_bForceCheck, 1u);
    EXPECT_TRUE(IsForceCheckRequested());
    m_dlg->reject();
    ASSERT_TRUE(PumpUntil([&] { return m_dlg->HasEnded(); }));
    EXPECT_FALSE(IsForceCheckRequested());
}

TEST_F(MainDlgTest, DownloadOnlyFormShowsTheFilePanelOnly) {
    std::string ini = uitest::SourceText("examples/eeprom-usb.ini");
    ini.replace(ini.find("Customize UI=0"), 14, "Customize UI=2");
    Start("eeprom-usb", ini);
    WaitUntilReady();
    for (int id :
         {Dlg::IDC_DEVICE_GROUP, Dlg::IDC_READ, Dlg::IDC_ERASE, Dlg::IDC_UPDATE, Dlg::IDC_DETAIL,
          Dlg::IDC_DEV_MANUFACTURER, Dlg::IDC_DEV_PRODUCT, Dlg::IDC_DEV_SERIAL, Dlg::IDC_DEV_VID,
          Dlg::IDC_DEV_PID, Dlg::IDC_DEV_MANUFACTURER_LABEL, Dlg::IDC_DEV_VID_LABEL, Dlg::IDC_DEV_PID_LABEL})
        EXPECT_FALSE(Visible(id)) << id;
    for (int id : {Dlg::IDC_FILE_GROUP, Dlg::IDC_BROWSE, Dlg::IDC_DOWNLOAD_PATH, Dlg::IDC_FILE_VID,
                   Dlg::IDC_FILE_PID, Dlg::IDC_FILE_MANUFACTURER, Dlg::IDC_DOWNLOAD, Dlg::IDC_PROGRESS})
        EXPECT_TRUE(Visible(id)) << id;
    uitest::SaveScreenshot(m_dlg.get(), "main-dialog-download-only");
}

TEST_F(MainDlgTest, MissingLibraryDisablesEveryOperation) {
    Start("", uitest::SourceText("examples/eeprom-usb.ini"));
    WaitForBoxes(1);
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_EQ(m_boxes.shown[0].text, LoadMessage(IDS_LOAD_LIB_FAIL));
    EXPECT_EQ(m_boxes.shown[0].caption, "ReaderEE");
    EXPECT_EQ(m_boxes.shown[0].icon, MsgIcon::Error);
    for (int id : {Dlg::IDC_READ, Dlg::IDC_ERASE, Dlg::IDC_UPDATE, Dlg::IDC_DOWNLOAD, Dlg::IDC_BROWSE,
                   Dlg::IDC_DEV_VID, Dlg::IDC_FILE_VID, Dlg::IDC_DETAIL})
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_EQ(Control<QProgressBar>(Dlg::IDC_PROGRESS)->value(), 0);
    uitest::SaveScreenshot(m_dlg.get(), "main-dialog-library-missing");
}

TEST_F(MainDlgTest, UpdateTurnsIntoCancelWhileAReadRuns) {
    Start("eeprom-usb", uitest::SourceText("examples/eeprom-usb.ini"));
    WaitUntilReady();
    Click(Dlg::IDC_READ);
    // Until the worker answers, the only live operation control is Cancel.
    EXPECT_EQ(Text(Dlg::IDC_UPDATE), "Cancel");
    EXPECT_TRUE(Enabled(Dlg::IDC_UPDATE));
    EXPECT_FALSE(Enabled(Dlg::IDC_READ));
    EXPECT_FALSE(Enabled(Dlg::IDC_BROWSE));
    EXPECT_FALSE(Enabled(Dlg::IDC_DEV_VID));
    EXPECT_EQ(m_dlg->GetCancelFlag(), 0u);
    uitest::SaveScreenshot(m_dlg.get(), "main-dialog-read-running");
    Click(Dlg::IDC_UPDATE);
    EXPECT_EQ(m_dlg->GetCancelFlag(), 1u);
    // Cancel posts nothing: the read's own answer brings the dialog back to idle.
    WaitIdle();
    EXPECT_EQ(Text(Dlg::IDC_UPDATE), "Update");
}

TEST_F(MainDlgTest, FailedReadShowsTheErrorAndTheDefaultImage) {
    Start("none", uitest::SourceText("examples/eeprom-usb.ini"));
    WaitUntilReady();
    Type(Dlg::IDC_DEV_VID, "ABCD");
    ReadAndWait(1);
    EXPECT_EQ(m_boxes.shown[0].text, LoadMessage(IDS_DETECT_DEVICE_FAIL));
    EXPECT_EQ(m_boxes.shown[0].caption, "ReaderEE");
    EXPECT_EQ(m_boxes.shown[0].icon, MsgIcon::Error);
    // The upload image is the default image again, and the panel shows it.
    ImageFields fields = g_pDevTypeInfo->UploadFields();
    EXPECT_NE(fields.GetVID(), 0xABCD);
    EXPECT_EQ(Text(Dlg::IDC_DEV_VID), FormatId(fields.GetVID()));
    EXPECT_EQ(Control<QProgressBar>(Dlg::IDC_PROGRESS)->value(), 0);
    uitest::SaveScreenshot(m_dlg.get(), "main-dialog-read-no-reader");
}

TEST_F(MainDlgTest, SuccessCaptionCarriesTheElapsedTime) {
    Start("eeprom-usb", uitest::SourceText("examples/eeprom-usb.ini"));
    WaitUntilReady();
    const uint32_t posted = m_clock.TickCount();
    ReadAndWait(1);
    m_clock.Advance(1234);
    const uint32_t elapsed = m_clock.TickCount() - posted;
    m_dlg->PostMessage(UM_SUCCEED, IDS_READ_EEPROM_SUCCEED, 0);
    WaitForBoxes(2);
    EXPECT_EQ(m_boxes.shown[1].text, "Read EEPROM Code Succeed.");
    EXPECT_EQ(m_boxes.shown[1].caption, "ReaderEE - " + std::to_string(elapsed) + " ms");
    EXPECT_EQ(m_boxes.shown[1].icon, MsgIcon::None);
}

TEST_F(MainDlgTest, DeviceFieldEditsWriteTheUploadImage) {
    Start("eeprom-usb", uitest::SourceText("examples/eeprom-usb.ini"));
    WaitUntilReady();
    Type(Dlg::IDC_DEV_VID, "12ab");
    Type(Dlg::IDC_DEV_PID, "0C0D");
    Type(Dlg::IDC_DEV_PRODUCT, "Line Reader");
    ImageFields fields = g_pDevTypeInfo->UploadFields();
    EXPECT_EQ(fields.GetVID(), 0x12AB);
    EXPECT_EQ(fields.GetPID(), 0x0C0D);
    EXPECT_EQ(fields.GetProduct(), "Line Reader");
    EXPECT_TRUE(m_boxes.shown.empty());
}

TEST_F(MainDlgTest, UpdateWritesTheEditedImageBackToTheReader) {
    Start("eeprom-usb", uitest::SourceText("examples/eeprom-usb.ini"));
    WaitUntilReady();
    ReadAndWait(1);
    Type(Dlg::IDC_DEV_VID, "1A2B");
    Type(Dlg::IDC_DEV_SERIAL, "LINE-3");
    Click(Dlg::IDC_UPDATE);
    WaitForBoxes(2);
    WaitIdle();
    EXPECT_EQ(m_boxes.shown[1].text, LoadMessage(IDS_UPDATE_EEPROM_SUCCEED));
    Type(Dlg::IDC_DEV_VID, "0000");
    ReadAndWait(3);
    EXPECT_EQ(Text(Dlg::IDC_DEV_VID), "1A2B");
    EXPECT_EQ(Text(Dlg::IDC_DEV_SERIAL), "LINE-3");
}

TEST_F(MainDlgTest, DetailDialogFollowsTheMainDialog) {
    Start("eeprom-usb", uitest::SourceText("examples/eeprom-usb.ini"));
    WaitUntilReady();
    ASSERT_NE(Detail(), nullptr);
    EXPECT_EQ(Detail()->reloads, 1);
    EXPECT_TRUE(Visible(Dlg::IDC_DETAIL));
    EXPECT_EQ(Detail()->enabled, std::make_pair(0u, 0u));

    Click(Dlg::IDC_DETAIL);
    ASSERT_TRUE(Detail()->shownAt.has_value());
    EXPECT_EQ(Detail()->shownAt->x(), m_dlg->frameGeometry().right() + 1);
    EXPECT_EQ(Detail()->shownAt->y(), m_dlg->frameGeometry().top());
    EXPECT_TRUE(Control<QPushButton>(Dlg::IDC_DETAIL)->isChecked());
    // While the editor is open the file side is locked.
    EXPECT_FALSE(Enabled(Dlg::IDC_BROWSE));
    EXPECT_TRUE(Enabled(Dlg::IDC_READ));

    // A product edit: refresh, scroll and highlight the new product string.
    Detail()->messages.clear();
    g_pIcTypeIni->m_byLastWritePos = 0;
    Type(Dlg::IDC_DEV_PRODUCT, "Line 7");
    ASSERT_EQ(Detail()->messages.size(), 3u);
    const uint32_t position = Detail()->messages[1].wParam;
    EXPECT_EQ(Detail()->messages[0], (FakeDetailDialog::Message{UM_DETAIL_REFRESH, 1, 0}));
    EXPECT_EQ(Detail()->messages[1], (FakeDetailDialog::Message{UM_DETAIL_SCROLL_TO, position, 0}));
    EXPECT_EQ(Detail()->messages[2], (FakeDetailDialog::Message{UM_DETAIL_HIGHLIGHT, position, 8}));
    EXPECT_EQ(g_pIcTypeIni->m_byLastWritePos, 0);

    Click(Dlg::IDC_DETAIL);
    EXPECT_EQ(Detail()->messages.back(), (FakeDetailDialog::Message{UM_DETAIL_SHOW, 0, 0}));
    EXPECT_FALSE(Control<QPushButton>(Dlg::IDC_DETAIL)->isChecked());
    EXPECT_TRUE(Enabled(Dlg::IDC_BROWSE));

    // A read is forwarded with its check result, and the editor follows the busy state.
    ReadAndWait(1);
    EXPECT_EQ(Detail()->messages.back(), (FakeDetailDialog::Message{UM_IMAGE_CHANGED, 1, 0}));
    EXPECT_EQ(Detail()->enabled, std::make_pair(0u, 0u));
}

TEST_F(MainDlgTest, StringsThatDoNotFitAreRefusedAndTheOldTextComesBack) {
    Start("eeprom-usb", uitest::SourceText("examples/eeprom-usb.ini"));
    WaitUntilReady();
    const std::string before = Text(Dlg::IDC_DEV_MANUFACTURER);
    const std::vector<uint8_t> image(g_pDevTypeInfo->GetDataUp(),
                                     g_pDevTypeInfo->GetDataUp() + g_pDevTypeInfo->GetDataUpSize());
    Type(Dlg::IDC_DEV_MANUFACTURER, std::string(60, 'M'));
    WaitForBoxes(1);
    EXPECT_EQ(m_boxes.shown[0].text, LoadMessage(IDS_TOO_MANY_CHARACTERS));
    EXPECT_EQ(Text(Dlg::IDC_DEV_MANUFACTURER), before);
    EXPECT_EQ(std::vector<uint8_t>(g_pDevTypeInfo->GetDataUp(),
                                   g_pDevTypeInfo->GetDataUp() + g_pDevTypeInfo->GetDataUpSize()),
              image);
}

TEST_F(MainDlgTest, BrowsedFileFillsTheFilePanel) {
    Start("eeprom-usb", uitest::SourceText("examples/eeprom-usb.ini"));
    WaitUntilReady();
    std::string path = SaveUploadImage("image.bin");
    m_files.paths.push_back(path);
    Click(Dlg::IDC_BROWSE);
    ASSERT_EQ(m_files.requests.size(), 1u);
    EXPECT_EQ(m_files.requests[0].defaultExtension, "bin");
    EXPECT_EQ(m_files.requests[0].filter, "Binary Files (*.bin)|*.bin|All Files (*.*)|*.*||");
    ASSERT_TRUE(PumpUntil([&] { return Enabled(Dlg::IDC_FILE_VID); }));
    EXPECT_TRUE(m_boxes.shown.empty());
    EXPECT_EQ(Text(Dlg::IDC_DOWNLOAD_PATH), path);
    EXPECT_EQ(Text(Dlg::IDC_FILE_VID), Text(Dlg::IDC_DEV_VID));
    EXPECT_EQ(Text(Dlg::IDC_FILE_MANUFACTURER), Text(Dlg::IDC_DEV_MANUFACTURER));
    EXPECT_TRUE(Enabled(Dlg::IDC_DOWNLOAD));
    EXPECT_EQ(Text(Dlg::IDC_DOWNLOAD), "Download");
    uitest::SaveScreenshot(m_dlg.get(), "main-dialog-file-loaded");
}

TEST_F(MainDlgTest, MissingConfiguredFileEmptiesThePathAndSaysSo) {
    Start("eeprom-usb", uitest::SourceText("examples/eeprom-usb.ini"), "Download File=gone.bin\n");
    WaitForBoxes(1);
    EXPECT_EQ(m_boxes.shown[0].text, LoadMessage(IDS_LOAD_FILE_DATA_FAIL));
    EXPECT_EQ(Text(Dlg::IDC_DOWNLOAD_PATH), "");
    EXPECT_FALSE(Enabled(Dlg::IDC_DOWNLOAD));
}

TEST_F(MainDlgTest, FileModifiedOnDiskIsReloadedAndDownloadedWithOneClick) {
    Start("eeprom-usb", uitest::SourceText("examples/eeprom-usb.ini"));
    WaitUntilReady();
    std::string path = SaveUploadImage("image.bin");
    m_files.paths.push_back(path);
    Click(Dlg::IDC_BROWSE);
    ASSERT_TRUE(PumpUntil([&] { return Enabled(Dlg::IDC_FILE_VID); }));

    // Another program replaces the file by one with a new VID.
    g_pDevTypeInfo->UploadFields().SetVID(0x4321);
    ReplaceFile(path, SaveUploadImage("staging/image.bin"));
    ASSERT_TRUE(PumpUntil([&] { return m_dlg->FileModified() == 1; }));

    Click(Dlg::IDC_DOWNLOAD);
    ASSERT_GE(m_boxes.shown.size(), 1u);
    EXPECT_EQ(m_boxes.shown[0].text, path + "\n has been modified outside. Do you want to reload it?");
    EXPECT_EQ(m_boxes.shown[0].buttons, MsgButtons::OkCancel);
    // The reloaded file is shown and its download follows without a second click.
    WaitForBoxes(2);
    EXPECT_EQ(Text(Dlg::IDC_FILE_VID), "4321");
    EXPECT_EQ(m_boxes.shown[1].text, LoadMessage(IDS_DOWNLOAD_EEPROM_SUCCEED));
    EXPECT_EQ(m_boxes.shown[1].caption.rfind("ReaderEE - ", 0), 0u) << m_boxes.shown[1].caption;
    EXPECT_EQ(m_dlg->FileModified(), 0u);
    WaitIdle();
    uitest::SaveScreenshot(m_dlg.get(), "main-dialog-file-reloaded");
    // The reader holds the reloaded image.
    ReadAndWait(3);
    EXPECT_EQ(m_boxes.shown[2].text, LoadMessage(IDS_READ_EEPROM_SUCCEED));
    EXPECT_EQ(Text(Dlg::IDC_DEV_VID), "4321");
}

TEST_F(MainDlgTest, DeclinedReloadDownloadsTheDataLoadedBeforeAndAsksAgainNextTime) {
    Start("eeprom-usb", uitest::SourceText("examples/eeprom-usb.ini"));
    WaitUntilReady();
    std::string path = SaveUploadImage("image.bin");
    m_files.paths.push_back(path);
    Click(Dlg::IDC_BROWSE);
    ASSERT_TRUE(PumpUntil([&] { return Enabled(Dlg::IDC_FILE_VID); }));
    const std::string vid = Text(Dlg::IDC_FILE_VID);
    g_pDevTypeInfo->UploadFields().SetVID(0x4321);
    ReplaceFile(path, SaveUploadImage("staging/image.bin"));
    ASSERT_TRUE(PumpUntil([&] { return m_dlg->FileModified() == 1; }));

    m_boxes.answers.push_back(MsgAnswer::Cancel);
    Click(Dlg::IDC_DOWNLOAD);
    WaitForBoxes(2);
    WaitIdle();
    EXPECT_EQ(Text(Dlg::IDC_FILE_VID), vid);
    EXPECT_EQ(m_dlg->FileModified(), 1u);
    Click(Dlg::IDC_DOWNLOAD);
    ASSERT_GE(m_boxes.shown.size(), 3u);
    EXPECT_EQ(m_boxes.shown[2].buttons, MsgButtons::OkCancel);
}

TEST_F(MainDlgTest, RemovedFileIsReportedAtDownload) {
    Start("eeprom-usb", uitest::SourceText("examples/eeprom-usb.ini"));
    WaitUntilReady();
    std::string path = SaveUploadImage("image.bin");
    m_files.paths.push_back(path);
    Click(Dlg::IDC_BROWSE);
    ASSERT_TRUE(PumpUntil([&] { return Enabled(Dlg::IDC_FILE_VID); }));
    ASSERT_EQ(unlink(path.c_str()), 0);
    ASSERT_TRUE(PumpUntil([&] { return m_dlg->FileMissing() == 1; }));
    Click(Dlg::IDC_DOWNLOAD);
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_EQ(m_boxes.shown[0].text, path + "\n can not be found.");
    // Nothing was requested: the dialog stays idle.
    EXPECT_EQ(Text(Dlg::IDC_DOWNLOAD), "Download");
}

TEST_F(MainDlgTest, FileFailingTheChipCheckIsDownloadedOnlyAfterAnExplicitYes) {
    Start("eeprom-usb", uitest::SourceText("examples/eeprom-usb.ini"));
    WaitUntilReady();
    auto memory = [&] {
        m_sim->MustSim("read 0 eeprom " + Folder().File("memory.bin"));
        return Folder().Read("memory.bin");
    };
    const std::string before = memory();
    Folder().Write("zero.bin", std::string(g_pDevTypeInfo->GetDataUpSize(), '\0'));
    const std::string path = Folder().File("zero.bin");
    m_files.paths.push_back(path);
    Click(Dlg::IDC_BROWSE);
    WaitForBoxes(1);
    EXPECT_EQ(m_boxes.shown[0].text, LoadMessage(IDS_FILE_VENDOR_INFO_INVALID));
    EXPECT_EQ(m_boxes.shown[0].icon, MsgIcon::Error);
    ASSERT_TRUE(PumpUntil([&] { return Enabled(Dlg::IDC_DOWNLOAD); }));

    // Unanswered, the question takes its default button: No. Nothing is written.
    Click(Dlg::IDC_DOWNLOAD);
    ASSERT_EQ(m_boxes.shown.size(), 2u);
    EXPECT_EQ(m_boxes.shown[1].buttons, MsgButtons::YesNo);
    EXPECT_EQ(m_boxes.shown[1].icon, MsgIcon::Warning);
    EXPECT_EQ(m_boxes.shown[1].text.rfind(path + "\n", 0), 0u) << m_boxes.shown[1].text;
    uitest::PumpPending();
    EXPECT_EQ(m_boxes.shown.size(), 2u);
    EXPECT_EQ(Text(Dlg::IDC_DOWNLOAD), "Download");
    EXPECT_EQ(memory(), before);

    m_boxes.answers.push_back(MsgAnswer::Yes);
    Click(Dlg::IDC_DOWNLOAD);
    WaitForBoxes(4);
    EXPECT_EQ(m_boxes.shown[2].buttons, MsgButtons::YesNo);
    EXPECT_EQ(m_boxes.shown[3].text, LoadMessage(IDS_DOWNLOAD_EEPROM_SUCCEED));
    EXPECT_NE(memory(), before);
}

TEST_F(MainDlgTest, BrowsingAnotherFileForgetsTheChangeSeenOnThePreviousOne) {
    Start("eeprom-usb", uitest::SourceText("examples/eeprom-usb.ini"));
    WaitUntilReady();
    std::string first = SaveUploadImage("first.bin");
    std::string second = SaveUploadImage("second.bin");
    m_files.paths.push_back(first);
    Click(Dlg::IDC_BROWSE);
    ASSERT_TRUE(PumpUntil([&] { return Enabled(Dlg::IDC_FILE_VID); }));
    ReplaceFile(first, SaveUploadImage("staging/first.bin"));
    ASSERT_TRUE(PumpUntil([&] { return m_dlg->FileModified() == 1; }));

    m_files.paths.push_back(second);
    Click(Dlg::IDC_BROWSE);
    ASSERT_TRUE(PumpUntil([&] { return Enabled(Dlg::IDC_FILE_VID); }));
    EXPECT_EQ(m_dlg->FileModified(), 0u);
    Click(Dlg::IDC_DOWNLOAD);
    WaitForBoxes(1);
    EXPECT_EQ(m_boxes.shown[0].text, LoadMessage(IDS_DOWNLOAD_EEPROM_SUCCEED)) << "no reload question";
}

TEST_F(MainDlgTest, VersionFieldsFollowTheIcTypeInUse) {
    Start("flash-usb", uitest::SourceText("examples/flash-usb.ini"));
    WaitUntilReady();
    EXPECT_TRUE(Visible(Dlg::IDC_DEV_VERSION));
    EXPECT_TRUE(Visible(Dlg::IDC_FILE_VERSION));
    // The editor switched to an EEPROM IC INI file; the worker reports the new device type ready.
    g_ProjectType = EEPROM;
    m_dlg->PostMessage(UM_LIB_READY, 0, 0);
    uitest::PumpPending();
    EXPECT_FALSE(Visible(Dlg::IDC_DEV_VERSION));
    EXPECT_FALSE(Visible(Dlg::IDC_FILE_VERSION));
}

TEST_F(MainDlgTest, ClosingStopsTheWorkerAndSavesTheDownloadFile) {
    Start("eeprom-usb", uitest::SourceText("examples/eeprom-usb.ini"));
    WaitUntilReady();
    std::string path = SaveUploadImage("image.bin");
    m_files.paths.push_back(path);
    Click(Dlg::IDC_BROWSE);
    ASSERT_TRUE(PumpUntil([&] { return Enabled(Dlg::IDC_FILE_VID); }));
    m_clock.ClearSleeps();
    m_dlg->reject();
    // The dialog ends only after the worker did.
    EXPECT_FALSE(m_dlg->HasEnded());
    ASSERT_TRUE(PumpUntil([&] { return m_dlg->HasEnded(); }));
    EXPECT_EQ(m_clock.Sleeps().back(), 128u);
    EXPECT_EQ(g_pConfigIni->GetString("Quillix Config", "Download File", ""), path);
}

} // namespace

// Endurance of the main dialog: many Read, Download and Update cycles in a row on one reader. Nothing
// piles up in the worker's queue, every reader handle that is opened is closed again, each operation
// succeeds and the reader holds what the dialog wrote; LeakSanitizer (the ASan build of the suite)
// checks the exit. The suite runs a few cycles; the long run (500, with LeakSanitizer preloaded into the
// normal build, README) sets QUILLIX_ENDURANCE_CYCLES and prints one table.
TEST_F(MainDlgTest, EnduranceOfReadDownloadUpdate) {
    const char* count = std::getenv("QUILLIX_ENDURANCE_CYCLES");
    const int cycles = count && *count ? std::atoi(count) : 5;
    Start("eeprom-usb", uitest::SourceText("examples/eeprom-usb.ini"));
    WaitUntilReady();
    m_files.paths.push_back(SaveUploadImage("image.bin"));
    Click(Dlg::IDC_BROWSE);
    ASSERT_TRUE(PumpUntil([&] { return Enabled(Dlg::IDC_FILE_VID); }));
    m_sim->MustSim("journal on");

    const std::string expected[] = {LoadMessage(IDS_READ_EEPROM_SUCCEED),
                                    LoadMessage(IDS_DOWNLOAD_EEPROM_SUCCEED),
                                    LoadMessage(IDS_UPDATE_EEPROM_SUCCEED)};
    int failedOperations = 0;
    int wrongReads = 0;
    size_t queueAfterFirst = 0;
    size_t largestQueue = 0;
    std::string typedVid;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        const size_t boxes = m_boxes.shown.size();
        ReadAndWait(boxes + 1);
        if (!typedVid.empty() && Text(Dlg::IDC_DEV_VID) != typedVid) {
            ++wrongReads;
            ADD_FAILURE() << "cycle " << cycle << ": read VID " << Text(Dlg::IDC_DEV_VID) << ", updated "
                          << typedVid;
        }
        Click(Dlg::IDC_DOWNLOAD);
        WaitForBoxes(boxes + 2);
        WaitIdle();
        typedVid = platform::StrPrintf("%04X", 0x1000 + cycle);
        Type(Dlg::IDC_DEV_VID, typedVid);
        Click(Dlg::IDC_UPDATE);
        WaitForBoxes(boxes + 3);
        WaitIdle();
        for (size_t i = 0; i < 3; ++i) {
            if (m_boxes.shown[boxes + i].text != expected[i]) {
                ++failedOperations;
                ADD_FAILURE() << "cycle " << cycle << ": " << m_boxes.shown[boxes + i].text;
            }
        }
        const size_t queued = g_pVrkThread->QueuedRequests();
        largestQueue = std::max(largestQueue, queued);
        if (cycle == 0)
            queueAfterFirst = queued;
        ASSERT_LE(queued, queueAfterFirst) << "cycle " << cycle << ": the worker's queue grows";
    }

    size_t opens = 0;
    size_t closes = 0;
    for (const std::string& line : m_sim->Journal()) {
        const bool open =
            line.find("QDOpenVrk") != std::string::npos || line.find("QDGetInstHandle") != std::string::npos;
        if (open && line.find("-> 0x0") == std::string::npos)
            ++opens;
        // A handle a reset killed is closed all the same (the close of a dead handle answers 0).
        if (line.find("QDClose(") != std::string::npos)
            ++closes;
    }
    std::printf("main dialog endurance, %d Read/Download/Update cycles on one eeprom-usb reader:\n", cycles);
    std::printf(
        "| Cycles | Operations failed | Wrong reads | Worker queue after the first / largest | Opens | "
        "Closes |\n|---|---|---|---|---|---|\n");
    std::printf("| %d | %d | %d | %zu / %zu | %zu | %zu |\n", cycles, failedOperations, wrongReads,
                queueAfterFirst, largestQueue, opens, closes);
    EXPECT_GT(opens, 0u);
    EXPECT_EQ(closes, opens) << "every handle opened is closed";
}
