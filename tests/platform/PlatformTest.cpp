#include "platform/Clock.h"
#include "platform/DynamicLibrary.h"
#include "platform/FakeClock.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using testsupport::TempDir;

TEST(FindFiles, CaseInsensitiveExtensionSortedRegularFilesOnly) {
    TempDir dir;
    for (const char* name : {"b.ini", "A.INI", "c.Ini", "fw.bin", "x.ini.txt", "config.ini"})
        dir.Write(name, "x");
    platform::CreateDirectories(dir.File("dir.ini"));
    EXPECT_EQ(platform::FindFiles(dir.Path(), "*.ini"),
              (std::vector<std::string>{"A.INI", "b.ini", "c.Ini", "config.ini"}));
    EXPECT_EQ(platform::FindFiles(dir.Path(), "*.BIN"), (std::vector<std::string>{"fw.bin"}));
    EXPECT_TRUE(platform::FindFiles(dir.File("missing"), "*.ini").empty());
}

TEST(CreateDirectories, CreatesNestedAndFailsBelowAFile) {
    TempDir dir;
    EXPECT_TRUE(platform::CreateDirectories(dir.File("a/b/c")));
    EXPECT_TRUE(platform::IsDirectory(dir.File("a/b/c")));
    dir.Write("file", "x");
    EXPECT_FALSE(platform::CreateDirectories(dir.File("file/sub")));
}

TEST(ReadOnly, ClearAddsOwnerWrite) {
    TempDir dir;
    dir.Write("f", "x");
    ASSERT_EQ(chmod(dir.File("f").c_str(), 0444), 0);
    EXPECT_TRUE(platform::IsReadOnly(dir.File("f")));
    EXPECT_TRUE(platform::ClearReadOnly(dir.File("f")));
    EXPECT_FALSE(platform::IsReadOnly(dir.File("f")));
}

TEST(WholeFile, WriteFailsOnFullDeviceAndNonFolder) {
    TempDir dir;
    uint8_t data[4] = {1, 2, 3, 4};
    EXPECT_FALSE(platform::WriteWholeFile("/dev/full", data, sizeof(data)));
    dir.Write("file", "x");
    EXPECT_FALSE(platform::WriteWholeFile(dir.File("file/sub.bin"), data, sizeof(data)));
    EXPECT_TRUE(platform::WriteWholeFile(dir.File("ok.bin"), data, sizeof(data)));
    auto back = platform::ReadWholeFile(dir.File("ok.bin"));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, (std::vector<uint8_t>{1, 2, 3, 4}));
    EXPECT_FALSE(platform::ReadWholeFile(dir.Path()));
}

TEST(Text, Conversions) {
    EXPECT_EQ(platform::StrPrintf("%04X-%s", 0xAB, "x"), "00AB-x");
    EXPECT_EQ(platform::IniBytesToUtf8("caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(platform::IniBytesToUtf8("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(platform::Latin1ToUtf8("\xE9"), "\xC3\xA9");
    EXPECT_EQ(platform::Utf8ToLatin1("\xC3\xA9\xE2\x82\xAC"), "\xE9?");
    EXPECT_EQ(platform::CharCount("a\xC3\xA9\xE2\x82\xAC"), 3u);
    EXPECT_EQ(platform::LeftChars("a\xC3\xA9\xE2\x82\xAC", 2), "a\xC3\xA9");
    EXPECT_EQ(platform::Utf16ToUtf8(platform::Utf8ToUtf16("x\xF0\x9F\x98\x80")), "x\xF0\x9F\x98\x80");
}

TEST(FakeClock, RecordsSleepsAndRestoresRealClock) {
    platform::IClock* before = &platform::Clock();
    {
        platform::FakeClock clock(500);
        platform::Sleep(128);
        platform::Sleep(1024);
        EXPECT_EQ(platform::GetTickCount(), 500u + 128 + 1024);
        EXPECT_EQ(clock.Sleeps(), (std::vector<uint32_t>{128, 1024}));
    }
    EXPECT_EQ(&platform::Clock(), before);
}

TEST(DynamicLibrary, LoadsOnlyAbsolutePaths) {
    EXPECT_EQ(platform::LoadLibraryFile("libc.so.6"), nullptr);
    EXPECT_EQ(platform::LoadLibraryFile("/nonexistent/libx.so"), nullptr);
    EXPECT_EQ(platform::FindExport(nullptr, "malloc"), nullptr);
    EXPECT_FALSE(platform::FreeLibraryFile(nullptr));
}
