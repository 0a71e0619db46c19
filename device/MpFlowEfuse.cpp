#include "device/MpFlowEfuse.h"

#include "app/TraceLog.h"
#include "core/ForceCheck.h"
#include "core/Reports.h"
#include "core/ResultCodes.h"
#include "device/EfuseWriteRule.h"

#include <algorithm>
#include <vector>

namespace {

// Mapped generation: logical bytes held whole in one physical byte ...
struct WholeByte {
    uint8_t logical;
    uint8_t physical;
};
constexpr WholeByte kWholeBytes[] = {{0, 37}, {1, 38}, {2, 39}, {3, 17}, {4, 18}, {5, 19}};

// ... and logical bytes split: bits 0-4 in one physical byte, bits 5-7 in another.
struct SplitByte {
    uint8_t logical;
    uint8_t lowPhysical;
    uint8_t highPhysical;
};
constexpr SplitByte kSplitBytes[] = {{6, 21, 35}, {7, 1, 15}};
constexpr uint8_t kLowBits = 0x1F;
constexpr uint8_t kHighBits = 0xE0;

} // namespace

const std::array<uint8_t, 16> CMpFlow_Efuse::kInitMaskUsb = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x6B,
                                                             0xFF, 0xFF, 0xF7, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
const std::array<uint8_t, 40> CMpFlow_Efuse::kInitMaskMapped = {};
const std::array<uint8_t, 8> CMpFlow_Efuse::kInitMaskPcie = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

uint32_t CMpFlow_Efuse::Efuse_CheckData(const uint8_t* newData, const uint8_t* current, uint32_t length) {
    for (uint32_t i = 0; i < length; ++i)
        if ((newData[i] & ~current[i]) != 0)
            return 0;
    return 1;
}

uint32_t CMpFlow_Efuse::Efuse_CheckData7648(const uint8_t* current, const uint8_t* newData, uint32_t length) {
    for (uint32_t i = 0; i < length; ++i)
        if ((current[i] & ~newData[i]) != 0)
            return 0;
    return 1;
}

uint32_t CMpFlow_Efuse::EFP_CheckInitValue(std::span<const uint8_t> mask, uint32_t length,
                                           const uint8_t* content) {
    size_t n = std::min<size_t>(length, mask.size());
    for (size_t i = 0; i < n; ++i)
        if ((content[i] & mask[i]) != mask[i])
            return 0;
    return 1;
}

void CMpFlow_Efuse::MapEfuseToLogical7648(std::span<const uint8_t, 40> physical,
                                          std::span<uint8_t, 8> logical) {
    for (const WholeByte& row : kWholeBytes)
        logical[row.logical] = physical[row.physical];
    for (const SplitByte& row : kSplitBytes)
        logical[row.logical] = static_cast<uint8_t>((physical[row.highPhysical] & kHighBits) |
                                                    (physical[row.lowPhysical] & kLowBits));
}

void CMpFlow_Efuse::MapEfuseToPhysical7648(std::span<const uint8_t, 8> logical,
                                           std::span<uint8_t, 40> physical) {
    for (const WholeByte& row : kWholeBytes)
        physical[row.physical] = logical[row.logical];
    for (const SplitByte& row : kSplitBytes) {
        uint8_t value = logical[row.logical];
        physical[row.lowPhysical] =
            static_cast<uint8_t>((physical[row.lowPhysical] & kHighBits) | (value & kLowBits));
        physical[row.highPhysical] =
            static_cast<uint8_t>((physical[row.highPhysical] & kLowBits) | (value & kHighBits));
    }
}

uint32_t CMpFlow_Efuse::EFP_ReadUsb() {
    TraceScope scope("CMpFlow_Efuse::EFP_ReadUsb", kTraceDevice);
    uint8_t generation = ReadChipGeneration();
    uint32_t result = 0;
    if (generation == kMappedGeneration) {
        // The mapped generation is read whole (40 physical bytes) whatever the upload image held
        // before; the logical bytes come first in the image, the rest stays 0.
        std::array<uint8_t, kMappedPhysicalSize> physical{};
        if (AllocUploadImage(kMappedPhysicalSize, 0x00) &&
            MP_ReadEfuse(physical.data(), kMappedPhysicalSize) == 1) {
            MapEfuseToLogical7648(physical, std::span<uint8_t, 8>(GetDataUp(), kMappedLogicalSize));
            result = 1;
        }
    } else if (AllocUploadImage(kUsbSize, 0xFF)) {
        result = generation == kRegisterGeneration ? ReadEfuseReg(kUsbSize, GetDataUp(), true)
                                                   : MP_ReadEfuse(GetDataUp(), kUsbSize);
    }
    if (result != 1)
        ReportFailure(IDS_READ_EFUSE_FAIL);
    return result;
}

uint32_t CMpFlow_Efuse::EFP_DownloadUsb() {
    TraceScope scope("CMpFlow_Efuse::EFP_DownloadUsb", kTraceDevice);
    return ProgramUsb(GetDataDown(), GetDataDownSize());
}

uint32_t CMpFlow_Efuse::EFP_UpdateUsb() {
    TraceScope scope("CMpFlow_Efuse::EFP_UpdateUsb", kTraceDevice);
    return ProgramUsb(GetDataUp(), GetDataUpSize());
}

uint32_t CMpFlow_Efuse::ProgramUsb(const uint8_t* data, uint32_t size) {
    uint8_t generation = ReadChipGeneration();
    const EfuseGeneration rule = UsbEfuseGeneration(generation);
    if (data == nullptr || size != EfuseImageSize(rule)) {
        ReportFailure(IDS_EFUSE_DATA_INVALID);
        return 0;
    }
    uint8_t n = static_cast<uint8_t>(size);
    std::vector<uint8_t> current(n);
    uint32_t read = generation == kRegisterGeneration ? ReadEfuseReg(n, current.data(), false)
                                                      : MP_ReadEfuse(current.data(), n);
    // The mapped generation programs the current fuses back around the image's bits, so a misread
    // bit would be burnt for good: the content counts only when a second read agrees.
    if (read == 1 && generation == kMappedGeneration) {
        std::vector<uint8_t> again(n);
        read = MP_ReadEfuse(again.data(), n) == 1 && again == current ? 1 : 0;
    }
    if (read != 1) {
        ReportFailure(IDS_READ_EFUSE_FAIL);
        return 0;
    }
    ReportProgress(30);
    const EfuseWritePlan plan = PlanEfuseWrite(rule, {data, size}, current, IsForceCheckRequested());
    if (plan.code != 0) {
        ReportFailure(plan.code);
        return 0;
    }
    ReportProgress(40);
    if (generation == kRegisterGeneration)
        return UpdateEfuseReg(n, data); // reports its own failure
    uint32_t result = MP_UpdateEfuse(plan.fuses.data(), n);
    if (result != 1)
        ReportFailure(IDS_UPDATE_EFUSE_FAIL);
    return result;
}

uint32_t CMpFlow_Efuse::EFP_ReadEx() {
    TraceScope scope("CMpFlow_Efuse::EFP_ReadEx", kTraceDevice);
    uint32_t result = 0;
    if (AllocUploadImage(kPcieSize, 0xFF)) {
        TraceLine(scope, "EFP_ReadEx - m_dwDataUpSize: %x\n", GetDataUpSize());
        result = MP_ReadEfuse(GetDataUp(), kPcieSize);
    }
    if (result != 1)
        ReportFailure(IDS_READ_EFUSE_FAIL);
    return result;
}

uint32_t CMpFlow_Efuse::EFP_DownloadEx() {
    TraceScope scope("CMpFlow_Efuse::EFP_DownloadEx", kTraceDevice);
    TraceLine(scope, "EFP_DownloadEx - m_dwDataDownSize %x\n", GetDataDownSize());
    return ProgramEx(GetDataDown(), GetDataDownSize(), &scope);
}

uint32_t CMpFlow_Efuse::EFP_UpdateEx() {
    TraceScope scope("CMpFlow_Efuse::EFP_UpdateEx", kTraceDevice);
    return ProgramEx(GetDataUp(), GetDataUpSize(), nullptr);
}

uint32_t CMpFlow_Efuse::ProgramEx(const uint8_t* data, uint32_t size, const TraceScope* scope) {
    // The download traces each step it passed; the update does not.
    auto passed = [scope](const char* text) {
        if (scope)
            TraceLine(*scope, "%s", text);
    };
    if (data == nullptr || size != EfuseImageSize(EfuseGeneration::Pcie)) {
        ReportFailure(IDS_EFUSE_DATA_INVALID);
        return 0;
    }
    uint8_t n = static_cast<uint8_t>(size);
    std::vector<uint8_t> current(n);
    if (MP_ReadEfuse(current.data(), n) != 1) {
        ReportFailure(IDS_READ_EFUSE_FAIL);
        return 0;
    }
    ReportProgress(30);
    passed("MP_ReadEfuse Pass.\n");
    const bool forceCheck = IsForceCheckRequested();
    const EfuseWritePlan plan = PlanEfuseWrite(EfuseGeneration::Pcie, {data, size}, current, forceCheck);
    if (forceCheck && plan.code != IDS_EFUSE_INITIAL_INVALID)
        passed("EFP_CheckInitValue Pass.\n");
    if (plan.code != 0) {
        ReportFailure(plan.code);
        return 0;
    }
    ReportProgress(40);
    passed("Efuse_CheckData Pass.\n");
    uint32_t result = MP_UpdateEfuse(data, n);
    if (result != 1) {
        ReportFailure(IDS_UPDATE_EFUSE_FAIL);
        return result;
    }
    passed("MP_UpdateEfuse Pass.\n");
    return result;
}
