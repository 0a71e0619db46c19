#include "core/VrkThread.h"

#include "core/Broadcast.h"
#include "core/MessageIds.h"
#include "core/OperationHistory.h"
#include "core/UpdateDialogHooks.h"
#include "device/DevTypeClasses.h"
#include "model/ConfigIni.h"
#include "model/DefaultImages.h"
#include "model/IcTypeIni.h"
#include "platform/FakeClock.h"
#include "platform/Text.h"
#include "tests/support/ProcessGlobals.h"
#include "tests/support/RecordingDialog.h"
#include "tests/support/SimReader.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using testsupport::SimReader;
using testsupport::TempProgramFolder;

namespace {

// Everything the worker does that a test observes, in the order it happened, each entry stamped with
// the fake clock's tick.
class Journal {
public:
    void Clear() {
        std::lock_guard lock(m_lock);
        m_entries.clear();
    }
    void Add(const std::string& what) {
        std::lock_guard lock(m_lock);
        m_entries.push_back({platform::GetTickCount(), what});
    }
    // The entries without their ticks.
    std::vector<std::string> Plain() const {
        std::lock_guard lock(m_lock);
        std::vector<std::string> plain;
        for (const Entry& entry : m_entries)
            plain.push_back(entry.what);
        return plain;
    }
    // The entries from `first` on, each as "+<ms since that entry's tick> <what>".
    std::vector<std::string> TimedFrom(const std::string& first) const {
        std::lock_guard lock(m_lock);
        std::vector<std::string> timed;
        uint32_t start = 0;
        for (const Entry& entry : m_entries) {
            if (timed.empty() && entry.what != first)
                continue;
            if (timed.empty())
                start = entry.tick;
            timed.push_back(platform::StrPrintf("+%u %s", entry.tick - start, entry.what.c_str()));
        }
        return timed;
    }

private:
    struct Entry {
        uint32_t tick;
        std::string what;
    };
    mutable std::mutex m_lock;
    std::vector<Entry> m_entries;
};

std::string Message(uint32_t id, uintptr_t wParam, intptr_t lParam) {
    return platform::StrPrintf("0x%X %llu %lld", id, static_cast<unsigned long long>(wParam),
                               static_cast<long long>(lParam));
}

class RecordingDlg3Hooks : public IPatchPkgDlg3Hooks {
public:
    explicit RecordingDlg3Hooks(Journal& journal) : m_journal(journal) {}
    void SetFwVersion(uint16_t wVersion) override {
        m_journal.Add(platform::StrPrintf("dlg3 fw %04X", wVersion));
    }
    void SetVendorProductId(uint16_t wVid, uint16_t wPid) override {
        m_journal.Add(platform::StrPrintf("dlg3 ids %04X %04X", wVid, wPid));
    }
    uint32_t GetRomReset() const override { return 0; }
    void SetRomReset(uint32_t bRomReset) override {
        m_journal.Add(platform::StrPrintf("dlg3 rom %u", bRomReset));
    }
    void SignalCompletion() override { m_journal.Add("dlg3 completed"); }

private:
    Journal& m_journal;
};

class RecordingDlg6Hooks : public IPatchPkgDlg6Hooks {
public:
    explicit RecordingDlg6Hooks(Journal& journal) : m_journal(journal) {}
    void SignalCompletion() override { m_journal.Add("dlg6 completed"); }
    void ClearScanPending() override { m_journal.Add("dlg6 scan done"); }

private:
    Journal& m_journal;
};

// An EEPROM-over-USB object whose device operations only record their calls. Every call answers 1
// unless `failing` names it; the reader scan sets the reader count and the reset flag from the
// fields below, as the real scan does.
class RecordingDevice : public CEepromInfo_USB {
public:
    explicit RecordingDevice(Journal& journal) : m_journal(journal) {}

    uint32_t LoadLib() override { return Call("LoadLib"); }
    uint32_t LoadFun() override { return Call("LoadFun"); }
    uint32_t UnloadLib() override {
        Call("UnloadLib");
        return CEepromInfo_USB::UnloadLib();
    }
    // The read leaves m_readImage in the upload image; a failed one then reports that no reader answered.
    uint32_t DT_Read() override {
        uint32_t result = Call("DT_Read");
        SetUploadImage(m_readImage);
        if (result == 0)
            BroadcastResult(UM_FAIL, 41511, 0);
        return result;
    }
    uint32_t DT_Erase() override { return Call("DT_Erase"); }
    uint32_t DT_Update() override { return Call("DT_Update"); }
    uint32_t DT_Download() override {
        if (m_downloadStarted) {
            m_downloadStarted->set_value();
            m_downloadRelease->wait();
        }
        return Call(platform::StrPrintf("DT_Download cancel %u", IsCancelRequested()));
    }
    uint32_t DT_CheckDevInfo() override { return Call("DT_CheckDevInfo"); }
    uint32_t DT_WaitCheckDevInfo(uint32_t flag) override {
        return Call(platform::StrPrintf("DT_WaitCheckDevInfo(%u)", flag));
    }
    uint32_t DT_GetFwVersion() override { return Call("DT_GetFwVersion"); }
    uint32_t DT_LoadFwVersion() override { return Call("DT_LoadFwVersion"); }
    uint32_t DT_UpdateSocket(uint32_t socket) override {
        return Call(
            platform::StrPrintf("DT_UpdateSocket(%u) current %d", socket, g_pVrkThread->GetCurrentSocket()));
    }
    uint32_t DT_UpdateReader(uint32_t index) override {
        return Call(platform::StrPrintf("DT_UpdateReader(%u)", index));
    }
    uint32_t DT_ScanReaders(uint32_t flag) override {
        m_dwDevCount = m_dwScanFinds;
        m_bSkipReset = m_bScanSkipReset;
        return Call(platform::StrPrintf("DT_ScanReaders(%u)", flag));
    }
    uint32_t DT_CheckReaders() override { return Call("DT_CheckReaders"); }
    uint32_t DT_ResetReaders() override { return Call("DT_ResetReaders"); }
    uint32_t DT_WaitReaders() override { return Call("DT_WaitReaders"); }

    std::vector<std::string> failing;
    std::vector<uint8_t> m_readImage;
    uint32_t m_dwScanFinds = 0;
    uint32_t m_bScanSkipReset = 0;
    // When set, the download announces its start and waits for the release before it looks at the
    // cancel flag.
    std::promise<void>* m_downloadStarted = nullptr;
    std::shared_future<void>* m_downloadRelease = nullptr;

private:
    uint32_t Call(const std::string& what) {
        m_journal.Add(what);
        return std::find(failing.begin(), failing.end(), what) == failing.end() ? 1 : 0;
    }
    Journal& m_journal;
};

constexpr const char* kEepromIni = "[Quillix Config]\nProject Type=Eeprom\nBus Type=USB\nDef Bin=EEU_7464\n";

// The default image that kEepromIni names, as the worker's initialisation loads it.
std::vector<uint8_t> DefaultImage() {
    std::vector<uint8_t> image;
    for (const DefaultImageInfo& info : CIcTypeIni::DefaultImages()) {
        if (std::string(info.pszName) == "EEU_7464") {
            std::span<const uint8_t> bytes = FindDefaultImage(info.wId);
            image.assign(bytes.begin(), bytes.end());
        }
    }
    return image;
}

// A program folder with an IC INI file and the project configuration loaded from it, one recording
// dialog, the fake clock, and the worker started on demand. Every global a test sets is restored.
class VrkThreadTest : public testing::Test {
protected:
    VrkThreadTest() : m_dlg3(m_journal), m_dlg6(m_journal) {
        m_dialog.onPost = [this](const testsupport::PostedMessage& message) {
            m_journal.Add(Message(message.id, message.wParam, message.lParam));
        };
    }

    void TearDown() override {
        testsupport::ResetProcessGlobals();
        // Released before the next folder is made: a folder gives up the program-folder seam when it goes.
        m_folder.reset();
    }

    // Loads the project configuration from `icIni` in `folder` (a plain program folder unless given).
    void Configure(const std::string& icIni = kEepromIni,
                   std::unique_ptr<TempProgramFolder> folder = nullptr) {
        m_folder = folder ? std::move(folder) : std::make_unique<TempProgramFolder>();
        if (!icIni.empty())
            m_folder->Write("chip.ini", icIni);
        g_pIcTypeIni = new CIcTypeIni();
        g_pIcTypeIni->ListIniFiles();
        g_pIcTypeIni->LoadIcIni();
        g_pIcTypeIni->Parse_ProjectType();
    }
    // Configures and installs the recording device as the device-type object.
    RecordingDevice& UseRecordingDevice(const std::string& icIni = kEepromIni) {
        Configure(icIni);
        auto* device = new RecordingDevice(m_journal);
        g_pDevTypeInfo = device;
        return *device;
    }

    // Starts the worker, posts the requests, stops it and waits for its end.
    void Run(const std::vector<std::array<uint64_t, 3>>& requests) {
        ASSERT_NE(StartVrkThread(), nullptr);
        for (const auto& [id, wParam, lParam] : requests)
            ASSERT_TRUE(g_pVrkThread->PostThreadMessage(static_cast<uint32_t>(id), wParam,
                                                        static_cast<intptr_t>(lParam)));
        g_pVrkThread->PostQuitMessage();
        g_pVrkThread->Join();
    }

    // What the recording device and dialog see around the requests of a test.
    static std::vector<std::string> Framed(std::vector<std::string> middle) {
        std::vector<std::string> all = {"LoadLib", "LoadFun", Message(UM_LIB_READY, 0, 0)};
        all.insert(all.end(), middle.begin(), middle.end());
        all.push_back("UnloadLib");
        all.push_back(Message(UM_WORKER_ENDED, 0, 0));
        return all;
    }

    testsupport::ProcessGlobals m_globals;
    platform::FakeClock m_clock;
    Journal m_journal;
    testsupport::RecordingDialog m_dialog;
    RecordingDlg3Hooks m_dlg3;
    RecordingDlg6Hooks m_dlg6;
    std::unique_ptr<TempProgramFolder> m_folder;
};

} // namespace

TEST_F(VrkThreadTest, LibraryOutcomeIsTheFirstAnswerBeforeAnyRequest) {
    struct Case {
        const char* name;
        bool simulated;
        std::string answer;
        std::vector<uint8_t> upload;
    } cases[] = {
        {"no library in the program folder", false, Message(UM_FATAL, 41501, 0), {}},
        {"simulated library", true, Message(UM_LIB_READY, 0, 0), DefaultImage()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        m_journal.Clear();
        std::unique_ptr<TempProgramFolder> folder;
        if (c.simulated)
            folder = std::make_unique<SimReader>("none");
        Configure(kEepromIni, std::move(folder));
        CreateDevTypeInfo();
        g_pMainDlg = &m_dialog;
        // A request posted at once still comes after the library's answer.
        Run({{UM_REQ_LOAD_DOWNLOAD_FILE, 0, 0}});
        EXPECT_EQ(m_journal.Plain(), (std::vector<std::string>{c.answer, Message(UM_FAIL, 41530, 0),
                                                               Message(UM_WORKER_ENDED, 0, 0)}));
        // Only a usable library leads on to the default image.
        EXPECT_EQ(std::vector<uint8_t>(g_pDevTypeInfo->GetDataUp(),
                                       g_pDevTypeInfo->GetDataUp() + g_pDevTypeInfo->GetDataUpSize()),
                  c.upload);
        EXPECT_FALSE(g_pDevTypeInfo->IsBound()) << "the library is released when the worker ends";
    }
}

TEST_F(VrkThreadTest, LibraryWithoutItsEntriesIsFatal) {
    RecordingDevice& device = UseRecordingDevice();
    device.failing = {"LoadFun"};
    g_pMainDlg = &m_dialog;
    Run({});
    EXPECT_EQ(m_journal.Plain(), (std::vector<std::string>{"LoadLib", "LoadFun", Message(UM_FATAL, 41502, 0),
                                                           "UnloadLib", Message(UM_WORKER_ENDED, 0, 0)}));
}

TEST_F(VrkThreadTest, InitialisationLoadsTheDefaultImageBeforeAnnouncingTheLibrary) {
    ASSERT_EQ(DefaultImage().size(), 128u);
    UseRecordingDevice();
    // The dialog looks at the upload image as soon as the library is announced.
    class ImageProbe : public IResultDialog {
    public:
        void PostMessage(uint32_t id, uintptr_t, intptr_t) override {
            if (id == UM_LIB_READY)
                size = g_pDevTypeInfo->GetDataUpSize();
        }
        uint32_t size = 0;
    } probe;
    g_pMainDlg = &probe;
    Run({});
    EXPECT_EQ(probe.size, DefaultImage().size());
}

TEST_F(VrkThreadTest, StartRuleCreatesOneWorker) {
    UseRecordingDevice();
    g_pMainDlg = &m_dialog;
    CVrkThread* first = StartVrkThread();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(StartVrkThread(), first) << "a second dialog finds the worker running";
    first->PostQuitMessage();
    first->Join();
    EXPECT_EQ(m_journal.Plain(), Framed({}));
}

TEST_F(VrkThreadTest, RequestsRunInPostingOrder) {
    UseRecordingDevice();
    g_pMainDlg = &m_dialog;
    Run({{UM_REQ_UPDATE, 0, 0},
         {UM_REQ_WAIT_CHECK_DEV_INFO, 1, 0},
         {UM_REQ_DOWNLOAD, 0, 0},
         {UM_REQ_CHECK_DEV_INFO, 0, 0},
         {UM_REQ_WAIT_CHECK_DEV_INFO, 0, 0},
         {UM_REQ_GET_FW_VERSION, 0, 0},
         {UM_REQ_UPDATE, 0, 0}});
    EXPECT_EQ(m_journal.Plain(),
              Framed({"DT_Update", "DT_WaitCheckDevInfo(1)", "DT_Download cancel 0", "DT_CheckDevInfo",
                      "DT_WaitCheckDevInfo(0)", "DT_GetFwVersion", "DT_Update"}));
}

TEST_F(VrkThreadTest, EachRequestCallsItsOperation) {
    struct Case {
        const char* name;
        uint32_t id;
        uintptr_t wParam;
        intptr_t lParam;
        std::vector<std::string> failing;
        std::vector<std::string> expected;
    } cases[] = {
        {"download", UM_REQ_DOWNLOAD, 0, 0, {}, {"DT_Download cancel 0"}},
        {"update", UM_REQ_UPDATE, 0, 0, {}, {"DT_Update"}},
        {"erase reports the default image",
         UM_REQ_ERASE,
         0,
         0,
         {},
         {"DT_Erase", Message(UM_IMAGE_CHANGED, 1, 0)}},
        {"failed erase too", UM_REQ_ERASE, 0, 0, {"DT_Erase"}, {"DT_Erase", Message(UM_IMAGE_CHANGED, 1, 0)}},
        {"check device info", UM_REQ_CHECK_DEV_INFO, 0, 0, {}, {"DT_CheckDevInfo"}},
        {"wait, then check", UM_REQ_WAIT_CHECK_DEV_INFO, 0, 0, {}, {"DT_WaitCheckDevInfo(0)"}},
        {"check without waiting", UM_REQ_WAIT_CHECK_DEV_INFO, 1, 0, {}, {"DT_WaitCheckDevInfo(1)"}},
        {"firmware versions", UM_REQ_GET_FW_VERSION, 0, 0, {}, {"DT_GetFwVersion"}},
        {"unknown request", 0x43a, 0, 0, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        m_journal.Clear();
        RecordingDevice& device = UseRecordingDevice();
        device.failing = c.failing;
        g_pMainDlg = &m_dialog;
        Run({{c.id, c.wParam, static_cast<uint64_t>(c.lParam)}});
        EXPECT_EQ(m_journal.Plain(), Framed(c.expected));
    }
}

TEST_F(VrkThreadTest, ReadReportsTheImageUnlessQuiet) {
    std::vector<uint8_t> readImage = DefaultImage();
    readImage[4] ^= 0x5A; // a chip that differs from the default image but still checks out
    std::vector<uint8_t> invalid(readImage.size(), 0x00);
    struct Case {
        const char* name;
        intptr_t lParam;
        bool readFails;
        std::vector<uint8_t> chip;
        std::vector<std::string> expected;
        std::vector<uint8_t> uploadAfter;
    } cases[] = {
        {"read", 0, false, readImage, {"DT_Read", Message(UM_IMAGE_CHANGED, 1, 0)}, readImage},
        {"read of a blank chip", 0, false, invalid, {"DT_Read", Message(UM_IMAGE_CHANGED, 0, 0)}, invalid},
        {"failed read falls back to the default image",
         0,
         true,
         readImage,
         {"DT_Read", Message(UM_FAIL, 41511, 0), Message(UM_IMAGE_CHANGED, 1, 0)},
         DefaultImage()},
        {"quiet read", 1, false, readImage, {"DT_Read"}, readImage},
        {"quiet failed read keeps what it read",
         1,
         true,
         readImage,
         {"DT_Read", Message(UM_FAIL, 41511, 0)},
         readImage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        m_journal.Clear();
        RecordingDevice& device = UseRecordingDevice();
        device.m_readImage = c.chip;
        if (c.readFails)
            device.failing = {"DT_Read"};
        g_pMainDlg = &m_dialog;
        Run({{UM_REQ_READ, 0, static_cast<uint64_t>(c.lParam)}});
        EXPECT_EQ(m_journal.Plain(), Framed(c.expected));
        std::vector<uint8_t> upload(device.GetDataUp(), device.GetDataUp() + device.GetDataUpSize());
        EXPECT_EQ(upload, c.uploadAfter);
    }
}

TEST_F(VrkThreadTest, ImageChangedCarriesZeroWithoutAnImage) {
    // No default image configured: a failed read leaves no upload image at all.
    RecordingDevice& device = UseRecordingDevice("[Quillix Config]\nProject Type=Eeprom\nBus Type=USB\n");
    device.failing = {"DT_Read"};
    g_pMainDlg = &m_dialog;
    Run({{UM_REQ_READ, 0, 0}});
    EXPECT_EQ(device.GetDataUp(), nullptr);
    EXPECT_EQ(m_journal.Plain(),
              Framed({"DT_Read", Message(UM_FAIL, 41511, 0), Message(UM_IMAGE_CHANGED, 0, 0)}));
}

TEST_F(VrkThreadTest, LoadingTheDownloadFileAnswersWithItsCheck) {
    std::vector<uint8_t> good = DefaultImage();
    std::vector<uint8_t> foreign(good.size(), 0x00);
    struct Case {
        const char* name;
        const char* fileName;
        const std::vector<uint8_t>* content;
        intptr_t lParam;
        std::string expected;
    } cases[] = {
        {"valid image, then download", "fw.bin", &good, 1, Message(UM_FILE_LOADED, 1, 1)},
        {"valid image", "fw.bin", &good, 0, Message(UM_FILE_LOADED, 1, 0)},
        {"image of another chip", "fw.bin", &foreign, 1, Message(UM_FILE_LOADED, 0, 1)},
        {"missing file", "absent.bin", nullptr, 1, Message(UM_FAIL, 41530, 0)},
        {"empty path", "", nullptr, 0, Message(UM_FAIL, 41530, 0)},
        {"empty file", "fw.bin", nullptr, 0, Message(UM_FAIL, 41530, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        m_journal.Clear();
        RecordingDevice& device = UseRecordingDevice();
        if (c.content)
            m_folder->Write("fw.bin", *c.content);
        else
            m_folder->Write("fw.bin", std::string());
        device.m_strDownloadFile = c.fileName;
        g_pMainDlg = &m_dialog;
        Run({{UM_REQ_LOAD_DOWNLOAD_FILE, 0, static_cast<uint64_t>(c.lParam)}});
        EXPECT_EQ(m_journal.Plain(), Framed({c.expected}));
        if (c.content) {
            EXPECT_EQ(
                std::vector<uint8_t>(device.GetDataDown(), device.GetDataDown() + device.GetDataDownSize()),
                *c.content);
        }
    }
}

TEST_F(VrkThreadTest, FetchingFirmwareIdsSignalsTheWaitingDialog) {
    struct Case {
        const char* name;
        bool dlg3;
        bool dlg6;
        bool fails;
        std::vector<std::string> expected;
    } cases[] = {
        {"single-reader dialog", true, false, false, {"DT_LoadFwVersion", "dlg3 completed"}},
        {"also after a failure", true, false, true, {"DT_LoadFwVersion", "dlg3 completed"}},
        {"multi-reader dialog", false, true, false, {"DT_LoadFwVersion", "dlg6 completed"}},
        {"no waiting dialog", false, false, false, {"DT_LoadFwVersion"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        m_journal.Clear();
        RecordingDevice& device = UseRecordingDevice();
        if (c.fails)
            device.failing = {"DT_LoadFwVersion"};
        g_pMainDlg = &m_dialog;
        g_pPatchPkgDlg3Hooks = c.dlg3 ? &m_dlg3 : nullptr;
        g_pPatchPkgDlg6Hooks = c.dlg6 ? &m_dlg6 : nullptr;
        Run({{UM_REQ_LOAD_FW_VERSION, 0, 0}});
        EXPECT_EQ(m_journal.Plain(), Framed(c.expected));
    }
}

TEST_F(VrkThreadTest, StopFinishesQueuedRequestsThenEnds) {
    RecordingDevice& device = UseRecordingDevice();
    g_pMainDlg = &m_dialog;
    std::promise<void> started;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    device.m_downloadStarted = &started;
    device.m_downloadRelease = &released;

    ASSERT_NE(StartVrkThread(), nullptr);
    g_pVrkThread->PostThreadMessage(UM_REQ_DOWNLOAD, 0, 0);
    g_pVrkThread->PostThreadMessage(UM_REQ_CHECK_DEV_INFO, 0, 0);
    started.get_future().wait();
    // The user closes the dialog while the download runs.
    StopVrkThread(m_dialog);
    EXPECT_FALSE(g_pVrkThread->PostThreadMessage(UM_REQ_UPDATE, 0, 0)) << "nothing is taken after the stop";
    release.set_value();
    g_pVrkThread->Join();

    EXPECT_EQ(m_journal.Plain(), Framed({"DT_Download cancel 1", "DT_CheckDevInfo"}));
}

TEST_F(VrkThreadTest, StopWithoutWorkerEndsTheDialogAtOnce) {
    StopVrkThread(m_dialog);
    EXPECT_EQ(m_journal.Plain(), std::vector<std::string>{Message(UM_WORKER_ENDED, 0, 0)});
    EXPECT_EQ(m_dialog.GetCancelFlag(), 0u);
}

TEST_F(VrkThreadTest, UpdateLoopSequencesAndPauses) {
    const std::string progress = Message(UM_PROGRESS, 0, 0);
    struct Case {
        const char* name;
        uint32_t customizeUI;
        uint32_t readers;
        std::vector<std::string> failing;
        std::vector<std::string> expected;
        std::vector<uint32_t> sleeps;
        int32_t socketAfter;
    } cases[] = {
        {"station, every socket updated",
         5,
         0,
         {},
         {"+0 " + Message(UM_SOCKET_BEGIN, 0, 0), "+0 " + progress, "+0 DT_UpdateSocket(1) current 1",
          "+100 " + Message(UM_SOCKET_BEGIN, 1, 0), "+100 " + progress, "+100 DT_UpdateSocket(2) current 2",
          "+200 " + Message(UM_SOCKET_BEGIN, 2, 0), "+200 " + progress, "+200 DT_UpdateSocket(3) current 3",
          "+3300 " + Message(UM_ALL_UPDATED, 0, 0)},
         {100, 100, 100, 3000},
         3},
        {"station, second socket fails",
         5,
         0,
         {"DT_UpdateSocket(2) current 2"},
         {"+0 " + Message(UM_SOCKET_BEGIN, 0, 0), "+0 " + progress, "+0 DT_UpdateSocket(1) current 1",
          "+100 " + Message(UM_SOCKET_BEGIN, 1, 0), "+100 " + progress, "+100 DT_UpdateSocket(2) current 2",
          "+1100 " + Message(UM_UPDATE_STOPPED, 0, 0)},
         {100, 1000},
         2},
        {"station, first socket fails",
         5,
         0,
         {"DT_UpdateSocket(1) current 1"},
         {"+0 " + Message(UM_SOCKET_BEGIN, 0, 0), "+0 " + progress, "+0 DT_UpdateSocket(1) current 1",
          "+1000 " + Message(UM_UPDATE_STOPPED, 0, 0)},
         {1000},
         1},
        {"two readers updated",
         6,
         2,
         {},
         {"+0 " + progress, "+0 DT_UpdateReader(1)", "+100 " + progress, "+100 DT_UpdateReader(2)",
          "+3200 " + Message(UM_ALL_UPDATED, 0, 0)},
         {100, 100, 3000},
         0},
        {"second of three readers fails",
         0,
         3,
         {"DT_UpdateReader(2)"},
         {"+0 " + progress, "+0 DT_UpdateReader(1)", "+100 " + progress, "+100 DT_UpdateReader(2)",
          "+3100 " + Message(UM_UPDATE_STOPPED, 0, 0)},
         {100, 3000},
         0},
        {"no reader counted", 6, 0, {}, {"+3000 " + Message(UM_ALL_UPDATED, 0, 0)}, {3000}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        m_journal.Clear();
        m_clock.ClearSleeps();
        RecordingDevice& device = UseRecordingDevice();
        device.failing = c.failing;
        device.m_dwDevCount = c.readers;
        g_dwCustomizeUI = c.customizeUI;
        g_pPatchPkgDlg5 = &m_dialog;
        // A marker request starts the timed part of the journal.
        Run({{UM_REQ_UPDATE, 0, 0}, {UM_REQ_UPDATE_ALL, 0, 0}});
        std::vector<std::string> expected = {"+0 DT_Update"};
        expected.insert(expected.end(), c.expected.begin(), c.expected.end());
        std::vector<std::string> timed = m_journal.TimedFrom("DT_Update");
        ASSERT_GE(timed.size(), 2u);
        timed.resize(timed.size() - 2); // the worker's end
        EXPECT_EQ(timed, expected);
        EXPECT_EQ(m_clock.Sleeps(), c.sleeps);
        EXPECT_EQ(g_pVrkThread->GetCurrentSocket(), c.socketAfter);
    }
}

TEST_F(VrkThreadTest, ReaderCheckSequence) {
    struct Case {
        const char* name;
        intptr_t lParam;
        uint32_t found;
        uint32_t skipReset;
        std::vector<std::string> expected;
    } cases[] = {
        {"no reader: only the flag is cleared", 0, 0, 0, {"+0 DT_ScanReaders(0)", "+0 dlg6 scan done"}},
        {"readers that need a restart",
         0,
         2,
         0,
         {"+0 DT_ScanReaders(0)", "+0 DT_CheckReaders", "+1000 DT_ResetReaders", "+1000 DT_WaitReaders",
          "+2000 " + Message(UM_READERS_CHECKED, 0, 0), "+2000 dlg6 scan done"}},
        {"short scan of a reader that needs no restart",
         1,
         1,
         1,
         {"+0 DT_ScanReaders(1)", "+0 DT_CheckReaders", "+1000 " + Message(UM_READERS_CHECKED, 0, 0),
          "+1000 dlg6 scan done"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        m_journal.Clear();
        RecordingDevice& device = UseRecordingDevice();
        device.m_dwScanFinds = c.found;
        device.m_bScanSkipReset = c.skipReset;
        g_pPatchPkgDlg6 = &m_dialog;
        g_pPatchPkgDlg6Hooks = &m_dlg6;
        Run({{UM_REQ_CHECK_READERS, 0, static_cast<uint64_t>(c.lParam)}});
        std::vector<std::string> timed = m_journal.TimedFrom(c.expected.front().substr(3));
        ASSERT_GE(timed.size(), 2u);
        timed.resize(timed.size() - 2); // the worker's end
        EXPECT_EQ(timed, c.expected);
    }
}

namespace {

// Keeps the records in memory; with `fail` it refuses them as an unwritable database does.
class MemoryRecorder : public IHistoryRecorder {
public:
    MemoryRecorder() { SetHistoryRecorderOverride(this); }
    ~MemoryRecorder() override { SetHistoryRecorderOverride(nullptr); }
    bool Append(const OperationRecord& record, std::string& error) override {
        std::lock_guard lock(m_lock);
        if (fail) {
            error = "disk I/O error";
            return false;
        }
        records.push_back(record);
        return true;
    }
    std::vector<std::string> Summary() const {
        std::vector<std::string> lines;
        for (const OperationRecord& r : records)
            lines.push_back(platform::StrPrintf("%s %s %u socket %u serial %s", r.tool.c_str(),
                                                r.operation.c_str(), r.result, r.socket.value_or(0),
                                                r.serial.c_str()));
        return lines;
    }

    bool fail = false;
    std::vector<OperationRecord> records;

private:
    std::mutex m_lock;
};

} // namespace

TEST_F(VrkThreadTest, EveryDeviceRequestEndsWithOneRecord) {
    struct Case {
        const char* name;
        uint32_t customizeUI;
        std::vector<std::array<uint64_t, 3>> requests;
        std::vector<std::string> failing;
        std::vector<std::string> records;
    } cases[] = {
        {"read", 0, {{UM_REQ_READ, 0, 0}}, {}, {"main read 0 socket 0 serial "}},
        {"failed read keeps its code",
         0,
         {{UM_REQ_READ, 0, 0}},
         {"DT_Read"},
         {"main read 41511 socket 0 serial "}},
        {"download, erase and update",
         0,
         {{UM_REQ_DOWNLOAD, 0, 0}, {UM_REQ_ERASE, 0, 0}, {UM_REQ_UPDATE, 0, 0}},
         {"DT_Erase"},
         {"main download 0 socket 0 serial ", "main erase 1 socket 0 serial ",
          "main update 0 socket 0 serial 00007464"}},
        {"loading a file reaches no reader", 0, {{UM_REQ_LOAD_DOWNLOAD_FILE, 0, 0}}, {}, {}},
        {"station, one record per socket, up to the failing one",
         5,
         {{UM_REQ_UPDATE_ALL, 0, 0}},
         {"DT_UpdateSocket(2) current 2"},
         {"station update-firmware 0 socket 1 serial SN-A",
          "station update-firmware 1 socket 2 serial SN-B"}},
        {"update tool", 1, {{UM_REQ_CHECK_DEV_INFO, 0, 0}}, {}, {"update-1 check-device 0 socket 0 serial "}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        MemoryRecorder recorder;
        RecordingDevice& device = UseRecordingDevice();
        device.failing = c.failing;
        device.m_readImage = DefaultImage();
        device.m_strSocketText[0] = "SN-A";
        device.m_strSocketText[1] = "SN-B";
        g_dwCustomizeUI = c.customizeUI;
        g_pMainDlg = &m_dialog;
        Run(c.requests);
        EXPECT_EQ(recorder.Summary(), c.records);
    }
}

TEST_F(VrkThreadTest, HistoryThatCannotBeWrittenOnlyAddsANote) {
    MemoryRecorder recorder;
    recorder.fail = true;
    UseRecordingDevice();
    g_pMainDlg = &m_dialog;
    Run({{UM_REQ_DOWNLOAD, 0, 0}});
    EXPECT_EQ(m_journal.Plain(), Framed({"DT_Download cancel 0", Message(UM_HISTORY_NOTE, 0, 0)}));
    EXPECT_NE(LastHistoryNote().find("disk I/O error"), std::string::npos) << LastHistoryNote();
}

TEST_F(VrkThreadTest, BackupReadsQuietlyBeforeTheWriteAndAFailedOneStopsIt) {
    struct Case {
        const char* name;
        bool folderIsAFile;
        std::vector<std::string> expected;
        std::vector<std::string> records;
    } cases[] = {
        {"backup written",
         false,
         {"DT_Read", "DT_Download cancel 0"},
         {"main backup 0 socket 0 serial ", "main download 0 socket 0 serial "}},
        {"backup fails",
         true,
         {"DT_Read", Message(UM_FAIL, 41531, 0)},
         {"main backup 41531 socket 0 serial "}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        m_journal.Clear();
        MemoryRecorder recorder;
        RecordingDevice& device = UseRecordingDevice();
        device.m_readImage = DefaultImage();
        if (c.folderIsAFile)
            m_folder->Write("backups", "not a folder");
        CIniFile config;
        config.SetEntry("Quillix Config", "Backup Folder", "backups");
        g_pConfigIni = &config;
        g_pMainDlg = &m_dialog;
        Run({{UM_REQ_DOWNLOAD, 0, 0}});
        g_pConfigIni = nullptr;
        EXPECT_EQ(m_journal.Plain(), Framed(c.expected));
        EXPECT_EQ(recorder.Summary(), c.records);
        if (!c.folderIsAFile) {
            ASSERT_EQ(recorder.records.size(), 2u);
            EXPECT_EQ(testsupport::ReadFileBytes(recorder.records[0].dumpPath),
                      std::string(device.m_readImage.begin(), device.m_readImage.end()));
        }
    }
}
