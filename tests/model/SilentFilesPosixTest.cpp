// Dump files where POSIX decides the outcome: permission bits, symbolic links, devices, a device that
// is always full, a file-size limit and the working directory's real path.
#include "model/SilentFiles.h"

#include "platform/FileSystem.h"
#include "tests/model/DumpFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using dumptest::Counting;
using dumptest::EntriesOf;
using dumptest::Write;
using testsupport::TempDir;

namespace {

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

class WriteFilePosixTest : public testing::TestWithParam<DumpFormat> {
protected:
    std::string Expected(const std::vector<uint8_t>& data) const {
        return GetParam() == DumpFormat::kText ? FormatTextDump(data.data(), data.size())
                                               : std::string(data.begin(), data.end());
    }

    TempDir m_dir;
    std::vector<uint8_t> m_data = Counting(200);
};

TEST_P(WriteFilePosixTest, NewFileGetsTheDefaultPermissions) {
    ASSERT_TRUE(Write(GetParam(), m_dir.File("out.bin"), m_data));
    // The same permissions as a file created directly.
    int fd = open(m_dir.File("direct").c_str(), O_WRONLY | O_CREAT, 0666);
    ASSERT_GE(fd, 0);
    close(fd);
    struct stat written, direct;
    ASSERT_EQ(stat(m_dir.File("out.bin").c_str(), &written), 0);
    ASSERT_EQ(stat(m_dir.File("direct").c_str(), &direct), 0);
    EXPECT_EQ(written.st_mode, direct.st_mode);
}

TEST_P(WriteFilePosixTest, ReplacedFileKeepsItsPermissions) {
    m_dir.Write("out.bin", std::string(1000, 'x'));
    ASSERT_EQ(chmod(m_dir.File("out.bin").c_str(), 0640), 0);
    ASSERT_TRUE(Write(GetParam(), m_dir.File("out.bin"), m_data));
    EXPECT_EQ(m_dir.Read("out.bin"), Expected(m_data));
    struct stat st;
    ASSERT_EQ(stat(m_dir.File("out.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(EntriesOf(m_dir), std::set<std::string>{"out.bin"});
}

TEST_P(WriteFilePosixTest, WritesThroughSymbolicLinkAndKeepsTheLink) {
    ASSERT_EQ(mkdir(m_dir.File("real").c_str(), 0777), 0);
    m_dir.Write("real/image.bin", "old");
    ASSERT_EQ(symlink("real/image.bin", m_dir.File("link.bin").c_str()), 0);
    ASSERT_TRUE(Write(GetParam(), m_dir.File("link.bin"), m_data));
    struct stat st;
    ASSERT_EQ(lstat(m_dir.File("link.bin").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(m_dir.Read("real/image.bin"), Expected(m_data));
}

TEST_P(WriteFilePosixTest, WritesDevicesDirectly) {
    ASSERT_TRUE(Write(GetParam(), "/dev/null", m_data));
    struct stat st;
    ASSERT_EQ(stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

INSTANTIATE_TEST_SUITE_P(Formats, WriteFilePosixTest,
                         testing::Values(DumpFormat::kBinary, DumpFormat::kText));

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

class WritePosixFailureTest : public testing::TestWithParam<FailureCase> {};

TEST_P(WritePosixFailureTest, FailsWithoutPartialFile) {
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
    EXPECT_EQ(EntriesOf(dir), c.entriesAfter);
    if (!c.unchangedFile.empty()) {
        EXPECT_EQ(dir.Read(c.unchangedFile), before);
    }
}

std::string ExistingTarget(const TempDir& dir) {
    dir.Write("out.bin", "previous dump");
    return dir.File("out.bin");
}

std::string NewTarget(const TempDir& dir) {
    return dir.File("out.bin");
}

std::string FullDevice(const TempDir&) {
    return "/dev/full";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, WritePosixFailureTest,
    testing::Values(
        FailureCase{"DeviceFullBinary", DumpFormat::kBinary, FullDevice, 0, {}, ""},
        FailureCase{"DeviceFullText", DumpFormat::kText, FullDevice, 0, {}, ""},
        FailureCase{"SizeLimitNewFileBinary", DumpFormat::kBinary, NewTarget, 100, {}, ""},
        FailureCase{"SizeLimitNewFileText", DumpFormat::kText, NewTarget, 100, {}, ""},
        FailureCase{
            "SizeLimitKeepsOldFileBinary", DumpFormat::kBinary, ExistingTarget, 100, {"out.bin"}, "out.bin"},
        FailureCase{
            "SizeLimitKeepsOldFileText", DumpFormat::kText, ExistingTarget, 100, {"out.bin"}, "out.bin"}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST(PrepareOutputPathTest, RelativePathIsBelowWorkingDirectory) {
    TempDir dir;
    testsupport::WorkingDirectory cwd(dir.Path());
    std::string path = "sub//dump.txt";
    ASSERT_TRUE(PrepareOutputPath(path));
    char resolved[PATH_MAX];
    ASSERT_TRUE(realpath(dir.Path().c_str(), resolved));
    EXPECT_EQ(path, std::string(resolved) + "/sub//dump.txt");
    EXPECT_TRUE(platform::IsDirectory(dir.File("sub")));
}

} // namespace
