#pragma once

#include "history/HistoryFilter.h"
#include "history/HistoryRecorder.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

// The history database: one SQLite file in WAL mode, one transaction per record, so several
// processes can append to the same file at once. The schema is created on first use.
class HistoryStore : public IHistoryRecorder {
public:
    static constexpr int kSchemaVersion = 1;

    // Opens (creating when missing) the database; null with a reason in `error` when it cannot be
    // opened or its schema is not one this build knows. readOnly never creates anything.
    static std::unique_ptr<HistoryStore> Open(const std::string& path, std::string& error,
                                              bool readOnly = false);
    ~HistoryStore() override;
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    bool Append(const OperationRecord& record, std::string& error) override;

    // Records matching the filter, oldest first.
    std::vector<OperationRecord> Query(const HistoryFilter& filter, std::string& error);
    std::optional<uint64_t> Count(const HistoryFilter& filter, std::string& error);

    // The first successful write of this serial number to a reader, if any; with otherThan, only to a
    // reader whose location differs from it.
    std::optional<OperationRecord> FirstSuccessfulWrite(const std::string& serial, std::string& error,
                                                        const std::string& otherThan = "");

private:
    explicit HistoryStore(sqlite3* db) : m_pDb(db) {}
    bool CreateSchema(std::string& error);

    std::mutex m_Lock;
    sqlite3* m_pDb;
};

// Whether this build records a history (false in builds without SQLite).
bool HistoryAvailable();
