// quillix-history's options and output forms, run in-process on a database the test fills.
#include "history/tool/HistoryTool.h"
#include "history/HistoryStore.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using testsupport::TempDir;

namespace {

class HistoryToolTest : public testing::Test {
protected:
    void SetUp() override {
        std::string error;
        auto store = HistoryStore::Open(m_db, error);
        ASSERT_TRUE(store) << error;
        OperationRecord ok;
        ok.time = "2026-12-10T08:00:00.000Z";
        ok.tool = "station";
        ok.memory = "FLASH";
        ok.bus = "USB";
        ok.operation = "update-firmware";
        ok.imagePath = "/fw/a,\"quoted\".bin";
        ok.serial = "SN1";
        ok.socket = 2;
        ASSERT_TRUE(store->Append(ok, error)) << error;
        OperationRecord failed = ok;
        failed.time = "2026-12-10T09:00:00.000Z";
        failed.serial = "SN2";
        failed.result = 41706;
        failed.socket.reset();
        ASSERT_TRUE(store->Append(failed, error)) << error;
    }

    int Run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--db", m_db});
        m_out.clear();
        m_err.clear();
        return RunHistoryTool(args, m_out, m_err);
    }

    TempDir m_dir;
    std::string m_db = m_dir.File("history.db");
    std::string m_out, m_err;
};

TEST_F(HistoryToolTest, CountsWithFilters) {
    struct Case {
        std::vector<std::string> args;
        const char* count;
    } cases[] = {
        {{"--count"}, "2\n"},
        {{"--count", "--failed"}, "1\n"},
        {{"--count", "--serial", "SN1"}, "1\n"},
        {{"--count", "--since", "2026-12-10T08:30"}, "1\n"},
        {{"--count", "--operation", "write"}, "0\n"},
        {{"--count", "--backups"}, "0\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Run(c.args), 0) << m_err;
        EXPECT_EQ(m_out, c.count) << c.args.back();
    }
}

TEST_F(HistoryToolTest, JsonHasEveryColumnAndNullForAbsentValues) {
    ASSERT_EQ(Run({"--json"}), 0) << m_err;
    nlohmann::json records = nlohmann::json::parse(m_out);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0]["serial"], "SN1");
    EXPECT_EQ(records[0]["socket"], 2);
    EXPECT_TRUE(records[1]["socket"].is_null());
    EXPECT_EQ(records[1]["result"], 41706);
    EXPECT_EQ(records[0].size(), 20u) << "one key per database column";
}

TEST_F(HistoryToolTest, CsvQuotesFieldsThatNeedIt) {
    ASSERT_EQ(Run({"--csv", "--failed"}), 0) << m_err;
    EXPECT_EQ(
        m_out.substr(0, m_out.find("\r\n")),
        "id,time,tool,memory,bus,ic_name,ic_ini,operation,vid,pid,fw_version,location,socket,image_path,"
        "image_sha256,dump_path,dump_sha256,serial,result,elapsed_ms");
    EXPECT_NE(m_out.find(",\"/fw/a,\"\"quoted\"\".bin\","), std::string::npos) << m_out;
    EXPECT_NE(m_out.find(",SN2,41706,0\r\n"), std::string::npos) << m_out;
}

TEST_F(HistoryToolTest, RefusesWhatItCannotDo) {
    EXPECT_EQ(Run({"--frobnicate"}), 2);
    EXPECT_EQ(Run({"--json", "--csv"}), 2);
    std::vector<std::string> missing = {"--db", m_dir.File("missing.db"), "--count"};
    EXPECT_EQ(RunHistoryTool(missing, m_out, m_err), 1);
    EXPECT_NE(m_err.find("missing.db"), std::string::npos) << m_err;
}

} // namespace
