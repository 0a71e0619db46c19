#include "history/HistoryStore.h"

// Builds without SQLite keep no history: nothing opens, so nothing is recorded and no operation waits.

bool HistoryAvailable() {
    return false;
}

std::unique_ptr<HistoryStore> HistoryStore::Open(const std::string&, std::string& error, bool) {
    error = "this build keeps no operation history";
    return nullptr;
}

HistoryStore::~HistoryStore() = default;

bool HistoryStore::Append(const OperationRecord&, std::string& error) {
    error = "this build keeps no operation history";
    return false;
}

std::vector<OperationRecord> HistoryStore::Query(const HistoryFilter&, std::string& error) {
    error = "this build keeps no operation history";
    return {};
}

std::optional<uint64_t> HistoryStore::Count(const HistoryFilter&, std::string& error) {
    error = "this build keeps no operation history";
    return std::nullopt;
}

std::optional<OperationRecord> HistoryStore::FirstSuccessfulWrite(const std::string&, std::string& error,
                                                                  const std::string&) {
    error = "this build keeps no operation history";
    return std::nullopt;
}
