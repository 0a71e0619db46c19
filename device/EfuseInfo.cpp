#include "device/EfuseInfo.h"

#include "core/Reports.h"
#include "core/ResultCodes.h"
#include "device/SilentOps.h"

namespace {

// Progress 100 and the success message when the result is exactly 1.
uint32_t Finish(uint32_t result, ResultCode success) {
    if (result == 1) {
        ReportCompleted(success);
    }
    return result;
}

} // namespace

uint32_t CEfuseInfo_USB::DT_Read() {
    return RunOperation([this] { return Finish(EFP_ReadUsb(), IDS_READ_EFUSE_SUCCEED); });
}

uint32_t CEfuseInfo_USB::DT_Erase() {
    return RunOperation([this]() -> uint32_t {
        if (EFP_ReadUsb() != 1) {
            ReportFailure(IDS_READ_EFUSE_FAIL);
            return 0;
        }
        std::span<const uint8_t> mask = ReadChipGeneration() == kMappedGeneration
                                            ? std::span<const uint8_t>(kInitMaskMapped)
                                            : std::span<const uint8_t>(kInitMaskUsb);
        if (!EFP_CheckInitValue(mask, GetDataUpSize(), GetDataUp())) {
            ReportFailure(IDS_EFUSE_INITIAL_INVALID);
            return 0;
        }
        return Finish(1, IDS_CHECK_EFUSE_SUCCEED);
    });
}

uint32_t CEfuseInfo_USB::ProgramAndReset(uint32_t (CMpFlow_Efuse::*flow)(), ResultCode success) {
    return RunOperation([this, flow, success]() -> uint32_t {
        uint32_t result = (this->*flow)();
        if (result != 1)
            return result;
        ReportProgress(80);
        if (!ResetDevice(kResetSw)) {
            ReportFailure(IDS_RESET_DEVICE_FAIL);
            return 0;
        }
        return Finish(1, success);
    });
}

uint32_t CEfuseInfo_USB::DT_Update() {
    return ProgramAndReset(&CMpFlow_Efuse::EFP_UpdateUsb, IDS_UPDATE_EFUSE_SUCCEED);
}

uint32_t CEfuseInfo_USB::DT_Download() {
    return ProgramAndReset(&CMpFlow_Efuse::EFP_DownloadUsb, IDS_DOWNLOAD_EFUSE_SUCCEED);
}

uint32_t CEfuseInfo_USB::DT_SilentWriteBin(const std::string& path) {
    return SilentWriteBin(*this, path, IDS_LOAD_EFUSE_DATA_FAIL);
}

uint32_t CEfuseInfo_USB::DT_SilentReadBin(const std::string& path) {
    return SilentDump(*this, path, DumpFormat::kBinary);
}

uint32_t CEfuseInfo_USB::DT_SilentReadTxt(const std::string& path) {
    return SilentDump(*this, path, DumpFormat::kText);
}

uint32_t CEfuseInfo_PCIE::DT_Read() {
    return RunOperation([this] { return Finish(EFP_ReadEx(), IDS_READ_EFUSE_SUCCEED); });
}

uint32_t CEfuseInfo_PCIE::DT_Erase() {
    return RunOperation([this]() -> uint32_t {
        if (EFP_ReadEx() != 1) {
            ReportFailure(IDS_READ_EFUSE_FAIL);
            return 0;
        }
        if (!EFP_CheckInitValue(kInitMaskPcie, GetDataUpSize(), GetDataUp())) {
            ReportFailure(IDS_EFUSE_INITIAL_INVALID);
            return 0;
        }
        return Finish(1, IDS_CHECK_EFUSE_SUCCEED);
    });
}

uint32_t CEfuseInfo_PCIE::DT_Update() {
    return RunOperation([this] {
        TraceScope scope("CEfuseInfo::EFP_Update", kTraceDevice);
        return Finish(EFP_UpdateEx(), IDS_UPDATE_EFUSE_SUCCEED);
    });
}

uint32_t CEfuseInfo_PCIE::DT_Download() {
    return RunOperation([this] { return Finish(EFP_DownloadEx(), IDS_DOWNLOAD_EFUSE_SUCCEED); });
}

uint32_t CEfuseInfo_PCIE::DT_SilentWriteBin(const std::string& path) {
    TraceScope scope("CEfuseInfo::EFP_Silence_WriteBin", kTraceDevice);
    return SilentWriteBin(*this, path, IDS_LOAD_EFUSE_DATA_FAIL);
}

uint32_t CEfuseInfo_PCIE::DT_SilentReadBin(const std::string& path) {
    TraceScope scope("CEfuseInfo::EFP_Silence_ReadBin", kTraceDevice);
    return SilentDump(*this, path, DumpFormat::kBinary);
}

uint32_t CEfuseInfo_PCIE::DT_SilentReadTxt(const std::string& path) {
    TraceScope scope("CEfuseInfo::EFP_Silence_ReadTxt", kTraceDevice);
    return SilentDump(*this, path, DumpFormat::kText, &scope);
}
