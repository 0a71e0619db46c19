// The rule that decides whether an EFUSE image can be programmed over the current fuses, shared by the
// EFUSE flows and quillix-image's plan.
#include "device/EfuseWriteRule.h"
#include "app/Messages.h"

#include <gtest/gtest.h>

#include <random>

namespace {

std::vector<uint8_t> Filled(EfuseGeneration generation, uint8_t fill) {
    return std::vector<uint8_t>(EfuseImageSize(generation), fill);
}

TEST(EfuseWriteRule, Cases) {
    struct Case {
        const char* name;
        EfuseGeneration generation;
        std::vector<uint8_t> current;
        std::vector<uint8_t> image;
        bool checkInitial;
        ResultCode code;
    } cases[] = {
        {"direct blank", EfuseGeneration::Direct, Filled(EfuseGeneration::Direct, 0xFF),
         Filled(EfuseGeneration::Direct, 0x12), false, 0},
        {"direct 0 to 1", EfuseGeneration::Direct, Filled(EfuseGeneration::Direct, 0x00),
         Filled(EfuseGeneration::Direct, 0x01), false, IDS_EFUSE_DATA_INVALID},
        {"register 0 to 1", EfuseGeneration::Register, Filled(EfuseGeneration::Register, 0xFE),
         Filled(EfuseGeneration::Register, 0xFF), false, IDS_EFUSE_DATA_INVALID},
        {"pcie wrong size", EfuseGeneration::Pcie, Filled(EfuseGeneration::Pcie, 0xFF),
         Filled(EfuseGeneration::Direct, 0xFF), false, IDS_EFUSE_DATA_INVALID},
        {"pcie initial check", EfuseGeneration::Pcie, Filled(EfuseGeneration::Pcie, 0x7F),
         Filled(EfuseGeneration::Pcie, 0x00), true, IDS_EFUSE_INITIAL_INVALID},
        {"pcie without initial check", EfuseGeneration::Pcie, Filled(EfuseGeneration::Pcie, 0x7F),
         Filled(EfuseGeneration::Pcie, 0x00), false, 0},
        {"mapped 1 kept", EfuseGeneration::Mapped, Filled(EfuseGeneration::Mapped, 0xFF),
         Filled(EfuseGeneration::Mapped, 0xFF), false, 0},
        {"mapped 1 cleared", EfuseGeneration::Mapped, Filled(EfuseGeneration::Mapped, 0xFF),
         Filled(EfuseGeneration::Mapped, 0x00), false, IDS_EFUSE_DATA_INVALID},
        // Only the 8 logical bytes of a mapped image are programmed; the rest of the image is ignored.
        {"mapped tail ignored", EfuseGeneration::Mapped, Filled(EfuseGeneration::Mapped, 0x00),
         [] {
             std::vector<uint8_t> image(40, 0x00);
             image[39] = 0xFF;
             return image;
         }(),
         false, 0},
    };
    for (const Case& c : cases) {
        const EfuseWritePlan plan = PlanEfuseWrite(c.generation, c.image, c.current, c.checkInitial);
        EXPECT_EQ(plan.code, c.code) << c.name;
    }
}

// Allowed exactly when no fuse would have to be un-burnt, on every generation.
TEST(EfuseWriteRule, VerdictAgreesWithTheListedFuses) {
    std::mt19937 random(20261210);
    for (EfuseGeneration generation : {EfuseGeneration::Direct, EfuseGeneration::Register,
                                       EfuseGeneration::Mapped, EfuseGeneration::Pcie}) {
        for (int round = 0; round < 500; ++round) {
            std::vector<uint8_t> current = Filled(generation, 0);
            std::vector<uint8_t> image = Filled(generation, 0);
            for (size_t i = 0; i < current.size(); ++i) {
                current[i] = static_cast<uint8_t>(random());
                // Mostly images that only burn further, so both verdicts occur.
                image[i] = random() % 4 == 0 ? static_cast<uint8_t>(random())
                           : generation == EfuseGeneration::Mapped
                               ? static_cast<uint8_t>(current[i] | random())
                               : static_cast<uint8_t>(current[i] & random());
            }
            if (generation == EfuseGeneration::Mapped)
                current = MappedPhysicalFromDump(current);
            const EfuseWritePlan plan = PlanEfuseWrite(generation, image, current, false);
            const std::vector<EfuseBitChange> changes = EfuseBitChanges(generation, current, plan.fuses);
            const bool unburns = std::any_of(changes.begin(), changes.end(),
                                             [](const EfuseBitChange& c) { return c.bUnburn; });
            EXPECT_EQ(plan.code == 0, !unburns) << static_cast<int>(generation) << " round " << round;
        }
    }
}

TEST(EfuseWriteRule, MappedFusesNameTheirLogicalBits) {
    struct Case {
        size_t physical;
        unsigned bit;
        std::optional<EfuseBitPosition> logical;
    } cases[] = {
        {37, 0, EfuseBitPosition{0, 0}}, {19, 7, EfuseBitPosition{5, 7}}, {21, 4, EfuseBitPosition{6, 4}},
        {35, 5, EfuseBitPosition{6, 5}}, {21, 5, std::nullopt},           {0, 0, std::nullopt},
        {40, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<EfuseBitPosition> logical = MappedLogicalBit(c.physical, c.bit);
        ASSERT_EQ(logical.has_value(), c.logical.has_value()) << c.physical << "." << c.bit;
        if (logical) {
            EXPECT_EQ(logical->nByte, c.logical->nByte) << c.physical << "." << c.bit;
            EXPECT_EQ(logical->nBit, c.logical->nBit) << c.physical << "." << c.bit;
        }
    }
}

} // namespace
