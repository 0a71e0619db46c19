#include "tools/image/EfusePlanReport.h"

#include "app/Messages.h"
#include "platform/Text.h"

#include <array>

namespace {

struct GenerationName {
    EfuseGeneration generation;
    const char* pszName;
};

constexpr std::array<GenerationName, 4> kGenerationNames = {{
    {EfuseGeneration::Direct, "direct"},
    {EfuseGeneration::Register, "register"},
    {EfuseGeneration::Mapped, "mapped"},
    {EfuseGeneration::Pcie, "pcie"},
}};

nlohmann::ordered_json BitJson(const EfusePlanReport& report, const EfuseBitChange& change) {
    nlohmann::ordered_json bit = {{"byte", change.nByte}, {"bit", change.nBit}};
    if (report.generation == EfuseGeneration::Mapped) {
        const std::optional<EfuseBitPosition> logical = MappedLogicalBit(change.nByte, change.nBit);
        bit["logical_byte"] = logical ? nlohmann::ordered_json(logical->nByte) : nlohmann::ordered_json();
        bit["logical_bit"] = logical ? nlohmann::ordered_json(logical->nBit) : nlohmann::ordered_json();
    }
    return bit;
}

std::string BitText(const EfusePlanReport& report, const EfuseBitChange& change) {
    std::string text = platform::StrPrintf("byte %zu bit %u", change.nByte, change.nBit);
    if (report.generation == EfuseGeneration::Mapped) {
        if (const std::optional<EfuseBitPosition> logical = MappedLogicalBit(change.nByte, change.nBit))
            text += platform::StrPrintf(" (logical byte %zu bit %u)", logical->nByte, logical->nBit);
    }
    return text;
}

} // namespace

std::optional<EfuseGeneration> EfuseGenerationFromName(const std::string& name) {
    for (const GenerationName& row : kGenerationNames) {
        if (name == row.pszName)
            return row.generation;
    }
    return std::nullopt;
}

std::string EfuseGenerationName(EfuseGeneration generation) {
    for (const GenerationName& row : kGenerationNames) {
        if (row.generation == generation)
            return row.pszName;
    }
    return "";
}

EfusePlanReport PlanEfuseImage(EfuseGeneration generation, const std::vector<uint8_t>& currentDump,
                               const std::vector<uint8_t>& image, bool checkInitial) {
    EfusePlanReport report;
    report.generation = generation;
    report.current =
        generation == EfuseGeneration::Mapped ? MappedPhysicalFromDump(currentDump) : currentDump;
    report.plan = PlanEfuseWrite(generation, image, report.current, checkInitial);
    if (!report.plan.fuses.empty())
        report.changes = EfuseBitChanges(generation, report.current, report.plan.fuses);
    return report;
}

nlohmann::ordered_json EfusePlanToJson(const EfusePlanReport& report) {
    nlohmann::ordered_json json;
    json["generation"] = EfuseGenerationName(report.generation);
    json["size"] = EfuseImageSize(report.generation);
    json["allowed"] = report.plan.code == 0;
    json["code"] = report.plan.code;
    json["message"] = report.plan.code == 0 ? "" : LoadMessage(report.plan.code);
    nlohmann::ordered_json bytes = nlohmann::ordered_json::array();
    for (size_t i = 0; i < report.plan.fuses.size() && i < report.current.size(); ++i) {
        if (report.plan.fuses[i] != report.current[i])
            bytes.push_back({{"byte", i},
                             {"current", platform::StrPrintf("0x%02X", report.current[i])},
                             {"new", platform::StrPrintf("0x%02X", report.plan.fuses[i])}});
    }
    json["bytes"] = bytes;
    nlohmann::ordered_json burn = nlohmann::ordered_json::array();
    nlohmann::ordered_json unburn = nlohmann::ordered_json::array();
    for (const EfuseBitChange& change : report.changes)
        (change.bUnburn ? unburn : burn).push_back(BitJson(report, change));
    json["burn"] = burn;
    json["unburn"] = unburn;
    return json;
}

std::string EfusePlanToText(const EfusePlanReport& report) {
    const bool toOne = report.generation == EfuseGeneration::Mapped;
    std::string text = platform::StrPrintf("Generation: %s, %u bytes, a fuse burns from %d to %d\n",
                                           EfuseGenerationName(report.generation).c_str(),
                                           EfuseImageSize(report.generation), toOne ? 0 : 1, toOne ? 1 : 0);
    for (size_t i = 0; i < report.plan.fuses.size() && i < report.current.size(); ++i) {
        if (report.plan.fuses[i] != report.current[i])
            text += platform::StrPrintf("Byte %zu: 0x%02X -> 0x%02X\n", i, report.current[i],
                                        report.plan.fuses[i]);
    }
    size_t burnt = 0;
    for (const EfuseBitChange& change : report.changes) {
        if (change.bUnburn)
            text += "Cannot un-burn " + BitText(report, change) + "\n";
        else
            ++burnt;
    }
    for (const EfuseBitChange& change : report.changes) {
        if (!change.bUnburn)
            text += "Burns " + BitText(report, change) + "\n";
    }
    text += platform::StrPrintf("Fuses burnt: %zu\n", burnt);
    if (report.plan.code == 0)
        text += "Verdict: allowed\n";
    else
        text += platform::StrPrintf("Verdict: refused, %s (%u)\n", LoadMessage(report.plan.code).c_str(),
                                    report.plan.code);
    return text;
}
