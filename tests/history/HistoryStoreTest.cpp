// The history database on its own: records kept field for field, the filters, the serial lookup and
// the files it refuses.
#include "history/HistoryStore.h"
#include "history/Sha256.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

using testsupport::TempDir;

namespace {

OperationRecord Record(const std::string& time, const std::string& operation, const std::string& serial,
                       uint32_t result) {
    OperationRecord r;
    r.time = time;
    r.tool = "cli";
    r.memory = "EEPROM";
    r.bus = "USB";
    r.icName = "Chip A";
    r.operation = operation;
    r.serial = serial;
    r.result = result;
    return r;
}

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

TEST(Sha256, KnownDigests) {
    struct Case {
        std::string input;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        // 56 bytes: the length no longer fits into the first final block.
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Sha256Hex(Bytes(c.input)), c.digest) << c.input.size() << " bytes";
}

class HistoryStoreTest : public testing::Test {
protected:
    void SetUp() override {
        std::string error;
        m_store = HistoryStore::Open(m_dir.File("history.db"), error);
        ASSERT_TRUE(m_store) << error;
    }
    void Add(const OperationRecord& record) {
        std::string error;
        ASSERT_TRUE(m_store->Append(record, error)) << error;
    }

    TempDir m_dir;
    std::unique_ptr<HistoryStore> m_store;
};

TEST_F(HistoryStoreTest, KeepsEveryFieldAndTellsAbsentFromZero) {
    OperationRecord full = Record("2026-12-10T10:00:00.000Z", "write", "SN1", 0);
    full.icIni = "chip.ini";
    full.vid = 0x2C7A;
    full.pid = 0;
    full.fwVersion = 0x0102;
    full.location = "00010001 00010002";
    full.socket = 2;
    full.imagePath = "/images/a,\"b\".bin";
    full.imageSha256 = "ab";
    full.dumpPath = "/dumps/x.bin";
    full.dumpSha256 = "cd";
    full.elapsedMs = 1234;
    Add(full);
    Add(Record("2026-12-10T10:00:01.000Z", "read", "", 41511));

    std::string error;
    std::vector<OperationRecord> all = m_store->Query({}, error);
    ASSERT_EQ(all.size(), 2u) << error;
    const OperationRecord& a = all[0];
    EXPECT_EQ(a.time, full.time);
    EXPECT_EQ(a.icIni, "chip.ini");
    EXPECT_EQ(a.vid, 0x2C7Au);
    EXPECT_EQ(a.pid, 0u);
    EXPECT_EQ(a.fwVersion, 0x0102u);
    EXPECT_EQ(a.location, full.location);
    EXPECT_EQ(a.socket, 2u);
    EXPECT_EQ(a.imagePath, full.imagePath);
    EXPECT_EQ(a.dumpSha256, "cd");
    EXPECT_EQ(a.serial, "SN1");
    EXPECT_EQ(a.elapsedMs, 1234u);
    const OperationRecord& b = all[1];
    EXPECT_FALSE(b.vid.has_value());
    EXPECT_FALSE(b.socket.has_value());
    EXPECT_EQ(b.serial, "");
    EXPECT_EQ(b.result, 41511u);
}

TEST_F(HistoryStoreTest, Filters) {
    Add(Record("2026-12-09T23:59:59.999Z", "write", "SN1", 0));
    Add(Record("2026-12-10T08:00:00.000Z", "write", "SN2", 41806));
    OperationRecord otherChip = Record("2026-12-10T09:00:00.000Z", "read", "", 0);
    otherChip.icName = "Chip B";
    otherChip.location = "00010001 000A0002";
    Add(otherChip);
    Add(Record("2026-12-11T00:00:00.000Z", "erase", "", 41511));

    struct Case {
        const char* name;
        void (*set)(HistoryFilter&);
        std::vector<int64_t> ids;
    } cases[] = {
        {"none", [](HistoryFilter&) {}, {1, 2, 3, 4}},
        {"since a date", [](HistoryFilter& f) { f.since = "2026-12-10"; }, {2, 3, 4}},
        {"until a date", [](HistoryFilter& f) { f.until = "2026-12-11"; }, {1, 2, 3}},
        {"one day",
         [](HistoryFilter& f) {
             f.since = "2026-12-10";
             f.until = "2026-12-11";
         },
         {2, 3}},
        {"serial", [](HistoryFilter& f) { f.serial = "SN2"; }, {2}},
        {"operation", [](HistoryFilter& f) { f.operation = "write"; }, {1, 2}},
        {"IC name", [](HistoryFilter& f) { f.icName = "Chip B"; }, {3}},
        {"reader value, whole values only", [](HistoryFilter& f) { f.location = "000A0002"; }, {3}},
        {"part of a reader value", [](HistoryFilter& f) { f.location = "0002"; }, {}},
        {"failed", [](HistoryFilter& f) { f.failedOnly = true; }, {2, 4}},
        {"failed writes",
         [](HistoryFilter& f) {
             f.operation = "write";
             f.failedOnly = true;
         },
         {2}},
        {"limit", [](HistoryFilter& f) { f.limit = 2; }, {1, 2}},
        {"text that looks like SQL", [](HistoryFilter& f) { f.serial = "' OR 1=1 --"; }, {}},
    };
    for (const Case& c : cases) {
        HistoryFilter filter;
        c.set(filter);
        std::string error;
        std::vector<int64_t> ids;
        for (const OperationRecord& r : m_store->Query(filter, error))
            ids.push_back(r.id);
        EXPECT_EQ(ids, c.ids) << c.name << " " << error;
        // A count is of every matching record; the limit only shortens a listing.
        EXPECT_EQ(m_store->Count(filter, error).value_or(999), filter.limit ? 4u : c.ids.size()) << c.name;
    }
}

TEST_F(HistoryStoreTest, FirstSuccessfulWriteSkipsFailuresAndKeepsTheFirst) {
    Add(Record("2026-12-10T08:00:00.000Z", "write", "SN7", 41806));
    Add(Record("2026-12-10T09:00:00.000Z", "download", "SN7", 0));
    Add(Record("2026-12-10T10:00:00.000Z", "write", "SN7", 0));
    std::string error;
    std::optional<OperationRecord> first = m_store->FirstSuccessfulWrite("SN7", error);
    ASSERT_TRUE(first) << error;
    EXPECT_EQ(first->time, "2026-12-10T09:00:00.000Z");
    EXPECT_FALSE(m_store->FirstSuccessfulWrite("SN8", error));
    EXPECT_EQ(error, "");
}

TEST_F(HistoryStoreTest, FirstSuccessfulWriteToAnotherReader) {
    OperationRecord here = Record("2026-12-10T08:00:00.000Z", "update-firmware", "SN9", 0);
    here.location = "00010001";
    Add(here);
    std::string error;
    EXPECT_FALSE(m_store->FirstSuccessfulWrite("SN9", error, "00010001")) << "the same reader again";
    std::optional<OperationRecord> other = m_store->FirstSuccessfulWrite("SN9", error, "00020001");
    ASSERT_TRUE(other) << error;
    EXPECT_EQ(other->location, "00010001");
}

TEST(HistoryStoreOpen, RefusesWhatIsNoHistory) {
    TempDir dir;
    dir.Write("file", "not a folder");
    dir.Write("text.db", std::string(4096, 'x'));
    struct Case {
        const char* name;
        std::string path;
        bool readOnly;
    } cases[] = {
        {"folder is a file", dir.File("file/history.db"), false},
        {"not a database", dir.File("text.db"), false},
        {"missing, read only", dir.File("missing.db"), true},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(HistoryStore::Open(c.path, error, c.readOnly)) << c.name;
        EXPECT_NE(error, "") << c.name;
    }
    EXPECT_EQ(testsupport::ReadFileBytes(dir.File("missing.db")), "") << "a read-only open created a file";
}

TEST(HistoryStoreOpen, RefusesAnotherSchemaVersion) {
    TempDir dir;
    std::string error;
    ASSERT_TRUE(HistoryStore::Open(dir.File("h.db"), error)) << error;
    // A later version of the tool moved the schema on.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(dir.File("h.db").c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "UPDATE schema_version SET version = 2", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    EXPECT_FALSE(HistoryStore::Open(dir.File("h.db"), error));
    EXPECT_NE(error.find("schema version"), std::string::npos) << error;
}

} // namespace
