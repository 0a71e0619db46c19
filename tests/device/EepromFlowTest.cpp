#include "device/EepromInfo.h"
#include "tests/device/FlowFixture.h"
#include "tests/support/TempDir.h"

#include <gmock/gmock.h>

using namespace flowtest;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

namespace {

class EepromFlowTest : public FlowTest {
protected:
    CMpFlow_Eeprom& Begin(BusType bus) {
        if (bus == PCIE)
            return Start<CEepromInfo_PCIE>("eeprom-pcie", PCIE);
        return Start<CEepromInfo_USB>("eeprom-usb", USB);
    }
    // Lengths of the EEPROM writes and reads, in call order.
    std::vector<std::string> Transfers() const {
        std::vector<std::string> lines;
        for (const std::string& line : m_sim->Journal())
            for (const char* entry : {"QDWriteEeprom(", "QDReadEeprom("})
                if (size_t at = line.find(entry); at != std::string::npos)
                    lines.push_back(line.substr(at, line.find(',', at) - at));
        return lines;
    }
};

// Counting bytes, so that any shifted or dropped byte shows.
std::vector<uint8_t> Counting(size_t n) {
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    return bytes;
}

std::vector<uint8_t> Head(const std::vector<uint8_t>& bytes, size_t n) {
    return std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(n));
}

TEST_F(EepromFlowTest, ReadAlwaysFetches128Bytes) {
    for (BusType bus : {USB, PCIE}) {
        SCOPED_TRACE(bus);
        CMpFlow_Eeprom& eeprom = Begin(bus);
        SetMemory("eeprom", Counting(512));
        eeprom.SetUploadImage(Bytes(600, 0x00));
        EXPECT_EQ(eeprom.DT_Read(), 1u);
        ASSERT_EQ(eeprom.GetDataUpSize(), 128u);
        EXPECT_EQ(std::vector<uint8_t>(eeprom.GetDataUp(), eeprom.GetDataUp() + 128),
                  Head(Counting(512), 128));
        EXPECT_EQ(Posted(), (std::vector<std::string>{"P20", "P100", "S41851"}));
        EXPECT_THAT(Transfers(), ElementsAre("QDReadEeprom(0x80"));
        TearDown();
    }
}

TEST_F(EepromFlowTest, ReadBeyondASmallEepromFailsAfterThreeAttempts) {
    CMpFlow_Eeprom& eeprom = Begin(USB);
    Sim("set 0 eeprom-size 64");
    EXPECT_EQ(eeprom.DT_Read(), 0u);
    EXPECT_EQ(Posted(), (std::vector<std::string>{"P20", "F41804"}));
    EXPECT_EQ(m_clock.Sleeps(), (std::vector<uint32_t>{128, 128, 128}));
}

struct WriteCase {
    const char* name;
    BusType bus;
    bool download;
    uint32_t eepromSize;
    size_t imageSize;
    std::vector<std::string> transfers;
    std::vector<std::string> posted;
    std::vector<uint32_t> sleeps;
};

TEST_F(EepromFlowTest, UpdateAndDownloadWriteTheBlockThenTheVerifiedImage) {
    WriteCase cases[] = {
        {"usb download 600",
         USB,
         true,
         1024,
         600,
         {"QDWriteEeprom(0x1FF", "QDWriteEeprom(0x258", "QDReadEeprom(0x258"},
         {"P20", "P30", "P50", "P100", "S41854"},
         {128, 128, 1024}},
        {"usb update 128",
         USB,
         false,
         512,
         128,
         {"QDWriteEeprom(0x1FF", "QDWriteEeprom(0x80", "QDReadEeprom(0x80"},
         {"P20", "P30", "P50", "P100", "S41853"},
         {128, 128, 1024}},
        {"pcie download 256",
         PCIE,
         true,
         512,
         256,
         {"QDWriteEeprom(0x1FF", "QDWriteEeprom(0x100", "QDReadEeprom(0x100"},
         {"P20", "P30", "P100", "S41854"},
         {128, 128}},
        {"pcie update 128",
         PCIE,
         false,
         512,
         128,
         {"QDWriteEeprom(0x1FF", "QDWriteEeprom(0x80", "QDReadEeprom(0x80"},
         {"P20", "P30", "P100", "S41853"},
         {128, 128}},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        CMpFlow_Eeprom& eeprom = Begin(c.bus);
        Sim("set 0 eeprom-size " + std::to_string(c.eepromSize));
        SetMemory("eeprom", Bytes(c.eepromSize, 0xEE));
        ClearJournal();
        std::vector<uint8_t> image = Counting(c.imageSize);
        if (c.download)
            eeprom.SetDownloadImage(image);
        else
            eeprom.SetUploadImage(image);
        EXPECT_EQ(c.download ? eeprom.DT_Download() : eeprom.DT_Update(), 1u);
        EXPECT_EQ(Transfers(), c.transfers);
        EXPECT_EQ(Posted(), c.posted);
        EXPECT_EQ(m_clock.Sleeps(), c.sleeps);
        // The image, then what is left of the zero padding of the block, then the old content.
        std::vector<uint8_t> expected = image;
        if (expected.size() < 511)
            expected.resize(511, 0x00);
        expected.resize(c.eepromSize, 0xEE);
        EXPECT_EQ(Memory("eeprom"), expected);
        EXPECT_EQ(Calls("QDSwReset").size(), c.bus == USB ? 1u : 0u);
        TearDown();
    }
}

TEST_F(EepromFlowTest, AnImageLargerThanTheEepromFailsAfterTheBlock) {
    CMpFlow_Eeprom& eeprom = Begin(USB);
    eeprom.SetDownloadImage(Counting(600));
    EXPECT_EQ(eeprom.DT_Download(), 0u);
    EXPECT_EQ(Posted(), (std::vector<std::string>{"P20", "P30", "F41806"}));
    // The block was written: the EEPROM holds the image's first 511 bytes.
    EXPECT_EQ(Head(Memory("eeprom"), 511), Head(Counting(600), 511));
    EXPECT_THAT(TraceText(), HasSubstr("CMpFlow2::MP_UpdateEeprom:> MP_WriteEeprom Fail!\r\n"));
    EXPECT_THAT(Calls("QDSwReset"), IsEmpty());
}

TEST_F(EepromFlowTest, OneByteDifferentOnReadBackFailsWithoutReset) {
    for (BusType bus : {USB, PCIE}) {
        SCOPED_TRACE(bus);
        CMpFlow_Eeprom& eeprom = Begin(bus);
        Sim("fault 0 flip QDReadEeprom");
        eeprom.SetUploadImage(Counting(128));
        EXPECT_EQ(eeprom.DT_Update(), 0u);
        EXPECT_EQ(Posted(), (std::vector<std::string>{"P20", "P30", "F41806"}));
        EXPECT_THAT(TraceText(), HasSubstr("CMpFlow2::MP_UpdateEeprom:> Memcmp Fail!\r\n"));
        EXPECT_THAT(Calls("QDSwReset"), IsEmpty());
        EXPECT_EQ(eeprom.m_hDev, 0u);
        TearDown();
    }
}

TEST_F(EepromFlowTest, CancelAfterTheBlockStopsTheWrite) {
    CMpFlow_Eeprom& eeprom = Begin(USB);
    CancelOn("P30");
    eeprom.SetDownloadImage(Counting(128));
    EXPECT_EQ(eeprom.DT_Download(), 0u);
    EXPECT_EQ(Posted(), (std::vector<std::string>{"P20", "P30", "F41806"}));
    EXPECT_THAT(Transfers(), ElementsAre("QDWriteEeprom(0x1FF"));
    EXPECT_THAT(Calls("QDSwReset"), IsEmpty());
}

TEST_F(EepromFlowTest, ReadBackThatFailsIsTraced) {
    CMpFlow_Eeprom& eeprom = Begin(USB);
    Sim("fault 0 fail QDReadEeprom 3");
    eeprom.SetUploadImage(Counting(128));
    EXPECT_EQ(eeprom.DT_Update(), 0u);
    EXPECT_EQ(Posted(), (std::vector<std::string>{"P20", "P30", "F41806"}));
    EXPECT_THAT(TraceText(), HasSubstr("CMpFlow2::MP_UpdateEeprom:> MP_ReadEeprom Fail!\r\n"));
    // Block and image writes wait 128 ms each, the three reads 128 ms each.
    EXPECT_EQ(m_clock.Sleeps(), (std::vector<uint32_t>{128, 128, 128, 128, 128}));
}

TEST_F(EepromFlowTest, BlockThatCannotBeWrittenFailsTheFirstStep) {
    struct Case {
        BusType bus;
        bool erase;
    } cases[] = {{USB, true}, {USB, false}, {PCIE, true}, {PCIE, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bus) + (c.erase ? " erase" : " download"));
        CMpFlow_Eeprom& eeprom = Begin(c.bus);
        Sim("fault 0 fail QDWriteEeprom 3");
        eeprom.SetUploadImage(Counting(16));
        eeprom.SetDownloadImage(Counting(16));
        EXPECT_EQ(c.erase ? eeprom.DT_Erase() : eeprom.DT_Download(), 0u);
        EXPECT_EQ(Posted(), (std::vector<std::string>{"P20", "F41805"}));
        EXPECT_EQ(m_clock.Sleeps(), (std::vector<uint32_t>{128, 128, 128}));
        EXPECT_THAT(Calls("QDSwReset"), IsEmpty());
        TearDown();
    }
}

TEST_F(EepromFlowTest, EraseWritesThePaddedBlock) {
    struct Case {
        const char* name;
        BusType bus;
        size_t uploadSize;
        int silentReset; // -1: DT_Erase
        std::vector<std::string> posted;
        size_t resets;
    } cases[] = {
        {"usb erase, no upload image", USB, 0, -1, {"P20", "P40", "P100", "S41852"}, 1},
        {"usb erase, 16-byte image", USB, 16, -1, {"P20", "P40", "P100", "S41852"}, 1},
        {"pcie erase", PCIE, 0, -1, {"P20", "P100", "S41852"}, 0},
        {"silent erase with reset", USB, 0, 1, {"P20", "P40", "P100", "S41852"}, 1},
        {"silent erase without reset", USB, 0, 0, {"P20", "P40", "P100", "S41852"}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CMpFlow_Eeprom& eeprom = Begin(c.bus);
        SetMemory("eeprom", Bytes(512, 0xEE));
        ClearJournal();
        eeprom.SetUploadImage(Counting(c.uploadSize));
        uint32_t result = c.silentReset < 0 ? eeprom.DT_Erase() : eeprom.DT_SilentErase(c.silentReset);
        EXPECT_EQ(result, 1u);
        EXPECT_EQ(Posted(), c.posted);
        EXPECT_THAT(Transfers(), ElementsAre("QDWriteEeprom(0x1FF"));
        std::vector<uint8_t> expected = Counting(c.uploadSize);
        expected.resize(511, 0x00);
        expected.push_back(0xEE);
        EXPECT_EQ(Memory("eeprom"), expected);
        EXPECT_EQ(Calls("QDSwReset").size(), c.resets);
        TearDown();
    }
}

TEST_F(EepromFlowTest, PcieHasNoSilentErase) {
    CMpFlow_Eeprom& eeprom = Begin(PCIE);
    EXPECT_EQ(eeprom.DT_SilentErase(1), 0u);
    EXPECT_EQ(g_dwErrorCode, 41500u);
    EXPECT_THAT(Posted(), IsEmpty());
    EXPECT_THAT(Calls(""), IsEmpty());
}

TEST_F(EepromFlowTest, ImagesThatCannotBeWrittenWholeAreRefusedBeforeTheEepromIsTouched) {
    for (size_t size : {size_t{0}, size_t{0x10000}, size_t{0x10010}}) {
        SCOPED_TRACE(size);
        CMpFlow_Eeprom& eeprom = Begin(USB);
        eeprom.SetDownloadImage(Counting(size));
        EXPECT_EQ(eeprom.DT_Download(), 0u);
        EXPECT_EQ(Posted(), (std::vector<std::string>{"P20", "F41806"}));
        EXPECT_FALSE(AnyWriteCalled());
        TearDown();
    }
}

TEST_F(EepromFlowTest, FailedResetAfterTheWriteReports41512) {
    CMpFlow_Eeprom& eeprom = Begin(USB);
    Sim("set 0 accept.QDSwReset 0");
    eeprom.SetDownloadImage(Counting(128));
    EXPECT_EQ(eeprom.DT_Download(), 0u);
    EXPECT_EQ(Posted(), (std::vector<std::string>{"P20", "P30", "P50", "F41512"}));
    EXPECT_EQ(Head(Memory("eeprom"), 128), Counting(128));
    EXPECT_EQ(eeprom.m_hDev, 0u);
}

// The command line's file operations, without a dialog: results land in g_dwErrorCode.
class EepromSilentTest : public EepromFlowTest {};

TEST_F(EepromSilentTest, WriteBinLoadsTheFileFromTheProgramFolderAndDownloadsIt) {
    CMpFlow_Eeprom& eeprom = Begin(USB);
    WithoutDialog();
    m_sim->Write("image.bin", Counting(128));
    EXPECT_EQ(eeprom.DT_SilentWriteBin("image.bin"), 1u);
    EXPECT_EQ(g_dwErrorCode, 0u);
    EXPECT_EQ(Head(Memory("eeprom"), 128), Counting(128));
    for (const char* missing : {"absent.bin", "empty.bin"}) {
        m_sim->Write("empty.bin", "");
        ClearJournal();
        EXPECT_EQ(eeprom.DT_SilentWriteBin(missing), 0u);
        EXPECT_EQ(g_dwErrorCode, 41801u) << missing;
        EXPECT_THAT(Calls(""), IsEmpty()) << "no reader is touched";
    }
}

TEST_F(EepromSilentTest, DumpsTheReadOrReportsThatItCouldNot) {
    CMpFlow_Eeprom& eeprom = Begin(USB);
    WithoutDialog();
    SetMemory("eeprom", Counting(512));
    testsupport::TempDir out;
    EXPECT_EQ(eeprom.DT_SilentReadBin(out.File("sub/dump.bin")), 1u);
    EXPECT_EQ(testsupport::ReadFileBytes(out.File("sub/dump.bin")),
              std::string(reinterpret_cast<const char*>(Counting(128).data()), 128));
    EXPECT_EQ(eeprom.DT_SilentReadTxt(out.File("dump.txt")), 1u);
    EXPECT_EQ(out.Read("dump.txt").size(), 398u) << "8 lines of 48 characters, 7 line breaks";
    EXPECT_EQ(g_dwErrorCode, 0u);

    // A file where a folder is needed: the dump cannot be written and the run must not succeed.
    out.Write("file", "x");
    EXPECT_EQ(eeprom.DT_SilentReadBin(out.File("file/dump.bin")), 0u);
    EXPECT_EQ(g_dwErrorCode, 41531u);
    g_dwErrorCode = 0;
    EXPECT_EQ(eeprom.DT_SilentReadTxt(out.File("file/dump.txt")), 0u);
    EXPECT_EQ(g_dwErrorCode, 41531u);

    // A failed read writes nothing.
    Sim("fault 0 fail QDReadEeprom 3");
    EXPECT_EQ(eeprom.DT_SilentReadBin(out.File("never.bin")), 0u);
    EXPECT_EQ(g_dwErrorCode, 41804u);
    EXPECT_EQ(testsupport::ReadFileBytes(out.File("never.bin")), "");
}

} // namespace
