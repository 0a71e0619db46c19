#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

enum class Bus { Usb, Pcie };
enum class Memory { Efuse = 0, Eeprom = 1, Flash = 2 };
constexpr size_t kMemoryCount = 3;
constexpr std::array<Memory, kMemoryCount> kMemories = {Memory::Efuse, Memory::Eeprom, Memory::Flash};

const char* BusName(Bus bus);
const char* MemoryName(Memory memory);
std::optional<Memory> ParseMemory(std::string_view name);

// One fault set on a reader. `kind` names a row of the fault table (Faults.h); the numbers mean
// what that kind says; `calls` counts the calls seen since the fault was set.
struct Fault {
    std::string kind;
    std::string entry;
    uint32_t count = 0;
    uint32_t after = 0;
    uint32_t calls = 0;
};

// One simulated reader: its settings, its connection state and its faults. The memories live in
// files of their own (MemoryPath).
struct Reader {
    std::string preset;
    Bus bus = Bus::Usb;
    bool storageClass = false; // USB storage device with a disk child; otherwise disk only
    bool attached = true;
    std::array<uint8_t, 16> status{};
    std::array<uint8_t, 32> ext{};
    std::array<uint32_t, kMemoryCount> memorySize{};
    uint32_t reconnectOpens = 0;
    uint32_t locationA = 0;
    uint32_t locationB = 0;
    uint32_t instance = 0; // device node; its interfaces are instance + 1 and + 2
    uint32_t hub = 0;      // USB readers: hub number (from 1) and port
    uint32_t port = 0;
    uint8_t ldo = 0x08;
    // After each reset, the next zeroKeyReads status reads show a zero firmware key (status bytes 7-8
    // and, on the extended status read that follows, bytes 0-1).
    uint32_t zeroKeyReads = 0;
    uint32_t zeroKeyLeft = 0;              // status reads that still show it
    bool zeroKeyShown = false;             // the last status read showed it
    std::map<uint16_t, uint8_t> registers; // registers written since the last reset
    std::map<uint32_t, uint16_t> phy;      // (port << 16 | register) -> value
    std::set<std::string> refusedResets;   // reset entries this reader refuses

    // Connection: each disconnect starts a new generation, so older handles are dead.
    uint32_t generation = 0;
    bool away = false;      // disconnected by a reset
    uint32_t awayOpens = 0; // open attempts it still refuses
    bool gone = false;      // held away until the driver-update tool runs

    std::vector<Fault> faults;

    uint32_t MemorySize(Memory memory) const { return memorySize[static_cast<size_t>(memory)]; }
    bool Present() const { return attached && !away; }
};

struct Hub {
    uint32_t number = 0;
    bool highSpeed = true;
    uint32_t ports = 8;
};

struct DeviceEvent {
    bool arrived = false;
    uint32_t device = 0;
};

constexpr uint32_t kKeptEvents = 64;

struct Scenario {
    std::vector<Reader> readers;
    std::vector<Hub> hubs; // hubs with settings of their own; other hubs use the defaults
    bool journal = false;
    uint32_t changeCount = 0;
    std::map<uint32_t, DeviceEvent> events; // by sequence number, the latest kKeptEvents

    void AddEvent(bool arrived, uint32_t device);
};

// Reads the scenario file; false with a reason when it is unreadable or malformed.
bool LoadScenario(const std::string& path, Scenario& scenario, std::string& error);
// Replaces the scenario file atomically (temporary file, then rename).
bool SaveScenario(const std::string& path, const Scenario& scenario, std::string& error);

// File holding one memory of a reader.
std::string MemoryPath(const std::string& folder, size_t reader, Memory memory);

// Hexadecimal text of bytes ("0A1B..."), and back (false on odd length or a non-hex digit).
std::string HexBytes(const uint8_t* data, size_t size);
bool ParseHexBytes(std::string_view text, uint8_t* out, size_t size);

// A number written in decimal or with a 0x prefix in hexadecimal; nullopt when it is not one or
// does not fit 32 bits.
std::optional<uint32_t> ParseNumber(std::string_view text);

} // namespace sim
