// What the fuzzers found, each pinned by the input that showed it.
#include "model/IniFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

// INI files that once did not read back the same after a save: the loaded entries, the saved text, and
// the entries loaded again from it.
TEST(FuzzFindings, IniFilesReadBackAsSaved) {
    struct Case {
        const char* why;
        std::string input;
        std::vector<std::string> names;
        std::vector<std::string> values;
        std::string saved; // with LF line ends
    } cases[] = {
        // A line ending in several carriage returns kept one in its name or value, which saving wrote
        // before a line end of its own. Every trailing carriage return goes now.
        {"stray carriage returns",
         "[A]\r\nNoValue\r\r\nkey=value\r\r\r\n",
         {"NoValue", "key"},
         {"", "value"},
         "[A]\nNoValue\nkey=value\n\n"},
        // A name ending in a carriage return before its "=" was saved as a bare name, and loading takes
        // trailing carriage returns off a line.
        {"carriage return ending a name",
         "[A]\r\nNoValue\r=\r\nkey=value\r\r\r\n",
         {"NoValue\r", "key"},
         {"", "value"},
         "[A]\nNoValue\r=\nkey=value\n\n"},
        // An entry with an empty name and value was saved as an empty line, which loading skips.
        {"empty name and value", "=", {""}, {""}, "[]\n=\n\n"},
        {"empty name with a value", "[S]\n=v\nk\n", {"", "k"}, {"v", ""}, "[S]\n=v\nk\n\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        testsupport::TempDir dir;
        dir.Write("in.ini", c.input);
        CIniFile ini(dir.File("in.ini"));
        ASSERT_TRUE(ini.Load());
        ASSERT_EQ(ini.SectionCount(), 1);
        EXPECT_EQ(ini.Section(0).names, c.names);
        EXPECT_EQ(ini.Section(0).values, c.values);
        ini.SetPath(dir.File("out.ini"));
        ASSERT_TRUE(ini.Save());
        EXPECT_EQ(dir.Read("out.ini"), testsupport::PlatformText(c.saved));
        CIniFile back(dir.File("out.ini"));
        ASSERT_TRUE(back.Load());
        ASSERT_EQ(back.SectionCount(), 1);
        EXPECT_EQ(back.Section(0).names, c.names);
        EXPECT_EQ(back.Section(0).values, c.values);
    }
}

} // namespace
