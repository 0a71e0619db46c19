#pragma once

#include <string>
#include <string_view>

namespace platform::win {

// Replaces the content of the file at `path` in one step: the content goes into a new file beside it,
// which is then moved over the old one, so a failed write never damages the old file. When the folder
// refuses the new file, the file is written in place. False when the content could not be stored.
bool ReplaceFileContent(const std::string& path, std::string_view content);

} // namespace platform::win
