// Writes and verifies a 16 MiB image through the simulated reader with the 32-bit access method and
// reports the tool's own throughput: the time spent inside the flash entries of the reader library
// (the simulator's file work) is measured separately and left out of "tool_MiB/s".
#include "core/Broadcast.h"
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
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kImageSize = 0x1000000;
const std::string kDist = QUILLIX_BENCH_DIST_DIR "/";

// Nanoseconds spent inside the timed library entries.
int64_t g_libraryNs = 0;

template <typename Fn, typename... Args> uint32_t Timed(Fn fn, Args... args) {
    auto start = std::chrono::steady_clock::now();
    uint32_t result = fn(args...);
    g_libraryNs +=
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start)
            .count();
    return result;
}

PFN_QDWriteFlash2 g_write;
PFN_QDReadFlash2 g_read;
PFN_QDEraseFlash2 g_erase;

uint32_t TimedWrite(uint32_t dev, uint32_t address, uint32_t length, const uint8_t* data, uint32_t size) {
    return Timed(g_write, dev, address, length, data, size);
}
uint32_t TimedRead(uint32_t dev, uint32_t address, uint32_t length, uint8_t* buffer, uint32_t size) {
    return Timed(g_read, dev, address, length, buffer, size);
}
uint32_t TimedErase(uint32_t dev, uint32_t mode, uint32_t start) {
    return Timed(g_erase, dev, mode, start);
}

// A program folder with the simulated library, one 32-bit FLASH reader of 16 MiB and an IC INI file
// that sets the code size; removed at the end.
class BenchFolder {
public:
    BenchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quillix-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        m_path = pattern + "/";
        std::filesystem::create_symlink(kDist + "libQdCRLib.so", m_path + "libQdCRLib.so");
        std::ofstream(m_path + "chip.ini") << "[Quillix Config]\nProject Type=Flash\nBus Type=USB\n"
                                              "[Vendor Info M1]\nFlash CodeSize=0x1000000\n";
        platform::SetProgramFolderOverride(m_path);
        setenv("QUILLIX_SIM_DIR", (m_path + "simreader").c_str(), 1);
        Sim({"init", "flash-usb"});
        Sim({"set", "0", "flash-size", std::to_string(kImageSize)});
    }
    ~BenchFolder() {
        unsetenv("QUILLIX_SIM_DIR");
        platform::SetProgramFolderOverride("");
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }

private:
    void Sim(std::vector<std::string> args) {
        args.insert(args.begin(), {"--dir", m_path + "simreader"});
        if (!platform::RunAndWait(kDist + "quillix-sim", args))
            throw std::runtime_error("quillix-sim did not start");
    }
    std::string m_path;
};

void BM_FlashWriteVerify32(benchmark::State& state) {
    BenchFolder folder;
    platform::FakeClock clock; // resets wait without real time
    g_pIcTypeIni = new CIcTypeIni();
    g_pIcTypeIni->ListIniFiles();
    g_pIcTypeIni->LoadIcIni();
    g_BusType = USB;
    CFlashInfo_USB flash;
    if (flash.LoadLib() != 1 || flash.LoadFun() != 1) {
        state.SkipWithError("the simulated reader library cannot be loaded");
        return;
    }
    g_write = flash.QDWriteFlash2;
    g_read = flash.QDReadFlash2;
    g_erase = flash.QDEraseFlash2;
    flash.QDWriteFlash2 = TimedWrite;
    flash.QDReadFlash2 = TimedRead;
    flash.QDEraseFlash2 = TimedErase;

    std::vector<uint8_t> image(kImageSize);
    for (uint32_t i = 0; i < kImageSize; ++i)
        image[i] = static_cast<uint8_t>(i * 31 + (i >> 12));
    flash.SetDownloadImage(image);

    g_libraryNs = 0;
    int64_t totalNs = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        if (flash.DT_Download() != 1) {
            state.SkipWithError("the download failed");
            break;
        }
        totalNs +=
            std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start)
                .count();
    }
    double mib = static_cast<double>(state.iterations()) * kImageSize / (1024.0 * 1024.0);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kImageSize);
    double toolSeconds = static_cast<double>(totalNs - g_libraryNs) / 1e9;
    state.counters["tool_MiB/s"] = toolSeconds > 0 ? mib / toolSeconds : 0;
    state.counters["library_share"] = totalNs > 0 ? static_cast<double>(g_libraryNs) / totalNs : 0;

    flash.CloseSession();
    delete g_pIcTypeIni;
    g_pIcTypeIni = nullptr;
}

BENCHMARK(BM_FlashWriteVerify32)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
