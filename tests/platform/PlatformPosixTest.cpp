#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/ProgramFolder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using testsupport::TempDir;
using testsupport::TempProgramFolder;

// Paths and programs as a POSIX system spells and starts them; tests/windows has the Windows rules.

TEST(MakeAbsolutePath, Cases) {
    TempProgramFolder folder;
    struct Case {
        std::string in, out;
    } cases[] = {
        {"config.ini", folder.Path() + "config.ini"},
        {"sub\\dir\\a.bin", folder.Path() + "sub/dir/a.bin"},
        {"/abs/a.bin", "/abs/a.bin"},
        {"\\abs\\a.bin", "/abs/a.bin"},
    };
    for (auto& c : cases) {
        std::string path = c.in;
        EXPECT_TRUE(MakeAbsolutePath(path));
        EXPECT_EQ(path, c.out) << c.in;
    }
}

TEST(ProgramFolder, RealFolderEndsWithSlash) {
    std::string folder = GetProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(platform::IsDirectory(folder));
}

TEST(RunAndWait, StartsWithArgumentVectorAndWaits) {
    TempDir dir;
    std::string out = dir.File("out.txt");
    ASSERT_TRUE(platform::RunAndWait("/bin/sh", {"-c", "printf '%s|' \"$@\" > \"$0\"", out, "a b", "\"q\""}));
    EXPECT_EQ(testsupport::ReadFileBytes(out), "a b|\"q\"|") << "arguments pass unsplit and unquoted";
    EXPECT_FALSE(platform::RunAndWait(dir.File("missing-tool"), {}));
}
