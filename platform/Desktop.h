#pragma once

#include <string>

namespace platform {

// Shows a message in a box with an OK button and waits for it, where a user sits at a desktop that
// sees this process (Windows, interactive, standard output not redirected). False, with nothing shown,
// everywhere else: the caller then writes the text to a stream.
bool ShowMessageOnDesktop(const std::string& caption, const std::string& text);

// Whether standard error goes to a terminal a person watches (not a file, pipe or log).
bool StandardErrorIsTerminal();

} // namespace platform
