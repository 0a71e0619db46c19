// A read and a download of each memory kind through the device-type operations against the simulated
// reader, with the fake clock: the waits the flows must make cost nothing, so the wall time is the
// tool's own work (with the simulator's file work). "slept_ms" is what the flow asked the clock to wait;
// the ratio of the two shows how much the tool adds to the waits a real reader needs.
#include "core/Broadcast.h"
#include "device/EepromInfo.h"
#include "device/EfuseInfo.h"
#include "device/FlashInfo.h"
#include "model/IcTypeIni.h"
#include "platform/FakeClock.h"
#include "platform/Process.h"
#include "platform/ProgramFolder.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const std::string kDist = QUILLIX_BENCH_DIST_DIR "/";

using Bytes = std::vector<uint8_t>;

struct MemoryKind {
    const char* preset;
    const char* memory; // memory name of the control tool
    BusType bus;
    const char* icIni; // IC INI file of the program folder, or none
    std::function<std::unique_ptr<CDevTypeInfo>()> make;
    Bytes blank; // memory content before each operation
    Bytes image; // what a download writes
};

Bytes Pattern(size_t n) {
    Bytes bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<uint8_t>(i * 37 + 11);
    return bytes;
}

constexpr const char* kFlashIni = "[Quillix Config]\nProject Type=Flash\nBus Type=USB\n[Vendor Info M1]\n"
                                  "PreOffset=0\nConfig Addr=8\nConfig DataMode=10\n";

const MemoryKind& Kind(int index) {
    static const MemoryKind kinds[] = {
        {"eeprom-usb", "eeprom", USB, nullptr, [] { return std::make_unique<CEepromInfo_USB>(); },
         Bytes(512, 0xFF), Pattern(256)},
        {"eeprom-pcie", "eeprom", PCIE, nullptr, [] { return std::make_unique<CEepromInfo_PCIE>(); },
         Bytes(512, 0xFF), Pattern(256)},
        {"efuse-usb", "efuse", USB, nullptr, [] { return std::make_unique<CEfuseInfo_USB>(); },
         Bytes(16, 0xFF), Pattern(16)},
        {"efuse-pcie", "efuse", PCIE, nullptr, [] { return std::make_unique<CEfuseInfo_PCIE>(); },
         Bytes(8, 0xFF), Pattern(8)},
        {"flash-usb", "flash", USB, kFlashIni, [] { return std::make_unique<CFlashInfo_USB>(); },
         Bytes(0x20000, 0xFF), Pattern(0x10000)},
    };
    return kinds[index];
}

// A program folder with the simulated library and the kind's reader; removed at the end.
class SimFolder {
public:
    explicit SimFolder(const MemoryKind& kind) {
        std::string pattern = (std::filesystem::temp_directory_path() / "quillix-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        m_path = pattern + "/";
        std::filesystem::create_symlink(kDist + "libQdCRLib.so", m_path + "libQdCRLib.so");
        if (kind.icIni)
            std::ofstream(m_path + "chip.ini") << kind.icIni;
        platform::SetProgramFolderOverride(m_path);
        setenv("QUILLIX_SIM_DIR", (m_path + "simreader").c_str(), 1);
        Sim({"init", kind.preset});
    }
    ~SimFolder() {
        unsetenv("QUILLIX_SIM_DIR");
        platform::SetProgramFolderOverride("");
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    SimFolder(const SimFolder&) = delete;
    SimFolder& operator=(const SimFolder&) = delete;

    // Replaces the start of reader 0's memory.
    void SetMemory(const std::string& memory, const Bytes& bytes) {
        const std::string file = m_path + "memory.bin";
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        Sim({"write", "0", memory, file});
    }

private:
    void Sim(std::vector<std::string> args) {
        args.insert(args.begin(), {"--dir", m_path + "simreader"});
        if (!platform::RunAndWait(kDist + "quillix-sim", args))
            throw std::runtime_error("quillix-sim did not start");
    }
    std::string m_path;
};

enum class Operation { Read, Download };

void RunOperation(benchmark::State& state, Operation operation) {
    const MemoryKind& kind = Kind(static_cast<int>(state.range(0)));
    state.SetLabel(kind.preset);
    SimFolder folder(kind);
    platform::FakeClock clock;
    g_pIcTypeIni = new CIcTypeIni();
    g_pIcTypeIni->ListIniFiles();
    g_pIcTypeIni->LoadIcIni();
    g_BusType = kind.bus;
    std::unique_ptr<CDevTypeInfo> devType = kind.make();
    if (devType->LoadLib() != 1 || devType->LoadFun() != 1) {
        state.SkipWithError("the simulated reader library cannot be loaded");
    } else {
        devType->SetDownloadImage(kind.image);
        int64_t wallNs = 0;
        uint64_t sleptMs = 0;
        for (auto _ : state) {
            state.PauseTiming();
            folder.SetMemory(kind.memory, kind.blank);
            clock.ClearSleeps();
            state.ResumeTiming();
            const auto start = std::chrono::steady_clock::now();
            const uint32_t result =
                operation == Operation::Read ? devType->DT_Read() : devType->DT_Download();
            wallNs +=
                std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start)
                    .count();
            sleptMs += clock.TotalSlept();
            if (result != 1) {
                state.SkipWithError("the operation failed");
                break;
            }
        }
        const double runs = static_cast<double>(state.iterations());
        const double toolMs = runs > 0 ? static_cast<double>(wallNs) / 1e6 / runs : 0;
        const double sleepMs = runs > 0 ? static_cast<double>(sleptMs) / runs : 0;
        state.counters["tool_ms"] = toolMs;
        state.counters["slept_ms"] = sleepMs;
        state.counters["ratio"] = sleepMs > 0 ? toolMs / sleepMs : 0;
        devType->CloseSession();
    }
    delete g_pIcTypeIni;
    g_pIcTypeIni = nullptr;
}

void BM_Read(benchmark::State& state) {
    RunOperation(state, Operation::Read);
}
void BM_Download(benchmark::State& state) {
    RunOperation(state, Operation::Download);
}

BENCHMARK(BM_Read)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_Download)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
