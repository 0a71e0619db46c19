#include "history/HistoryStore.h"

#include <sqlite3.h>

#include <utility>

namespace {

// Every connection waits this long for another process's transaction before giving up.
constexpr int kBusyTimeoutMs = 5000;

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS operations (
    id INTEGER PRIMARY KEY,
    time TEXT NOT NULL,
    tool TEXT NOT NULL,
    memory TEXT NOT NULL,
    bus TEXT NOT NULL,
    ic_name TEXT,
    ic_ini TEXT,
    operation TEXT NOT NULL,
    vid INTEGER,
    pid INTEGER,
    fw_version INTEGER,
    location TEXT,
    socket INTEGER,
    image_path TEXT,
    image_sha256 TEXT,
    dump_path TEXT,
    dump_sha256 TEXT,
    serial TEXT,
    result INTEGER NOT NULL,
    elapsed_ms INTEGER NOT NULL
);
CREATE INDEX IF NOT EXISTS operations_serial ON operations (serial, result);
CREATE INDEX IF NOT EXISTS operations_time ON operations (time);
)sql";

constexpr const char* kColumns =
    "id, time, tool, memory, bus, ic_name, ic_ini, operation, vid, pid, fw_version, "
    "location, socket, image_path, image_sha256, dump_path, dump_sha256, serial, "
    "result, elapsed_ms";

// A prepared statement that is finalized on every path.
class Statement {
public:
    Statement(sqlite3* db, const std::string& sql) {
        sqlite3_prepare_v2(db, sql.c_str(), -1, &m_pStmt, nullptr);
    }
    ~Statement() { sqlite3_finalize(m_pStmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    explicit operator bool() const { return m_pStmt != nullptr; }
    sqlite3_stmt* get() const { return m_pStmt; }

    void BindText(int index, const std::string& text) {
        if (text.empty())
            sqlite3_bind_null(m_pStmt, index);
        else
            sqlite3_bind_text(m_pStmt, index, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    void BindNumber(int index, std::optional<uint32_t> value) {
        if (value)
            sqlite3_bind_int64(m_pStmt, index, *value);
        else
            sqlite3_bind_null(m_pStmt, index);
    }

private:
    sqlite3_stmt* m_pStmt = nullptr;
};

std::string ColumnText(sqlite3_stmt* stmt, int column) {
    const unsigned char* text = sqlite3_column_text(stmt, column);
    return text ? reinterpret_cast<const char*>(text) : std::string();
}

std::optional<uint32_t> ColumnNumber(sqlite3_stmt* stmt, int column) {
    if (sqlite3_column_type(stmt, column) == SQLITE_NULL)
        return std::nullopt;
    return static_cast<uint32_t>(sqlite3_column_int64(stmt, column));
}

OperationRecord RowToRecord(sqlite3_stmt* stmt) {
    OperationRecord r;
    r.id = sqlite3_column_int64(stmt, 0);
    r.time = ColumnText(stmt, 1);
    r.tool = ColumnText(stmt, 2);
    r.memory = ColumnText(stmt, 3);
    r.bus = ColumnText(stmt, 4);
    r.icName = ColumnText(stmt, 5);
    r.icIni = ColumnText(stmt, 6);
    r.operation = ColumnText(stmt, 7);
    r.vid = ColumnNumber(stmt, 8);
    r.pid = ColumnNumber(stmt, 9);
    r.fwVersion = ColumnNumber(stmt, 10);
    r.location = ColumnText(stmt, 11);
    r.socket = ColumnNumber(stmt, 12);
    r.imagePath = ColumnText(stmt, 13);
    r.imageSha256 = ColumnText(stmt, 14);
    r.dumpPath = ColumnText(stmt, 15);
    r.dumpSha256 = ColumnText(stmt, 16);
    r.serial = ColumnText(stmt, 17);
    r.result = ColumnNumber(stmt, 18).value_or(0);
    r.elapsedMs = ColumnNumber(stmt, 19).value_or(0);
    return r;
}

// The WHERE clause of a filter and the texts bound to its parameters, in order.
struct WhereClause {
    std::string sql;
    std::vector<std::string> values;
};

WhereClause BuildWhere(const HistoryFilter& filter) {
    WhereClause where;
    auto add = [&where](const char* condition, const std::string& value) {
        if (value.empty())
            return;
        where.sql += where.sql.empty() ? " WHERE " : " AND ";
        where.sql += condition;
        where.values.push_back(value);
    };
    add("time >= ?", filter.since);
    add("time < ?", filter.until);
    add("serial = ?", filter.serial);
    add("operation = ?", filter.operation);
    add("ic_name = ?", filter.icName);
    add("(' ' || location || ' ') LIKE ('% ' || ? || ' %')", filter.location);
    if (filter.failedOnly)
        where.sql += where.sql.empty() ? " WHERE result <> 0" : " AND result <> 0";
    return where;
}

std::string LastError(sqlite3* db) {
    return sqlite3_errmsg(db);
}

} // namespace

bool HistoryAvailable() {
    return true;
}

std::unique_ptr<HistoryStore> HistoryStore::Open(const std::string& path, std::string& error, bool readOnly) {
    sqlite3* db = nullptr;
    int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    if (sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_FULLMUTEX, nullptr) != SQLITE_OK) {
        error = db ? LastError(db) : "out of memory";
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    std::unique_ptr<HistoryStore> store(new HistoryStore(db));
    if (!readOnly && !store->CreateSchema(error))
        return nullptr;
    Statement version(db, "SELECT version FROM schema_version");
    if (!version) {
        error = LastError(db);
        return nullptr;
    }
    if (sqlite3_step(version.get()) != SQLITE_ROW || sqlite3_column_int(version.get(), 0) != kSchemaVersion) {
        error = "the database is not a history of schema version " + std::to_string(kSchemaVersion);
        return nullptr;
    }
    return store;
}

HistoryStore::~HistoryStore() {
    sqlite3_close(m_pDb);
}

bool HistoryStore::CreateSchema(std::string& error) {
    // WAL lets readers and one writer work at once; NORMAL sync keeps a record durable across a crash
    // of the process at a fraction of the cost of FULL.
    const std::string sql =
        std::string("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; BEGIN IMMEDIATE;") + kSchema +
        "INSERT INTO schema_version (version) SELECT " + std::to_string(kSchemaVersion) +
        " WHERE NOT EXISTS (SELECT 1 FROM schema_version); COMMIT;";
    // Switching a new file to WAL needs it alone for a moment: a second process opening the same new
    // file then gets SQLITE_BUSY without the busy handler being asked, so the set-up is tried again.
    constexpr int kRetryPauseMs = 20;
    for (int waited = 0;; waited += kRetryPauseMs) {
        char* message = nullptr;
        const int rc = sqlite3_exec(m_pDb, sql.c_str(), nullptr, nullptr, &message);
        if (rc == SQLITE_OK)
            return true;
        error = message ? message : LastError(m_pDb);
        sqlite3_free(message);
        sqlite3_exec(m_pDb, "ROLLBACK", nullptr, nullptr, nullptr);
        const int primary = rc & 0xFF;
        if ((primary != SQLITE_BUSY && primary != SQLITE_LOCKED) || waited >= kBusyTimeoutMs)
            return false;
        sqlite3_sleep(kRetryPauseMs);
    }
}

bool HistoryStore::Append(const OperationRecord& r, std::string& error) {
    std::lock_guard lock(m_Lock);
    Statement insert(m_pDb,
                     "INSERT INTO operations (time, tool, memory, bus, ic_name, ic_ini, operation, vid, pid, "
                     "fw_version, location, socket, image_path, image_sha256, dump_path, dump_sha256, "
                     "serial, result, elapsed_ms) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    if (!insert) {
        error = LastError(m_pDb);
        return false;
    }
    int i = 0;
    for (const std::string* text : {&r.time, &r.tool, &r.memory, &r.bus, &r.icName, &r.icIni, &r.operation})
        insert.BindText(++i, *text);
    for (std::optional<uint32_t> number : {r.vid, r.pid, r.fwVersion})
        insert.BindNumber(++i, number);
    insert.BindText(++i, r.location);
    insert.BindNumber(++i, r.socket);
    for (const std::string* text : {&r.imagePath, &r.imageSha256, &r.dumpPath, &r.dumpSha256, &r.serial})
        insert.BindText(++i, *text);
    insert.BindNumber(++i, r.result);
    insert.BindNumber(++i, r.elapsedMs);
    // A lone INSERT is its own transaction.
    if (sqlite3_step(insert.get()) != SQLITE_DONE) {
        error = LastError(m_pDb);
        return false;
    }
    return true;
}

std::vector<OperationRecord> HistoryStore::Query(const HistoryFilter& filter, std::string& error) {
    std::lock_guard lock(m_Lock);
    WhereClause where = BuildWhere(filter);
    std::string sql = std::string("SELECT ") + kColumns + " FROM operations" + where.sql + " ORDER BY id";
    if (filter.limit)
        sql += " LIMIT " + std::to_string(*filter.limit);
    Statement select(m_pDb, sql);
    std::vector<OperationRecord> records;
    if (!select) {
        error = LastError(m_pDb);
        return records;
    }
    for (size_t i = 0; i < where.values.size(); ++i)
        select.BindText(static_cast<int>(i + 1), where.values[i]);
    int step;
    while ((step = sqlite3_step(select.get())) == SQLITE_ROW)
        records.push_back(RowToRecord(select.get()));
    if (step != SQLITE_DONE)
        error = LastError(m_pDb);
    return records;
}

std::optional<uint64_t> HistoryStore::Count(const HistoryFilter& filter, std::string& error) {
    std::lock_guard lock(m_Lock);
    WhereClause where = BuildWhere(filter);
    Statement select(m_pDb, "SELECT COUNT(*) FROM operations" + where.sql);
    if (!select) {
        error = LastError(m_pDb);
        return std::nullopt;
    }
    for (size_t i = 0; i < where.values.size(); ++i)
        select.BindText(static_cast<int>(i + 1), where.values[i]);
    if (sqlite3_step(select.get()) != SQLITE_ROW) {
        error = LastError(m_pDb);
        return std::nullopt;
    }
    return static_cast<uint64_t>(sqlite3_column_int64(select.get(), 0));
}

std::optional<OperationRecord> HistoryStore::FirstSuccessfulWrite(const std::string& serial,
                                                                  std::string& error,
                                                                  const std::string& otherThan) {
    std::lock_guard lock(m_Lock);
    Statement select(m_pDb,
                     std::string("SELECT ") + kColumns +
                         " FROM operations WHERE serial = ?1 AND result = 0"
                         " AND (?2 IS NULL OR location IS NULL OR location <> ?2) ORDER BY id LIMIT 1");
    if (!select) {
        error = LastError(m_pDb);
        return std::nullopt;
    }
    select.BindText(1, serial);
    select.BindText(2, otherThan);
    int step = sqlite3_step(select.get());
    if (step == SQLITE_ROW)
        return RowToRecord(select.get());
    if (step != SQLITE_DONE)
        error = LastError(m_pDb);
    return std::nullopt;
}
