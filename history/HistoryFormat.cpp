#include "history/HistoryFormat.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <functional>

namespace {

// One column: its database name and its value as text ("" when absent) and as JSON.
struct Column {
    const char* name;
    std::function<nlohmann::ordered_json(const OperationRecord&)> value;
};

nlohmann::ordered_json Text(const std::string& text) {
    return text.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(text);
}

nlohmann::ordered_json Number(std::optional<uint32_t> value) {
    return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json();
}

const std::vector<Column>& Columns() {
    static const std::vector<Column> columns = {
        {"id", [](const OperationRecord& r) { return nlohmann::ordered_json(r.id); }},
        {"time", [](const OperationRecord& r) { return Text(r.time); }},
        {"tool", [](const OperationRecord& r) { return Text(r.tool); }},
        {"memory", [](const OperationRecord& r) { return Text(r.memory); }},
        {"bus", [](const OperationRecord& r) { return Text(r.bus); }},
        {"ic_name", [](const OperationRecord& r) { return Text(r.icName); }},
        {"ic_ini", [](const OperationRecord& r) { return Text(r.icIni); }},
        {"operation", [](const OperationRecord& r) { return Text(r.operation); }},
        {"vid", [](const OperationRecord& r) { return Number(r.vid); }},
        {"pid", [](const OperationRecord& r) { return Number(r.pid); }},
        {"fw_version", [](const OperationRecord& r) { return Number(r.fwVersion); }},
        {"location", [](const OperationRecord& r) { return Text(r.location); }},
        {"socket", [](const OperationRecord& r) { return Number(r.socket); }},
        {"image_path", [](const OperationRecord& r) { return Text(r.imagePath); }},
        {"image_sha256", [](const OperationRecord& r) { return Text(r.imageSha256); }},
        {"dump_path", [](const OperationRecord& r) { return Text(r.dumpPath); }},
        {"dump_sha256", [](const OperationRecord& r) { return Text(r.dumpSha256); }},
        {"serial", [](const OperationRecord& r) { return Text(r.serial); }},
        {"result", [](const OperationRecord& r) { return nlohmann::ordered_json(r.result); }},
        {"elapsed_ms", [](const OperationRecord& r) { return nlohmann::ordered_json(r.elapsedMs); }},
    };
    return columns;
}

std::string CsvField(const nlohmann::ordered_json& value) {
    if (value.is_null())
        return {};
    std::string text = value.is_string() ? value.get<std::string>() : value.dump();
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

} // namespace

std::string RecordsToJson(const std::vector<OperationRecord>& records) {
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const OperationRecord& record : records) {
        nlohmann::ordered_json object = nlohmann::ordered_json::object();
        for (const Column& column : Columns())
            object[column.name] = column.value(record);
        array.push_back(std::move(object));
    }
    // Paths and strings from images may hold bytes that are not UTF-8; they are replaced, not fatal.
    return array.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::string RecordsToCsv(const std::vector<OperationRecord>& records) {
    std::string csv;
    for (const Column& column : Columns())
        csv += std::string(csv.empty() ? "" : ",") + column.name;
    csv += "\r\n";
    for (const OperationRecord& record : records) {
        bool first = true;
        for (const Column& column : Columns()) {
            if (!first)
                csv += ',';
            first = false;
            csv += CsvField(column.value(record));
        }
        csv += "\r\n";
    }
    return csv;
}

std::string RecordsToText(const std::vector<OperationRecord>& records) {
    std::string text;
    for (const OperationRecord& r : records) {
        const std::string& file = !r.imagePath.empty() ? r.imagePath : r.dumpPath;
        char line[512];
        std::snprintf(line, sizeof(line), "%s  %-8s %-15s %-12s %-16s %5u %6u ms", r.time.c_str(),
                      r.tool.c_str(), r.operation.c_str(), r.icName.empty() ? "-" : r.icName.c_str(),
                      r.serial.empty() ? "-" : r.serial.c_str(), r.result, r.elapsedMs);
        text += line;
        if (!file.empty())
            text += "  " + file;
        text += "\n";
    }
    return text;
}
