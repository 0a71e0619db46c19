#pragma once

#include "history/OperationRecord.h"

#include <string>

// Where finished operations are appended. The SQLite store is the production recorder; tests install
// one that keeps the records in memory.
class IHistoryRecorder {
public:
    virtual ~IHistoryRecorder() = default;
    // False with a reason in `error` when the record could not be stored.
    virtual bool Append(const OperationRecord& record, std::string& error) = 0;
};
