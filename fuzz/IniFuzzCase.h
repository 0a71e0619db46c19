#pragma once

#include "model/IniFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

// One INI load on fuzzer input: the bytes become a file, which is loaded, looked up and saved again.
// Returns false when an invariant of the store does not hold: every section and entry is found again
// by its own name, and what was saved loads back to the same sections, names and values.
inline bool RunIniFuzzCase(const uint8_t* data, size_t size) {
    const std::string base = "/tmp/quillix-ini-fuzz-" + std::to_string(getpid());
    const std::string input = base + ".ini";
    const std::string saved = base + "-saved.ini";
    if (FILE* file = std::fopen(input.c_str(), "wb")) {
        if (size > 0)
            std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    CIniFile ini(input);
    const bool loaded = ini.Load();
    bool ok = true;
    for (int s = 0; s < ini.SectionCount() && ok; ++s) {
        const std::string& name = ini.SectionName(s);
        const int found = ini.FindSection(name);
        ok = found >= 0 && found <= s;
        const CIniFile::IniSection& section = ini.Section(s);
        for (size_t e = 0; e < section.names.size() && ok; ++e) {
            const int entry = ini.FindEntry(s, section.names[e]);
            ok = entry >= 0 && static_cast<size_t>(entry) <= e;
            ini.GetNumber(s, section.names[e], 0);
        }
    }
    if (ok && loaded) {
        ini.SetPath(saved);
        CIniFile back(saved);
        ok = ini.Save() && back.Load() && back.SectionCount() == ini.SectionCount();
        for (int s = 0; s < ini.SectionCount() && ok; ++s) {
            const CIniFile::IniSection& a = ini.Section(s);
            const CIniFile::IniSection& b = back.Section(s);
            ok = back.SectionName(s) == ini.SectionName(s) && a.names == b.names && a.values == b.values;
        }
    }
    std::remove(input.c_str());
    std::remove(saved.c_str());
    return ok;
}
