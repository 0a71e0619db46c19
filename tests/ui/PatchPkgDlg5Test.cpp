#include "ui/update/PatchPkgDlg5.h"
#include "app/Messages.h"
#include "core/Broadcast.h"
#include "core/MessageIds.h"
#include "device/DevTypeInfo.h"
#include "model/ConfigIni.h"
#include "tests/ui/UpdateDlgFixture.h"

#include <QLineEdit>

#include <array>

using uitest::PumpUntil;

namespace {

using Dlg = CPatchPkgDlg5;

constexpr const char* kReadyMessage = "Device is detect and ready to start update firmware.";
constexpr const char* kNotFullReady = "3 card reader devices not full ready, please check.";

// Answers open and save dialogs with queued paths and records what they were asked.
class StationFileDialogs : public IFileDialogs {
public:
    StationFileDialogs() { m_previous = SetFileDialogs(this); }
    ~StationFileDialogs() override { SetFileDialogs(m_previous); }
    std::optional<std::string> GetOpenFileName(QWidget*, const OpenFileRequest& request) override {
        return Next(request);
    }
    std::optional<std::string> GetSaveFileName(QWidget*, const OpenFileRequest& request) override {
        return Next(request);
    }
    std::deque<std::string> paths;
    std::vector<OpenFileRequest> requests;

private:
    std::optional<std::string> Next(const OpenFileRequest& request) {
        requests.push_back(request);
        if (paths.empty())
            return std::nullopt;
        std::string path = paths.front();
        paths.pop_front();
        return path;
    }
    IFileDialogs* m_previous;
};

// The station with the simulator's three sockets; each socket's firmware is the image its reader holds.
class PatchPkgDlg5Test : public UpdateDlgFixture {
protected:
    // `scene` runs before the dialog starts; `cfFile` replaces the CF socket's firmware file name.
    void Start(const std::vector<std::string>& scene = {}, const std::string& cfFile = "cf.bin") {
        // The station writes each socket's serial number: the reader's own must not be held, and one
        // attempt per socket keeps a failure at its socket.
        Prepare("station", 5, "", [](std::string& ini) {
            ini.replace(ini.find("Flash HoldInfo=1"), 16, "Flash HoldInfo=0");
            ini.replace(ini.find("Flash RetryCount=2"), 18, "Flash RetryCount=1");
        });
        const std::array<std::string, 3> files = {"sd1.bin", cfFile, "sd2.bin"};
        const char* sections[] = {"SD1", "CF", "SD2"};
        for (int socket = 0; socket < 3; ++socket) {
            m_paths[socket] = Sim().File(files[socket]);
            if (files[socket] != "missing.bin")
                FirmwareFromReader(files[socket], socket);
            g_pConfigIni->SetEntry(sections[socket], "FW Path", m_paths[socket]);
            g_pConfigIni->SetEntry(sections[socket], "SN", "SN" + std::to_string(socket + 1));
        }
        for (const std::string& command : scene)
            Sim().MustSim(command);
        Show<CPatchPkgDlg5>(&g_pPatchPkgDlg5);
        ASSERT_TRUE(PumpUntil([&] { return Message() != "N/A"; }));
        uitest::PumpPending();
    }
    std::string Message() { return Text(Dlg::IDC_MESSAGE); }
    std::array<std::string, 3> Statuses() {
        return {Text(Dlg::IDC_STATUS), Text(Dlg::IDC_STATUS + 1), Text(Dlg::IDC_STATUS + 2)};
    }
    void WaitForMessage(const std::string& prefix) {
        ASSERT_TRUE(PumpUntil([&] { return Message().rfind(prefix, 0) == 0; })) << Message();
        uitest::PumpPending();
    }
    void TypeSerial(int socket, const std::string& text) {
        auto* edit = Control<QLineEdit>(Dlg::IDC_SERIAL + 3 * socket);
        edit->setText(QString::fromStdString(text));
        emit edit->textEdited(edit->text());
    }
    std::string SerialOnReader(int reader) {
        FirmwareFromReader("after.bin", reader);
        std::string image = Sim().Read("after.bin");
        std::vector<uint8_t> bytes(image.begin(), image.end());
        g_pDevTypeInfo->SetDownloadImage(bytes);
        EXPECT_TRUE(g_pDevTypeInfo->CheckDownloadImage());
        return g_pDevTypeInfo->DownloadFields().GetSerialNumber();
    }

    StationFileDialogs m_dialogs;
    std::array<std::string, 3> m_paths;
};

TEST_F(PatchPkgDlg5Test, ThreeReadersWithTheirFilesAreReady) {
    Start();
    EXPECT_EQ(Message(), kReadyMessage);
    EXPECT_EQ(Statuses(), (std::array<std::string, 3>{"Ready", "Ready", "Ready"}));
    for (int id :
         {Dlg::IDC_START, Dlg::IDC_LOAD, Dlg::IDC_SAVE, Dlg::IDC_SERIAL, Dlg::IDC_BROWSE + 6, Dlg::IDC_EXIT})
        EXPECT_TRUE(Enabled(id)) << id;
    EXPECT_EQ(Text(Dlg::IDC_FW_PATH + 3), m_paths[1]);
    EXPECT_EQ(Text(Dlg::IDC_SERIAL + 6), "SN3");
    Screenshot("station-ready");
}

struct SceneCase {
    const char* name;
    std::vector<std::string> scene;
    std::array<const char*, 3> statuses;
    const char* message;
};

class StationScene : public PatchPkgDlg5Test, public testing::WithParamInterface<SceneCase> {};

TEST_P(StationScene, ShowsWhichSocketsHoldAReader) {
    Start(GetParam().scene);
    const auto& expected = GetParam().statuses;
    EXPECT_EQ(Statuses(), (std::array<std::string, 3>{expected[0], expected[1], expected[2]}));
    EXPECT_EQ(Message(), GetParam().message);
    for (int id : {Dlg::IDC_START, Dlg::IDC_LOAD, Dlg::IDC_SAVE, Dlg::IDC_SERIAL + 3, Dlg::IDC_BROWSE})
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_TRUE(Enabled(Dlg::IDC_EXIT));
    Screenshot(std::string("station-") + GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Station, StationScene,
    testing::Values(
        SceneCase{"cf-only", {"detach 0", "detach 2"}, {"Not detect", "Ready", "Not detect"}, kNotFullReady},
        SceneCase{"no-reader",
                  {"detach 0", "detach 1", "detach 2"},
                  {"Not detect", "Not detect", "Not detect"},
                  "Please connect device to start."},
        // A hub that cannot run at high speed is not a station hub: SD2 hangs on it.
        SceneCase{"low-speed-hub", {"hub 2 high-speed 0"}, {"Ready", "Ready", "Not detect"}, kNotFullReady}),
    [](const auto& info) {
        std::string name = info.param.name;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

TEST_F(PatchPkgDlg5Test, MissingCfFirmwareIsNamed) {
    Start({}, "missing.bin");
    EXPECT_EQ(Statuses(), (std::array<std::string, 3>{"Ready", "Ready", "Ready"}));
    EXPECT_EQ(Message(), "The firmware file missing.bin is not available to update, please check.");
    EXPECT_FALSE(Enabled(Dlg::IDC_START));
    Screenshot("station-cf-firmware-missing");

    // The operator mends the path from the tool itself.
    for (int id : {Dlg::IDC_LOAD, Dlg::IDC_SAVE, Dlg::IDC_BROWSE + 3, Dlg::IDC_SERIAL + 3})
        EXPECT_TRUE(Enabled(id)) << id;
    FirmwareFromReader("mended.bin", 1);
    m_dialogs.paths.push_back(Sim().File("mended.bin"));
    Click(Dlg::IDC_BROWSE + 3);
    EXPECT_EQ(Text(Dlg::IDC_FW_PATH + 3), Sim().File("mended.bin"));
    EXPECT_EQ(Message(), kReadyMessage);
    EXPECT_TRUE(Enabled(Dlg::IDC_START));
}

struct SerialCase {
    const char* typed;
    const char* kept;
};

class StationSerial : public PatchPkgDlg5Test, public testing::WithParamInterface<SerialCase> {};

TEST_P(StationSerial, KeepsDigitsAndCapitalsUpToTheFirstOther) {
    Start();
    TypeSerial(1, GetParam().typed);
    auto* edit = Control<QLineEdit>(Dlg::IDC_SERIAL + 3);
    EXPECT_EQ(edit->text().toStdString(), GetParam().kept);
    EXPECT_EQ(edit->cursorPosition(), edit->text().size());
    EXPECT_EQ(static_cast<Dlg*>(m_dlg.get())->m_strSerial[1], GetParam().kept);
}

INSTANTIATE_TEST_SUITE_P(Station, StationSerial,
                         testing::Values(SerialCase{"ab12", ""}, SerialCase{"AB12", "AB12"},
                                         SerialCase{"AB-12", "AB"}, SerialCase{"9Z x", "9Z"}));

TEST_F(PatchPkgDlg5Test, UpdatesAllThreeSocketsWithTheirSerialNumbers) {
    Start();
    TypeSerial(1, "LINE3CF");
    Click(Dlg::IDC_START);
    EXPECT_FALSE(Enabled(Dlg::IDC_START));
    EXPECT_FALSE(Enabled(Dlg::IDC_SERIAL));
    EXPECT_EQ(Message(), "Firmware Updating, please do not disconnect or power off host.");
    WaitForMessage("Firmware Update Finished");
    EXPECT_EQ(Message(), "Firmware Update Finished, please disconnect device and change next one to start.");
    EXPECT_EQ(Statuses(), (std::array<std::string, 3>{"Firmware Update Finished", "Firmware Update Finished",
                                                      "Firmware Update Finished"}));
    EXPECT_TRUE(m_boxes.shown.empty());
    EXPECT_TRUE(Enabled(Dlg::IDC_START));
    Screenshot("station-finished");
    EXPECT_EQ(SerialOnReader(0), "SN1");
    EXPECT_EQ(SerialOnReader(1), "LINE3CF");
    EXPECT_EQ(SerialOnReader(2), "SN3");
}

TEST_F(PatchPkgDlg5Test, StartedStationSaysItIsUpdating) {
    Start();
    Click(Dlg::IDC_START);
    EXPECT_EQ(Message(), "Firmware Updating, please do not disconnect or power off host.");
    Screenshot("station-running");
    ASSERT_TRUE(PumpUntil([&] { return Enabled(Dlg::IDC_START); }));
}

TEST_F(PatchPkgDlg5Test, SecondSocketFailingStopsTheStation) {
    Start();
    Sim().MustSim("fault 1 fail QDEraseFlash2 1000");
    Sim().MustSim("journal on");
    Click(Dlg::IDC_START);
    WaitForMessage("Firmware Update Fail!");
    EXPECT_EQ(Message(), "Firmware Update Fail!\r\n" + LoadMessage(IDS_ERASE_FLASH_FAIL));
    EXPECT_EQ(Statuses(),
              (std::array<std::string, 3>{"Firmware Update Finished", "Firmware Update Fail", "Ready"}));
    EXPECT_TRUE(m_boxes.shown.empty());
    // The third reader was never written.
    for (const std::string& line : Sim().JournalOf("QDWriteFlash2"))
        EXPECT_NE(line.rfind("[2]", 0), 0u) << line;
    Screenshot("station-second-socket-failed");
}

TEST_F(PatchPkgDlg5Test, ReaderLeavingIsSeen) {
    Start();
    Sim().MustSim("detach 2");
    WaitForMessage(kNotFullReady);
    EXPECT_EQ(Statuses(), (std::array<std::string, 3>{"Ready", "Ready", "Not detect"}));
}

TEST_F(PatchPkgDlg5Test, LoadReadsWhatSaveWrote) {
    Start();
    TypeSerial(0, "A1");
    m_dialogs.paths.push_back(Sim().File("station.ini"));
    Click(Dlg::IDC_SAVE);
    ASSERT_EQ(m_dialogs.requests.size(), 1u);
    EXPECT_EQ(m_dialogs.requests[0].defaultExtension, "ini");
    EXPECT_EQ(m_dialogs.requests[0].filter, "Ini Files (*.ini)|*.ini|All Files (*.*)|*.*||");
    EXPECT_EQ(Sim().Read("station.ini"),
              "[SD1]\r\nFW Path=" + m_paths[0] + "\r\nSN=A1\r\n\r\n[CF]\r\nFW Path=" + m_paths[1] +
                  "\r\nSN=SN2\r\n\r\n[SD2]\r\nFW Path=" + m_paths[2] + "\r\nSN=SN3\r\n\r\n");

    // Another socket file, then the saved station again.
    m_dialogs.paths.push_back(Sim().File("sd2.bin"));
    Click(Dlg::IDC_BROWSE);
    EXPECT_EQ(Text(Dlg::IDC_FW_PATH), Sim().File("sd2.bin"));
    EXPECT_EQ(m_dialogs.requests[1].filter, "Binary Files (*.bin)|*.bin|All Files (*.*)|*.*||");
    m_dialogs.paths.push_back(Sim().File("station.ini"));
    Click(Dlg::IDC_LOAD);
    EXPECT_EQ(Text(Dlg::IDC_FW_PATH), m_paths[0]);
    EXPECT_EQ(Text(Dlg::IDC_SERIAL), "A1");
    EXPECT_EQ(Message(), kReadyMessage);
}

TEST_F(PatchPkgDlg5Test, SaveThatCannotWriteSaysSo) {
    Start();
    Sim().Write("plain-file", "x");
    m_dialogs.paths.push_back(Sim().File("plain-file/station.ini"));
    Click(Dlg::IDC_SAVE);
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_EQ(m_boxes.shown[0].text, LoadMessage(IDS_SAVE_FILE_DATA_FAIL));
    EXPECT_EQ(m_boxes.shown[0].icon, MsgIcon::Error);
}

TEST_F(PatchPkgDlg5Test, SettingsGoBackIntoConfigIni) {
    Start();
    TypeSerial(2, "Z9");
    m_dlg->reject();
    ASSERT_TRUE(PumpUntil([&] { return m_dlg->HasEnded(); }));
    EXPECT_EQ(g_pConfigIni->GetString("SD2", "SN", ""), "Z9");
    EXPECT_EQ(g_pConfigIni->GetString("CF", "FW Path", ""), m_paths[1]);
}

} // namespace
