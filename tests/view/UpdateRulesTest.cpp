#include "app/Messages.h"
#include "device/DevTypeInfo.h"
#include "model/IcTypeIni.h"
#include "tests/support/ProcessGlobals.h"
#include "tests/support/TempDir.h"
#include "view/update/FirmwareCompare.h"
#include "view/update/StationRules.h"
#include "view/update/UpdateDlgRules.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

// Hubs 1 and 2 of a station, by instance.
constexpr uint32_t kHub1 = 0x0F000001;
constexpr uint32_t kHub2 = 0x0F000002;

struct AssignCase {
    const char* name;
    std::vector<PortReader> readers;
    std::vector<StationReader> expected;
};

class SocketAssignment : public testing::TestWithParam<AssignCase> {};

TEST_P(SocketAssignment, FollowsPortAndHub) {
    EXPECT_EQ(AssignSockets(GetParam().readers), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Station, SocketAssignment,
    testing::Values(
        AssignCase{"FullStation",
                   {{10, kHub1, 7}, {20, kHub1, 8}, {30, kHub2, 7}},
                   {{10, kHub1, 0}, {20, kHub1, 1}, {30, kHub2, 2}}},
        AssignCase{"FoundInAnotherOrder",
                   {{30, kHub2, 7}, {20, kHub1, 8}, {10, kHub1, 7}},
                   {{10, kHub1, 0}, {20, kHub1, 1}, {30, kHub2, 2}}},
        AssignCase{"CfOnly", {{20, kHub1, 8}}, {{20, kHub1, 1}}},
        AssignCase{"SinglePort7WithoutCf", {{30, kHub2, 7}}, {{30, kHub2, 0}}},
        AssignCase{
            "SinglePort7OnTheCfHub", {{10, kHub1, 7}, {20, kHub1, 8}}, {{10, kHub1, 0}, {20, kHub1, 1}}},
        AssignCase{
            "SinglePort7OnAnotherHub", {{30, kHub2, 7}, {20, kHub1, 8}}, {{20, kHub1, 1}, {30, kHub2, 2}}},
        AssignCase{"TwoPort7WithoutCfTakesTheLaterAsSd1", {{10, kHub1, 7}, {30, kHub2, 7}}, {{30, kHub2, 0}}},
        AssignCase{"FirstCfWins", {{20, kHub1, 8}, {21, kHub2, 8}}, {{20, kHub1, 1}}},
        AssignCase{"OtherPortsHaveNoSocket", {{40, kHub1, 3}, {20, kHub1, 8}}, {{20, kHub1, 1}}},
        AssignCase{"Nobody", {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

struct StationCase {
    const char* name;
    std::array<bool, 3> occupied;
    std::array<const char*, 3> paths;
    std::array<bool, 3> available;
    bool afterUpdate;
    std::array<const char*, 3> previousStatus;
    std::array<const char*, 3> status;
    std::array<bool, 3> fileReady;
    const char* message;
};

class StationEvaluation : public testing::TestWithParam<StationCase> {};

TEST_P(StationEvaluation, GivesStatusesReadinessAndMessage) {
    const StationCase& c = GetParam();
    StationInputs inputs;
    inputs.occupied = c.occupied;
    inputs.fileAvailable = c.available;
    inputs.bAfterUpdate = c.afterUpdate;
    inputs.previousMessage = "previous";
    for (size_t socket = 0; socket < 3; ++socket) {
        inputs.firmwarePath[socket] = c.paths[socket];
        inputs.fileName[socket] = FirmwareFileName(c.paths[socket]);
        inputs.previousStatus[socket] = c.previousStatus[socket];
    }
    const StationView view = EvaluateStation(inputs);
    for (size_t socket = 0; socket < 3; ++socket)
        EXPECT_EQ(view.status[socket], c.status[socket]) << socket;
    EXPECT_EQ(view.fileReady, c.fileReady);
    EXPECT_EQ(view.message, c.message);
    EXPECT_EQ(StationControlsEnabled(view.fileReady), c.fileReady[0] && c.fileReady[1] && c.fileReady[2]);
}

constexpr std::array<const char*, 3> kFiles = {"/fw/sd1.bin", "/fw/cf.bin", "/fw/sd2.bin"};
constexpr std::array<const char*, 3> kNoStatus = {"", "", ""};
constexpr std::array<const char*, 3> kAllReady = {"Ready", "Ready", "Ready"};

INSTANTIATE_TEST_SUITE_P(
    Station, StationEvaluation,
    testing::Values(StationCase{"AllReady",
                                {true, true, true},
                                kFiles,
                                {true, true, true},
                                false,
                                kNoStatus,
                                kAllReady,
                                {true, true, true},
                                "Device is detect and ready to start update firmware."},
                    StationCase{"AfterUpdateTheMessageStays",
                                {true, true, true},
                                kFiles,
                                {true, true, true},
                                true,
                                {"Firmware Update Finished", "Firmware Update Fail", "Ready"},
                                {"Firmware Update Finished", "Firmware Update Fail", "Ready"},
                                {true, true, true},
                                "previous"},
                    StationCase{"NoReader",
                                {false, false, false},
                                kFiles,
                                {true, true, true},
                                false,
                                kNoStatus,
                                {"Not detect", "Not detect", "Not detect"},
                                {false, false, false},
                                "Please connect device to start."},
                    StationCase{"CfOnly",
                                {false, true, false},
                                kFiles,
                                {true, true, true},
                                false,
                                kNoStatus,
                                {"Not detect", "Ready", "Not detect"},
                                {false, true, false},
                                "3 card reader devices not full ready, please check."},
                    StationCase{"Sd2Missing",
                                {true, true, false},
                                kFiles,
                                {true, true, true},
                                false,
                                kNoStatus,
                                {"Ready", "Ready", "Not detect"},
                                {true, true, false},
                                "3 card reader devices not full ready, please check."},
                    StationCase{"EmptyPath",
                                {true, true, true},
                                {"/fw/sd1.bin", "", "/fw/sd2.bin"},
                                {true, false, true},
                                false,
                                kNoStatus,
                                kAllReady,
                                {true, false, true},
                                "3 card reader firmware not full load, please check."},
                    StationCase{"CfFileNotAvailable",
                                {true, true, true},
                                kFiles,
                                {true, false, false},
                                false,
                                kNoStatus,
                                kAllReady,
                                {true, false, false},
                                "The firmware file cf.bin is not available to update, please check."},
                    StationCase{
                        "AfterUpdateAReaderLeft",
                        {true, false, true},
                        kFiles,
                        {true, true, true},
                        true,
                        {"Firmware Update Finished", "Firmware Update Finished", "Firmware Update Finished"},
                        {"Firmware Update Finished", "Not detect", "Firmware Update Finished"},
                        {true, false, true},
                        "3 card reader devices not full ready, please check."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StationSerialNumber, KeepsTheLeadingDigitsAndCapitals) {
    const std::pair<const char*, const char*> cases[] = {
        {"ab12", ""}, {"AB12", "AB12"}, {"AB12x9", "AB12"}, {"0-1", "0"}, {"", ""}, {"Ä1", ""}, {"Z 9", "Z"}};
    for (const auto& [typed, kept] : cases)
        EXPECT_EQ(FilterSerialNumber(typed), kept) << typed;
}

TEST(StationFile, SaveFormatIsFixed) {
    StationSettings settings{{"/fw/a.bin", "", "/fw/c.bin"}, {"A1", "B2", ""}};
    EXPECT_EQ(FormatStationFile(settings), "[SD1]\r\nFW Path=/fw/a.bin\r\nSN=A1\r\n\r\n"
                                           "[CF]\r\nFW Path=\r\nSN=B2\r\n\r\n"
                                           "[SD2]\r\nFW Path=/fw/c.bin\r\nSN=\r\n\r\n");
}

TEST(StationFile, LoadReadsWhatSaveWrites) {
    testsupport::TempDir folder;
    StationSettings saved{{"/fw/sd1 é.bin", "relative/cf.bin", "/fw/sd2.bin"}, {"A1", "", "Z9"}};
    folder.Write("station.ini", FormatStationFile(saved));
    StationSettings loaded{{"x", "x", "x"}, {"x", "x", "x"}};
    ASSERT_TRUE(LoadStationFile(folder.File("station.ini"), loaded));
    EXPECT_EQ(loaded, saved);
    EXPECT_FALSE(LoadStationFile(folder.File("missing.ini"), loaded));
}

TEST(StationFile, MissingSectionsGiveEmptyValues) {
    testsupport::TempDir folder;
    folder.Write("station.ini", "[CF]\nFW Path=/fw/cf.bin\n");
    StationSettings loaded{{"x", "x", "x"}, {"x", "x", "x"}};
    ASSERT_TRUE(LoadStationFile(folder.File("station.ini"), loaded));
    EXPECT_EQ(loaded, (StationSettings{{"", "/fw/cf.bin", ""}, {"", "", ""}}));
}

TEST(StationFirmwareFile, AvailableMeansAReadableFileWithContent) {
    testsupport::TempDir folder;
    folder.Write("fw.bin", std::string("\x01\x02", 2));
    folder.Write("empty.bin", std::string());
    EXPECT_TRUE(FirmwareFileAvailable(folder.File("fw.bin")));
    EXPECT_FALSE(FirmwareFileAvailable(folder.File("empty.bin")));
    EXPECT_FALSE(FirmwareFileAvailable(folder.File("missing.bin")));
    EXPECT_FALSE(FirmwareFileAvailable(folder.Path()));
    EXPECT_FALSE(FirmwareFileAvailable(""));
    EXPECT_EQ(FirmwareFileName("/fw/line 3/cf.bin"), "cf.bin");
    EXPECT_EQ(FirmwareFileName("C:\\fw\\cf.bin"), "cf.bin");
}

struct MatchCase {
    const char* name;
    std::vector<uint8_t> image;
    std::vector<uint8_t> reference;
    bool matches;
};

class ReferenceComparison : public testing::TestWithParam<MatchCase> {};

TEST_P(ReferenceComparison, ComparesOverTheReferenceInsideTheImage) {
    const MatchCase& c = GetParam();
    EXPECT_EQ(ReferenceMatches(c.image.data(), c.image.size(), c.reference.data(), c.reference.size()),
              c.matches);
}

INSTANTIATE_TEST_SUITE_P(FirmwareCheck, ReferenceComparison,
                         testing::Values(MatchCase{"Equal", {1, 2, 3}, {1, 2, 3}, true},
                                         MatchCase{"ShorterPrefix", {1, 2, 3}, {1, 2}, true},
                                         MatchCase{"Differs", {1, 2, 3}, {1, 9, 3}, false},
                                         MatchCase{"LongerThanTheImage", {1, 2}, {1, 2, 3}, false},
                                         MatchCase{"EmptyReference", {1, 2}, {}, false},
                                         MatchCase{"EmptyImage", {}, {1}, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A USB FLASH device-type object with an upload image of 1 KiB whose vendor block sits 256 bytes
// before the end.
class ReferenceFiles : public testing::Test {
protected:
    void SetUp() override {
        CreateDevTypeInfo();
        m_image.resize(1024);
        // Code below the vendor block; the block itself blank after its mark.
        for (size_t i = 0; i < 768; ++i)
            m_image[i] = static_cast<uint8_t>(i * 7 + 1);
        m_image[768] = 0x55;
        m_image[769] = 0xAA;
        g_pDevTypeInfo->SetUploadImage(m_image);
    }

    std::optional<std::string> Find(const std::vector<std::string>& names, bool holdInfo = false) {
        std::vector<std::string> files;
        for (const std::string& name : names)
            files.push_back(m_folder.File(name));
        std::optional<std::string> match = FindMatchingReference(*g_pDevTypeInfo, files, holdInfo);
        if (!match)
            return std::nullopt;
        return match->substr(m_folder.File("").size());
    }
    void Write(const std::string& name, const std::vector<uint8_t>& bytes) { m_folder.Write(name, bytes); }

    testsupport::ProcessGlobals m_globals;
    testsupport::TempDir m_folder;
    std::vector<uint8_t> m_image;
};

TEST_F(ReferenceFiles, FirstMatchingFileWins) {
    std::vector<uint8_t> other = m_image;
    other[5] ^= 1;
    Write("a.bin", other);
    Write("b.bin", m_image);
    Write("c.bin", m_image);
    EXPECT_EQ(Find({"a.bin", "b.bin", "c.bin"}), "b.bin");
}

TEST_F(ReferenceFiles, EmptyAndUnreadableFilesAreSkipped) {
    Write("empty.bin", {});
    Write("b.bin", m_image);
    m_folder.Write("dir.bin/inner", std::string("x"));
    EXPECT_EQ(Find({"empty.bin", "dir.bin", "missing.bin", "b.bin"}), "b.bin");
    EXPECT_EQ(Find({"empty.bin"}), std::nullopt);
}

TEST_F(ReferenceFiles, AFileThatCannotBeLoadedIsNotComparedWithTheLastReference) {
    // The download image already holds a copy of the reader's image from an earlier check.
    g_pDevTypeInfo->SetDownloadImage(m_image);
    EXPECT_EQ(Find({"missing.bin"}), std::nullopt);
}

TEST_F(ReferenceFiles, LongerReferenceIsNoMatch) {
    std::vector<uint8_t> longer = m_image;
    longer.push_back(0xFF);
    Write("longer.bin", longer);
    EXPECT_EQ(Find({"longer.bin"}), std::nullopt);
}

TEST_F(ReferenceFiles, HoldInfoIgnoresTheVendorBlock) {
    std::vector<uint8_t> other = m_image;
    // Raw half of the vendor block, and a field inside its first half.
    other[768 + 128 + 10] ^= 0xFF;
    g_pDevTypeInfo->SetDownloadImage(other);
    ASSERT_TRUE(g_pDevTypeInfo->CheckDownloadImage());
    ASSERT_TRUE(g_pDevTypeInfo->DownloadFields().SetVID(
        static_cast<uint16_t>(g_pDevTypeInfo->UploadFields().GetVID() ^ 0x1111)));
    other.assign(g_pDevTypeInfo->GetDataDown(),
                 g_pDevTypeInfo->GetDataDown() + g_pDevTypeInfo->GetDataDownSize());
    Write("vendor.bin", other);
    EXPECT_EQ(Find({"vendor.bin"}, false), std::nullopt);
    EXPECT_EQ(Find({"vendor.bin"}, true), "vendor.bin");
    // Code outside the vendor block still counts.
    other[3] ^= 1;
    Write("code.bin", other);
    EXPECT_EQ(Find({"code.bin"}, true), std::nullopt);
}

TEST(HoldInfoCopy, NeedsAVendorBlockInBothImages) {
    g_ProjectType = FLASH;
    g_BusType = USB;
    CreateDevTypeInfo();
    std::vector<uint8_t> from(512, 0x11), to(512, 0x22);
    from[256] = 0x55;
    from[257] = 0xAA;
    EXPECT_FALSE(CopyHoldInfo(*g_pDevTypeInfo, from.data(), from.size(), to.data(), to.size()));
    EXPECT_EQ(to, std::vector<uint8_t>(512, 0x22));
    to[0] = 0xAA;
    to[1] = 0x55;
    EXPECT_TRUE(CopyHoldInfo(*g_pDevTypeInfo, from.data(), from.size(), to.data(), to.size()));
    EXPECT_TRUE(std::equal(to.begin() + 128, to.begin() + 256, from.begin() + 256 + 128));
    // Nothing beyond the raw half moved.
    EXPECT_TRUE(std::all_of(to.begin() + 256, to.end(), [](uint8_t b) { return b == 0x22; }));
    DestroyDevTypeInfo();
}

TEST(CheckResultTexts, PassFailAndReadFailures) {
    CheckResultText pass = PassText("/opt/quillix/TRX9_V121.BIN");
    EXPECT_EQ(pass.text, "F/W compare PASS, the F/W version is \nTRX9_V121.BIN");
    EXPECT_EQ(pass.highlight, "PASS");
    EXPECT_EQ(pass.rgb, 0x0000FFu);
    EXPECT_TRUE(pass.bColourTail);
    CheckResultText fail = FailText();
    EXPECT_EQ(fail.text, "F/W compare FAIL");
    EXPECT_EQ(fail.highlight, "FAIL");
    EXPECT_EQ(fail.rgb, 0xFF0000u);
    EXPECT_EQ(ReadFailureText(IDS_DETECT_DEVICE_FAIL).text, "Cann't Find Corvane Card Reader Device\n");
    EXPECT_EQ(ReadFailureText(IDS_MORE_THAN_ONE_DEVICE).text, "Exist Multiple Corvane Card Reader Device\n");
    EXPECT_EQ(ReadFailureText(IDS_READ_FLASH_FAIL).text, LoadMessage(IDS_READ_FLASH_FAIL));
    EXPECT_TRUE(ReadFailureText(IDS_READ_FLASH_FAIL).highlight.empty());
}

struct ButtonCase {
    bool needsFile, hasFile, ready, busy, libFailed;
    UpdateButtonState expected;
};

class UpdateButtonRule : public testing::TestWithParam<ButtonCase> {};

TEST_P(UpdateButtonRule, EnabledAndText) {
    const ButtonCase& c = GetParam();
    EXPECT_EQ(ComputeUpdateButton(c.needsFile, c.hasFile, c.ready, c.busy, c.libFailed), c.expected);
}

INSTANTIATE_TEST_SUITE_P(UpdateDialogs, UpdateButtonRule,
                         testing::Values(ButtonCase{true, true, true, false, false, {true, "Update"}},
                                         ButtonCase{true, false, true, false, false, {false, "Update"}},
                                         ButtonCase{true, true, false, false, false, {false, "Update"}},
                                         ButtonCase{false, false, true, false, false, {true, "Update"}},
                                         ButtonCase{true, true, true, true, false, {true, "Cancel"}},
                                         ButtonCase{true, true, true, true, true, {false, "Cancel"}},
                                         ButtonCase{false, false, true, false, true, {false, "Update"}}));

TEST(UpdateDialogTexts, FormatsOfTheLines) {
    EXPECT_EQ(ReaderLineWithStatus(IDS_CHECK_DEVICE_INFO_SUCCEED, static_cast<intptr_t>(0xFF000120u)),
              "Check Device Info Succeed.\n\nCurrent Firmware : 0120");
    EXPECT_EQ(CurrentFirmwareHex(0x3A7), "Current Firmware : 0x03A7");
    EXPECT_EQ(CurrentFirmware(static_cast<intptr_t>(0xFF00BEEFu)), "Current Firmware : BEEF");
    EXPECT_EQ(FirmwareInfoText("N/A"), "Firmware Information : N/A");
    EXPECT_EQ(PortCheckFailText(7), "Port 7 Check Device Info Fail!");
    EXPECT_EQ(UpdateBoxCaption("", FLASH), "ReaderFF");
    EXPECT_EQ(UpdateBoxCaption("Line 3", FLASH), "Line 3");
}

} // namespace
