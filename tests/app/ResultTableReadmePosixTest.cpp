#include "app/ExitStatus.h"
#include "app/Messages.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The README beside the sources this test was built from.
std::string ReadmePath() {
    return (std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "README.md").string();
}

// The code rows of the README's result table: "| 41511 | text | 21 |".
std::vector<std::string> ReadmeRows() {
    std::istringstream readme(testsupport::ReadFileBytes(ReadmePath()));
    std::vector<std::string> rows;
    bool inSection = false;
    for (std::string line; std::getline(readme, line);) {
        if (line.starts_with("#"))
            inSection = line == "### Result codes and exit statuses";
        else if (inSection && line.size() > 2 && line.starts_with("| ") &&
                 std::isdigit(static_cast<unsigned char>(line[2])))
            rows.push_back(line);
    }
    return rows;
}

// Every result code that can end a run: the messages below the name strings, except the success
// messages, which never become a run's result. The text is the one the tool reports on standard error
// ("quillix: <message on one line> (<code>)").
std::vector<std::string> ExpectedRows() {
    std::vector<std::string> rows;
    for (const MessageString& entry : MessageTable()) {
        const std::string code = std::to_string(entry.id);
        const std::string prefix = "quillix: ";
        const std::string suffix = " (" + code + ")";
        const std::string report = ResultReport(entry.id);
        if (!report.starts_with(prefix) || !report.ends_with(suffix)) {
            ADD_FAILURE() << "not a report of " << code << ": " << report;
            continue;
        }
        const std::string text = report.substr(prefix.size(), report.size() - prefix.size() - suffix.size());
        if (entry.id >= IDS_MEMORY_KIND_SHORT || text.ends_with("Succeed."))
            continue;
        rows.push_back("| " + code + " | " + text + " | " + std::to_string(ExitStatusForResult(entry.id)) +
                       " |");
    }
    return rows;
}

TEST(ReadmeResultTable, MatchesMessageTableAndExitStatuses) {
    std::vector<std::string> rows = ReadmeRows();
    ASSERT_FALSE(rows.empty()) << "no result table in " << ReadmePath();
    EXPECT_EQ(rows, ExpectedRows());
}

} // namespace
