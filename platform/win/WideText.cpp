#include "platform/win/WideText.h"

#include "platform/Text.h"

namespace platform::win {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide characters are UTF-16 units on Windows");

std::wstring Widen(const std::string& text) {
    std::u16string wide = Utf8ToUtf16(text);
    return std::wstring(wide.begin(), wide.end());
}

std::string Narrow(const std::wstring& text) {
    return Utf16ToUtf8(std::u16string(text.begin(), text.end()));
}

} // namespace platform::win
