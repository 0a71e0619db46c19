#include "model/SilentFiles.h"

#include "platform/FileSystem.h"
#include "tests/model/DumpFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

using dumptest::Counting;
using dumptest::EntriesOf;
using dumptest::Write;
using testsupport::ReadFileBytes;
using testsupport::TempDir;
using testsupport::WorkingDirectory;

namespace {

// ---- Text dump format ------------------------------------------------------------------------------

struct TextCase {
    size_t size;
    size_t length;
    size_t lineBreaks;
};

class TextDumpLengthTest : public testing::TestWithParam<TextCase> {};

TEST_P(TextDumpLengthTest, ThreeCharactersPerByteAndBreaksBetweenLines) {
    const TextCase& c = GetParam();
    std::vector<uint8_t> data = Counting(c.size);
    std::string text = FormatTextDump(data.data(), data.size());
    EXPECT_EQ(text.size(), c.length);
    size_t breaks = 0;
    for (size_t pos = text.find("\r\n"); pos != std::string::npos; pos = text.find("\r\n", pos + 2))
        ++breaks;
    EXPECT_EQ(breaks, c.lineBreaks);
    EXPECT_EQ(text.back(), ' ');
}

INSTANTIATE_TEST_SUITE_P(Sizes, TextDumpLengthTest,
                         testing::Values(TextCase{1, 3, 0}, TextCase{15, 45, 0}, TextCase{16, 48, 0},
                                         TextCase{17, 53, 1}, TextCase{32, 98, 1}, TextCase{128, 398, 7},
                                         TextCase{512, 1598, 31}));

TEST(TextDumpTest, TwentyBytesByteForByte) {
    std::vector<uint8_t> data = Counting(20);
    EXPECT_EQ(FormatTextDump(data.data(), data.size()),
              "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F \r\n10 11 12 13 ");
}

TEST(TextDumpTest, UpperCaseHexDigits) {
    const uint8_t data[] = {0xAB, 0xFF, 0x0C, 0xD0};
    EXPECT_EQ(FormatTextDump(data, sizeof(data)), "AB FF 0C D0 ");
}

// ---- Writing ---------------------------------------------------------------------------------------

class WriteFileTest : public testing::TestWithParam<DumpFormat> {
protected:
    std::string Expected(const std::vector<uint8_t>& data) const {
        return GetParam() == DumpFormat::kText ? FormatTextDump(data.data(), data.size())
                                               : std::string(data.begin(), data.end());
    }

    TempDir m_dir;
    std::vector<uint8_t> m_data = Counting(200);
};

TEST_P(WriteFileTest, CreatesNewFile) {
    ASSERT_TRUE(Write(GetParam(), m_dir.File("out.bin"), m_data));
    EXPECT_EQ(m_dir.Read("out.bin"), Expected(m_data));
    EXPECT_EQ(EntriesOf(m_dir), std::set<std::string>{"out.bin"});
}

TEST_P(WriteFileTest, ReplacesExistingFile) {
    m_dir.Write("out.bin", std::string(1000, 'x'));
    ASSERT_TRUE(Write(GetParam(), m_dir.File("out.bin"), m_data));
    EXPECT_EQ(m_dir.Read("out.bin"), Expected(m_data));
    EXPECT_EQ(EntriesOf(m_dir), std::set<std::string>{"out.bin"});
}

TEST_P(WriteFileTest, RefusesEmptyPathNullDataAndZeroSize) {
    m_dir.Write("out.bin", "old");
    std::string path = m_dir.File("out.bin");
    bool text = GetParam() == DumpFormat::kText;
    auto write = text ? WriteTxtFile : WriteBinFile;
    EXPECT_FALSE(write("", m_data.size(), m_data.data()));
    EXPECT_FALSE(write(path, m_data.size(), nullptr));
    EXPECT_FALSE(write(path, 0, m_data.data()));
    EXPECT_EQ(m_dir.Read("out.bin"), "old");
}

INSTANTIATE_TEST_SUITE_P(Formats, WriteFileTest, testing::Values(DumpFormat::kBinary, DumpFormat::kText));

// A write that fails leaves no partial file, and an existing file as it was.
struct FailureCase {
    const char* name;
    DumpFormat format;
    // Prepares the folder and gives the path to write.
    std::function<std::string(const TempDir&)> setUp;
    std::set<std::string> entriesAfter;
    // File whose content must be unchanged ("" for none).
    std::string unchangedFile;
};

std::ostream& operator<<(std::ostream& out, const FailureCase& c) {
    return out << c.name;
}

class WriteFailureTest : public testing::TestWithParam<FailureCase> {};

TEST_P(WriteFailureTest, FailsWithoutPartialFile) {
    const FailureCase& c = GetParam();
    TempDir dir;
    std::string path = c.setUp(dir);
    std::string before = c.unchangedFile.empty() ? "" : dir.Read(c.unchangedFile);
    std::vector<uint8_t> data = Counting(300);
    EXPECT_FALSE(Write(c.format, path, data));
    EXPECT_EQ(EntriesOf(dir), c.entriesAfter);
    if (!c.unchangedFile.empty()) {
        EXPECT_EQ(dir.Read(c.unchangedFile), before);
    }
}

std::string FileInTheWay(const TempDir& dir) {
    dir.Write("plain", "not a folder");
    return dir.File("plain/out.bin");
}

std::string FolderAsTarget(const TempDir& dir) {
    std::filesystem::create_directory(dir.File("out.bin"));
    return dir.File("out.bin");
}

INSTANTIATE_TEST_SUITE_P(
    Faults, WriteFailureTest,
    testing::Values(FailureCase{"NotADirectoryBinary", DumpFormat::kBinary, FileInTheWay, {"plain"}, "plain"},
                    FailureCase{"NotADirectoryText", DumpFormat::kText, FileInTheWay, {"plain"}, "plain"},
                    FailureCase{"FolderAsTarget", DumpFormat::kBinary, FolderAsTarget, {"out.bin"}, ""}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

// ---- Output path -----------------------------------------------------------------------------------

TEST(PrepareOutputPathTest, CreatesMissingFoldersOfAbsolutePath) {
    TempDir dir;
    std::string path = dir.File("a/b/c/out.bin");
    ASSERT_TRUE(PrepareOutputPath(path));
    EXPECT_EQ(path, dir.File("a/b/c/out.bin"));
    EXPECT_TRUE(platform::IsDirectory(dir.File("a/b/c")));
    EXPECT_FALSE(platform::FileExists(path));
}

TEST(PrepareOutputPathTest, ReportsTheFolderThatCannotBeCreated) {
    TempDir dir;
    dir.Write("plain", "not a folder");
    std::string path = dir.File("plain/sub/out.bin");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(PrepareOutputPath(path));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Create Directory (" + dir.File("plain") + ") : Failed !\n");
    EXPECT_EQ(path, dir.File("plain/sub/out.bin"));
}

TEST(SaveSilentDumpTest, RelativeTextDumpWithMissingFolders) {
    TempDir dir;
    WorkingDirectory cwd(dir.Path());
    std::vector<uint8_t> data = Counting(16);
    ASSERT_TRUE(SaveSilentDump("dumps/efuse.txt", DumpFormat::kText, data.data(), data.size()));
    EXPECT_EQ(dir.Read("dumps/efuse.txt"), FormatTextDump(data.data(), data.size()));
}

TEST(SaveSilentDumpTest, FolderThatCannotBeCreatedFailsTheDump) {
    TempDir dir;
    dir.Write("plain", "not a folder");
    std::vector<uint8_t> data = Counting(16);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(SaveSilentDump(dir.File("plain/x/out.bin"), DumpFormat::kBinary, data.data(), data.size()));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Create Directory ("), std::string::npos);
    EXPECT_EQ(dir.Read("plain"), "not a folder");
}

} // namespace
