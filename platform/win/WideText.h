#pragma once

#include <string>

namespace platform::win {

// Paths and texts are UTF-8 inside the tool; the system's wide-character calls take UTF-16.
std::wstring Widen(const std::string& text);
std::string Narrow(const std::wstring& text);

} // namespace platform::win
