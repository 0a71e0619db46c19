#pragma once

#include "sim/ReaderModel.h"

#include <functional>
#include <string>
#include <vector>

namespace sim {

using ArgList = std::vector<std::string>;

// What the library knows about one handle it gave out. Handles live in the process that opened
// them; a handle is dead once its reader disconnected (reset, detach) or the state folder changed.
struct OpenHandle {
    std::string folder;
    size_t reader = 0;
    Node node = Node::Disk;
    uint32_t generation = 0;
    // Control-pipe transfers: next flash offset and packet number of the write and verify phases.
    uint32_t dmWriteOffset = 0;
    uint32_t dmWritePackets = 0;
    uint32_t dmVerifyOffset = 0;
    uint32_t dmVerifyPackets = 0;
};

// The state folder of the library: $QUILLIX_SIM_DIR, else simreader/ beside libQdCRLib.so.
std::string LibraryStateFolder();

// Runs an entry that takes a device handle. The body runs only for a live handle and when no fail
// fault stops the call; the call is journaled with its arguments (formatted after the body, so
// values it returned through pointers show) and result. Faults and changes are saved.
uint32_t OnHandle(const char* name, uint32_t dev,
                  const std::function<uint32_t(ReaderModel&, OpenHandle&)>& body,
                  const std::function<ArgList()>& args);

// The open entries: the reader node at *index among those an open of `kind` sees.
uint32_t OnOpen(const char* name, OpenKind kind, uint32_t* index);
// QDGetInstHandle: opens the present node with that instance.
uint32_t OnOpenInstance(uint32_t instance);
// QDClose: forgets the handle; 1 when it was live.
uint32_t OnClose(uint32_t dev);

// Entries that work on the whole state rather than one handle; journaled when `journaled`.
uint32_t OnState(const char* name, bool journaled, const std::function<uint32_t(SimState&)>& body,
                 const std::function<ArgList()>& args);

} // namespace sim
