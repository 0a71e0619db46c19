#pragma once

#include <cstdint>
#include <optional>
#include <string>

// One device operation as the history keeps it. Empty texts and empty optionals are stored as NULL.
struct OperationRecord {
    int64_t id = 0;        // assigned by the database
    std::string time;      // UTC, ISO 8601 with milliseconds: 2026-12-10T13:57:34.123Z
    std::string tool;      // "cli", "main", "update-1", "update-3", "update-4", "station", "update-6"
    std::string memory;    // "EFUSE", "FLASH", "EEPROM", "SERIALFLASH"
    std::string bus;       // "USB", "PCIE"
    std::string icName;    // the IC INI file's chip name
    std::string icIni;     // the IC INI file name
    std::string operation; // "write", "read", "erase", "download", "backup", ...
    std::optional<uint32_t> vid, pid, fwVersion;
    std::string location;           // the reader values the tool knows, hexadecimal, blank-separated
    std::optional<uint32_t> socket; // station socket 1-3
    std::string imagePath;          // image written to the reader
    std::string imageSha256;
    std::string dumpPath; // dump or backup written from the reader
    std::string dumpSha256;
    std::string serial;  // serial number written
    uint32_t result = 0; // 0 success, otherwise the failure's result code
    uint32_t elapsedMs = 0;
};

// The current time in the form of OperationRecord::time.
std::string HistoryTimeNow();
