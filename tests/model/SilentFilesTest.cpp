#include "model/SilentFiles.h"

#include "platform/FileSystem.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using testsupport::ReadFileBytes;
using testsupport::TempDir;

namespace {

std::vector<uint8_t> Counting(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i);
    return bytes;
}

// Every entry of a folder, dot files included, so a temporary file left behind shows.
std::set<std::string> EntriesOf(const TempDir& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        names.insert(entry.path().filename().string());
    return names;
}

// Limits the size of files this process writes; writing beyond it fails with EFBIG.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_savedHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_saved{};
    void (*m_savedHandler)(int) = nullptr;
};

// Runs the test body in another working directory.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::string& folder) {
        char cwd[PATH_MAX];
        if (getcwd(cwd, sizeof(cwd)))
            m_saved = cwd;
        EXPECT_EQ(chdir(folder.c_str()), 0);
    }
    ~WorkingDirectory() { EXPECT_EQ(chdir(m_saved.c_str()), 0); }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    std::string m_saved;
};

bool Write(DumpFormat format, const std::string& path, const std::vector<uint8_t>& data) {
    return format == DumpFormat::kText ? WriteTxtFile(path, data.size(), data.data())
                                       : WriteBinFile(path, data.size(), data.data());
}

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

TEST_P(WriteFileTest, CreatesNewFileWithDefaultPermissions) {
    ASSERT_TRUE(Write(GetParam(), m_dir.File("out.bin"), m_data));
    EXPECT_EQ(m_dir.Read("out.bin"), Expected(m_data));
    EXPECT_EQ(EntriesOf(m_dir), std::set<std::string>{"out.bin"});

    // The same permissions as a file created directly.
    int fd = open(m_dir.File("direct").c_str(), O_WRONLY | O_CREAT, 0666);
    ASSERT_GE(fd, 0);
    close(fd);
    struct stat written, direct;
    ASSERT_EQ(stat(m_dir.File("out.bin").c_str(), &written), 0);
    ASSERT_EQ(stat(m_dir.File("direct").c_str(), &direct), 0);
    EXPECT_EQ(written.st_mode, direct.st_mode);
}

TEST_P(WriteFileTest, ReplacesExistingFileKeepingItsPermissions) {
    m_dir.Write("out.bin", std::string(1000, 'x'));
    ASSERT_EQ(chmod(m_dir.File("out.bin").c_str(), 0640), 0);
    ASSERT_TRUE(Write(GetParam(), m_dir.File("out.bin"), m_data));
    EXPECT_EQ(m_dir.Read("out.bin"), Expected(m_data));
    struct stat st;
    ASSERT_EQ(stat(m_dir.File("out.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(EntriesOf(m_dir), std::set<std::string>{"out.bin"});
}

TEST_P(WriteFileTest, WritesThroughSymbolicLinkAndKeepsTheLink) {
    ASSERT_EQ(mkdir(m_dir.File("real").c_str(), 0777), 0);
    m_dir.Write("real/image.bin", "old");
    ASSERT_EQ(symlink("real/image.bin", m_dir.File("link.bin").c_str()), 0);
    ASSERT_TRUE(Write(GetParam(), m_dir.File("link.bin"), m_data));
    struct stat st;
    ASSERT_EQ(lstat(m_dir.File("link.bin").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(m_dir.Read("real/image.bin"), Expected(m_data));
}

TEST_P(WriteFileTest, WritesDevicesDirectly) {
    ASSERT_TRUE(Write(GetParam(), "/dev/null", m_data));
    struct stat st;
    ASSERT_EQ(stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
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
    // 0: no file-size limit.
    rlim_t sizeLimit;
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
    bool written;
    if (c.sizeLimit) {
        FileSizeLimit limit(c.sizeLimit);
        written = Write(c.format, path, data);
    } else {
        written = Write(c.format, path, data);
    }
    EXPECT_FALSE(written);
    if (path.starts_with(dir.Path())) {
        EXPECT_EQ(EntriesOf(dir), c.entriesAfter);
    }
    if (!c.unchangedFile.empty()) {
        EXPECT_EQ(dir.Read(c.unchangedFile), before);
    }
}

std::string FileInTheWay(const TempDir& dir) {
    dir.Write("plain", "not a folder");
    return dir.File("plain/out.bin");
}

std::string ExistingTarget(const TempDir& dir) {
    dir.Write("out.bin", "previous dump");
    return dir.File("out.bin");
}

std::string NewTarget(const TempDir& dir) {
    return dir.File("out.bin");
}

std::string FolderAsTarget(const TempDir& dir) {
    mkdir(dir.File("out.bin").c_str(), 0777);
    return dir.File("out.bin");
}

std::string FullDevice(const TempDir&) {
    return "/dev/full";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, WriteFailureTest,
    testing::Values(
        FailureCase{"NotADirectoryBinary", DumpFormat::kBinary, FileInTheWay, 0, {"plain"}, "plain"},
        FailureCase{"NotADirectoryText", DumpFormat::kText, FileInTheWay, 0, {"plain"}, "plain"},
        FailureCase{"DeviceFullBinary", DumpFormat::kBinary, FullDevice, 0, {}, ""},
        FailureCase{"DeviceFullText", DumpFormat::kText, FullDevice, 0, {}, ""},
        FailureCase{"SizeLimitNewFileBinary", DumpFormat::kBinary, NewTarget, 100, {}, ""},
        FailureCase{"SizeLimitNewFileText", DumpFormat::kText, NewTarget, 100, {}, ""},
        FailureCase{
            "SizeLimitKeepsOldFileBinary", DumpFormat::kBinary, ExistingTarget, 100, {"out.bin"}, "out.bin"},
        FailureCase{
            "SizeLimitKeepsOldFileText", DumpFormat::kText, ExistingTarget, 100, {"out.bin"}, "out.bin"},
        FailureCase{"FolderAsTarget", DumpFormat::kBinary, FolderAsTarget, 0, {"out.bin"}, ""}),
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

TEST(PrepareOutputPathTest, RelativePathIsBelowWorkingDirectory) {
    TempDir dir;
    WorkingDirectory cwd(dir.Path());
    std::string path = "sub//dump.txt";
    ASSERT_TRUE(PrepareOutputPath(path));
    char resolved[PATH_MAX];
    ASSERT_TRUE(realpath(dir.Path().c_str(), resolved));
    EXPECT_EQ(path, std::string(resolved) + "/sub//dump.txt");
    EXPECT_TRUE(platform::IsDirectory(dir.File("sub")));
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
