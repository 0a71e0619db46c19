#include "model/IniFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <random>

using testsupport::TempDir;

namespace {

CIniFile LoadText(const TempDir& dir, const std::string& text, bool* loaded = nullptr) {
    dir.Write("t.ini", text);
    CIniFile ini(dir.File("t.ini"));
    bool ok = ini.Load();
    if (loaded)
        *loaded = ok;
    return ini;
}

} // namespace

TEST(IniFileNumbers, GetNumberFollowsStrtoulBaseZero) {
    TempDir dir;
    CIniFile ini = LoadText(dir, "[S]\n"
                                 "hex=0xFEF0\n"
                                 "dec=65264\n"
                                 "oct=010\n"
                                 "comment=0x10 ; sixteen\n"
                                 "lead=   42\n"
                                 "neg=-1\n"
                                 "big=99999999999\n"
                                 "text=abc\n"
                                 "empty=\n"
                                 "upper=0X1f\n");
    struct Case {
        const char* key;
        int32_t def;
        uint32_t expected;
    } cases[] = {
        {"hex", 0, 65264},
        {"dec", 0, 65264},
        {"oct", 0, 8},
        {"comment", 0, 16},
        {"lead", 0, 42},
        {"neg", 0, 4294967295u},
        {"big", 0, UINT32_MAX},
        {"text", 7, 0},
        {"empty", 7, 0},
        {"upper", 0, 31},
        {"missing", -1, 4294967295u},
        {"missing", 255, 255},
        {"MISSING", -2, 4294967294u},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ini.GetNumber("S", c.key, c.def), c.expected) << c.key;
    EXPECT_EQ(ini.GetNumber("No Section", "hex", 12), 12u);
    EXPECT_EQ(ini.GetNumber(-1, "hex", 3), 3u);
}

TEST(IniFileLoad, LineRules) {
    TempDir dir;
    bool loaded = false;
    CIniFile ini = LoadText(dir,
                            "; header comment\r\n"
                            "top=1\n"
                            "  [Vendor Info M1]\n"
                            "VID Addr = 0x10\n"
                            "vid addr=0x20\n"
                            "text; only this stays\n"
                            "bare name\n"
                            "a=b=c\n"
                            "[Two]]x]\n"
                            "[broken\n"
                            "]odd[\n"
                            "[Vendor Info M1]\n"
                            "PID Addr=4\n"
                            "PID Addr=5\n",
                            &loaded);
    EXPECT_TRUE(loaded);
    EXPECT_EQ(ini.HeaderComments(), (std::vector<std::string>{" header comment"}));
    EXPECT_EQ(ini.GetString("", "top", "-"), "1");
    EXPECT_EQ(ini.GetString("Vendor Info M1", "VID Addr ", "-"), " 0x10")
        << "blanks around = stay in name and value";
    EXPECT_EQ(ini.GetString("Vendor Info M1", "VID Addr", "-"), "0x20") << "lower-case name matches";
    EXPECT_EQ(ini.GetString("vendor info m1", "bare name", "-"), "");
    EXPECT_EQ(ini.GetString("Vendor Info M1", "a", "-"), "b=c");
    EXPECT_EQ(ini.Section(ini.FindSection("Vendor Info M1")).comments,
              (std::vector<std::string>{" only this stays"}));
    EXPECT_NE(ini.FindSection("Two]]x"), -1);
    EXPECT_EQ(ini.FindSection("broken"), -1);
    // Entries under a repeated header land in the first section; the header adds an empty one.
    EXPECT_EQ(ini.GetString("Vendor Info M1", "PID Addr", "-"), "5");
    EXPECT_EQ(ini.SectionCount(), 4);
    EXPECT_TRUE(ini.Section(3).names.empty());
}

TEST(IniFileLoad, StopsAtControlByteKeepingEarlierLines) {
    TempDir dir;
    for (const char* bad : {"\tTabbed=1\n", "\x01junk\n"}) {
        bool loaded = true;
        testing::internal::CaptureStdout();
        CIniFile ini = LoadText(dir, std::string("[A]\nk=1\n") + bad + "[B]\nk=2\n", &loaded);
        std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_FALSE(loaded);
        EXPECT_EQ(printed, "Failing on char " + std::to_string(static_cast<unsigned char>(bad[0])) + "\n");
        EXPECT_EQ(ini.GetString("A", "k", "-"), "1");
        EXPECT_EQ(ini.FindSection("B"), -1);
    }
}

TEST(IniFileLoad, Utf8BomAndHighBytesAccepted) {
    TempDir dir;
    bool loaded = false;
    CIniFile ini = LoadText(dir, "\xEF\xBB\xBF[A]\n\xC3\xA9t\xC3\xA9=1\n", &loaded);
    EXPECT_TRUE(loaded);
    EXPECT_EQ(ini.GetString("A", "\xC3\xA9t\xC3\xA9", "-"), "1");
}

TEST(IniFileLoad, CommentsOnlyOrMissingFileGiveFalse) {
    TempDir dir;
    bool loaded = true;
    CIniFile ini = LoadText(dir, "; one\n# two\n", &loaded);
    EXPECT_FALSE(loaded);
    EXPECT_EQ(ini.HeaderComments(), (std::vector<std::string>{" one", " two"}));
    CIniFile missing(dir.File("missing.ini"));
    EXPECT_FALSE(missing.Load());
}

TEST(IniFileSetEntry, CreateFlag) {
    CIniFile ini;
    EXPECT_FALSE(ini.SetEntry("S", "k", "v", false));
    EXPECT_TRUE(ini.SetEntry("S", "k", "v"));
    EXPECT_FALSE(ini.SetEntry("S", "other", "v", false));
    EXPECT_TRUE(ini.SetEntry("s", "K", "w", false));
    EXPECT_EQ(ini.GetString("S", "k", "-"), "w");
    EXPECT_FALSE(ini.AddSectionComment(5, "x"));
    EXPECT_FALSE(ini.AddSectionComment("none", "x"));
    EXPECT_EQ(ini.FindEntry(9, "k"), -1);
}

TEST(IniFileSave, FormatAndRoundTrip) {
    TempDir dir;
    CIniFile ini = LoadText(dir, "# head\n[A]\n#c\nk=v\nbare\n[B]\n");
    ASSERT_TRUE(ini.Save());
    const std::string expected = testsupport::PlatformText("; head\n\n[A]\n;c\nk=v\nbare\n\n[B]\n\n");
    EXPECT_EQ(dir.Read("t.ini"), expected);
    CIniFile again(dir.File("t.ini"));
    EXPECT_TRUE(again.Load());
    ASSERT_TRUE(again.Save());
    EXPECT_EQ(dir.Read("t.ini"), expected) << "a saved file loads and saves unchanged";
}

TEST(IniFileSave, FileWhereAFolderShouldBeFails) {
    TempDir dir;
    // A file where the folder should be: nothing can be written.
    dir.Write("notadir", "x");
    CIniFile blocked(dir.File("notadir/config.ini"));
    blocked.SetEntry("A", "k", "v");
    EXPECT_FALSE(blocked.Save());
    EXPECT_EQ(dir.Read("notadir"), "x");
}

TEST(IniFileRobustness, RandomBytesNeverCrashLoad) {
    TempDir dir;
    std::mt19937 random(12345);
    const std::string alphabet = "[]=;#\r\n\t abcXYZ019\x80\xff";
    for (int round = 0; round < 300; ++round) {
        std::string text;
        size_t length = random() % 400;
        for (size_t i = 0; i < length; ++i)
            text += (random() % 4 == 0) ? static_cast<char>(random() % 256)
                                        : alphabet[random() % alphabet.size()];
        testing::internal::CaptureStdout();
        CIniFile ini = LoadText(dir, text);
        testing::internal::GetCapturedStdout();
        for (int s = 0; s < ini.SectionCount(); ++s)
            EXPECT_EQ(ini.Section(s).names.size(), ini.Section(s).values.size());
        ASSERT_TRUE(ini.Save());
    }
}
