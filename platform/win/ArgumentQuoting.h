#pragma once

#include <string>
#include <vector>

namespace platform {

// The command line that starts `program` with `arguments` so that the started program's C runtime
// splits it back into exactly these strings.
std::string BuildCommandLine(const std::string& program, const std::vector<std::string>& arguments);

} // namespace platform
