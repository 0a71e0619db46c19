#include "device/EfuseWriteRule.h"

#include "core/ResultCodes.h"
#include "device/MpFlowEfuse.h"

#include <array>

namespace {

// A fuse of the mapped generation burns from 0 to 1; every other generation's from 1 to 0.
bool BurnsToOne(EfuseGeneration generation) {
    return generation == EfuseGeneration::Mapped;
}

std::span<const uint8_t> InitMask(EfuseGeneration generation) {
    switch (generation) {
    case EfuseGeneration::Mapped:
        return CMpFlow_Efuse::kInitMaskMapped;
    case EfuseGeneration::Pcie:
        return CMpFlow_Efuse::kInitMaskPcie;
    case EfuseGeneration::Direct:
    case EfuseGeneration::Register:
        break;
    }
    return CMpFlow_Efuse::kInitMaskUsb;
}

} // namespace

EfuseGeneration UsbEfuseGeneration(uint8_t statusByte7) {
    switch (statusByte7) {
    case CMpFlow_Efuse::kMappedGeneration:
        return EfuseGeneration::Mapped;
    case CMpFlow_Efuse::kRegisterGeneration:
        return EfuseGeneration::Register;
    default:
        return EfuseGeneration::Direct;
    }
}

uint32_t EfuseImageSize(EfuseGeneration generation) {
    switch (generation) {
    case EfuseGeneration::Mapped:
        return CMpFlow_Efuse::kMappedPhysicalSize;
    case EfuseGeneration::Pcie:
        return CMpFlow_Efuse::kPcieSize;
    case EfuseGeneration::Direct:
    case EfuseGeneration::Register:
        break;
    }
    return CMpFlow_Efuse::kUsbSize;
}

EfuseWritePlan PlanEfuseWrite(EfuseGeneration generation, std::span<const uint8_t> image,
                              std::span<const uint8_t> current, bool checkInitial) {
    EfuseWritePlan plan;
    const uint32_t n = EfuseImageSize(generation);
    if (image.size() != n || current.size() < n) {
        plan.code = IDS_EFUSE_DATA_INVALID;
        return plan;
    }
    plan.fuses.assign(image.begin(), image.end());
    if (generation == EfuseGeneration::Mapped) {
        plan.fuses.assign(current.begin(), current.begin() + n);
        CMpFlow_Efuse::MapEfuseToPhysical7648(std::span<const uint8_t, CMpFlow_Efuse::kMappedLogicalSize>(
                                                  image.data(), CMpFlow_Efuse::kMappedLogicalSize),
                                              std::span<uint8_t, CMpFlow_Efuse::kMappedPhysicalSize>(
                                                  plan.fuses.data(), CMpFlow_Efuse::kMappedPhysicalSize));
    }
    if (checkInitial && !CMpFlow_Efuse::EFP_CheckInitValue(InitMask(generation), n, current.data())) {
        plan.code = IDS_EFUSE_INITIAL_INVALID;
        return plan;
    }
    const uint32_t compatible = generation == EfuseGeneration::Mapped
                                    ? CMpFlow_Efuse::Efuse_CheckData7648(current.data(), plan.fuses.data(), n)
                                    : CMpFlow_Efuse::Efuse_CheckData(image.data(), current.data(), n);
    if (!compatible)
        plan.code = IDS_EFUSE_DATA_INVALID;
    return plan;
}

std::vector<EfuseBitChange> EfuseBitChanges(EfuseGeneration generation, std::span<const uint8_t> current,
                                            std::span<const uint8_t> fuses) {
    std::vector<EfuseBitChange> changes;
    const size_t n = std::min(current.size(), fuses.size());
    for (size_t i = 0; i < n; ++i) {
        for (unsigned bit = 0; bit < 8; ++bit) {
            const bool was = (current[i] >> bit & 1) != 0;
            const bool will = (fuses[i] >> bit & 1) != 0;
            if (was != will)
                changes.push_back({i, bit, will != BurnsToOne(generation)});
        }
    }
    return changes;
}

std::optional<EfuseBitPosition> MappedLogicalBit(size_t physicalByte, unsigned bit) {
    if (physicalByte >= CMpFlow_Efuse::kMappedPhysicalSize || bit >= 8)
        return std::nullopt;
    // The mapping's own table decides: a single fuse is mapped and looked for among the logical bits.
    std::array<uint8_t, CMpFlow_Efuse::kMappedPhysicalSize> physical{};
    physical[physicalByte] = static_cast<uint8_t>(1u << bit);
    std::array<uint8_t, CMpFlow_Efuse::kMappedLogicalSize> logical{};
    CMpFlow_Efuse::MapEfuseToLogical7648(physical, logical);
    for (size_t i = 0; i < logical.size(); ++i) {
        for (unsigned b = 0; b < 8; ++b) {
            if (logical[i] >> b & 1)
                return EfuseBitPosition{i, b};
        }
    }
    return std::nullopt;
}

std::vector<uint8_t> MappedPhysicalFromDump(std::span<const uint8_t> dump) {
    std::vector<uint8_t> physical(CMpFlow_Efuse::kMappedPhysicalSize, 0);
    if (dump.size() < CMpFlow_Efuse::kMappedLogicalSize)
        return physical;
    CMpFlow_Efuse::MapEfuseToPhysical7648(std::span<const uint8_t, CMpFlow_Efuse::kMappedLogicalSize>(
                                              dump.data(), CMpFlow_Efuse::kMappedLogicalSize),
                                          std::span<uint8_t, CMpFlow_Efuse::kMappedPhysicalSize>(
                                              physical.data(), CMpFlow_Efuse::kMappedPhysicalSize));
    return physical;
}
