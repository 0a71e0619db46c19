#include "app/QuillixApp.h"

#include "core/Broadcast.h"
#include "model/ConfigIni.h"
#include "model/IcTypeIni.h"
#include "platform/FileSystem.h"
#include "platform/OsInfo.h"
#include "tests/support/Process.h"
#include "tests/support/ProcessGlobals.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

using testsupport::PlatformText;
using testsupport::TempDir;
using testsupport::TempProgramFolder;

namespace {

using Files = std::vector<std::pair<std::string, std::string>>;

// A program folder with the given files, and the process-wide values as a fresh process has them.
class AppTest : public testing::Test {
protected:
    void Write(const Files& files) {
        for (const auto& [name, content] : files)
            m_folder.Write(name, content);
    }

    ResultCode Run(CQuillixApp::Steps steps = {}, const std::string& commandLine = " ") {
        CQuillixApp app(std::move(steps));
        return app.Run(commandLine);
    }

    testsupport::ProcessGlobals m_globals;
    TempProgramFolder m_folder;
};

struct ConfigCase {
    const char* name;
    Files files;
    const char* readOnlyFile; // made read-only before the run, or nullptr
    const char* savedFile;    // the file that must hold the saved settings
    const char* savedContent;
    const char* absentFile; // a file the run must not create, or nullptr
};

class ConfigFileTest : public AppTest, public testing::WithParamInterface<ConfigCase> {};

TEST_P(ConfigFileTest, ChosenLoadedAndSavedOnce) {
    const ConfigCase& c = GetParam();
    Write(c.files);
    if (c.readOnlyFile) {
        std::filesystem::permissions(m_folder.File(c.readOnlyFile), std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::remove);
        ASSERT_TRUE(platform::IsReadOnly(m_folder.File(c.readOnlyFile)));
    }

    EXPECT_EQ(Run(), 0u);

    EXPECT_EQ(m_folder.Read(c.savedFile), PlatformText(c.savedContent));
    EXPECT_FALSE(platform::IsReadOnly(m_folder.File(c.savedFile)));
    if (c.absentFile) {
        EXPECT_FALSE(platform::FileExists(m_folder.File(c.absentFile)));
    }
    EXPECT_EQ(g_pConfigIni, nullptr);
    EXPECT_EQ(g_pIcTypeIni, nullptr);
    EXPECT_EQ(g_pOsInfo, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConfigFileTest,
    testing::Values(
        ConfigCase{"ReadOnlyConfigMadeWritableAndSaved",
                   {{"config.ini", "[Quillix Config]\nDownload File=a.bin\n"}},
                   "config.ini",
                   "config.ini",
                   "[Quillix Config]\nDownload File=a.bin\nIni Name\n\n",
                   nullptr},
        ConfigCase{
            "NoIniFileCreatesConfig", {}, nullptr, "config.ini", "[Quillix Config]\nIni Name\n\n", nullptr},
        // The only INI file serves as configuration file and as IC INI file.
        ConfigCase{"OtherIniUsedWhenConfigMissing",
                   {{"Station.ini", "[SD1]\nPort=2\n"}},
                   nullptr,
                   "Station.ini",
                   "[SD1]\nPort=2\n\n[Quillix Config]\nIni Name=Station.ini\n\n",
                   "config.ini"},
        ConfigCase{"FirstIniInSortedOrder",
                   {{"b.ini", "[B]\n"}, {"A.ini", "[A]\n"}},
                   nullptr,
                   "A.ini",
                   "[A]\n\n[Quillix Config]\nIni Name=A.ini\n\n",
                   "config.ini"},
        ConfigCase{
            "StaleIniNameReplacedByFirstCandidate",
            {{"config.ini", "[Quillix Config]\nIni Name=Gone.ini\n"}, {"B.ini", "[x]\n"}, {"A.ini", "[x]\n"}},
            nullptr,
            "config.ini",
            "[Quillix Config]\nIni Name=A.ini\n\n",
            nullptr},
        ConfigCase{
            "ValidIniNameKept",
            {{"config.ini", "[Quillix Config]\nIni Name=B.ini\n"}, {"B.ini", "[x]\n"}, {"A.ini", "[x]\n"}},
            nullptr,
            "config.ini",
            "[Quillix Config]\nIni Name=B.ini\n\n",
            nullptr},
        // Files the loader rejects without stopping part-way lose nothing when saved.
        ConfigCase{"EmptyConfigIsSaved",
                   {{"config.ini", ""}},
                   nullptr,
                   "config.ini",
                   "[Quillix Config]\nIni Name\n\n",
                   nullptr},
        ConfigCase{"CommentOnlyConfigIsSaved",
                   {{"config.ini", "; settings\n"}},
                   nullptr,
                   "config.ini",
                   "; settings\n\n[Quillix Config]\nIni Name\n\n",
                   nullptr}),
    [](const testing::TestParamInfo<ConfigCase>& info) { return std::string(info.param.name); });

TEST_F(AppTest, FolderNamedConfigIniIsPassedOverForAnotherIni) {
    ASSERT_TRUE(platform::CreateDirectories(m_folder.File("config.ini")));
    Write({{"Other.ini", "[Other]\n"}});
    EXPECT_EQ(Run(), 0u);
    EXPECT_EQ(m_folder.Read("Other.ini"),
              PlatformText("[Other]\n\n[Quillix Config]\nIni Name=Other.ini\n\n"));
}

TEST_F(AppTest, SaveFailureIsReportedWithoutChangingTheResult) {
    // A folder where the configuration file should be, and no other INI file: nothing can be saved.
    ASSERT_TRUE(platform::CreateDirectories(m_folder.File("config.ini")));
    testing::internal::CaptureStderr();
    EXPECT_EQ(Run(), 0u);
    std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("could not save the settings to " + m_folder.File("config.ini")), std::string::npos)
        << errors;
    EXPECT_TRUE(platform::IsDirectory(m_folder.File("config.ini")));
}

struct BrokenCase {
    const char* name;
    std::string content;
};

class BrokenConfigTest : public AppTest, public testing::WithParamInterface<BrokenCase> {};

TEST_P(BrokenConfigTest, LeftByteIdenticalAndReportedOnce) {
    const std::string& content = GetParam().content;
    Write({{"config.ini", content}, {"Chip.ini", "[Quillix Config]\nProject Type=EEPROM\n"}});
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    EXPECT_EQ(Run(), 0u);
    testing::internal::GetCapturedStdout();
    std::string errors = testing::internal::GetCapturedStderr();

    EXPECT_EQ(m_folder.Read("config.ini"), content);
    const std::string note = "could not be read completely";
    size_t first = errors.find(note);
    EXPECT_NE(first, std::string::npos) << errors;
    EXPECT_EQ(errors.find(note, first + 1), std::string::npos) << errors;
    // The rest of start-up went on.
    EXPECT_EQ(g_ProjectType, EEPROM);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BrokenConfigTest,
    testing::Values(
        BrokenCase{"TabLineBeforeFirmwareTable",
                   "[Quillix Config]\nIni Name=Chip.ini\n\tindented=1\n[Reader7464_USB_01]\nFile=fw.bin\n"},
        BrokenCase{"BinaryFirstLine", std::string("\x01\x02\x03\n[SD1]\nPort=1\n", 17)},
        BrokenCase{"BinaryAfterByteOrderMark",
                   std::string("\xEF\xBB\xBF\x1B[Quillix Config]\n[CF]\nA=1\n", 30)},
        BrokenCase{"DeleteByteLine", "[Quillix Config]\n\x7F\n[SD2]\nB=2\n"}),
    [](const testing::TestParamInfo<BrokenCase>& info) { return std::string(info.param.name); });

// Records the steps that other parts plug into start-up and shutdown, with what they find.
class StepRecorder {
public:
    CQuillixApp::Steps Steps(bool commandLineRun, ResultCode resultOfRun) {
        CQuillixApp::Steps steps;
        steps.destroyDevTypeInfo = [this] {
            events.push_back(g_pIcTypeIni ? "destroy device type (project configuration alive)"
                                          : "destroy device type (no project configuration)");
        };
        steps.createDevTypeInfo = [this] {
            ASSERT_NE(g_pIcTypeIni, nullptr);
            ASSERT_NE(g_pOsInfo, nullptr);
            ASSERT_NE(g_pConfigIni, nullptr);
            kindAtCreation = g_ProjectType;
            busAtCreation = g_BusType;
            majorVersion = g_pOsInfo->dwMajorVersion;
            minorVersion = g_pOsInfo->dwMinorVersion;
            wow64 = g_pOsInfo->bIsWow64;
            events.push_back("create device type");
        };
        steps.parseArg = [this, commandLineRun](const std::string& line) {
            events.push_back("parse '" + line + "' with error code " + std::to_string(g_dwErrorCode));
            return commandLineRun;
        };
        steps.executeArg = [this, resultOfRun] {
            events.push_back("execute");
            g_dwErrorCode = resultOfRun;
        };
        steps.runDialog = [this, resultOfRun] {
            events.push_back("dialog " + std::to_string(g_dwCustomizeUI));
            g_pPatchPkgDlg6 = &dialog;
            g_dwErrorCode = resultOfRun;
        };
        return steps;
    }

    class NullDialog : public IResultDialog {
        void PostMessage(uint32_t, uintptr_t, intptr_t) override {}
    } dialog;
    std::vector<std::string> events;
    MemoryKind kindAtCreation = FLASH;
    BusType busAtCreation = USB;
    uint32_t majorVersion = 0, minorVersion = 0, wow64 = 1;
};

TEST_F(AppTest, CommandLineRunSkipsTheDialogAndReturnsItsResult) {
    Write({{"Chip.ini", "[Quillix Config]\nProject Type=Efuse\nBus Type=PCIE\n"}});
    g_dwErrorCode = 77; // start-up resets it
    StepRecorder recorder;
    EXPECT_EQ(Run(recorder.Steps(true, 41511), " -r out.bin"), 41511u);
    const std::vector<std::string> expected = {"destroy device type (no project configuration)",
                                               "create device type", "parse ' -r out.bin' with error code 0",
                                               "execute",
                                               "destroy device type (project configuration alive)"};
    EXPECT_EQ(recorder.events, expected);
    EXPECT_EQ(recorder.kindAtCreation, EFUSE);
    EXPECT_EQ(recorder.busAtCreation, PCIE);
    EXPECT_EQ(recorder.majorVersion, 10u);
    EXPECT_EQ(recorder.minorVersion, 0u);
    EXPECT_EQ(recorder.wow64, 0u);
}

TEST_F(AppTest, DialogRunGetsTheCustomerSwitchAndLeavesNoDialogPointer) {
    Write({{"Chip.ini", "[Quillix Config]\nCustomize UI=0x6\n"}});
    StepRecorder recorder;
    EXPECT_EQ(Run(recorder.Steps(false, 41905)), 41905u);
    const std::vector<std::string> expected = {
        "destroy device type (no project configuration)", "create device type", "parse ' ' with error code 0",
        "dialog 6", "destroy device type (project configuration alive)"};
    EXPECT_EQ(recorder.events, expected);
    EXPECT_EQ(g_pPatchPkgDlg6, nullptr);
}

TEST_F(AppTest, ShortVersionFromTheBuild) {
    Run();
    EXPECT_STREQ(g_szVersion, "1.00");
}

struct VersionCase {
    const char* fileVersion;
    const char* shortVersion;
};

class ShortVersionTest : public testing::TestWithParam<VersionCase> {};

TEST_P(ShortVersionTest, DigitPointTwoDigitsZeroFilled) {
    std::memset(g_szVersion, 'x', sizeof(g_szVersion));
    ReadShortVersion(GetParam().fileVersion);
    EXPECT_STREQ(g_szVersion, GetParam().shortVersion);
    for (size_t i = std::strlen(GetParam().shortVersion); i < sizeof(g_szVersion); ++i)
        EXPECT_EQ(g_szVersion[i], 0) << i;
}

INSTANTIATE_TEST_SUITE_P(Versions, ShortVersionTest,
                         testing::Values(VersionCase{"1.00.0.0", "1.00"}, VersionCase{"2.43.0.0", "2.43"},
                                         VersionCase{"3.10", "3.10"}, VersionCase{"1.0", ""},
                                         VersionCase{"", ""}));

struct ArgsCase {
    std::vector<const char*> argv;
    const char* commandLine;
};

class CommandLineTest : public testing::TestWithParam<ArgsCase> {};

TEST_P(CommandLineTest, LeadingBlankThenArgumentsJoined) {
    const auto& argv = GetParam().argv;
    EXPECT_EQ(CQuillixApp::CommandLineFromArgs(static_cast<int>(argv.size()), argv.data()),
              GetParam().commandLine);
}

INSTANTIATE_TEST_SUITE_P(Args, CommandLineTest,
                         testing::Values(ArgsCase{{"quillix"}, " "}, ArgsCase{{"quillix", "-e"}, " -e"},
                                         ArgsCase{{"quillix", "-w", "my file.bin"}, " -w my file.bin"},
                                         ArgsCase{{"quillix", "-r", "", "x"}, " -r  x"}));

// Runs a copy of the built executable in a program folder of its own and returns its exit status.
int RunCopiedBinary(const TempDir& folder) {
    return testsupport::RunProgram(testsupport::CopyInto(QUILLIX_BINARY, folder.Path()), {}).status;
}

// Without options a dialog is due; the copy has no dialog module beside it, so the run ends with 41500
// (exit status 10) and still saves the settings.
const int kNoDialogStatus = testsupport::ExitStatusFor(10, 41500);

TEST(Executable, StartsAndSavesTheSettings) {
    TempDir folder;
    folder.Write("Chip.ini", "[Quillix Config]\nProject Type=EEPROM\nBus Type=USB\n");
    folder.Write("config.ini", "[Quillix Config]\nIni Name=Chip.ini\nDownload File=img.bin\n");
    EXPECT_EQ(RunCopiedBinary(folder), kNoDialogStatus);
    EXPECT_EQ(folder.Read("config.ini"),
              PlatformText("[Quillix Config]\nIni Name=Chip.ini\nDownload File=img.bin\n\n"));
}

TEST(Executable, CreatesConfigInAnEmptyProgramFolder) {
    TempDir folder;
    EXPECT_EQ(RunCopiedBinary(folder), kNoDialogStatus);
    EXPECT_EQ(folder.Read("config.ini"), PlatformText("[Quillix Config]\nIni Name\n\n"));
    EXPECT_TRUE(platform::FileExists(folder.File("Quillix.log")));
}

} // namespace
