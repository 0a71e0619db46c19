#include "core/OperationHistory.h"

#include "app/Messages.h"
#include "core/Broadcast.h"
#include "core/MessageIds.h"
#include "device/DevTypeInfo.h"
#include "history/HistoryStore.h"
#include "history/Sha256.h"
#include "model/ConfigIni.h"
#include "model/IcTypeIni.h"
#include "model/SilentFiles.h"
#include "platform/Clock.h"
#include "platform/ProgramFolder.h"
#include "platform/StateFolder.h"
#include "platform/Text.h"

#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>

namespace {

constexpr const char* kConfigSection = "Quillix Config";
constexpr const char* kDefaultFileName = "history.db";
// An image field that reads as this holds no value.
constexpr uint16_t kNoField = 0xFFFF;

std::string ConfigPath(const char* key) {
    if (!g_pConfigIni)
        return {};
    std::string path = platform::IniBytesToUtf8(g_pConfigIni->GetString(kConfigSection, key, ""));
    if (!path.empty())
        MakeAbsolutePath(path);
    return path;
}

uint32_t ConfigNumber(const char* key, int32_t def) {
    return g_pConfigIni ? g_pConfigIni->GetNumber(kConfigSection, key, def) : static_cast<uint32_t>(def);
}

// The database of the settings, opened on first use and kept open for the run; opened again when the
// path changes or an earlier open failed.
class DatabaseRecorder : public IHistoryRecorder {
public:
    bool Append(const OperationRecord& record, std::string& error) override {
        std::lock_guard lock(m_Lock);
        const HistorySettings settings = ReadHistorySettings();
        if (!m_pStore || m_strPath != settings.strPath) {
            m_pStore = HistoryStore::Open(settings.strPath, error);
            m_strPath = settings.strPath;
            if (!m_pStore)
                return false;
        }
        return m_pStore->Append(record, error);
    }

private:
    std::mutex m_Lock;
    std::string m_strPath;
    std::unique_ptr<HistoryStore> m_pStore;
};

std::mutex g_noteLock;
std::string g_strLastNote;
std::atomic<IHistoryRecorder*> g_pRecorderOverride{nullptr};

IHistoryRecorder& Recorder() {
    if (IHistoryRecorder* recorder = g_pRecorderOverride.load())
        return *recorder;
    static DatabaseRecorder database;
    return database;
}

bool AnyDialog() {
    for (IResultDialog* dialog :
         {g_pMainDlg, g_pPatchPkgDlg, g_pPatchPkgDlg3, g_pPatchPkgDlg4, g_pPatchPkgDlg5, g_pPatchPkgDlg6})
        if (dialog)
            return true;
    return false;
}

void ReportHistoryFailure(const std::string& error) {
    std::string note =
        "The operation history could not be written (" + error + "); the operation's result stands.";
    {
        std::lock_guard lock(g_noteLock);
        g_strLastNote = note;
    }
    std::fprintf(stderr, "quillix: %s\n", note.c_str());
    if (AnyDialog())
        BroadcastResult(UM_HISTORY_NOTE, 0, 0);
}

std::optional<uint32_t> KnownField(uint16_t value) {
    if (value == kNoField)
        return std::nullopt;
    return value;
}

} // namespace

HistorySettings ReadHistorySettings() {
    HistorySettings settings;
    settings.bEnabled = ConfigNumber("History", 1) != 0;
    settings.strPath = ConfigPath("History File");
    // Beside the executable, or in the user's state folder when the program folder is shared.
    if (settings.strPath.empty())
        settings.strPath = platform::StateFolderFor(GetProgramFolder()) + kDefaultFileName;
    settings.strBackupFolder = ConfigPath("Backup Folder");
    settings.bAskSerialReuse = ConfigNumber("Serial Reuse Question", 1) != 0;
    return settings;
}

std::string HistoryToolName(uint32_t customizeUI) {
    switch (customizeUI) {
    case 1:
    case 3:
    case 4:
    case 6:
        return "update-" + std::to_string(customizeUI);
    case 5:
        return "station";
    default:
        return "main";
    }
}

void SetHistoryRecorderOverride(IHistoryRecorder* recorder) {
    g_pRecorderOverride = recorder;
}

OperationRecord StartRecord(const std::string& tool, const std::string& operation) {
    OperationRecord record;
    record.time = HistoryTimeNow();
    record.tool = tool;
    record.operation = operation;
    record.memory = MemoryKindLongName(g_ProjectType);
    record.bus = BusName(g_BusType);
    if (g_pIcTypeIni) {
        record.icName = g_pIcTypeIni->m_strIcName;
        record.icIni = platform::IniBytesToUtf8(g_pIcTypeIni->m_strIniName);
    }
    return record;
}

void AddReaderIdentity(OperationRecord& record, CDevTypeInfo& dev, std::span<const uint8_t> image) {
    if (!image.empty()) {
        // The fields are only read; the window type wants a mutable pointer.
        ImageFields fields = dev.FieldsOf(const_cast<uint8_t*>(image.data()), image.size());
        record.vid = KnownField(fields.GetVID());
        record.pid = KnownField(fields.GetPID());
        record.fwVersion = KnownField(fields.GetFWVER());
    }
    std::string location;
    if (record.socket && *record.socket >= 1 && *record.socket <= CDevTypeInfo::kSocketCount) {
        location = platform::StrPrintf("%08X", dev.m_dwSocketReader[*record.socket - 1]);
    } else {
        for (uint32_t instance : dev.m_ReaderInsts)
            location += (location.empty() ? "" : " ") + platform::StrPrintf("%08X", instance);
    }
    record.location = location;
}

void FinishRecord(OperationRecord& record, uint32_t startTick, uint32_t result) {
    record.result = result;
    record.elapsedMs = platform::GetTickCount() - startTick;
    // Builds without a database record nothing and say nothing about it.
    if (!ReadHistorySettings().bEnabled || (!g_pRecorderOverride.load() && !HistoryAvailable()))
        return;
    std::string error;
    if (!Recorder().Append(record, error))
        ReportHistoryFailure(error);
}

void DescribeSilentRun(CDevTypeInfo& dev, char option, const std::string& argument, OperationRecord& record) {
    std::span<const uint8_t> image;
    if (option == 'W') {
        image = {dev.GetDataDown(), dev.GetDataDownSize()};
        std::string path = argument;
        MakeAbsolutePath(path);
        record.imagePath = path;
        if (!image.empty()) {
            record.imageSha256 = Sha256Hex(image);
            record.serial = dev.DownloadFields().GetSerialNumber();
        }
    } else if (option == 'R' || option == 'T') {
        image = {dev.GetDataUp(), dev.GetDataUpSize()};
        record.dumpPath = AbsoluteOutputPath(argument);
        if (!image.empty() && record.result == 0)
            record.dumpSha256 = Sha256Hex(image);
    }
    AddReaderIdentity(record, dev, image);
}

std::string LastHistoryNote() {
    std::lock_guard lock(g_noteLock);
    return g_strLastNote;
}
