#include "device/FirmwareTable.h"

#include "app/Messages.h"
#include "platform/Text.h"

std::string FirmwareTable::SectionName(MemoryKind kind, unsigned index) {
    return platform::StrPrintf("Reader%s_%s_%02X", MemoryKindShortName(kind).c_str(), "FWInfo", index);
}

uint16_t FirmwareTable::Number16(int section, const char* entry) const {
    return static_cast<uint16_t>(m_config.GetNumber(section, entry, 0));
}

FirmwareTable::Choice FirmwareTable::ChoiceOf(int section) const {
    return Choice{platform::IniBytesToUtf8(m_config.GetString(section, "FWFile", "")),
                  platform::IniBytesToUtf8(m_config.GetString(section, "FWInfo", ""))};
}

bool FirmwareTable::FindFwFile(uint32_t firmwareKey, Choice& choice) const {
    for (unsigned index = 0; index < kMaxSections; ++index) {
        int section = m_config.FindSection(SectionName(m_kind, index));
        if (section == CIniFile::INI_NOT_FOUND)
            continue;
        uint32_t romFwVersion = m_config.GetNumber(section, "Rom FwVersion", 0);
        if (romFwVersion != 0 && romFwVersion == firmwareKey) {
            choice = ChoiceOf(section);
            return true;
        }
    }
    return false;
}

bool FirmwareTable::FwTableHasRomVersions() const {
    for (unsigned index = 0; index < kMaxSections; ++index) {
        int section = m_config.FindSection(SectionName(m_kind, index));
        if (section == CIniFile::INI_NOT_FOUND)
            continue;
        if (Number16(section, "Rom IcVersion") || Number16(section, "Rom FwVersion") ||
            Number16(section, "Rom SubVersion"))
            return true;
    }
    return false;
}

bool FirmwareTable::FwTableMatchesIds(uint16_t vendorId, uint16_t productId) const {
    if (vendorId == 0 && productId == 0)
        return false;
    for (unsigned index = 0; index < kMaxSections; ++index) {
        int section = m_config.FindSection(SectionName(m_kind, index));
        if (section == CIniFile::INI_NOT_FOUND)
            continue;
        bool check =
            Number16(section, "Check VID") == vendorId && Number16(section, "Check PID") == productId;
        bool rom = Number16(section, "Rom VID") == vendorId && Number16(section, "Rom PID") == productId;
        if (check || rom)
            return true;
    }
    return false;
}

bool FirmwareTable::SelectByVersions(const char* prefix, uint16_t fwVersion, uint16_t subVersion,
                                     Choice& choice) const {
    const std::string base = prefix;
    for (unsigned index = 0; index < kMaxSections; ++index) {
        int section = m_config.FindSection(SectionName(m_kind, index));
        if (section == CIniFile::INI_NOT_FOUND)
            continue;
        uint16_t ic = Number16(section, (base + " IcVersion").c_str());
        uint16_t fv = Number16(section, (base + " FwVersion").c_str());
        uint16_t sv = Number16(section, (base + " SubVersion").c_str());
        if (ic == 0 && fv == 0 && sv == 0)
            continue;
        if (ic != 0 && (ic >> 8) != (fwVersion >> 8))
            continue;
        if (fv != 0 && fv != fwVersion)
            continue;
        if (sv != 0 && sv != subVersion)
            continue;
        choice = ChoiceOf(section);
        return true;
    }
    choice = Choice{"", "N/A"};
    return false;
}

bool FirmwareTable::SelectFwByRom(uint16_t fwVersion, uint16_t subVersion, Choice& choice) const {
    return SelectByVersions("Rom", fwVersion, subVersion, choice);
}

bool FirmwareTable::SelectFwByCheck(uint16_t fwVersion, uint16_t subVersion, Choice& choice) const {
    return SelectByVersions("Check", fwVersion, subVersion, choice);
}
