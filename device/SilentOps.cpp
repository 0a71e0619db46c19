#include "device/SilentOps.h"

#include "core/Reports.h"
#include "core/ResultCodes.h"

uint32_t SilentWriteBin(CDevTypeInfo& devType, const std::string& path, ResultCode loadFailCode) {
    devType.m_strDownloadFile = path;
    if (!devType.LoadDownloadFile()) {
        ReportFailure(loadFailCode);
        return 0;
    }
    return devType.DT_Download();
}

uint32_t SilentDump(CDevTypeInfo& devType, const std::string& path, DumpFormat format,
                    const TraceScope* writeTrace) {
    uint32_t result = devType.DT_Read();
    if (result != 1)
        return 0;
    // A dump that was not written must not end the run with success.
    bool saved = SaveSilentDump(path, format, devType.GetDataUp(), devType.GetDataUpSize());
    if (writeTrace)
        TraceLine(*writeTrace, "SafeWriteTxt : %x\n", devType.GetDataUpSize());
    if (!saved) {
        ReportFailure(IDS_SAVE_FILE_DATA_FAIL);
        return 0;
    }
    return result;
}
