// What the fuzzers found, each pinned by the input that showed it.
#include "model/IniFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

// A line ending in several carriage returns kept one in its name or value, which saving wrote before a
// line end of its own, so the file read back differently. Every trailing carriage return goes now.
TEST(FuzzFindings, StrayCarriageReturnsAtALineEndBelongToTheLineEnd) {
    testsupport::TempDir dir;
    dir.Write("in.ini", std::string("[A]\r\nNoValue\r\r\nkey=value\r\r\r\n"));
    CIniFile ini(dir.File("in.ini"));
    ASSERT_TRUE(ini.Load());
    EXPECT_EQ(ini.Section(0).names, (std::vector<std::string>{"NoValue", "key"}));
    EXPECT_EQ(ini.GetString("A", "key", ""), "value");
    ini.SetPath(dir.File("out.ini"));
    ASSERT_TRUE(ini.Save());
    CIniFile back(dir.File("out.ini"));
    ASSERT_TRUE(back.Load());
    EXPECT_EQ(back.Section(0).names, ini.Section(0).names);
    EXPECT_EQ(back.Section(0).values, ini.Section(0).values);
}

} // namespace
