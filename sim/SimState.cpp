#include "sim/SimState.h"

#include "platform/FileSystem.h"
#include "sim/FileAccess.h"
#include "sim/Presets.h"

namespace sim {

SimState::SimState(std::string folder, Open open) : m_folder(std::move(folder)), m_lock(m_folder) {
    if (!m_lock.Locked()) {
        m_error = m_lock.Error();
        return;
    }
    if (open == Open::Replace) {
        // Keep the event count growing for the watchers, when the old scenario still tells it.
        Scenario old;
        std::string ignored;
        if (LoadScenario(ScenarioPath(m_folder), old, ignored))
            m_scenario = std::move(old);
    } else if (!platform::FileExists(ScenarioPath(m_folder))) {
        if (!ReplaceReaders({MakeReader(*FindPreset(kDefaultPreset), 0)}, m_error) || !Commit())
            return;
    } else if (!LoadScenario(ScenarioPath(m_folder), m_scenario, m_error)) {
        return;
    }
    m_ready = true;
}

bool SimState::Commit() {
    if (!m_modified)
        return true;
    if (!SaveScenario(ScenarioPath(m_folder), m_scenario, m_error))
        return false;
    m_modified = false;
    return true;
}

std::vector<SimState::NodeRef> SimState::OpenCandidates(OpenKind kind) {
    std::vector<NodeRef> nodes;
    for (size_t i = 0; i < m_scenario.readers.size(); ++i) {
        Reader& reader = m_scenario.readers[i];
        std::optional<Node> node = OpenedNode(reader, kind);
        if (!node || !reader.attached)
            continue;
        if (reader.away) {
            // Only opens of the reader's own interface count as attempts to reach it.
            if (reader.gone || *node != PrimaryNode(reader))
                continue;
            Touch();
            if (reader.awayOpens > 0) {
                --reader.awayOpens;
                continue;
            }
            reader.away = false;
            m_scenario.AddEvent(true, reader.instance);
        }
        nodes.push_back({i, *node});
    }
    return nodes;
}

void SimState::Disconnect(size_t index, bool untilDriverUpdate) {
    Reader& reader = ReaderAt(index);
    ++reader.generation;
    reader.away = true;
    reader.awayOpens = reader.reconnectOpens;
    reader.gone = untilDriverUpdate;
    reader.registers.clear(); // registers start from their power-on values when it comes back
    m_scenario.AddEvent(false, reader.instance);
    Touch();
}

void SimState::Detach(size_t index) {
    Reader& reader = ReaderAt(index);
    if (!reader.attached)
        return;
    bool wasPresent = reader.Present();
    reader.attached = false;
    ++reader.generation;
    if (wasPresent)
        m_scenario.AddEvent(false, reader.instance);
    Touch();
}

void SimState::Attach(size_t index) {
    Reader& reader = ReaderAt(index);
    if (reader.Present())
        return;
    // Plugging a reader in again starts it afresh, whatever held it away.
    reader.attached = true;
    reader.away = false;
    reader.gone = false;
    reader.awayOpens = 0;
    reader.registers.clear();
    m_scenario.AddEvent(true, reader.instance);
    Touch();
}

uint32_t SimState::BringBackAll() {
    uint32_t count = 0;
    for (Reader& reader : m_scenario.readers) {
        if (!reader.attached || !reader.away)
            continue;
        reader.away = false;
        reader.gone = false;
        reader.awayOpens = 0;
        m_scenario.AddEvent(true, reader.instance);
        ++count;
    }
    if (count)
        Touch();
    return count;
}

bool SimState::CreateMemories(size_t index, std::string& error) {
    const Reader& reader = m_scenario.readers.at(index);
    for (Memory memory : kMemories) {
        std::string path = MemoryPath(m_folder, index, memory);
        if (reader.MemorySize(memory) == 0) {
            RemoveFile(path);
            continue;
        }
        if (!CreateMemoryFile(path, FactoryContent(reader, memory), error))
            return false;
    }
    return true;
}

bool SimState::ReplaceReaders(std::vector<Reader> readers, std::string& error) {
    for (size_t i = 0; i < m_scenario.readers.size(); ++i) {
        if (m_scenario.readers[i].Present())
            m_scenario.AddEvent(false, m_scenario.readers[i].instance);
        for (Memory memory : kMemories)
            RemoveFile(MemoryPath(m_folder, i, memory));
    }
    m_scenario.readers = std::move(readers);
    m_scenario.hubs.clear();
    Touch();
    for (size_t i = 0; i < m_scenario.readers.size(); ++i) {
        if (!CreateMemories(i, error))
            return false;
        m_scenario.AddEvent(true, m_scenario.readers[i].instance);
    }
    return true;
}

bool SimState::AddReader(Reader reader, std::string& error) {
    m_scenario.readers.push_back(std::move(reader));
    Touch();
    size_t index = m_scenario.readers.size() - 1;
    if (!CreateMemories(index, error))
        return false;
    m_scenario.AddEvent(true, m_scenario.readers[index].instance);
    return true;
}

bool SimState::ResizeMemory(size_t index, Memory memory, uint32_t size, std::string& error) {
    Reader& reader = ReaderAt(index);
    uint32_t old = reader.MemorySize(memory);
    std::string path = MemoryPath(m_folder, index, memory);
    if (size == 0) {
        RemoveFile(path);
    } else if (!ResizeMemoryFile(path, old, size, BlankByte(reader, memory), error)) {
        return false;
    }
    reader.memorySize[static_cast<size_t>(memory)] = size;
    Touch();
    return true;
}

std::unique_ptr<MemoryChip> SimState::Chip(size_t index, Memory memory) const {
    return OpenChip(m_folder, index, m_scenario.readers.at(index), memory);
}

} // namespace sim
