#pragma once

#include <cstdarg>
#include <string>

// Format checking of printf-style functions. MinGW's "printf" archetype checks the Microsoft runtime's
// formats; the tool is built with the C99 ones there (__USE_MINGW_ANSI_STDIO), which "gnu_printf" checks.
#if defined(__MINGW32__)
#define QUILLIX_PRINTF_FORMAT(formatIndex, firstArgument)                                                    \
    __attribute__((format(gnu_printf, formatIndex, firstArgument)))
#else
#define QUILLIX_PRINTF_FORMAT(formatIndex, firstArgument)                                                    \
    __attribute__((format(printf, formatIndex, firstArgument)))
#endif

namespace platform {

// printf-style formatting into a std::string (the toolchain has no std::format).
std::string StrPrintf(const char* format, ...) QUILLIX_PRINTF_FORMAT(1, 2);
std::string StrVPrintf(const char* format, va_list args);

// UTF-8 <-> UTF-16 (invalid UTF-8 bytes become U+FFFD).
std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(const std::u16string& text);

bool IsValidUtf8(const std::string& bytes);

// Byte strings from INI files as text: valid UTF-8 stays, anything else is read as Windows-1252.
std::string IniBytesToUtf8(const std::string& bytes);

// Strings inside memory images are Latin-1 (byte value = code point). A character above U+00FF
// becomes '?'.
std::string Latin1ToUtf8(const std::string& bytes);
std::string Utf8ToLatin1(const std::string& text);

// Number of characters (code points) of UTF-8 text.
size_t CharCount(const std::string& text);
// The first `count` characters of UTF-8 text.
std::string LeftChars(const std::string& text, size_t count);

} // namespace platform
