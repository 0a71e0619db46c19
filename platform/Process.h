#pragma once

#include <string>
#include <vector>

namespace platform {

// Starts `program` with `arguments` (argv[1..]; no shell), inheriting environment and working
// directory, and waits for it to end without a time limit. True when the process was started.
bool RunAndWait(const std::string& program, const std::vector<std::string>& arguments);

} // namespace platform
