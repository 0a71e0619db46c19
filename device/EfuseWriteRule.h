#pragma once

#include "model/ProjectTypes.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Whether an EFUSE image can be programmed over the fuses' current content, and what the write would
// burn. The EFUSE flows decide with this before a fuse is touched; quillix-image plans with it offline.
enum class EfuseGeneration : uint8_t {
    Direct,   // USB, fuses read and written directly; a fuse burns from 1 to 0
    Register, // USB, one byte at a time through chip registers; a fuse burns from 1 to 0
    Mapped,   // USB, 8 logical bytes in 40 physical ones; a fuse burns from 0 to 1
    Pcie,     // PCIe, direct access; a fuse burns from 1 to 0
};

// The USB generation from status byte 7.
EfuseGeneration UsbEfuseGeneration(uint8_t statusByte7);

// The size an image must have to be programmed: the chip's whole fuse area.
uint32_t EfuseImageSize(EfuseGeneration generation);

struct EfuseWritePlan {
    // 0 when the write is allowed; IDS_EFUSE_INITIAL_INVALID when the initial-value check was asked
    // for and fails; IDS_EFUSE_DATA_INVALID when the image has the wrong size or would need a burnt
    // fuse back.
    ResultCode code = 0;
    // The bytes the write programs: the image, or on the mapped generation the current physical content
    // with the image's logical bytes written in. Empty when the image has the wrong size.
    std::vector<uint8_t> fuses;
};

// `current` is the fuse content as the chip gives it (physical bytes on the mapped generation), at
// least as long as the image; `checkInitial` adds the initial-value check of a forced check.
EfuseWritePlan PlanEfuseWrite(EfuseGeneration generation, std::span<const uint8_t> image,
                              std::span<const uint8_t> current, bool checkInitial);

// One fuse whose state the write changes: burnt (allowed) or one that would have to return to its
// blank state (impossible).
struct EfuseBitChange {
    size_t nByte;
    unsigned nBit;
    bool bUnburn;
};

// Every fuse in which `fuses` differs from `current`, in byte and bit order.
std::vector<EfuseBitChange> EfuseBitChanges(EfuseGeneration generation, std::span<const uint8_t> current,
                                            std::span<const uint8_t> fuses);

// Logical byte and bit that a physical fuse of the mapped generation holds; none for a fuse that holds
// no logical bit.
struct EfuseBitPosition {
    size_t nByte;
    unsigned nBit;
};
std::optional<EfuseBitPosition> MappedLogicalBit(size_t physicalByte, unsigned bit);

// The physical content a mapped-generation read dump stands for: its 8 logical bytes written into
// fuses that hold no other bit.
std::vector<uint8_t> MappedPhysicalFromDump(std::span<const uint8_t> dump);
