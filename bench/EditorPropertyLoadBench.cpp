// Loading the advanced property page's records from an IC INI file with every property section filled:
// 256 sections, each with an 8-bit mask and so 256 named options with their data values.
#include "model/UserIni4.h"
#include "platform/Text.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

std::string WriteFullPropertyIni() {
    const std::string path = "/tmp/quillix-bench-properties-" + std::to_string(::getpid()) + ".ini";
    std::ofstream out(path, std::ios::binary);
    out << "[Property Config]\nShowStyle=3\n";
    for (unsigned k = 0; k < 256; ++k) {
        out << platform::StrPrintf("[%s]\n", CUserIni4::PropertySectionName(EEPROM, USB, k).c_str());
        out << "GroupName=Group " << k / 16 << "\nPropName=Property " << k
            << "\nPropDesp=Line one\\r\\nLine two\n";
        out << "PropAddrMode=100\nPropAddr=" << k % 128 << "\nPropMask=0xFF\nDataMode=21\n";
        out << "FunEnableMode=11\nFunEnableAddr=0x6B\nFunEnableMask=0x02\n";
        for (unsigned i = 0; i < 256; ++i)
            out << platform::StrPrintf("PropOption_%02X=Option %u\nDataOption_%02X=%u\n", i, i, i, i * 3);
    }
    return path;
}

void BM_LoadPropertySections(benchmark::State& state) {
    const std::string path = WriteFullPropertyIni();
    CUserIni4 ini(path);
    if (!ini.Load()) {
        state.SkipWithError("the generated IC INI file did not load");
        return;
    }
    size_t options = 0;
    for (auto _ : state) {
        std::vector<PropertyLayout> properties = ini.GetProperties(EEPROM, USB);
        options = 0;
        for (const PropertyLayout& property : properties)
            options += property.options.size();
        benchmark::DoNotOptimize(properties);
    }
    state.counters["options"] = static_cast<double>(options);
    std::remove(path.c_str());
}
BENCHMARK(BM_LoadPropertySections)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
