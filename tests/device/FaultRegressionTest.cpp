// Faults the soak found, each replayed with the simulator's counted faults.
#include "device/EfuseInfo.h"
#include "tests/device/FlowFixture.h"

#include <gmock/gmock.h>

using namespace flowtest;

namespace {

class FaultRegression : public FlowTest {};

// The mapped generation programs the current fuses back around the image's bits. A bit flipped in the
// read of the current fuses (byte 20 holds no logical bit) was burnt with them; now the content counts
// only when a second read agrees, and nothing is burnt.
TEST_F(FaultRegression, MisreadMappedFusesAreNotBurntBack) {
    CMpFlow_Efuse& efuse = Start<CEfuseInfo_USB>("efuse-usb-mapped", USB);
    Sim("fault 0 flip QDReadEfuse");
    std::vector<uint8_t> image(40, 0x00);
    image[0] = 0x2C;
    efuse.SetDownloadImage(image);
    EXPECT_EQ(efuse.DT_Download(), 0u);
    EXPECT_THAT(Posted(), testing::Contains("F41604"));
    EXPECT_EQ(Memory("efuse"), Bytes(40, 0x00));
    EXPECT_TRUE(Calls("QDWriteEfuse").empty());
}

} // namespace
