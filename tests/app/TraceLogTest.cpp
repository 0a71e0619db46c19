#include "app/TraceLog.h"
#include "model/ConfigIni.h"
#include "platform/FakeClock.h"
#include "platform/FileSystem.h"
#include "platform/LogFile.h"
#include "platform/Text.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

using testsupport::TempProgramFolder;

namespace {

// Opens the trace log in a temporary program folder with the given "LogCategory" (none when empty).
class TraceLogTest : public testing::Test {
protected:
    void Open(const std::string& category) {
        if (!category.empty())
            m_config.SetEntry("Quillix Log", "LogCategory", category);
        g_pConfigIni = &m_config;
        OpenTraceLog();
    }
    void TearDown() override {
        CloseTraceLog();
        g_pConfigIni = nullptr;
    }
    // A log file decoded from UTF-16LE after checking the byte-order mark.
    std::string Decoded(const std::string& name) {
        std::string bytes = m_folder.Read(name);
        EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
        std::u16string text;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8));
        return platform::Utf16ToUtf8(text);
    }
    // The first line of a time-stamped log: the log's own path.
    std::string FirstLine(const std::string& name) {
        return Prefix("OpenTraceLog") + "Log File: " + m_folder.File(name) + "\r\n";
    }
    // The one log file in the folder after the first line, which must name that file.
    std::string LogText(std::string* name = nullptr) {
        auto logs = platform::FindFiles(m_folder.Path(), "*.log");
        EXPECT_EQ(logs.size(), 1u);
        if (logs.empty())
            return "";
        if (name)
            *name = logs[0];
        std::string text = Decoded(logs[0]);
        const std::string first = FirstLine(logs[0]);
        EXPECT_EQ(text.substr(0, first.size()), first);
        return text.substr(0, first.size()) == first ? text.substr(first.size()) : text;
    }
    std::string Prefix(const char* name) {
        return platform::StrPrintf("(%lX-%u):%s:> ", testsupport::SystemThreadId(), platform::GetTickCount(),
                                   name);
    }

    TempProgramFolder m_folder;
    CIniFile m_config;
    platform::FakeClock m_clock{812};
};

} // namespace

TEST_F(TraceLogTest, MaskZeroCreatesBomOnlyFileReplacingTheOldOne) {
    m_folder.Write("Quillix.log", "old content");
    std::filesystem::permissions(m_folder.File("Quillix.log"), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    ASSERT_TRUE(platform::IsReadOnly(m_folder.File("Quillix.log")));
    Open("");
    {
        TraceScope scope("CParseArg::Excute_Arg", kTraceApp | kTraceDevice);
        TraceLine(scope, "g_dwErrorCode return : %d\n", 0);
    }
    EXPECT_EQ(m_folder.Read("Quillix.log"), "\xFF\xFE");
    EXPECT_FALSE(platform::IsReadOnly(m_folder.File("Quillix.log")));
}

TEST_F(TraceLogTest, CategoryFiltersAndTimestampedName) {
    Open("2");
    {
        TraceScope dialog("CQuillixDlg::OnInitDialog", kTraceApp);
        TraceLine(dialog, "hidden\n");
    }
    std::string expected;
    {
        TraceScope device("CMpFlow_Flash::FF_EraseEx", kTraceDevice);
        expected += Prefix("CMpFlow_Flash::FF_EraseEx") + "START --->>>\r\n";
        TraceLine(device, "Flash Op Mode %x\n", 0x1f);
        expected += Prefix("CMpFlow_Flash::FF_EraseEx") + "Flash Op Mode 1f\r\n";
    }
    expected += Prefix("CMpFlow_Flash::FF_EraseEx") + "EXIT <<<---\r\n";
    std::string name;
    EXPECT_EQ(LogText(&name), expected);
    EXPECT_TRUE(name.size() == std::string("Quillix_20160315093012.log").size() &&
                name.rfind("Quillix_", 0) == 0)
        << name;
}

TEST_F(TraceLogTest, LineWithoutLineFeedContinuesAndLongLinesAreCut) {
    Open("3");
    TraceScope scope("A::B", kTraceApp);
    TraceLine(scope, "no end");
    TraceLine(scope, "%s\n", std::string(600, 'x').c_str());
    std::string text = LogText();
    std::string prefix = Prefix("A::B");
    std::string start = prefix + "START --->>>\r\n";
    ASSERT_EQ(text.substr(0, start.size()), start);
    std::string rest = text.substr(start.size());
    EXPECT_EQ(rest.substr(0, prefix.size() + 6), prefix + "no end");
    std::string cut = rest.substr(prefix.size() + 6);
    EXPECT_EQ(cut.size(), 511u) << "the line and its terminator fill the 512-character buffer";
    EXPECT_EQ(cut.back(), 'x') << "the cut line lost its line feed";
}

TEST_F(TraceLogTest, StartsInTheSameSecondKeepEachOthersLogs) {
    m_config.SetEntry("Quillix Log", "LogCategory", "3");
    g_pConfigIni = &m_config;
    // Retried when the clock passes a second boundary between the runs.
    for (int attempt = 0; attempt < 5; ++attempt) {
        for (const auto& entry : std::filesystem::directory_iterator(m_folder.Path()))
            std::filesystem::remove(entry.path());
        std::tm before = platform::LocalTimeNow();
        std::vector<std::string> names;
        for (int run = 0; run < 3; ++run) {
            OpenTraceLog();
            TraceScope scope("Run::Number", kTraceApp);
            TraceLine(scope, "%d\n", run);
            CloseTraceLog();
        }
        std::tm after = platform::LocalTimeNow();
        if (std::mktime(&before) != std::mktime(&after))
            continue;
        std::vector<std::string> logs = platform::FindFiles(m_folder.Path(), "*.log");
        ASSERT_EQ(logs.size(), 3u);
        const std::string first = logs[0].substr(0, logs[0].size() - 4);
        EXPECT_EQ(logs, (std::vector<std::string>{first + ".log", first + "_2.log", first + "_3.log"}));
        for (int run = 0; run < 3; ++run) {
            std::string text = Decoded(logs[run]);
            EXPECT_EQ(text.rfind(FirstLine(logs[run]), 0), 0u) << text;
            EXPECT_NE(text.find(Prefix("Run::Number") + std::to_string(run) + "\r\n"), std::string::npos)
                << text;
        }
        return;
    }
    GTEST_SKIP() << "the clock passed a second boundary in every attempt";
}
