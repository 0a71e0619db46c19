#pragma once

#include "app/TraceLog.h"
#include "device/DevTypeInfo.h"

#include <array>
#include <cstdint>
#include <span>

// The EFUSE flows: read the fuses into the upload image, check that they are still in their initial
// state, and program the upload or download image over them. Fuses burn once, so every write is
// preceded by a test that the new content can still be programmed over the current one, and every
// write is verified. Each flow reports its failure itself and returns 1 or 0.
//
// USB readers come in three generations (status byte 7): the mapped generation (0x02) keeps 8
// logical bytes in 40 physical fuse bytes that can only gain 1-bits; the register generation (0x84)
// is accessed one byte at a time through chip registers; every other one directly. PCIe readers are
// accessed directly.
class CMpFlow_Efuse : public CDevTypeInfo {
public:
    static constexpr uint8_t kMappedGeneration = 0x02;
    static constexpr uint8_t kRegisterGeneration = 0x84;
    static constexpr uint32_t kUsbSize = 16;
    static constexpr uint32_t kPcieSize = 8;
    static constexpr uint32_t kMappedLogicalSize = 8;
    static constexpr uint32_t kMappedPhysicalSize = 40;

    // Initial-value masks: the content passes when it has every bit of the mask set.
    static const std::array<uint8_t, 16> kInitMaskUsb;
    static const std::array<uint8_t, 40> kInitMaskMapped;
    static const std::array<uint8_t, 8> kInitMaskPcie;

    // 1 when no bit that is 0 in current is 1 in newData (fuses that can only lose 1-bits).
    [[nodiscard]] static uint32_t Efuse_CheckData(const uint8_t* newData, const uint8_t* current,
                                                  uint32_t length);
    // 1 when no bit that is 1 in current is 0 in newData (fuses that can only gain 1-bits).
    [[nodiscard]] static uint32_t Efuse_CheckData7648(const uint8_t* current, const uint8_t* newData,
                                                      uint32_t length);
    // Compares the first min(length, mask size) bytes of content with the mask.
    [[nodiscard]] static uint32_t EFP_CheckInitValue(std::span<const uint8_t> mask, uint32_t length,
                                                     const uint8_t* content);

    // The mapped generation's 8 logical bytes from the 40 physical ones, and written into them (the
    // physical bits that hold no logical bit keep their value).
    static void MapEfuseToLogical7648(std::span<const uint8_t, 40> physical, std::span<uint8_t, 8> logical);
    static void MapEfuseToPhysical7648(std::span<const uint8_t, 8> logical, std::span<uint8_t, 40> physical);

    // USB flows.
    [[nodiscard]] uint32_t EFP_ReadUsb();
    [[nodiscard]] uint32_t EFP_DownloadUsb();
    [[nodiscard]] uint32_t EFP_UpdateUsb();
    // PCIe flows.
    [[nodiscard]] uint32_t EFP_ReadEx();
    [[nodiscard]] uint32_t EFP_DownloadEx();
    [[nodiscard]] uint32_t EFP_UpdateEx();

protected:
    using CDevTypeInfo::CDevTypeInfo;

private:
    [[nodiscard]] uint32_t ProgramUsb(const uint8_t* data, uint32_t size);
    [[nodiscard]] uint32_t ProgramEx(const uint8_t* data, uint32_t size, const TraceScope* scope);
};
