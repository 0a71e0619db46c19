#include "platform/win/ModuleFileName.h"

#include "platform/win/WideText.h"

#include <vector>

namespace platform::win {

std::string ModuleFileName(HMODULE module) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return std::string();
        if (n < buffer.size())
            return Narrow(std::wstring(buffer.data(), n));
        if (buffer.size() >= 32768)
            return std::string();
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace platform::win
