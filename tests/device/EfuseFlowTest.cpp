#include "core/ForceCheck.h"
#include "device/EfuseInfo.h"
#include "tests/device/FlowFixture.h"

#include <gmock/gmock.h>

using namespace flowtest;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

namespace {

// Which device type a case runs.
enum class Kind { Usb, Pcie };

class EfuseFlowTest : public FlowTest {
protected:
    CMpFlow_Efuse& Begin(const std::string& preset) {
        if (preset == "efuse-pcie")
            return Start<CEfuseInfo_PCIE>(preset, PCIE);
        return Start<CEfuseInfo_USB>(preset, USB);
    }
    // Progress of the register generation's whole read: 20 + 80 * (i + 1) / 16 after byte i.
    static std::vector<std::string> RegisterReadProgress() {
        std::vector<std::string> progress;
        for (uint32_t i = 0; i < 16; ++i)
            progress.push_back("P" + std::to_string(80 * (i + 1) / 16 + 20));
        return progress;
    }
    static std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }
    // Register-generation program commands: each one writes the data register first.
    size_t ProgramCommands() const {
        size_t n = 0;
        for (const std::string& line : JournalOf("QDWriteMem"))
            n += line.find("QDWriteMem(0xFE7E") != std::string::npos;
        return n;
    }
};

// The fuse pattern used for programmed chips, and the logical bytes of the mapped generation.
const std::vector<uint8_t> kPattern16 = {0x2C, 0x7A, 0x01, 0x03, 0xF0, 0x0F, 0x55, 0x6B,
                                         0xAA, 0x00, 0xF7, 0x12, 0x34, 0x56, 0x78, 0x9A};
const std::vector<uint8_t> kLogical = {0x2C, 0x7A, 0x03, 0x03, 0x11, 0x22, 0xE5, 0xA7};

// The 40 physical bytes that hold kLogical on a blank mapped chip.
std::vector<uint8_t> MappedPhysical() {
    std::vector<uint8_t> physical(40, 0x00);
    physical[37] = 0x2C;
    physical[38] = 0x7A;
    physical[39] = 0x03;
    physical[17] = 0x03;
    physical[18] = 0x11;
    physical[19] = 0x22;
    physical[21] = 0xE5 & 0x1F;
    physical[35] = 0xE5 & 0xE0;
    physical[1] = 0xA7 & 0x1F;
    physical[15] = 0xA7 & 0xE0;
    return physical;
}

// A 40-byte mapped-generation image: the logical bytes first.
std::vector<uint8_t> MappedImage() {
    std::vector<uint8_t> image(40, 0x00);
    std::copy(kLogical.begin(), kLogical.end(), image.begin());
    return image;
}

TEST(EfuseMapping, LogicalBytesRoundTripThroughThePhysicalLayout) {
    std::array<uint8_t, 40> physical;
    physical.fill(0x00);
    std::array<uint8_t, 8> logical;
    std::copy(kLogical.begin(), kLogical.end(), logical.begin());
    CMpFlow_Efuse::MapEfuseToPhysical7648(logical, physical);
    EXPECT_EQ(std::vector<uint8_t>(physical.begin(), physical.end()), MappedPhysical());
    std::array<uint8_t, 8> back{};
    CMpFlow_Efuse::MapEfuseToLogical7648(physical, back);
    EXPECT_EQ(back, logical);
    // Bits of the split bytes' physical homes that hold no logical bit keep their value.
    physical.fill(0xFF);
    logical.fill(0x00);
    CMpFlow_Efuse::MapEfuseToPhysical7648(logical, physical);
    EXPECT_EQ(physical[21], 0xE0);
    EXPECT_EQ(physical[35], 0x1F);
    EXPECT_EQ(physical[1], 0xE0);
    EXPECT_EQ(physical[15], 0x1F);
    EXPECT_EQ(physical[0], 0xFF);
}

TEST(EfuseChecks, CompatibilityAndInitialValue) {
    const uint8_t current[] = {0xF0};
    const uint8_t subset[] = {0x30};
    const uint8_t more[] = {0x31};
    EXPECT_EQ(CMpFlow_Efuse::Efuse_CheckData(subset, current, 1), 1u) << "clears bits only";
    EXPECT_EQ(CMpFlow_Efuse::Efuse_CheckData(more, current, 1), 0u) << "would set a burnt bit";
    EXPECT_EQ(CMpFlow_Efuse::Efuse_CheckData7648(subset, current, 1), 1u) << "sets bits only";
    EXPECT_EQ(CMpFlow_Efuse::Efuse_CheckData7648(current, subset, 1), 0u) << "would clear a burnt bit";

    std::vector<uint8_t> blank(16, 0xFF);
    EXPECT_EQ(CMpFlow_Efuse::EFP_CheckInitValue(CMpFlow_Efuse::kInitMaskUsb, 16, blank.data()), 1u);
    blank[7] = 0x6B; // the bits outside the mask may be programmed
    blank[10] = 0xF7;
    EXPECT_EQ(CMpFlow_Efuse::EFP_CheckInitValue(CMpFlow_Efuse::kInitMaskUsb, 16, blank.data()), 1u);
    blank[10] = 0xF3;
    EXPECT_EQ(CMpFlow_Efuse::EFP_CheckInitValue(CMpFlow_Efuse::kInitMaskUsb, 16, blank.data()), 0u);
    EXPECT_EQ(CMpFlow_Efuse::EFP_CheckInitValue(CMpFlow_Efuse::kInitMaskUsb, 10, blank.data()), 1u)
        << "only the first min(length, mask) bytes count";
    std::vector<uint8_t> zeros(40, 0x00);
    EXPECT_EQ(CMpFlow_Efuse::EFP_CheckInitValue(CMpFlow_Efuse::kInitMaskMapped, 40, zeros.data()), 1u);
    EXPECT_EQ(CMpFlow_Efuse::EFP_CheckInitValue(CMpFlow_Efuse::kInitMaskPcie, 8, zeros.data()), 0u);
}

struct ReadCase {
    const char* preset;
    bool programmed;
    std::vector<uint8_t> image; // upload image after the read
    std::vector<std::string> progress;
};

TEST_F(EfuseFlowTest, ReadOnEachGeneration) {
    std::vector<std::string> none;
    ReadCase cases[] = {
        {"efuse-usb", false, Bytes(16, 0xFF), none},
        {"efuse-usb", true, kPattern16, none},
        {"efuse-usb-reg", false, Bytes(16, 0xFF), RegisterReadProgress()},
        {"efuse-usb-reg", true, kPattern16, RegisterReadProgress()},
        // The upload image is empty in a fresh process: the read still fetches all 40 fuses.
        {"efuse-usb-mapped", false, Bytes(40, 0x00), none},
        {"efuse-usb-mapped", true, MappedImage(), none},
        {"efuse-pcie", false, Bytes(8, 0xFF), none},
        {"efuse-pcie", true, std::vector<uint8_t>(kPattern16.begin(), kPattern16.begin() + 8), none},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(std::string(c.preset) + (c.programmed ? " programmed" : " blank"));
        CMpFlow_Efuse& efuse = Begin(c.preset);
        if (c.programmed)
            SetMemory("efuse", std::string(c.preset) == "efuse-usb-mapped" ? MappedPhysical() : c.image);
        EXPECT_EQ(efuse.GetDataUpSize(), 0u);
        EXPECT_EQ(efuse.DT_Read(), 1u);
        ASSERT_EQ(efuse.GetDataUpSize(), c.image.size());
        EXPECT_EQ(std::vector<uint8_t>(efuse.GetDataUp(), efuse.GetDataUp() + c.image.size()), c.image);
        EXPECT_EQ(Posted(), Join(Join({"P20"}, c.progress), {"P100", "S41651"}));
        EXPECT_EQ(efuse.m_hDev, 0u) << "the reader is closed";
        EXPECT_FALSE(AnyWriteCalled());
        TearDown();
    }
}

TEST_F(EfuseFlowTest, ReadOfPcieTracesTheSize) {
    CMpFlow_Efuse& efuse = Begin("efuse-pcie");
    EXPECT_EQ(efuse.DT_Read(), 1u);
    EXPECT_THAT(TraceText(), HasSubstr("CMpFlow_Efuse::EFP_ReadEx:> EFP_ReadEx - m_dwDataUpSize: 8\r\n"));
}

struct WriteCase {
    const char* preset;
    bool download; // else update (upload image)
    std::vector<uint8_t> image;
    std::vector<uint8_t> fuses; // content after the write
    std::vector<std::string> posted;
    std::vector<uint32_t> sleeps;
};

TEST_F(EfuseFlowTest, WriteOnBlankFusesProgramsVerifiesAndResetsUsb) {
    std::vector<uint8_t> pcieImage(kPattern16.begin(), kPattern16.begin() + 8);
    // USB: one verified write (128 ms before the read-back, 128 ms after the try), then the
    // reconnection after the reset. The register generation polls every byte and switches the
    // programming voltage on and off.
    WriteCase cases[] = {
        {"efuse-usb",
         true,
         kPattern16,
         kPattern16,
         {"P20", "P30", "P40", "P80", "P100", "S41654"},
         {128, 128, 1024}},
        {"efuse-usb",
         false,
         kPattern16,
         kPattern16,
         {"P20", "P30", "P40", "P80", "P100", "S41653"},
         {128, 128, 1024}},
        {"efuse-usb-mapped",
         true,
         MappedImage(),
         MappedPhysical(),
         {"P20", "P30", "P40", "P80", "P100", "S41654"},
         {128, 128, 1024}},
        {"efuse-usb-mapped",
         false,
         MappedImage(),
         MappedPhysical(),
         {"P20", "P30", "P40", "P80", "P100", "S41653"},
         {128, 128, 1024}},
        {"efuse-pcie", true, pcieImage, pcieImage, {"P20", "P30", "P40", "P100", "S41654"}, {128, 128}},
        {"efuse-pcie", false, pcieImage, pcieImage, {"P20", "P30", "P40", "P100", "S41653"}, {128, 128}},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(std::string(c.preset) + (c.download ? " download" : " update"));
        CMpFlow_Efuse& efuse = Begin(c.preset);
        if (c.download)
            efuse.SetDownloadImage(c.image);
        else
            efuse.SetUploadImage(c.image);
        EXPECT_EQ(c.download ? efuse.DT_Download() : efuse.DT_Update(), 1u);
        EXPECT_EQ(Memory("efuse"), c.fuses);
        EXPECT_EQ(Posted(), c.posted);
        EXPECT_EQ(m_clock.Sleeps(), c.sleeps);
        EXPECT_EQ(Calls("QDSwReset").size(), std::string(c.preset) == "efuse-pcie" ? 0u : 1u);
        EXPECT_EQ(efuse.m_hDev, 0u);
        TearDown();
    }
}

TEST_F(EfuseFlowTest, RegisterGenerationProgramsOnlyTheBytesThatAreNotBlank) {
    CMpFlow_Efuse& efuse = Begin("efuse-usb-reg");
    std::vector<uint8_t> image(16, 0xFF);
    image[2] = 0x12;
    image[9] = 0x00;
    image[15] = 0xFE;
    efuse.SetDownloadImage(image);
    EXPECT_EQ(efuse.DT_Download(), 1u);
    EXPECT_EQ(Memory("efuse"), image);
    EXPECT_EQ(ProgramCommands(), 3u);
    EXPECT_EQ(Posted(), (std::vector<std::string>{"P20", "P30", "P40", "P80", "P100", "S41654"}));
    // 16 byte reads of three polls each, the voltage sequence (4 ms) and the enable (128 ms), three
    // bytes programmed and read back, the sequence switched off again, and the reconnection.
    std::vector<uint32_t> sleeps(48, 16);
    sleeps.insert(sleeps.end(), {4, 128});
    sleeps.insert(sleeps.end(), 18, 16);
    sleeps.insert(sleeps.end(), {4, 128, 1024});
    EXPECT_EQ(m_clock.Sleeps(), sleeps);
}

TEST_F(EfuseFlowTest, IncompatibleContentIsRefusedBeforeAnyFuseIsTouched) {
    struct Case {
        const char* preset;
        std::vector<uint8_t> fuses;
        std::vector<uint8_t> image;
    } cases[] = {
        // A 0-bit already burnt where the new data has a 1-bit.
        {"efuse-usb", kPattern16, Bytes(16, 0xFF)},
        {"efuse-usb-reg", kPattern16, Bytes(16, 0xFF)},
        {"efuse-pcie", Bytes(8, 0x0F), Bytes(8, 0x1F)},
        // Mapped generation: the new logical data would clear a 1-bit already set.
        {"efuse-usb-mapped", MappedPhysical(), Bytes(40, 0x00)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.preset);
        CMpFlow_Efuse& efuse = Begin(c.preset);
        SetMemory("efuse", c.fuses);
        ClearJournal();
        efuse.SetDownloadImage(c.image);
        EXPECT_EQ(efuse.DT_Download(), 0u);
        EXPECT_EQ(Posted().back(), "F41602");
        EXPECT_FALSE(AnyWriteCalled());
        EXPECT_EQ(Memory("efuse"), c.fuses);
        TearDown();
    }
}

TEST_F(EfuseFlowTest, OnlyAnImageOfTheChipsSizeIsProgrammed) {
    struct Case {
        const char* preset;
        size_t size;
    } cases[] = {
        {"efuse-usb", 0},         {"efuse-usb", 8},        {"efuse-usb", 17},  {"efuse-usb", 40},
        {"efuse-usb", 256},    // a length taken modulo 256 would program nothing and report success
        {"efuse-usb", 272},    // ... or program the first 16 bytes of a foreign image
        {"efuse-usb-reg", 40}, // bytes 16-39 would land on fuses 0-15
        {"efuse-usb-mapped", 16}, {"efuse-usb-mapped", 8}, {"efuse-pcie", 16}, {"efuse-pcie", 264},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.preset) + " " + std::to_string(c.size));
        CMpFlow_Efuse& efuse = Begin(c.preset);
        std::vector<uint8_t> before = Memory("efuse");
        efuse.SetDownloadImage(Bytes(c.size, 0x00));
        efuse.SetUploadImage(Bytes(c.size, 0x00));
        EXPECT_EQ(efuse.DT_Download(), 0u);
        EXPECT_EQ(efuse.DT_Update(), 0u);
        EXPECT_EQ(Posted(), (std::vector<std::string>{"P20", "F41602", "P20", "F41602"}));
        EXPECT_FALSE(AnyWriteCalled());
        EXPECT_EQ(Memory("efuse"), before);
        TearDown();
    }
}

TEST_F(EfuseFlowTest, ForcedInitialValueCheckNeedsTheMainDialog) {
    struct Case {
        const char* preset;
        bool dialog;
        uint32_t force;
        std::vector<uint8_t> fuses;
        std::vector<uint8_t> image;
        const char* last; // last message, or the exit code without a dialog
    } cases[] = {
        // A byte under the mask is already programmed: the forced check refuses.
        {"efuse-usb",
         true,
         1,
         {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x6B, 0xFF, 0xFF, 0xF3, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
         Bytes(16, 0x00),
         "F41603"},
        {"efuse-usb-reg", true, 1, Bytes(16, 0x7F), Bytes(16, 0x00), "F41603"},
        {"efuse-pcie", true, 1, Bytes(8, 0xFE), Bytes(8, 0x00), "F41603"},
        // Not forced, or forced without a main dialog: no initial-value test, the write goes on.
        {"efuse-usb", true, 0, Bytes(16, 0x7F), Bytes(16, 0x00), "S41654"},
        {"efuse-usb", false, 1, Bytes(16, 0x7F), Bytes(16, 0x00), "0"},
        {"efuse-pcie", false, 1, Bytes(8, 0xFE), Bytes(8, 0x00), "0"},
        // Every initial content of the mapped generation passes.
        {"efuse-usb-mapped", true, 1, MappedPhysical(), MappedImage(), "S41654"},
    };
    static uint32_t force = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.preset) + (c.dialog ? " dialog" : " no dialog") + " force " +
                     std::to_string(c.force));
        force = c.force;
        CMpFlow_Efuse& efuse = Begin(c.preset);
        SetForceCheckReader([] { return force; });
        if (!c.dialog)
            WithoutDialog();
        SetMemory("efuse", c.fuses);
        ClearJournal();
        efuse.SetDownloadImage(c.image);
        bool refused = std::string(c.last) == "F41603";
        EXPECT_EQ(efuse.DT_Download(), refused ? 0u : 1u);
        if (c.dialog)
            EXPECT_EQ(Posted().back(), c.last);
        else
            EXPECT_EQ(std::to_string(g_dwErrorCode), c.last);
        EXPECT_EQ(AnyWriteCalled(), !refused);
        TearDown();
    }
}

TEST_F(EfuseFlowTest, WeakFusesTakeTheBoostedRetryAndTheRegulatorIsRestored) {
    CMpFlow_Efuse& efuse = Begin("efuse-usb");
    Sim("set 0 ldo 0x08");
    Sim("fault 0 weak-fuses on");
    efuse.SetDownloadImage(kPattern16);
    EXPECT_EQ(efuse.DT_Download(), 1u);
    EXPECT_EQ(Memory("efuse"), kPattern16);
    EXPECT_THAT(JournalOf("QDWriteLdo"),
                ElementsAre(HasSubstr("QDWriteLdo(0xF)"), HasSubstr("QDWriteLdo(0x8)")));
    EXPECT_THAT(TraceText(), HasSubstr("CMpFlow2::MP_UpdateEfuseEx:> ReadLdo : 0x08\r\n"));
    // Two failed passes (write, 128, read-back, 128), the boost (128), one good pass (128), the
    // restore (128), the try (128), the reconnection.
    EXPECT_EQ(m_clock.Sleeps(), (std::vector<uint32_t>{128, 128, 128, 128, 128, 128, 128, 128, 1024}));
    EXPECT_EQ(Posted().back(), "S41654");
}

TEST_F(EfuseFlowTest, MappedGenerationHasNoBoostedRetry) {
    CMpFlow_Efuse& efuse = Begin("efuse-usb-mapped");
    Sim("fault 0 weak-fuses on");
    efuse.SetDownloadImage(MappedImage());
    EXPECT_EQ(efuse.DT_Download(), 0u);
    EXPECT_EQ(Posted(), (std::vector<std::string>{"P20", "P30", "P40", "F41606"}));
    EXPECT_THAT(Calls("QDWriteLdo"), IsEmpty());
    // Three tries of two failed passes each, 128 ms after every try.
    EXPECT_EQ(m_clock.Sleeps(), std::vector<uint32_t>(15, 128));
    EXPECT_EQ(Calls("QDWriteEfuse").size(), 6u);
    EXPECT_THAT(Calls("QDSwReset"), IsEmpty());
}

TEST_F(EfuseFlowTest, ProgrammingThatDoesNotTakeFails) {
    struct Case {
        const char* preset;
        const char* fault;
        std::vector<std::string> posted;
    } cases[] = {
        // Every write claims success and burns nothing: three tries of a normal and a boosted write.
        {"efuse-usb", "lie QDWriteEfuse 12", {"P20", "P30", "P40", "F41606"}},
        {"efuse-pcie", "lie QDWriteEfuse 12", {"P20", "P30", "P40", "F41606"}},
        // The programming enable (the 26th register write, after 16 reads and the voltage sequence)
        // is refused: nothing burns and the verification fails.
        {"efuse-usb-reg", "fail QDWriteMem 1 25", {"P20", "P30", "P40", "F41606"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.preset);
        CMpFlow_Efuse& efuse = Begin(c.preset);
        std::vector<uint8_t> before = Memory("efuse");
        Sim(std::string("fault 0 ") + c.fault);
        efuse.SetDownloadImage(Bytes(before.size(), 0x00));
        EXPECT_EQ(efuse.DT_Download(), 0u);
        EXPECT_EQ(Posted(), c.posted);
        EXPECT_EQ(Memory("efuse"), before);
        EXPECT_THAT(Calls("QDSwReset"), IsEmpty());
        TearDown();
    }
}

TEST_F(EfuseFlowTest, RegisterBusyThatNeverClearsFailsTheAccess) {
    CMpFlow_Efuse& efuse = Begin("efuse-usb-reg");
    Sim("fault 0 busy on");
    EXPECT_EQ(efuse.DT_Read(), 0u);
    EXPECT_EQ(Posted(), (std::vector<std::string>{"P20", "F41604"}));
    EXPECT_EQ(m_clock.Sleeps(), std::vector<uint32_t>(64, 16));
    m_dialog.Clear();
    efuse.SetDownloadImage(Bytes(16, 0x00));
    EXPECT_EQ(efuse.DT_Download(), 0u);
    EXPECT_EQ(Posted(), (std::vector<std::string>{"P20", "F41604"}));
    EXPECT_FALSE(AnyWriteCalled());
}

TEST_F(EfuseFlowTest, ReadFailuresRetryThreeTimes) {
    CMpFlow_Efuse& efuse = Begin("efuse-usb");
    Sim("fault 0 fail QDReadEfuse 3");
    EXPECT_EQ(efuse.DT_Read(), 0u);
    EXPECT_EQ(Posted(), (std::vector<std::string>{"P20", "F41604"}));
    EXPECT_EQ(m_clock.Sleeps(), (std::vector<uint32_t>{128, 128, 128}));
}

TEST_F(EfuseFlowTest, FailedResetAfterProgrammingReports41512) {
    CMpFlow_Efuse& efuse = Begin("efuse-usb");
    Sim("set 0 accept.QDSwReset 0");
    efuse.SetDownloadImage(kPattern16);
    EXPECT_EQ(efuse.DT_Download(), 0u);
    EXPECT_EQ(Posted(), (std::vector<std::string>{"P20", "P30", "P40", "P80", "F41512"}));
    EXPECT_EQ(Memory("efuse"), kPattern16) << "the fuses stay programmed";
    EXPECT_EQ(efuse.m_hDev, 0u);
}

TEST_F(EfuseFlowTest, CheckOfTheInitialState) {
    struct Case {
        const char* preset;
        std::vector<uint8_t> fuses; // empty: blank
        const char* fault;
        std::vector<std::string> posted;
    } cases[] = {
        {"efuse-usb", {}, nullptr, {"P20", "P100", "S41655"}},
        {"efuse-usb", kPattern16, nullptr, {"P20", "F41603"}},
        {"efuse-usb-reg", {}, nullptr, Join(Join({"P20"}, RegisterReadProgress()), {"P100", "S41655"})},
        {"efuse-usb-mapped", MappedPhysical(), nullptr, {"P20", "P100", "S41655"}},
        {"efuse-pcie", {}, nullptr, {"P20", "P100", "S41655"}},
        {"efuse-pcie", Bytes(8, 0xEF), nullptr, {"P20", "F41603"}},
        // A failed read is reported by the read and again by the check.
        {"efuse-usb", {}, "fail QDReadEfuse 3", {"P20", "F41604", "F41604"}},
        {"efuse-pcie", {}, "fail QDReadEfuse 3", {"P20", "F41604", "F41604"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.preset);
        CMpFlow_Efuse& efuse = Begin(c.preset);
        if (!c.fuses.empty())
            SetMemory("efuse", c.fuses);
        if (c.fault)
            Sim(std::string("fault 0 ") + c.fault);
        ClearJournal();
        EXPECT_EQ(efuse.DT_Erase(), c.posted.back()[0] == 'S' ? 1u : 0u);
        EXPECT_EQ(Posted(), c.posted);
        EXPECT_FALSE(AnyWriteCalled());
        TearDown();
    }
}

TEST_F(EfuseFlowTest, FrameFailuresWithoutADialogBecomeTheExitCode) {
    struct Case {
        const char* preset;
        const char* more;
        ResultCode code;
    } cases[] = {
        {"none", nullptr, 41511},
        {"efuse-usb", "efuse-usb", 41513},
    };
    for (const Case& c : cases) {
        CMpFlow_Efuse& efuse = Begin(c.preset);
        if (c.more)
            Sim(std::string("add ") + c.more);
        WithoutDialog();
        EXPECT_EQ(efuse.DT_Read(), 0u);
        EXPECT_EQ(g_dwErrorCode, c.code);
        EXPECT_EQ(efuse.DT_SilentErase(1), 0u);
        EXPECT_EQ(g_dwErrorCode, 41500u) << "EFUSE cannot be erased";
        TearDown();
    }
}

TEST_F(EfuseFlowTest, CancelledProgrammingBurnsNothing) {
    for (const char* preset : {"efuse-usb", "efuse-usb-reg", "efuse-usb-mapped", "efuse-pcie"}) {
        SCOPED_TRACE(preset);
        CMpFlow_Efuse& efuse = Begin(preset);
        std::vector<uint8_t> before = Memory("efuse");
        efuse.SetDownloadImage(std::string(preset) == "efuse-usb-mapped" ? MappedImage()
                                                                         : Bytes(before.size(), 0x00));
        CancelOn("P40");
        EXPECT_EQ(efuse.DT_Download(), 0u);
        EXPECT_EQ(Posted(), (std::vector<std::string>{"P20", "P30", "P40", "F41606"}));
        EXPECT_EQ(Memory("efuse"), before);
        EXPECT_THAT(Calls("QDWriteEfuse"), IsEmpty());
        EXPECT_THAT(Calls("QDSwReset"), IsEmpty());
        TearDown();
    }
}

TEST_F(EfuseFlowTest, PcieOperationsTraceUnderTheirNames) {
    CMpFlow_Efuse& efuse = Begin("efuse-pcie");
    efuse.SetUploadImage(Bytes(8, 0xF0));
    efuse.SetDownloadImage(Bytes(8, 0x70));
    EXPECT_EQ(efuse.DT_Update(), 1u);
    EXPECT_EQ(efuse.DT_Download(), 1u);
    std::string trace = TraceText();
    EXPECT_THAT(trace, HasSubstr("CEfuseInfo::EFP_Update:> START --->>>\r\n"));
    EXPECT_THAT(trace, HasSubstr("EFP_DownloadEx - m_dwDataDownSize 8\r\n"));
    for (const char* step : {"MP_ReadEfuse Pass.", "Efuse_CheckData Pass.", "MP_UpdateEfuse Pass."})
        EXPECT_THAT(trace, HasSubstr(std::string("CMpFlow_Efuse::EFP_DownloadEx:> ") + step + "\r\n"));
    EXPECT_EQ(Memory("efuse"), Bytes(8, 0x70));
}

} // namespace
