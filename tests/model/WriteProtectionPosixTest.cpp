// Dumps and INI files over a file the user may not write, and over a file with other hard links. Root
// may write every file, so the writes run in a child process that dropped its privileges.
#include "model/IniFile.h"
#include "tests/model/DumpFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <grp.h>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using dumptest::Counting;
using dumptest::EntriesOf;
using testsupport::TempDir;

namespace {

constexpr uid_t kNobody = 65534;
constexpr int kCannotDrop = 77;

// Runs `write` in a child that is not root (root drops to an unprivileged user first); the child's
// answer, or nullopt when the privileges could not be dropped.
std::optional<bool> WriteAsUser(const std::function<bool()>& write) {
    pid_t child = fork();
    if (child < 0)
        return std::nullopt;
    if (child == 0) {
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
            _exit(kCannotDrop);
        _exit(write() ? 1 : 0);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == kCannotDrop)
        return std::nullopt;
    return WEXITSTATUS(status) == 1;
}

struct ProtectedCase {
    const char* name;
    std::function<bool(const std::string&)> write;
};

class WriteProtectedFile : public testing::TestWithParam<ProtectedCase> {};

TEST_P(WriteProtectedFile, IsRefusedAndLeftAsItWas) {
    TempDir dir;
    // The folder would take a temporary file, so only the file's own protection can stop the write.
    ASSERT_EQ(chmod(dir.Path().c_str(), 0777), 0);
    const std::string old = "[Old]\nkeep=1\n\n";
    dir.Write("target", old);
    ASSERT_EQ(chmod(dir.File("target").c_str(), 0444), 0);
    struct stat before;
    ASSERT_EQ(stat(dir.File("target").c_str(), &before), 0);

    std::optional<bool> written = WriteAsUser([&] { return GetParam().write(dir.File("target")); });
    if (!written)
        GTEST_SKIP() << "cannot run as an unprivileged user here";
    EXPECT_FALSE(*written) << "a write-protected file must not be reported as written";
    EXPECT_EQ(dir.Read("target"), old);
    struct stat after;
    ASSERT_EQ(stat(dir.File("target").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "the file was replaced";
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(EntriesOf(dir), std::set<std::string>{"target"});
}

bool SaveIni(const std::string& path) {
    CIniFile ini(path);
    ini.SetEntry("New", "key", "value");
    return ini.Save();
}

const std::vector<uint8_t> kImage = Counting(64);

INSTANTIATE_TEST_SUITE_P(Writers, WriteProtectedFile,
                         testing::Values(ProtectedCase{"BinaryDump",
                                                       [](const std::string& path) {
                                                           return WriteBinFile(path, kImage.size(),
                                                                               kImage.data());
                                                       }},
                                         ProtectedCase{"TextDump",
                                                       [](const std::string& path) {
                                                           return WriteTxtFile(path, kImage.size(),
                                                                               kImage.data());
                                                       }},
                                         ProtectedCase{"SilentDump",
                                                       [](const std::string& path) {
                                                           return SaveSilentDump(path, DumpFormat::kBinary,
                                                                                 kImage.data(),
                                                                                 kImage.size());
                                                       }},
                                         ProtectedCase{"IniSave", SaveIni}),
                         [](const testing::TestParamInfo<ProtectedCase>& info) { return info.param.name; });

TEST(WriteUnprotectedFile, StillReplacesAFileTheUserMayWrite) {
    TempDir dir;
    ASSERT_EQ(chmod(dir.Path().c_str(), 0777), 0);
    dir.Write("target", "old");
    ASSERT_EQ(chmod(dir.File("target").c_str(), 0666), 0);
    std::optional<bool> written =
        WriteAsUser([&] { return WriteBinFile(dir.File("target"), kImage.size(), kImage.data()); });
    if (!written)
        GTEST_SKIP() << "cannot run as an unprivileged user here";
    EXPECT_TRUE(*written);
    EXPECT_EQ(dir.Read("target"), std::string(kImage.begin(), kImage.end()));
}

struct LinkedCase {
    const char* name;
    std::function<bool(const std::string&)> write;
    std::string expected;
};

class HardLinkedFile : public testing::TestWithParam<LinkedCase> {};

TEST_P(HardLinkedFile, StaysOneFileWithTheNewContent) {
    TempDir dir;
    dir.Write("first", "old content");
    ASSERT_EQ(link(dir.File("first").c_str(), dir.File("second").c_str()), 0);
    ASSERT_TRUE(GetParam().write(dir.File("first")));
    struct stat first, second;
    ASSERT_EQ(stat(dir.File("first").c_str(), &first), 0);
    ASSERT_EQ(stat(dir.File("second").c_str(), &second), 0);
    EXPECT_EQ(first.st_ino, second.st_ino);
    EXPECT_EQ(first.st_nlink, 2u);
    EXPECT_EQ(dir.Read("second"), GetParam().expected);
    EXPECT_EQ(EntriesOf(dir), (std::set<std::string>{"first", "second"}));
}

INSTANTIATE_TEST_SUITE_P(
    Writers, HardLinkedFile,
    testing::Values(
        LinkedCase{"BinaryDump",
                   [](const std::string& path) { return WriteBinFile(path, kImage.size(), kImage.data()); },
                   std::string(kImage.begin(), kImage.end())},
        LinkedCase{"TextDump",
                   [](const std::string& path) { return WriteTxtFile(path, kImage.size(), kImage.data()); },
                   FormatTextDump(kImage.data(), kImage.size())},
        LinkedCase{"IniSave", SaveIni, "[New]\nkey=value\n\n"}),
    [](const testing::TestParamInfo<LinkedCase>& info) { return info.param.name; });

} // namespace
