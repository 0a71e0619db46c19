#pragma once

#include "device/EfuseWriteRule.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

// What programming NEW over CURRENT would do on one EFUSE generation: the flow's own verdict and every
// fuse the write changes. CURRENT is the fuse content as a read dumps it (on the mapped generation the
// 8 logical bytes first).
struct EfusePlanReport {
    EfuseGeneration generation = EfuseGeneration::Direct;
    EfuseWritePlan plan;
    std::vector<uint8_t> current; // as the flow sees it: physical bytes on the mapped generation
    std::vector<EfuseBitChange> changes;
};

std::optional<EfuseGeneration> EfuseGenerationFromName(const std::string& name);
std::string EfuseGenerationName(EfuseGeneration generation);

EfusePlanReport PlanEfuseImage(EfuseGeneration generation, const std::vector<uint8_t>& currentDump,
                               const std::vector<uint8_t>& image, bool checkInitial);

nlohmann::ordered_json EfusePlanToJson(const EfusePlanReport& report);
std::string EfusePlanToText(const EfusePlanReport& report);
