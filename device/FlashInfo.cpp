#include "device/FlashInfo.h"

#include "app/TraceLog.h"
#include "core/Reports.h"
#include "core/ResultCodes.h"
#include "device/ReaderGuard.h"
#include "model/IcTypeIni.h"

bool CFlashInfo_USB::DT_CheckImage(const uint8_t* image, size_t) {
    // With an IC INI file the vendor area starts "PreOffset" bytes before the block it marks.
    bool applyPreOffset = g_pIcTypeIni && !g_pIcTypeIni->m_IniFileNames.empty();
    uint8_t preOffset = static_cast<uint8_t>(g_pIcTypeIni ? g_pIcTypeIni->GetPreOffset() : 0);
    return LocateVendorArea(image, applyPreOffset, preOffset);
}

uint32_t CFlashInfo_USB::DT_Read() {
    return RunFlashOperation([this] { return FF_Read(); }, IDS_READ_FLASH_SUCCEED);
}

uint32_t CFlashInfo_USB::DT_Erase() {
    TraceScope scope("CFlashInfo::FFU_Erase", kTraceDevice);
    return RunFlashOperation([this] { return FF_EraseEx(); }, IDS_ERASE_FLASH_SUCCEED);
}

uint32_t CFlashInfo_USB::DT_Update() {
    return RunFlashOperation([this] { return FF_Download(GetDataUp(), GetDataUpSize()); },
                             IDS_UPDATE_FLASH_SUCCEED);
}

uint32_t CFlashInfo_USB::DT_Download() {
    return RunFlashOperation([this] { return FF_Download(GetDataDown(), GetDataDownSize()); },
                             IDS_FW_UPDATE_SUCCEED);
}

uint32_t CFlashInfo_USB::CheckDeviceForSilentWrite() {
    if (CountReaders() >= 2) {
        ReportFailure(IDS_MORE_THAN_ONE_DEVICE);
        return 0;
    }
    ReaderGuard reader(*this, [this] { return OpenDevice(); });
    if (!reader) {
        ReportFailure(IDS_DETECT_DEVICE_FAIL);
        return 0;
    }
    ReaderStatus status;
    ReaderStatusEx statusEx;
    ReadStatusOrZeros(status, statusEx);
    uint32_t result = CheckDevVersion(statusEx, status);
    if (!result)
        ReportFailure(IDS_CHECK_DEVICE_INFO_FAIL);
    return result;
}

uint32_t CFlashInfo_USB::DT_SilentWriteBin(const std::string& path) {
    m_strDownloadFile = path;
    if (!LoadDownloadFile()) {
        ReportFailure(IDS_LOAD_FLASH_DATA_FAIL);
        return 0;
    }
    if (!CheckDeviceForSilentWrite())
        return 0;
    return DT_Download();
}

uint32_t CFlashInfo_USB::SilentRead(const std::string& path, DumpFormat format) {
    uint32_t result = DT_Read();
    if (result == 0)
        return 0;
    // A dump that was not written must not end with a success status.
    if (!SaveSilentDump(path, format, GetDataUp(), GetDataUpSize())) {
        ReportFailure(IDS_SAVE_FILE_DATA_FAIL);
        return 0;
    }
    return result;
}

uint32_t CFlashInfo_USB::DT_SilentReadBin(const std::string& path) {
    return SilentRead(path, DumpFormat::kBinary);
}

uint32_t CFlashInfo_USB::DT_SilentReadTxt(const std::string& path) {
    return SilentRead(path, DumpFormat::kText);
}
