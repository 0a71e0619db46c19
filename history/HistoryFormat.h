#pragma once

#include "history/OperationRecord.h"

#include <string>
#include <vector>

// Output forms of the history tool. Every form names the columns of the database.

// One JSON array of objects; absent values are null.
std::string RecordsToJson(const std::vector<OperationRecord>& records);
// RFC 4180 CSV with a header line; absent values are empty fields.
std::string RecordsToCsv(const std::vector<OperationRecord>& records);
// One line per record for a terminal: time, tool, operation, IC, serial, result, elapsed, file.
std::string RecordsToText(const std::vector<OperationRecord>& records);
