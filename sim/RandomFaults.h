#pragma once

#include "sim/Faults.h"

#include <cstdint>

namespace sim {

// random SEED PERMILLE: every call of a memory entry draws from a stream fixed by the seed, and each
// of its faults strikes with PERMILLE/1000: a read comes back with a bit flipped or only partly
// filled; a write or erase reports success and stores nothing, or a write stores only its first
// bytes; a reset leaves the reader away until the driver-update tool runs. The fault keeps the seed
// in `count`, the rate in `after` and the number of draws in `calls`, so a run replays exactly.
class RandomKind : public FaultKind {
public:
    const char* Name() const override { return "random"; }
    const char* Usage() const override { return "SEED PERMILLE"; }
    bool Parse(const std::vector<std::string>& args, Fault& fault, std::string& error) const override;

    bool DropsWrite(Fault& fault, std::string_view entry) const override;
    uint32_t ShortensTransfer(Fault& fault, std::string_view entry, uint32_t length) const override;
    void CorruptsRead(Fault& fault, std::string_view entry, uint8_t* data, size_t length) const override;
    bool LosesReset(Fault& fault, std::string_view entry) const override;
};

// The draw number `index` of the stream of `seed`: a 64-bit mix, the same on every machine.
uint64_t RandomDraw(uint32_t seed, uint32_t index);

} // namespace sim
