#pragma once

#include "core/ParseArg.h"

#include <cstddef>
#include <cstdint>
#include <string>

// One command line on fuzzer input: the first byte chooses the grammar, the rest is the line. Returns
// false when the parse breaks its rules: a file option's argument is the end of the line, an option
// without a file has no argument, and the reduced grammar knows only -LUN.
inline bool RunCommandLineFuzzCase(const uint8_t* data, size_t size) {
    if (size == 0)
        return true;
    const bool reduced = (data[0] & 1) != 0;
    const std::string line(reinterpret_cast<const char*>(data + 1), size - 1);
    const ParsedCommandLine parsed = ParseCommandLine(line, reduced);
    const std::string& argument = parsed.strArgument;
    if (argument.size() > line.size() ||
        line.compare(line.size() - argument.size(), argument.size(), argument) != 0)
        return false;
    switch (parsed.chOption) {
    case 'W':
    case 'R':
    case 'T':
    case 'I':
    case 'L':
        break;
    case 'E':
    case 'C':
    case 'H':
    case 0:
        if (!argument.empty())
            return false;
        break;
    default:
        return false;
    }
    if (reduced && parsed.chOption != 'L' && parsed.chOption != 0)
        return false;
    UsageText(data[0] >> 1);
    return true;
}
