// Saving INI files where POSIX decides the outcome: permission bits, symbolic links, a device that is
// always full and a file-size limit.
#include "model/IniFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <iterator>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testsupport::TempDir;

TEST(IniFileSave, KeepsModeAndFollowsSymlink) {
    TempDir dir;
    dir.Write("t.ini", "[A]\nk=1\n");
    CIniFile ini(dir.File("t.ini"));
    ASSERT_TRUE(ini.Load());
    ASSERT_EQ(chmod(dir.File("t.ini").c_str(), 0640), 0);
    ASSERT_EQ(symlink(dir.File("t.ini").c_str(), dir.File("link.ini").c_str()), 0);
    ini.SetPath(dir.File("link.ini"));
    ini.SetEntry("A", "k", "2");
    ASSERT_TRUE(ini.Save());
    struct stat st;
    ASSERT_EQ(lstat(dir.File("link.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(dir.File("t.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(dir.Read("t.ini"), "[A]\nk=2\n\n");
}

TEST(IniFileSave, FailureLeavesOldFileIntact) {
    // A device that is always full: written in place, and the failure is reported.
    CIniFile full("/dev/full");
    full.SetEntry("A", "k", "v");
    EXPECT_FALSE(full.Save());

    // A file-size limit below the new content: the old file stays byte for byte.
    TempDir dir;
    const std::string old = "[Old]\nkeep=1\n\n";
    dir.Write("config.ini", old);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {8, 8};
        setrlimit(RLIMIT_FSIZE, &limit);
        CIniFile ini(dir.File("config.ini"));
        ini.Load();
        ini.SetEntry("Old", "more", std::string(4096, 'x'));
        _exit(ini.Save() ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "Save must report the failure";
    EXPECT_EQ(dir.Read("config.ini"), old);
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()),
        1)
        << "no temporary file is left behind";
}
