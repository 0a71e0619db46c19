// Behaviour that only the Windows build has: the original command-line rules, Windows paths, the
// full result code as exit code, and where the reader library may come from.
#include "app/ExitStatus.h"
#include "app/Messages.h"
#include "core/ParseArg.h"
#include "model/IniFile.h"
#include "model/SilentFiles.h"
#include "platform/CommandLine.h"
#include "platform/DynamicLibrary.h"
#include "platform/FileSystem.h"
#include "platform/LogFile.h"
#include "platform/ProgramFolder.h"
#include "platform/win/ArgumentQuoting.h"
#include "platform/win/WideText.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

using testsupport::TempDir;
using testsupport::TempProgramFolder;

std::string ExecutablePath() {
    wchar_t buffer[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return platform::win::Narrow(std::wstring(buffer, n));
}

struct CommandLineCase {
    std::string typed;
    char option;
    std::string argument;
};

class WindowsCommandLine : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(WindowsCommandLine, SlashOptionsAndPathsFollowTheWindowsRules) {
    const CommandLineCase& c = GetParam();
    ParsedCommandLine parsed = ParseCommandLine(platform::PrepareCommandLine(c.typed), false);
    EXPECT_EQ(parsed.chOption, c.option) << c.typed;
    EXPECT_EQ(parsed.strArgument, c.argument) << c.typed;
}

INSTANTIATE_TEST_SUITE_P(Cases, WindowsCommandLine,
                         ::testing::Values(CommandLineCase{" /w a.bin", 'W', "a.bin"},
                                           CommandLineCase{" -w a.bin", 'W', "a.bin"},
                                           CommandLineCase{" /W a.bin", 'W', "a.bin"},
                                           CommandLineCase{" /r C:/img/a.bin", 'R', "C:-img-a.bin"},
                                           CommandLineCase{" /t C:\\img\\a.txt", 'T', "C:\\img\\a.txt"},
                                           CommandLineCase{" /e", 'E', ""}, CommandLineCase{" /?", 'H', ""},
                                           CommandLineCase{" /wa.bin", 0, ""}));

TEST(WindowsCommandLineTest, ExecutablePathIsRemovedQuotedOrNot) {
    std::string exe = ExecutablePath();
    EXPECT_EQ(platform::PrepareCommandLine("\"" + exe + "\" /w a.bin"), "\"\" -w a.bin");
    EXPECT_EQ(platform::PrepareCommandLine(exe + " /r x.bin"), " -r x.bin");
}

TEST(WindowsCommandLineTest, SystemCommandLineIsTheProcessOne) {
    std::optional<std::string> line = platform::SystemCommandLine();
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(*line, platform::win::Narrow(GetCommandLineW()));
}

TEST(WindowsExitCodeTest, ResultCodeArrivesWhole) {
    EXPECT_EQ(ExitStatusForResult(IDS_DETECT_DEVICE_FAIL), 41511);
    EXPECT_EQ(ExitStatusForResult(0), 0);
}

TEST(WindowsPathTest, MakeAbsolutePathUsesBackslashesAndDrives) {
    TempProgramFolder folder;
    struct Case {
        std::string path, expected;
    } cases[] = {
        {"img/a.bin", folder.Path() + "img\\a.bin"},
        {"C:/img/a.bin", "C:\\img\\a.bin"},
        {"\\\\server\\share\\a.bin", "\\\\server\\share\\a.bin"},
        {"a.bin", folder.Path() + "a.bin"},
    };
    for (Case& c : cases) {
        std::string path = c.path;
        EXPECT_TRUE(MakeAbsolutePath(path));
        EXPECT_EQ(path, c.expected) << c.path;
    }
}

TEST(WindowsPathTest, ProgramFolderEndsWithABackslash) {
    std::string exe = ExecutablePath();
    EXPECT_EQ(GetProgramFolder(), exe.substr(0, exe.rfind('\\') + 1));
}

TEST(WindowsPathTest, PrepareOutputPathCreatesFoldersBelowTheCurrentDirectory) {
    TempDir dir;
    std::string previous = platform::CurrentDirectory();
    ASSERT_TRUE(SetCurrentDirectoryW(platform::win::Widen(dir.Path()).c_str()));
    std::string path = "dumps\\today\\a.bin";
    bool prepared = PrepareOutputPath(path);
    std::string cwd = platform::CurrentDirectory();
    SetCurrentDirectoryW(platform::win::Widen(previous).c_str());
    EXPECT_TRUE(prepared);
    EXPECT_EQ(path, cwd + "\\dumps\\today\\a.bin");
    EXPECT_TRUE(platform::IsDirectory(dir.Path() + "dumps\\today"));
}

TEST(WindowsPathTest, PrepareOutputPathFailsWhereAFileStandsForAFolder) {
    TempDir dir;
    dir.Write("blocker", "x");
    std::string path = dir.Path() + "blocker\\a.bin";
    EXPECT_FALSE(PrepareOutputPath(path));
}

TEST(WindowsFileSystemTest, SearchMatchesLongNamesOnlyAndSortsThem) {
    TempDir dir;
    for (const char* name : {"b.INI", "a.ini", "c.inix", "d.txt"})
        dir.Write(name, "[S]\r\n");
    CreateDirectoryW(platform::win::Widen(dir.Path() + "e.ini").c_str(), nullptr);
    EXPECT_EQ(platform::FindFiles(dir.Path(), "*.ini"), (std::vector<std::string>{"a.ini", "b.INI"}));
}

TEST(WindowsFileSystemTest, ReadOnlyAttributeIsCleared) {
    TempDir dir;
    dir.Write("config.ini", "[S]\r\n");
    std::string path = dir.File("config.ini");
    ASSERT_TRUE(SetFileAttributesW(platform::win::Widen(path).c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(platform::IsReadOnly(path));
    EXPECT_TRUE(platform::ClearReadOnly(path));
    EXPECT_FALSE(platform::IsReadOnly(path));
}

TEST(WindowsFileSystemTest, CreateDirectoriesBuildsEveryLevelAfterTheDrive) {
    TempDir dir;
    EXPECT_TRUE(platform::CreateDirectories(dir.Path() + "a\\b/c"));
    EXPECT_TRUE(platform::IsDirectory(dir.Path() + "a\\b\\c"));
    EXPECT_EQ(platform::FolderOf(dir.Path() + "a\\b/c.bin"), dir.Path() + "a\\b/");
}

TEST(WindowsIniFileTest, SavedLinesEndWithCrLf) {
    TempDir dir;
    CIniFile ini(dir.File("config.ini"));
    ini.AddHeaderComment(" settings");
    ini.SetEntry("Quillix Config", "Ini Name", "eeprom-usb.ini");
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(dir.Read("config.ini"),
              "; settings\r\n\r\n[Quillix Config]\r\nIni Name=eeprom-usb.ini\r\n\r\n");
    CIniFile again(dir.File("config.ini"));
    ASSERT_TRUE(again.Load());
    EXPECT_EQ(again.GetString("Quillix Config", "Ini Name", ""), "eeprom-usb.ini");
}

TEST(WindowsDumpTest, BinaryAndTextDumpsAreByteIdenticalToLinux) {
    TempDir dir;
    std::vector<uint8_t> image(20);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i == 10 ? 0x0A : i);
    ASSERT_TRUE(WriteBinFile(dir.File("a.bin"), image.size(), image.data()));
    EXPECT_EQ(dir.Read("a.bin"), std::string(image.begin(), image.end()));
    ASSERT_TRUE(WriteTxtFile(dir.File("a.txt"), image.size(), image.data()));
    EXPECT_EQ(dir.Read("a.txt"), FormatTextDump(image.data(), image.size()));
    EXPECT_EQ(dir.Read("a.txt").size(), 62u);
}

TEST(WindowsLibraryTest, ReaderLibraryIsNeverSearchedForByName) {
    // A bare name would be found through the system's search path; only a full path is accepted.
    EXPECT_EQ(platform::LoadLibraryFile("kernel32.dll"), nullptr);
    TempDir dir;
    EXPECT_EQ(platform::LoadLibraryFile(dir.File("kernel32.dll")), nullptr);
    wchar_t system[MAX_PATH];
    UINT n = GetSystemDirectoryW(system, MAX_PATH);
    platform::LibraryHandle kernel =
        platform::LoadLibraryFile(platform::win::Narrow(std::wstring(system, n)) + "\\kernel32.dll");
    ASSERT_NE(kernel, nullptr);
    EXPECT_NE(platform::FindExport(kernel, "GetTickCount"), nullptr);
    EXPECT_EQ(platform::FindExport(kernel, "NoSuchEntry"), nullptr);
    EXPECT_TRUE(platform::FreeLibraryFile(kernel));
}

TEST(WindowsProcessTest, ArgumentsAreQuotedSoTheyArriveUnchanged) {
    EXPECT_EQ(platform::BuildCommandLine(
                  "C:\\Program Files\\Q\\32bitrelease\\udrvup.exe",
                  {"update", "C:\\Program Files\\Q\\32bitrelease\\VrkUStor.inf", "USB\\VID_1234&PID_0105"}),
              "\"C:\\Program Files\\Q\\32bitrelease\\udrvup.exe\" update "
              "\"C:\\Program Files\\Q\\32bitrelease\\VrkUStor.inf\" USB\\VID_1234&PID_0105");
    EXPECT_EQ(platform::BuildCommandLine("a.exe", {"", "say \"hi\"", "end\\"}),
              "a.exe \"\" \"say \\\"hi\\\"\" end\\");
    EXPECT_EQ(platform::BuildCommandLine("a.exe", {"dir with blank\\"}), "a.exe \"dir with blank\\\\\"");
}

TEST(WindowsTraceTest, LogFileReplacesTheOldFileAndAppendsUnbuffered) {
    TempDir dir;
    dir.Write("Quillix.log", "old content");
    platform::LogFile log;
    ASSERT_TRUE(log.Create(dir.File("Quillix.log")));
    log.Append("\xFF\xFE", 2);
    EXPECT_EQ(dir.Read("Quillix.log"), "\xFF\xFE");
    log.Append("a\0", 2);
    log.Close();
    EXPECT_EQ(dir.Read("Quillix.log"), std::string("\xFF\xFE"
                                                   "a\0",
                                                   4));
    EXPECT_EQ(platform::CurrentThreadId(), GetCurrentThreadId());
}

} // namespace
