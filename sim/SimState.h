#pragma once

#include "sim/DeviceTree.h"
#include "sim/MemoryChip.h"
#include "sim/Scenario.h"
#include "sim/StateFolder.h"

#include <memory>
#include <string>
#include <vector>

namespace sim {

// The simulator's state for one operation: holds the state folder's lock, the scenario as loaded,
// and writes the scenario back (atomically) when something changed. A state folder without a
// scenario starts with the default preset. Library entries, quillix-sim and udrvup all go through it.
class SimState {
public:
    // Load: use the state as stored. Replace: lock only, for a caller that replaces every reader, so
    // that even an unreadable scenario can be started afresh.
    enum class Open { Load, Replace };
    explicit SimState(std::string folder, Open open = Open::Load);

    bool Ready() const { return m_ready; }
    const std::string& Error() const { return m_error; }
    const std::string& Folder() const { return m_folder; }

    Scenario& Data() { return m_scenario; }
    const Scenario& Data() const { return m_scenario; }
    bool HasReader(size_t index) const { return index < m_scenario.readers.size(); }
    Reader& ReaderAt(size_t index) { return m_scenario.readers.at(index); }

    // Marks the scenario as changed; Commit writes it.
    void Touch() { m_modified = true; }
    bool Commit();

    // The reader nodes an open of that kind sees now, in reader order. A reader away after a reset
    // counts an open of its own interface (PrimaryNode) as an attempt to reach it and comes back
    // when it has refused enough of them.
    struct NodeRef {
        size_t reader;
        Node node;
    };
    std::vector<NodeRef> OpenCandidates(OpenKind kind);

    // Connection changes; each records its device event.
    void Disconnect(size_t index, bool untilDriverUpdate); // after an accepted reset
    void Detach(size_t index);
    void Attach(size_t index);
    // Brings back every reader held away (the driver-update tool); returns how many came back.
    uint32_t BringBackAll();

    // Replaces every reader (old memory files removed), or adds one; memories get factory content.
    bool ReplaceReaders(std::vector<Reader> readers, std::string& error);
    bool AddReader(Reader reader, std::string& error);
    // Changes a memory's size; new bytes are blank.
    bool ResizeMemory(size_t index, Memory memory, uint32_t size, std::string& error);

    std::unique_ptr<MemoryChip> Chip(size_t index, Memory memory) const;

private:
    bool CreateMemories(size_t index, std::string& error);

    std::string m_folder;
    StateLock m_lock;
    Scenario m_scenario;
    bool m_ready = false;
    bool m_modified = false;
    std::string m_error;
};

} // namespace sim
