#include "platform/Text.h"

#include <cstdio>
#include <vector>

namespace platform {

std::string StrVPrintf(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n <= 0)
        return std::string();
    std::vector<char> buffer(static_cast<size_t>(n) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    return std::string(buffer.data(), static_cast<size_t>(n));
}

std::string StrPrintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = StrVPrintf(format, args);
    va_end(args);
    return text;
}

namespace {
constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at `pos`; returns false (and leaves pos) on an invalid sequence.
bool DecodeUtf8(const std::string& s, size_t& pos, char32_t& out) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    unsigned char b0 = byte(pos);
    size_t len;
    char32_t cp;
    if (b0 < 0x80) {
        out = b0;
        ++pos;
        return true;
    } else if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        cp = b0 & 0x07;
    } else {
        return false;
    }
    if (pos + len > s.size())
        return false;
    for (size_t i = 1; i < len; ++i) {
        unsigned char b = byte(pos + i);
        if ((b & 0xC0) != 0x80)
            return false;
        cp = (cp << 6) | (b & 0x3F);
    }
    static const char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return false;
    out = cp;
    pos += len;
    return true;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Windows-1252 bytes 0x80-0x9F; the five unassigned ones map to themselves.
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
} // namespace

std::u16string Utf8ToUtf16(const std::string& text) {
    std::u16string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        char32_t cp;
        if (!DecodeUtf8(text, pos, cp)) {
            cp = kReplacement;
            ++pos;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string Utf16ToUtf8(const std::u16string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

bool IsValidUtf8(const std::string& bytes) {
    size_t pos = 0;
    char32_t cp;
    while (pos < bytes.size())
        if (!DecodeUtf8(bytes, pos, cp))
            return false;
    return true;
}

std::string IniBytesToUtf8(const std::string& bytes) {
    if (IsValidUtf8(bytes))
        return bytes;
    std::string out;
    for (unsigned char b : bytes) {
        char32_t cp = b;
        if (b >= 0x80 && b < 0xA0)
            cp = kCp1252High[b - 0x80];
        AppendUtf8(out, cp);
    }
    return out;
}

std::string Latin1ToUtf8(const std::string& bytes) {
    std::string out;
    for (unsigned char b : bytes)
        AppendUtf8(out, b);
    return out;
}

std::string Utf8ToLatin1(const std::string& text) {
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        char32_t cp;
        if (!DecodeUtf8(text, pos, cp)) {
            cp = '?';
            ++pos;
        }
        out += cp <= 0xFF ? static_cast<char>(cp) : '?';
    }
    return out;
}

size_t CharCount(const std::string& text) {
    size_t count = 0, pos = 0;
    char32_t cp;
    while (pos < text.size()) {
        if (!DecodeUtf8(text, pos, cp))
            ++pos;
        ++count;
    }
    return count;
}

std::string LeftChars(const std::string& text, size_t count) {
    size_t pos = 0;
    char32_t cp;
    while (pos < text.size() && count > 0) {
        if (!DecodeUtf8(text, pos, cp))
            ++pos;
        --count;
    }
    return text.substr(0, pos);
}

} // namespace platform
