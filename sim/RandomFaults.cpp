#include "sim/RandomFaults.h"

#include "sim/Entries.h"

#include <array>

namespace sim {

namespace {

constexpr uint32_t kPermille = 1000;

// The entries that move memory content; registers, status and settings stay exact, so the faults
// hit only what a verify can catch.
constexpr std::array<std::string_view, 5> kMemoryReads = {"QDReadEfuse", "QDReadEeprom", "QDReadEeprom2",
                                                          "QDReadFlash", "QDReadFlash2"};
constexpr std::array<std::string_view, 11> kMemoryWrites = {
    "QDWriteEfuse",  "QDWriteEeprom",  "QDWriteEeprom2",          "QDWriteFlash",
    "QDWriteFlash2", "QDDmWriteFlash", "QDDmWriteFlashWithRetry", "QDEraseFlash",
    "QDEraseFlash2", "QDDmEraseFlash", "QDEraseEeprom2"};

template <size_t N> bool Among(const std::array<std::string_view, N>& names, std::string_view entry) {
    for (std::string_view name : names)
        if (name == entry)
            return true;
    return false;
}

// The next draw of the fault's stream.
uint64_t Next(Fault& fault) {
    return RandomDraw(fault.count, fault.calls++);
}

bool Strikes(Fault& fault) {
    return Next(fault) % kPermille < fault.after;
}

} // namespace

uint64_t RandomDraw(uint32_t seed, uint32_t index) {
    uint64_t z = (static_cast<uint64_t>(seed) << 32 | index) + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

bool RandomKind::Parse(const std::vector<std::string>& args, Fault& fault, std::string& error) const {
    if (args.size() != 2) {
        error = "random needs SEED PERMILLE";
        return false;
    }
    std::optional<uint32_t> seed = ParseNumber(args[0]);
    std::optional<uint32_t> rate = ParseNumber(args[1]);
    if (!seed) {
        error = "not a number: " + args[0];
        return false;
    }
    if (!rate || *rate > kPermille) {
        error = "PERMILLE must be 0 to 1000: " + args[1];
        return false;
    }
    fault.count = *seed;
    fault.after = *rate;
    return true;
}

bool RandomKind::DropsWrite(Fault& fault, std::string_view entry) const {
    return Among(kMemoryWrites, entry) && Strikes(fault);
}

uint32_t RandomKind::ShortensTransfer(Fault& fault, std::string_view entry, uint32_t length) const {
    if (length == 0 || !(Among(kMemoryReads, entry) || Among(kMemoryWrites, entry)) || !Strikes(fault))
        return length;
    return static_cast<uint32_t>(Next(fault) % length);
}

void RandomKind::CorruptsRead(Fault& fault, std::string_view entry, uint8_t* data, size_t length) const {
    if (length == 0 || !Among(kMemoryReads, entry) || !Strikes(fault))
        return;
    uint64_t bit = Next(fault) % (static_cast<uint64_t>(length) * 8);
    data[bit / 8] ^= static_cast<uint8_t>(1u << (bit % 8));
}

bool RandomKind::LosesReset(Fault& fault, std::string_view entry) const {
    const EntryInfo* info = FindEntry(entry);
    return info && (info->flags & kEntryResets) != 0 && Strikes(fault);
}

} // namespace sim
