#include "sim/Faults.h"

#include "sim/Entries.h"
#include "sim/RandomFaults.h"

#include <algorithm>

namespace sim {

namespace {

bool ParseCount(const std::string& text, uint32_t& value, std::string& error) {
    auto number = ParseNumber(text);
    if (!number) {
        error = "not a number: " + text;
        return false;
    }
    value = *number;
    return true;
}

// The entry argument: one of the 63 names, with the flag the kind needs.
bool ParseEntry(const std::string& name, unsigned flag, const char* what, Fault& fault, std::string& error) {
    const EntryInfo* entry = FindEntry(name);
    if (!entry) {
        error = "unknown entry " + name;
        return false;
    }
    if (flag && (entry->flags & flag) == 0) {
        error = name + " is not " + what;
        return false;
    }
    fault.entry = name;
    return true;
}

// Whether the fault's window of calls AFTER+1 ... AFTER+COUNT of its entry has passed.
bool WindowSpent(const Fault& fault) {
    return static_cast<uint64_t>(fault.calls) >= static_cast<uint64_t>(fault.after) + fault.count;
}

// Counts a call of `entry` against the fault's window; true when the call lies inside it.
bool HitsWindow(Fault& fault, std::string_view entry) {
    if (entry != fault.entry || WindowSpent(fault))
        return false;
    ++fault.calls;
    return fault.calls > fault.after;
}

// fail ENTRY COUNT [AFTER]: calls AFTER+1 ... AFTER+COUNT of ENTRY return 0.
class FailKind : public FaultKind {
public:
    const char* Name() const override { return "fail"; }
    const char* Usage() const override { return "ENTRY COUNT [AFTER]"; }
    bool Parse(const std::vector<std::string>& args, Fault& fault, std::string& error) const override {
        if (args.size() < 2 || args.size() > 3) {
            error = "fail needs ENTRY COUNT [AFTER]";
            return false;
        }
        return ParseEntry(args[0], 0, "", fault, error) && ParseCount(args[1], fault.count, error) &&
               (args.size() < 3 || ParseCount(args[2], fault.after, error));
    }
    bool FailsCall(Fault& fault, std::string_view entry) const override { return HitsWindow(fault, entry); }
    bool Spent(const Fault& fault) const override { return WindowSpent(fault); }
};

// lie ENTRY COUNT [AFTER]: writes AFTER+1 ... AFTER+COUNT of ENTRY (the next COUNT by default) report
// success and store nothing.
class LieKind : public FaultKind {
public:
    const char* Name() const override { return "lie"; }
    const char* Usage() const override { return "ENTRY COUNT [AFTER]"; }
    bool Parse(const std::vector<std::string>& args, Fault& fault, std::string& error) const override {
        if (args.size() < 2 || args.size() > 3) {
            error = "lie needs ENTRY COUNT [AFTER]";
            return false;
        }
        return ParseEntry(args[0], kEntryWrites, "a write entry", fault, error) &&
               ParseCount(args[1], fault.count, error) &&
               (args.size() < 3 || ParseCount(args[2], fault.after, error));
    }
    bool DropsWrite(Fault& fault, std::string_view entry) const override { return HitsWindow(fault, entry); }
    bool Spent(const Fault& fault) const override { return WindowSpent(fault); }
};

// flip ENTRY [COUNT [AFTER]]: reads AFTER+1 ... AFTER+COUNT of ENTRY (the next one by default)
// return data with one bit flipped.
class FlipKind : public FaultKind {
public:
    const char* Name() const override { return "flip"; }
    const char* Usage() const override { return "ENTRY [COUNT [AFTER]]"; }
    bool Parse(const std::vector<std::string>& args, Fault& fault, std::string& error) const override {
        if (args.empty() || args.size() > 3) {
            error = "flip needs ENTRY [COUNT [AFTER]]";
            return false;
        }
        fault.count = 1;
        return ParseEntry(args[0], kEntryReads, "a read entry", fault, error) &&
               (args.size() < 2 || ParseCount(args[1], fault.count, error)) &&
               (args.size() < 3 || ParseCount(args[2], fault.after, error));
    }
    bool FlipsRead(Fault& fault, std::string_view entry) const override { return HitsWindow(fault, entry); }
    bool Spent(const Fault& fault) const override { return WindowSpent(fault); }
};

// detach-after ENTRY K: the reader disappears after the K-th call of ENTRY.
class DetachAfterKind : public FaultKind {
public:
    const char* Name() const override { return "detach-after"; }
    const char* Usage() const override { return "ENTRY K"; }
    bool Parse(const std::vector<std::string>& args, Fault& fault, std::string& error) const override {
        if (args.size() != 2) {
            error = "detach-after needs ENTRY K";
            return false;
        }
        if (!ParseEntry(args[0], 0, "", fault, error) || !ParseCount(args[1], fault.count, error))
            return false;
        if (fault.count == 0) {
            error = "detach-after needs K of at least 1";
            return false;
        }
        return true;
    }
    bool DetachesAfter(Fault& fault, std::string_view entry) const override {
        if (entry != fault.entry || Spent(fault))
            return false;
        ++fault.calls;
        return fault.calls == fault.count;
    }
    bool Spent(const Fault& fault) const override { return fault.calls >= fault.count; }
};

// A fault that is on or off: busy, reset-gone, weak-fuses.
class SwitchKind : public FaultKind {
public:
    bool IsSwitch() const override { return true; }
    const char* Usage() const override { return "on|off"; }
    bool Parse(const std::vector<std::string>& args, Fault&, std::string& error) const override {
        if (args.size() != 1 || (args[0] != "on" && args[0] != "off")) {
            error = std::string(Name()) + " needs on or off";
            return false;
        }
        return true;
    }
};

class BusyKind : public SwitchKind {
public:
    const char* Name() const override { return "busy"; }
    bool KeepsBusy(const Fault&) const override { return true; }
};

class ResetGoneKind : public SwitchKind {
public:
    const char* Name() const override { return "reset-gone"; }
    bool KeepsAwayAfterReset(const Fault&) const override { return true; }
};

class WeakFusesKind : public SwitchKind {
public:
    const char* Name() const override { return "weak-fuses"; }
    bool WeakensFuses(const Fault&) const override { return true; }
};

} // namespace

const std::vector<const FaultKind*>& FaultKinds() {
    static const FailKind fail;
    static const LieKind lie;
    static const FlipKind flip;
    static const DetachAfterKind detachAfter;
    static const BusyKind busy;
    static const ResetGoneKind resetGone;
    static const WeakFusesKind weakFuses;
    static const RandomKind random;
    static const std::vector<const FaultKind*> table = {&fail, &lie,       &flip,      &detachAfter,
                                                        &busy, &resetGone, &weakFuses, &random};
    return table;
}

const FaultKind* FindFaultKind(std::string_view name) {
    for (const FaultKind* kind : FaultKinds())
        if (name == kind->Name())
            return kind;
    return nullptr;
}

void SetFault(Reader& reader, const Fault& fault) {
    auto same = [&](const Fault& f) { return f.kind == fault.kind && f.entry == fault.entry; };
    reader.faults.erase(std::remove_if(reader.faults.begin(), reader.faults.end(), same),
                        reader.faults.end());
    reader.faults.push_back(fault);
}

void ClearFaults(Reader& reader, std::string_view kind) {
    if (kind.empty()) {
        reader.faults.clear();
        return;
    }
    const FaultKind* row = FindFaultKind(kind);
    // Only switch kinds are removed by kind; counted faults stay until they are spent or "off".
    if (!row || !row->IsSwitch())
        return;
    auto match = [&](const Fault& f) { return f.kind == kind; };
    reader.faults.erase(std::remove_if(reader.faults.begin(), reader.faults.end(), match),
                        reader.faults.end());
}

template <typename Hook> bool ReaderFaults::Any(Hook hook) {
    bool hit = false;
    for (Fault& fault : m_reader.faults) {
        const FaultKind* kind = FindFaultKind(fault.kind);
        if (!kind)
            continue;
        uint32_t before = fault.calls;
        if (hook(*kind, fault))
            hit = true;
        if (fault.calls != before)
            m_changed = true;
    }
    // Drop what is spent, so the state file only lists live faults.
    auto spent = [](const Fault& f) {
        const FaultKind* kind = FindFaultKind(f.kind);
        return kind && kind->Spent(f);
    };
    size_t count = m_reader.faults.size();
    m_reader.faults.erase(std::remove_if(m_reader.faults.begin(), m_reader.faults.end(), spent),
                          m_reader.faults.end());
    if (m_reader.faults.size() != count)
        m_changed = true;
    return hit;
}

bool ReaderFaults::FailsCall() {
    return Any([&](const FaultKind& kind, Fault& fault) { return kind.FailsCall(fault, m_entry); });
}

bool ReaderFaults::DropsWrite() {
    return Any([&](const FaultKind& kind, Fault& fault) { return kind.DropsWrite(fault, m_entry); });
}

void ReaderFaults::ApplyToRead(uint8_t* data, size_t length) {
    if (Any([&](const FaultKind& kind, Fault& fault) { return kind.FlipsRead(fault, m_entry); }) &&
        length > 0)
        data[length / 2] ^= 0x01;
    Any([&](const FaultKind& kind, Fault& fault) {
        kind.CorruptsRead(fault, m_entry, data, length);
        return false;
    });
}

uint32_t ReaderFaults::TransferLength(uint32_t length) {
    uint32_t moved = length;
    Any([&](const FaultKind& kind, Fault& fault) {
        moved = std::min(moved, kind.ShortensTransfer(fault, m_entry, length));
        return false;
    });
    return moved;
}

bool ReaderFaults::DetachesAfter() {
    return Any([&](const FaultKind& kind, Fault& fault) { return kind.DetachesAfter(fault, m_entry); });
}

bool ReaderFaults::Busy() const {
    for (const Fault& fault : m_reader.faults)
        if (const FaultKind* kind = FindFaultKind(fault.kind); kind && kind->KeepsBusy(fault))
            return true;
    return false;
}

bool ReaderFaults::KeepsAwayAfterReset() {
    for (const Fault& fault : m_reader.faults)
        if (const FaultKind* kind = FindFaultKind(fault.kind); kind && kind->KeepsAwayAfterReset(fault))
            return true;
    return Any([&](const FaultKind& kind, Fault& fault) { return kind.LosesReset(fault, m_entry); });
}

bool ReaderFaults::WeakFuses() const {
    for (const Fault& fault : m_reader.faults)
        if (const FaultKind* kind = FindFaultKind(fault.kind); kind && kind->WeakensFuses(fault))
            return true;
    return false;
}

} // namespace sim
