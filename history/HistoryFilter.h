#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Which records a history query returns; an empty field does not filter. Times compare as the stored
// ISO 8601 texts, so a date alone ("2026-12-10") works as a bound too.
struct HistoryFilter {
    std::string since; // time >= since
    std::string until; // time < until
    std::string serial;
    std::string operation;
    std::string icName;
    std::string location; // records whose reader values include this one
    bool failedOnly = false;
    std::optional<uint32_t> limit;
};
