// Endurance of the three-socket station: many update cycles in a row through the real worker thread,
// each reader under the simulator's seeded random faults, with the fake clock. A cycle either updates
// every socket or stops with a code; a socket reported updated must hold its image.
//
// The suite runs a few cycles. The long run is
//   QUILLIX_ENDURANCE_CYCLES=200 build/tests/core_tests --gtest_filter='StationEndurance*'
// (QUILLIX_ENDURANCE_SEED and QUILLIX_ENDURANCE_PERMILLE change the seed and the fault rate); it prints
// one table.
#include "core/Broadcast.h"
#include "core/MessageIds.h"
#include "core/VrkThread.h"
#include "device/DevTypeInfo.h"
#include "model/ConfigIni.h"
#include "model/IcTypeIni.h"
#include "model/IniFile.h"
#include "platform/FakeClock.h"
#include "tests/support/ProcessGlobals.h"
#include "tests/support/ReaderValues.h"
#include "tests/support/SimReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <random>

using testsupport::SimReader;

namespace {

uint32_t EnvNumber(const char* name, uint32_t fallback) {
    const char* text = std::getenv(name);
    return text && *text ? static_cast<uint32_t>(std::strtoul(text, nullptr, 0)) : fallback;
}

constexpr uint32_t kSockets = CDevTypeInfo::kSocketCount;

// What one update cycle reported: the sockets that succeeded, the first failure code, how it ended.
struct CycleReport {
    std::array<int, kSockets> successes{};
    std::array<uint32_t, kSockets> failures{};
    int socketsBegun = 0;
    bool allUpdated = false;
    bool stopped = false;
};

// The station dialog as the worker sees it: records the messages of the running cycle and wakes the
// test when the cycle ends.
class CycleRecorder : public IResultDialog {
public:
    void PostMessage(uint32_t id, uintptr_t wParam, intptr_t) override {
        std::lock_guard lock(m_lock);
        switch (id) {
        case UM_SOCKET_BEGIN:
            m_socket = static_cast<int>(wParam);
            ++m_report.socketsBegun;
            break;
        case UM_SUCCEED:
            if (m_socket >= 0)
                ++m_report.successes[m_socket];
            break;
        case UM_FAIL:
            if (m_socket >= 0 && m_report.failures[m_socket] == 0)
                m_report.failures[m_socket] = static_cast<uint32_t>(wParam);
            break;
        case UM_ALL_UPDATED:
            m_report.allUpdated = true;
            m_ended.notify_all();
            break;
        case UM_UPDATE_STOPPED:
            m_report.stopped = true;
            m_ended.notify_all();
            break;
        default:
            break;
        }
    }
    void Begin() {
        std::lock_guard lock(m_lock);
        m_report = CycleReport();
        m_socket = -1;
    }
    // The report once the cycle ended; false when it did not end within a minute (a hang).
    bool Wait(CycleReport& report) {
        std::unique_lock lock(m_lock);
        const bool ended = m_ended.wait_for(lock, std::chrono::minutes(1),
                                            [&] { return m_report.allUpdated || m_report.stopped; });
        report = m_report;
        return ended;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_ended;
    CycleReport m_report;
    int m_socket = -1;
};

constexpr const char* kFlashIni = "[Quillix Config]\nProject Type=Flash\nBus Type=USB\n[Vendor Info M1]\n"
                                  "PreOffset=0\nConfig Addr=8\nConfig DataMode=10\nUSBSTR Addr=9\n";

using Bytes = std::vector<uint8_t>;

// A firmware image of 8 KiB, random code and a vendor block 256 bytes before its end.
Bytes RandomImage(std::mt19937& random) {
    Bytes image(0x2000);
    for (uint8_t& byte : image)
        byte = static_cast<uint8_t>(random());
    uint8_t* block = image.data() + image.size() - 256;
    std::fill(block, block + 256, 0x00);
    block[0] = 0x55;
    block[1] = 0xAA;
    block[8] = 0x60;
    const uint8_t strings[] = {5, 3, 'N', 'E', 'W', 4, 3, 'P', 'R', 4, 3, 'S', 'N'};
    std::memcpy(block + 9, strings, sizeof(strings));
    return image;
}

class StationEndurance : public testing::Test {
protected:
    void SetUp() override {
        m_sim = std::make_unique<SimReader>("station");
        m_sim->Write("chip.ini", kFlashIni);
        g_pIcTypeIni = new CIcTypeIni();
        g_pIcTypeIni->ListIniFiles();
        g_pIcTypeIni->LoadIcIni();
        g_pIcTypeIni->Parse_ProjectType();
        g_ProjectType = FLASH;
        g_pConfigIni = &m_config;
        g_dwCustomizeUI = 5;
        g_pPatchPkgDlg5 = &m_recorder;
        CreateDevTypeInfo();
    }
    void TearDown() override {
        testsupport::ResetProcessGlobals();
        m_sim.reset();
    }

    Bytes Flash(uint32_t reader) const {
        const std::string path = m_sim->File("flash-now.bin");
        m_sim->MustSim("read " + std::to_string(reader) + " flash " + path);
        const std::string bytes = testsupport::ReadFileBytes(path);
        return Bytes(bytes.begin(), bytes.end());
    }

    platform::FakeClock m_clock;
    CIniFile m_config;
    std::unique_ptr<SimReader> m_sim;
    CycleRecorder m_recorder;
};

TEST_F(StationEndurance, NoSocketIsReportedUpdatedWithoutItsImage) {
    const uint32_t cycles = EnvNumber("QUILLIX_ENDURANCE_CYCLES", 6);
    const uint32_t seed = EnvNumber("QUILLIX_ENDURANCE_SEED", 20261210);
    const uint32_t permille = EnvNumber("QUILLIX_ENDURANCE_PERMILLE", 10);

    const std::vector<uint32_t> readers = testsupport::ReaderValues();
    ASSERT_EQ(readers.size(), kSockets);
    for (uint32_t i = 0; i < kSockets; ++i) {
        g_pDevTypeInfo->m_dwSocketReader[i] = readers[i];
        g_pDevTypeInfo->m_strSocketFile[i] = "socket" + std::to_string(i + 1) + ".bin";
        m_sim->MustSim("fault " + std::to_string(i) + " random " + std::to_string(seed + i) + " " +
                       std::to_string(permille));
    }
    ASSERT_NE(StartVrkThread(), nullptr);

    std::mt19937 random(seed);
    uint32_t allUpdated = 0;
    uint32_t falseSuccesses = 0;
    uint32_t stopsWithoutCode = 0;
    uint32_t mixedReports = 0;
    std::array<uint32_t, kSockets> updated{};
    std::array<uint32_t, kSockets> stoppedAt{};
    std::map<uint32_t, uint32_t> codes;
    for (uint32_t cycle = 0; cycle < cycles; ++cycle) {
        std::array<Bytes, kSockets> images;
        for (uint32_t i = 0; i < kSockets; ++i) {
            images[i] = RandomImage(random);
            m_sim->Write(g_pDevTypeInfo->m_strSocketFile[i], images[i]);
        }
        m_recorder.Begin();
        ASSERT_TRUE(g_pVrkThread->PostThreadMessage(UM_REQ_UPDATE_ALL, 0, 0));
        CycleReport report;
        ASSERT_TRUE(m_recorder.Wait(report)) << "cycle " << cycle << " never ended";
        ASSERT_NE(report.allUpdated, report.stopped) << "cycle " << cycle;

        for (uint32_t i = 0; i < kSockets; ++i) {
            if (report.successes[i] > 0 && report.failures[i] != 0)
                ++mixedReports;
            if (report.successes[i] == 0)
                continue;
            const Bytes flash = Flash(i);
            if (flash.size() >= images[i].size() &&
                std::equal(images[i].begin(), images[i].end(), flash.begin())) {
                ++updated[i];
            } else {
                ++falseSuccesses;
                ADD_FAILURE() << "cycle " << cycle << ": socket " << i + 1
                              << " reported updated, its flash differs from its image";
            }
        }
        if (report.allUpdated) {
            ++allUpdated;
            EXPECT_EQ(report.socketsBegun, static_cast<int>(kSockets)) << "cycle " << cycle;
        } else {
            // The cycle stops at the socket it began last; that socket has a code.
            const int last = report.socketsBegun - 1;
            ASSERT_GE(last, 0) << "cycle " << cycle;
            ++stoppedAt[last];
            if (report.failures[last] == 0) {
                ++stopsWithoutCode;
                ADD_FAILURE() << "cycle " << cycle << " stopped at socket " << last + 1 << " without a code";
            } else {
                ++codes[report.failures[last]];
            }
        }
        // Readers the faults held away after a reset are plugged in again for the next cycle.
        for (uint32_t i = 0; i < kSockets; ++i)
            m_sim->MustSim("attach " + std::to_string(i));
    }

    std::printf("station endurance, seed %u, %u/1000 faults, %u cycles:\n", seed, permille, cycles);
    std::printf(
        "| Cycles | All three updated | Stopped at SD1 / CF / SD2 | Socket updates (SD1 / CF / SD2) | "
        "False successes | Stops without a code | Success and failure on one socket |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    std::printf("| %u | %u | %u / %u / %u | %u / %u / %u | %u | %u | %u |\n", cycles, allUpdated,
                stoppedAt[0], stoppedAt[1], stoppedAt[2], updated[0], updated[1], updated[2], falseSuccesses,
                stopsWithoutCode, mixedReports);
    std::printf("stop codes:");
    for (const auto& [code, count] : codes)
        std::printf(" %u x%u", code, count);
    std::printf("\n");
    EXPECT_EQ(falseSuccesses, 0u);
    EXPECT_EQ(stopsWithoutCode, 0u);
    EXPECT_EQ(mixedReports, 0u);
}

} // namespace
