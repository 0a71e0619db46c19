#pragma once

#include "sim/Scenario.h"

#include <string>
#include <string_view>
#include <vector>

namespace sim {

// One row of the fault table: how `quillix-sim fault N KIND ARGS...` reads its arguments and what
// the fault does to the calls that reach its reader. Every effect counts calls, never time, so a
// scenario replays the same way under a fake clock. A new kind is one more subclass in the table.
class FaultKind {
public:
    virtual ~FaultKind() = default;
    virtual const char* Name() const = 0;
    // Argument synopsis for messages, e.g. "ENTRY COUNT [AFTER]".
    virtual const char* Usage() const = 0;
    // Fills `fault` from the arguments after the kind; false with a one-line reason.
    virtual bool Parse(const std::vector<std::string>& args, Fault& fault, std::string& error) const = 0;
    // A switch kind is set with "on" and removed with "off".
    virtual bool IsSwitch() const { return false; }

    // Hooks; each may advance the fault's counters.
    // The call fails (returns 0) without any effect.
    virtual bool FailsCall(Fault&, std::string_view /*entry*/) const { return false; }
    // The write reports success and stores nothing.
    virtual bool DropsWrite(Fault&, std::string_view /*entry*/) const { return false; }
    // The read's data comes back with one bit flipped.
    virtual bool FlipsRead(Fault&, std::string_view /*entry*/) const { return false; }
    // The read's data comes back corrupted in a way of the kind's choosing.
    virtual void CorruptsRead(Fault&, std::string_view /*entry*/, uint8_t* /*data*/,
                              size_t /*length*/) const {}
    // The transfer moves only the first bytes (a short read, a partial write); returns how many.
    virtual uint32_t ShortensTransfer(Fault&, std::string_view /*entry*/, uint32_t length) const {
        return length;
    }
    // The reader disappears after this call.
    virtual bool DetachesAfter(Fault&, std::string_view /*entry*/) const { return false; }
    // A busy bit that never clears.
    virtual bool KeepsBusy(const Fault&) const { return false; }
    // After a reset the reader stays away until the driver-update tool runs.
    virtual bool KeepsAwayAfterReset(const Fault&) const { return false; }
    // This reset through `entry` leaves the reader away until the driver-update tool runs.
    virtual bool LosesReset(Fault&, std::string_view /*entry*/) const { return false; }
    // EFUSE writes burn only at the boosted regulator setting.
    virtual bool WeakensFuses(const Fault&) const { return false; }
    // The fault has done all it was set to do and can be dropped.
    virtual bool Spent(const Fault&) const { return false; }
};

const std::vector<const FaultKind*>& FaultKinds();
const FaultKind* FindFaultKind(std::string_view name);

// Sets a fault on the reader, replacing one of the same kind and entry.
void SetFault(Reader& reader, const Fault& fault);
// Removes the faults of one kind ("busy off"); all of them when kind is empty ("off").
void ClearFaults(Reader& reader, std::string_view kind);

// The faults of one reader applied to one call. Changed() tells whether a counter moved, so the
// state must be saved.
class ReaderFaults {
public:
    ReaderFaults(Reader& reader, std::string_view entry) : m_reader(reader), m_entry(entry) {}

    bool FailsCall();
    bool DropsWrite();
    // Flips one bit of the data (bit 0 of its middle byte) when a flip fault is due, and applies the
    // corruptions of the other kinds.
    void ApplyToRead(uint8_t* data, size_t length);
    // How many of `length` bytes a read or write really moves.
    uint32_t TransferLength(uint32_t length);
    bool DetachesAfter();
    bool Busy() const;
    // Whether the reset now under way keeps the reader away until the driver-update tool runs.
    bool KeepsAwayAfterReset();
    bool WeakFuses() const;

    bool Changed() const { return m_changed; }

private:
    template <typename Hook> bool Any(Hook hook);

    Reader& m_reader;
    std::string_view m_entry;
    bool m_changed = false;
};

} // namespace sim
