#include "core/MemoryBackup.h"

#include "core/Broadcast.h"
#include "core/OperationHistory.h"
#include "core/Reports.h"
#include "core/ResultCodes.h"
#include "device/DevTypeInfo.h"
#include "history/Sha256.h"
#include "model/SilentFiles.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/ProgramFolder.h"

#include <vector>

namespace {

// Digits and letters of the time; ':' and '-' cannot all appear in a Windows file name.
std::string CompactTime(const std::string& utcTime) {
    std::string compact;
    for (char c : utcTime)
        if ((c >= '0' && c <= '9') || c == 'T' || c == 'Z')
            compact += c;
    return compact;
}

std::string SafeNamePart(const std::string& text) {
    std::string safe = text.empty() ? "unknown" : text;
    for (char& c : safe) {
        bool keep = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '.' ||
                    c == '_';
        if (!keep)
            c = '_';
    }
    return safe;
}

} // namespace

std::string BackupFileName(const std::string& utcTime, const std::string& icName, const std::string& memory) {
    return CompactTime(utcTime) + "-" + SafeNamePart(icName) + "-" + SafeNamePart(memory) + ".bin";
}

uint32_t BackupBeforeWrite(CDevTypeInfo& dev, const std::string& tool) {
    const HistorySettings settings = ReadHistorySettings();
    if (settings.strBackupFolder.empty())
        return 1;
    const uint32_t start = platform::GetTickCount();
    OperationRecord record = StartRecord(tool, "backup");
    // The read fills the upload image, which may hold the image an Update is about to write.
    const std::vector<uint8_t> kept(dev.GetDataUp(), dev.GetDataUp() + dev.GetDataUpSize());
    ResultCode failure = 0;
    {
        BroadcastCapture quiet(true);
        if (dev.DT_Read() != 1)
            failure = quiet.LastFailure() != 0 ? quiet.LastFailure() : IDS_SAVE_FILE_DATA_FAIL;
    }
    std::span<const uint8_t> memory(dev.GetDataUp(), dev.GetDataUpSize());
    if (failure == 0) {
        std::string folder = settings.strBackupFolder;
        if (folder.back() != '/' && folder.back() != platform::kPathSeparator)
            folder += platform::kPathSeparator;
        record.dumpPath = folder + BackupFileName(record.time, record.icName, record.memory);
        record.dumpSha256 = Sha256Hex(memory);
        if (memory.empty() || !platform::CreateDirectories(settings.strBackupFolder) ||
            !WriteBinFile(record.dumpPath, memory.size(), memory.data()))
            failure = IDS_SAVE_FILE_DATA_FAIL;
    }
    AddReaderIdentity(record, dev, memory);
    dev.SetUploadImage(kept);
    if (!kept.empty())
        (void)dev.CheckUploadImage(); // locates the vendor area of the restored image again
    FinishRecord(record, start, failure);
    if (failure != 0) {
        ReportFailure(IDS_SAVE_FILE_DATA_FAIL);
        return 0;
    }
    return 1;
}
