// Soak: many downloads through the real device-type operations against a simulated reader under the
// seeded random-fault mode, with the fake clock. Whatever the faults do, an operation that reports
// success must leave the memory exactly as the image says.
//
// The suite runs a few operations per memory kind. The long run is
//   QUILLIX_SOAK_OPERATIONS=1000 build/tests/device_tests --gtest_filter='Soak*'
// (QUILLIX_SOAK_SEED and QUILLIX_SOAK_PERMILLE change the seed and the fault rate); it prints the
// counts of each kind.
#include "core/Broadcast.h"
#include "core/MessageIds.h"
#include "device/EepromInfo.h"
#include "device/EfuseInfo.h"
#include "device/FlashInfo.h"
#include "model/IcTypeIni.h"
#include "platform/FakeClock.h"
#include "tests/support/ProcessGlobals.h"
#include "tests/support/RecordingDialog.h"
#include "tests/support/SimReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>

using testsupport::SimReader;

namespace {

uint32_t EnvNumber(const char* name, uint32_t fallback) {
    const char* text = std::getenv(name);
    return text && *text ? static_cast<uint32_t>(std::strtoul(text, nullptr, 0)) : fallback;
}

using Bytes = std::vector<uint8_t>;

// One memory kind under soak: the reader, the device type, the image an operation writes, and the
// memory the image must leave behind (from the memory before the operation).
struct SoakKind {
    const char* name;
    const char* preset;
    const char* memory;
    BusType bus;
    const char* icIni; // IC INI file of the program folder, or none
    std::function<std::unique_ptr<CDevTypeInfo>()> make;
    std::function<Bytes(std::mt19937&)> image;
    // Content the memory is set to before each operation; empty keeps what is there.
    std::function<Bytes(std::mt19937&)> before;
    // What the memory must hold after a success, given what it holds (for bytes the operation
    // leaves undefined).
    std::function<Bytes(const Bytes& image, const Bytes& before, const Bytes& after)> expected;
};

Bytes RandomBytes(std::mt19937& random, size_t n) {
    Bytes bytes(n);
    for (uint8_t& byte : bytes)
        byte = static_cast<uint8_t>(random());
    return bytes;
}

constexpr uint32_t kEepromSize = 512;
constexpr uint32_t kEepromBlock = 511;

// The EEPROM after a download: the image, then the zeroed block (cleared before the image is written,
// but only the image is verified), then the old bytes.
Bytes EepromAfter(const Bytes& image, const Bytes& before, const Bytes& after) {
    Bytes memory = before;
    for (size_t i = image.size(); i < kEepromBlock; ++i)
        memory[i] = after[i];
    std::copy(image.begin(), image.end(), memory.begin());
    return memory;
}

// Fuses after programming: the image itself.
Bytes FusesAfter(const Bytes& image, const Bytes&, const Bytes&) {
    return image;
}

// Mapped fuses after programming: the logical bytes placed into the blank physical fuses.
Bytes MappedFusesAfter(const Bytes& image, const Bytes& before, const Bytes&) {
    Bytes physical = before;
    CMpFlow_Efuse::MapEfuseToPhysical7648(std::span<const uint8_t, 8>(image.data(), 8),
                                          std::span<uint8_t, 40>(physical.data(), 40));
    return physical;
}

// The flash holds the image from address 0; the rest was erased.
Bytes FlashAfter(const Bytes& image, const Bytes& before, const Bytes&) {
    Bytes flash(before.size(), 0xFF);
    std::copy(image.begin(), image.end(), flash.begin());
    return flash;
}

constexpr const char* kFlashIni = "[Quillix Config]\nProject Type=Flash\nBus Type=USB\n[Vendor Info M1]\n"
                                  "PreOffset=0\nConfig Addr=8\nConfig DataMode=10\n";

const SoakKind kKinds[] = {
    {"eeprom-usb", "eeprom-usb", "eeprom", USB, nullptr, [] { return std::make_unique<CEepromInfo_USB>(); },
     [](std::mt19937& r) { return RandomBytes(r, 1 + r() % kEepromSize); },
     [](std::mt19937& r) { return RandomBytes(r, kEepromSize); }, EepromAfter},
    {"eeprom-pcie", "eeprom-pcie", "eeprom", PCIE, nullptr,
     [] { return std::make_unique<CEepromInfo_PCIE>(); },
     [](std::mt19937& r) { return RandomBytes(r, 1 + r() % kEepromSize); },
     [](std::mt19937& r) { return RandomBytes(r, kEepromSize); }, EepromAfter},
    {"efuse-usb", "efuse-usb", "efuse", USB, nullptr, [] { return std::make_unique<CEfuseInfo_USB>(); },
     [](std::mt19937& r) { return RandomBytes(r, 16); }, [](std::mt19937&) { return Bytes(16, 0xFF); },
     FusesAfter},
    {"efuse-usb-mapped", "efuse-usb-mapped", "efuse", USB, nullptr,
     [] { return std::make_unique<CEfuseInfo_USB>(); },
     [](std::mt19937& r) {
         Bytes image(40, 0x00);
         Bytes logical = RandomBytes(r, 8);
         std::copy(logical.begin(), logical.end(), image.begin());
         return image;
     },
     [](std::mt19937&) { return Bytes(40, 0x00); }, MappedFusesAfter},
    {"efuse-pcie", "efuse-pcie", "efuse", PCIE, nullptr, [] { return std::make_unique<CEfuseInfo_PCIE>(); },
     [](std::mt19937& r) { return RandomBytes(r, 8); }, [](std::mt19937&) { return Bytes(8, 0xFF); },
     FusesAfter},
    {"flash-usb", "flash-usb", "flash", USB, kFlashIni, [] { return std::make_unique<CFlashInfo_USB>(); },
     [](std::mt19937& r) { return RandomBytes(r, 0x1000 + r() % 0x3000); },
     [](std::mt19937& r) { return RandomBytes(r, 0x20000); }, FlashAfter},
    {"flash-usb-ctrl", "flash-usb-ctrl", "flash", USB, kFlashIni,
     [] { return std::make_unique<CFlashInfo_USB>(); },
     [](std::mt19937& r) { return RandomBytes(r, 0x1000 + r() % 0x3000); },
     [](std::mt19937& r) { return RandomBytes(r, 0x10000); }, FlashAfter},
};

void PrintTo(const SoakKind& kind, std::ostream* os) {
    *os << kind.name;
}

// Where two memories differ first, for the failure message.
std::string FirstDifference(const Bytes& expected, const Bytes& actual) {
    size_t i = 0;
    while (i < expected.size() && i < actual.size() && expected[i] == actual[i])
        ++i;
    char text[96];
    std::snprintf(text, sizeof text, "first difference at %zu of %zu/%zu bytes: %02X expected, %02X found", i,
                  expected.size(), actual.size(), i < expected.size() ? expected[i] : 0,
                  i < actual.size() ? actual[i] : 0);
    return text;
}

struct Counts {
    uint32_t succeeded = 0;
    uint32_t failedWithCode = 0;
    uint32_t failedWithoutCode = 0;
    uint32_t silentCorruptions = 0;
    uint32_t mixedReports = 0; // success and failure reported by one operation
};

class Soak : public testing::TestWithParam<SoakKind> {
protected:
    Bytes ReadMemory(const SimReader& sim, const char* memory) const {
        sim.MustSim(std::string("read 0 ") + memory + " " + sim.File("now.bin"));
        std::string bytes = sim.Read("now.bin");
        return Bytes(bytes.begin(), bytes.end());
    }

    testsupport::ProcessGlobals m_globals;
    platform::FakeClock m_clock;
    testsupport::RecordingDialog m_dialog;
};

TEST_P(Soak, SuccessAlwaysLeavesTheImageInTheMemory) {
    const SoakKind& kind = GetParam();
    const uint32_t operations = EnvNumber("QUILLIX_SOAK_OPERATIONS", 12);
    const uint32_t seed = EnvNumber("QUILLIX_SOAK_SEED", 20240611);
    const uint32_t permille = EnvNumber("QUILLIX_SOAK_PERMILLE", 40);

    SimReader sim(kind.preset);
    if (kind.icIni)
        sim.Write("chip.ini", kind.icIni);
    g_pIcTypeIni = new CIcTypeIni();
    g_pIcTypeIni->ListIniFiles();
    g_pIcTypeIni->LoadIcIni();
    g_BusType = kind.bus;
    g_pMainDlg = &m_dialog;
    std::unique_ptr<CDevTypeInfo> devType = kind.make();
    ASSERT_EQ(devType->LoadLib(), 1u);
    ASSERT_EQ(devType->LoadFun(), 1u);
    sim.MustSim("fault 0 random " + std::to_string(seed) + " " + std::to_string(permille));

    std::mt19937 random(seed);
    Counts counts;
    for (uint32_t op = 0; op < operations; ++op) {
        Bytes before = kind.before(random);
        sim.Write("before.bin", before);
        sim.MustSim(std::string("write 0 ") + kind.memory + " " + sim.File("before.bin"));
        Bytes image = kind.image(random);
        devType->SetDownloadImage(image);
        m_dialog.Clear();
        g_dwErrorCode = 0;

        const uint32_t result = devType->DT_Download();
        // A reader the faults held away is plugged in again for the next operation.
        sim.MustSim("attach 0");
        const Bytes after = ReadMemory(sim, kind.memory);
        const bool successPosted = !m_dialog.Of(UM_SUCCEED).empty();
        const std::vector<uintptr_t> failures = m_dialog.Of(UM_FAIL);
        const bool failurePosted =
            std::any_of(failures.begin(), failures.end(), [](uintptr_t code) { return code != 0; });
        const bool reportedSuccess = result == 1 || successPosted;
        if (successPosted && failurePosted)
            ++counts.mixedReports;
        if (reportedSuccess) {
            const Bytes expected = kind.expected(image, before, after);
            if (after == expected) {
                ++counts.succeeded;
            } else {
                ++counts.silentCorruptions;
                ADD_FAILURE() << kind.name << " operation " << op << " (image of " << image.size()
                              << " bytes) reported success: " << FirstDifference(expected, after);
            }
        } else if (failurePosted) {
            ++counts.failedWithCode;
        } else {
            ++counts.failedWithoutCode;
            ADD_FAILURE() << kind.name << " operation " << op << " failed without a code";
        }
    }
    devType->CloseSession();

    std::printf("soak %-17s seed %u, %u/1000 faults, %u operations: %u succeeded, %u failed with a code, "
                "%u failed without a code, %u silent corruptions\n",
                kind.name, seed, permille, operations, counts.succeeded, counts.failedWithCode,
                counts.failedWithoutCode, counts.silentCorruptions);
    EXPECT_EQ(counts.silentCorruptions, 0u);
    EXPECT_EQ(counts.failedWithoutCode, 0u);
    EXPECT_EQ(counts.mixedReports, 0u);
}

INSTANTIATE_TEST_SUITE_P(MemoryKinds, Soak, testing::ValuesIn(kKinds),
                         [](const testing::TestParamInfo<SoakKind>& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (ch == '-')
                                     ch = '_';
                             return name;
                         });

} // namespace
