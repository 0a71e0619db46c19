#pragma once

#include "model/IniFile.h"
#include "model/ProjectTypes.h"

#include <cstdint>
#include <string>

// The firmware table of config.ini: up to 16 sections "Reader<kind>_FWInfo_00" ... "_0F", each naming a
// firmware image ("FWFile", "FWInfo") and the readers it is meant for. Every rule reads the table
// afresh; the lower section index wins when several match.
class FirmwareTable {
public:
    static constexpr unsigned kMaxSections = 16;

    FirmwareTable(const CIniFile& config, MemoryKind kind) : m_config(config), m_kind(kind) {}

    static std::string SectionName(MemoryKind kind, unsigned index);

    struct Choice {
        std::string strFile; // "FWFile"
        std::string strInfo; // "FWInfo"
    };

    // The section whose non-zero "Rom FwVersion" equals the reader's 32-bit firmware key.
    bool FindFwFile(uint32_t firmwareKey, Choice& choice) const;
    // Whether any section has a non-zero "Rom IcVersion", "Rom FwVersion" or "Rom SubVersion".
    bool FwTableHasRomVersions() const;
    // Whether a section's "Check VID"/"Check PID" or "Rom VID"/"Rom PID" pair equals the reader's.
    bool FwTableMatchesIds(uint16_t vendorId, uint16_t productId) const;
    // The first section whose Rom (or Check) version rule the reader's versions satisfy; without one,
    // an empty file and the information "N/A".
    bool SelectFwByRom(uint16_t fwVersion, uint16_t subVersion, Choice& choice) const;
    bool SelectFwByCheck(uint16_t fwVersion, uint16_t subVersion, Choice& choice) const;

private:
    bool SelectByVersions(const char* prefix, uint16_t fwVersion, uint16_t subVersion, Choice& choice) const;
    uint16_t Number16(int section, const char* entry) const;
    Choice ChoiceOf(int section) const;

    const CIniFile& m_config;
    MemoryKind m_kind;
};
