#include "history/tool/HistoryTool.h"

#include "core/OperationHistory.h"
#include "history/HistoryFormat.h"
#include "history/HistoryStore.h"
#include "model/ConfigIni.h"
#include "platform/ProgramFolder.h"

#include <CLI/CLI.hpp>

namespace {

enum class Output { Text, Json, Csv, Count };

// The database config.ini of the program folder names (its default when there is none).
std::string ConfiguredDatabase() {
    CIniFile config;
    config.SetPath(GetProgramFolder() + "config.ini");
    (void)config.Load(); // a missing or partial file leaves the defaults
    CIniFile* saved = g_pConfigIni;
    g_pConfigIni = &config;
    std::string path = ReadHistorySettings().strPath;
    g_pConfigIni = saved;
    return path;
}

} // namespace

int RunHistoryTool(const std::vector<std::string>& args, std::string& out, std::string& err) {
    CLI::App app("Lists the operation history of Quillix (for anything else: sqlite3 on the same file).",
                 "quillix-history");
    std::string database;
    HistoryFilter filter;
    bool backups = false, json = false, csv = false, count = false;
    uint32_t limit = 0;
    app.add_option("--db", database, "History database (default: the one config.ini names)");
    app.add_option("--since", filter.since, "Records from this UTC time on (2026-12-10 or 2026-12-10T08:00)");
    app.add_option("--until", filter.until, "Records before this UTC time");
    app.add_option("--serial", filter.serial, "Records of this serial number");
    app.add_option("--operation", filter.operation, "Records of this operation (write, read, download, ...)");
    app.add_option("--ic", filter.icName, "Records of this IC name");
    app.add_option("--reader", filter.location, "Records of the reader with this location value (hex)");
    app.add_flag("--failed", filter.failedOnly, "Failed operations only");
    app.add_flag("--backups", backups, "Backups only (with --reader: the backups of that reader)");
    app.add_option("--limit", limit, "At most this many records");
    auto* jsonFlag = app.add_flag("--json", json, "JSON output");
    auto* csvFlag = app.add_flag("--csv", csv, "CSV output");
    auto* countFlag = app.add_flag("--count", count, "Only the number of matching records");
    jsonFlag->excludes(csvFlag)->excludes(countFlag);
    csvFlag->excludes(countFlag);

    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        out = app.help();
        return 0;
    } catch (const CLI::ParseError& error) {
        err = std::string("quillix-history: ") + error.what() + "\n";
        return 2;
    }
    if (backups)
        filter.operation = "backup";
    if (limit != 0)
        filter.limit = limit;
    if (database.empty())
        database = ConfiguredDatabase();

    std::string error;
    std::unique_ptr<HistoryStore> store = HistoryStore::Open(database, error, true);
    if (!store) {
        err = "quillix-history: cannot open " + database + ": " + error + "\n";
        return 1;
    }
    if (count) {
        std::optional<uint64_t> n = store->Count(filter, error);
        if (!n) {
            err = "quillix-history: " + error + "\n";
            return 1;
        }
        out = std::to_string(*n) + "\n";
        return 0;
    }
    std::vector<OperationRecord> records = store->Query(filter, error);
    if (!error.empty()) {
        err = "quillix-history: " + error + "\n";
        return 1;
    }
    out = json ? RecordsToJson(records) : csv ? RecordsToCsv(records) : RecordsToText(records);
    return 0;
}
