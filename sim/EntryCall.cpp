#include "sim/EntryCall.h"

#include "sim/FileAccess.h"
#include "sim/Journal.h"

#include <map>
#include <mutex>

namespace sim {

namespace {

// Handles of this process; one lock serialises the entries of its threads, the state lock those of
// different processes.
struct HandleTable {
    std::mutex mutex;
    std::map<uint32_t, OpenHandle> handles;
    uint32_t next = 0x100;

    uint32_t Add(OpenHandle handle) {
        while (next == 0 || handles.count(next))
            ++next;
        uint32_t value = next++;
        handles[value] = std::move(handle);
        return value;
    }
};

HandleTable& Table() {
    static HandleTable table;
    return table;
}

void Journal(SimState& state, int reader, const char* name, const ArgList& args, uint32_t result) {
    if (state.Data().journal)
        AppendJournal(state.Folder(), JournalLine(reader, name, args, HexArg(result)));
}

// The live handle record of `dev` in this state, or null.
OpenHandle* LiveHandle(SimState& state, uint32_t dev) {
    auto it = Table().handles.find(dev);
    if (dev == 0 || it == Table().handles.end())
        return nullptr;
    OpenHandle& handle = it->second;
    if (handle.folder != state.Folder() || !state.HasReader(handle.reader))
        return nullptr;
    const Reader& reader = state.ReaderAt(handle.reader);
    if (!reader.Present() || reader.generation != handle.generation)
        return nullptr;
    return &handle;
}

// Runs fn with the process lock held and every exception stopped at the C boundary.
template <typename Fn> uint32_t Guarded(Fn fn) {
    try {
        std::lock_guard lock(Table().mutex);
        return fn();
    } catch (...) {
        return 0;
    }
}

// Applies the detach-after fault of the call and saves the faults' counters.
void Finish(SimState& state, ReaderModel& model) {
    if (model.Faults().DetachesAfter())
        state.Detach(model.Index());
    if (model.Faults().Changed())
        state.Touch();
}

} // namespace

std::string LibraryStateFolder() {
    return StateFolder(ModuleFolder());
}

uint32_t OnHandle(const char* name, uint32_t dev,
                  const std::function<uint32_t(ReaderModel&, OpenHandle&)>& body,
                  const std::function<ArgList()>& args) {
    return Guarded([&]() -> uint32_t {
        SimState state(LibraryStateFolder());
        if (!state.Ready())
            return 0;
        uint32_t result = 0;
        int index = -1;
        if (OpenHandle* handle = LiveHandle(state, dev)) {
            index = static_cast<int>(handle->reader);
            ReaderModel model(state, handle->reader, name);
            if (!model.Faults().FailsCall())
                result = body(model, *handle);
            Finish(state, model);
        }
        Journal(state, index, name, args(), result);
        state.Commit();
        return result;
    });
}

uint32_t OnOpen(const char* name, OpenKind kind, uint32_t* index) {
    return Guarded([&]() -> uint32_t {
        SimState state(LibraryStateFolder());
        if (!state.Ready())
            return 0;
        uint32_t result = 0;
        int reached = -1;
        std::vector<SimState::NodeRef> nodes = state.OpenCandidates(kind);
        if (index && *index < nodes.size()) {
            const SimState::NodeRef& ref = nodes[*index];
            reached = static_cast<int>(ref.reader);
            ReaderModel model(state, ref.reader, name);
            if (!model.Faults().FailsCall()) {
                OpenHandle handle;
                handle.folder = state.Folder();
                handle.reader = ref.reader;
                handle.node = ref.node;
                handle.generation = state.ReaderAt(ref.reader).generation;
                result = Table().Add(std::move(handle));
            }
            Finish(state, model);
        }
        Journal(state, reached, name, {ValueArg(index)}, result);
        state.Commit();
        return result;
    });
}

uint32_t OnOpenInstance(uint32_t instance) {
    return Guarded([&]() -> uint32_t {
        SimState state(LibraryStateFolder());
        if (!state.Ready())
            return 0;
        uint32_t result = 0;
        int reached = -1;
        for (size_t i = 0; i < state.Data().readers.size() && reached < 0; ++i) {
            const Reader& reader = state.ReaderAt(i);
            for (Node node : {Node::Storage, Node::Disk}) {
                bool exists = node == Node::Disk || reader.storageClass || reader.bus == Bus::Pcie;
                if (!reader.Present() || !exists || NodeInstance(reader, node) != instance)
                    continue;
                reached = static_cast<int>(i);
                ReaderModel model(state, i, "QDGetInstHandle");
                if (!model.Faults().FailsCall()) {
                    OpenHandle handle;
                    handle.folder = state.Folder();
                    handle.reader = i;
                    handle.node = node;
                    handle.generation = reader.generation;
                    result = Table().Add(std::move(handle));
                }
                Finish(state, model);
                break;
            }
        }
        Journal(state, reached, "QDGetInstHandle", {HexArg(instance)}, result);
        state.Commit();
        return result;
    });
}

uint32_t OnClose(uint32_t dev) {
    return Guarded([&]() -> uint32_t {
        SimState state(LibraryStateFolder());
        if (!state.Ready())
            return 0;
        uint32_t result = 0;
        int index = -1;
        if (OpenHandle* handle = LiveHandle(state, dev)) {
            index = static_cast<int>(handle->reader);
            ReaderModel model(state, handle->reader, "QDClose");
            if (!model.Faults().FailsCall()) {
                Table().handles.erase(dev);
                result = 1;
            }
            Finish(state, model);
        } else {
            Table().handles.erase(dev); // a dead handle is forgotten all the same
        }
        Journal(state, index, "QDClose", {}, result);
        state.Commit();
        return result;
    });
}

uint32_t OnState(const char* name, bool journaled, const std::function<uint32_t(SimState&)>& body,
                 const std::function<ArgList()>& args) {
    return Guarded([&]() -> uint32_t {
        SimState state(LibraryStateFolder());
        if (!state.Ready())
            return 0;
        uint32_t result = body(state);
        if (journaled)
            Journal(state, -1, name, args(), result);
        state.Commit();
        return result;
    });
}

} // namespace sim
