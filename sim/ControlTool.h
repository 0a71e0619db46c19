#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace sim {

struct Reader;

// Exit statuses of quillix-sim.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // the state could not be read or written
constexpr int kExitBadInput = 2; // unknown command, preset, reader, key, fault kind, unreadable file

// Runs `quillix-sim [--dir DIR] COMMAND ...` (args without the program name). Results go to `out`,
// a one-line error to `err`. Bad input leaves the state unchanged.
int RunControlTool(const std::vector<std::string>& args, const std::string& programFolder, std::ostream& out,
                   std::ostream& err);

// One `show` line of a reader.
std::string ShowLine(size_t index, const Reader& reader);

} // namespace sim
