#include "model/IcTypeIni.h"

#include "app/TraceLog.h"
#include "model/ConfigIni.h"
#include "platform/FileSystem.h"
#include "platform/ProgramFolder.h"
#include "platform/Text.h"

#include <algorithm>
#include <array>

MemoryKind g_ProjectType = FLASH;
BusType g_BusType = USB;
uint32_t g_dwCustomizeSilence = 0;
uint32_t g_dwCustomizeUI = 0;

CIcTypeIni* g_pIcTypeIni = nullptr;

namespace {

const char kConfigSection[] = "Quillix Config";

struct MemoryKindName {
    const char* pszText;
    MemoryKind kind;
};

// Each memory kind is accepted in two spellings; keys compare case-sensitively.
constexpr std::array<MemoryKindName, 8> kMemoryKindNames = {{
    {"Efuse", EFUSE},
    {"EFUSE", EFUSE},
    {"Flash", FLASH},
    {"FLASH", FLASH},
    {"Eeprom", EEPROM},
    {"EEPROM", EEPROM},
    {"SerialFlash", SERIALFLASH},
    {"SERIALFLASH", SERIALFLASH},
}};

struct BusName {
    const char* pszText;
    BusType bus;
};

constexpr std::array<BusName, 2> kBusNames = {{
    {"USB", USB},
    {"PCIE", PCIE},
}};

// "EFU_7464" is an older name of the "EFU_7464D" image.
constexpr std::array<DefaultImageInfo, 18> kDefaultImages = {{
    {"EFU_7464B", 2464, 16},
    {"EFU_7464C", 2465, 16},
    {"EFU_7464D", 2466, 16},
    {"EFU_7464", 2466, 16},
    {"EFP_7590", 2590, 8},
    {"EEU_7432", 7432, 128},
    {"EEU_7438", 7438, 128},
    {"EEU_7463", 7463, 128},
    {"EEU_7464", 7464, 128},
    {"EEU_7640", 7640, 128},
    {"EEP_7590", 7590, 128},
    {"EEU_7640Z", 7641, 128},
    {"EEU_7640ZDD", 7643, 128},
    {"EEU_7648", 7642, 128},
    {"EEU_7420", 7644, 128},
    {"EEU_7652", 7645, 128},
    {"EFU_7648", 7646, 40},
    {"EFU_7676", 7647, 128},
}};

} // namespace

CIcTypeIni::CIcTypeIni() {
    for (const MemoryKindName& row : kMemoryKindNames)
        m_MemoryKindTable.emplace(row.pszText, row.kind);
    for (const BusName& row : kBusNames)
        m_BusTable.emplace(row.pszText, row.bus);
    for (const DefaultImageInfo& row : kDefaultImages)
        m_IcTypeTable.emplace(row.pszName, row.wId);
}

void CIcTypeIni::LoadUserSetting() {
    TraceScope scope("CIcTypeIni::LoadUserSetting", kTraceApp);
    m_strIniName.clear();
    if (g_pConfigIni)
        m_strIniName = g_pConfigIni->GetString(kConfigSection, "Ini Name", "");
}

void CIcTypeIni::SaveUserSetting() const {
    if (g_pConfigIni)
        g_pConfigIni->SetEntry(kConfigSection, "Ini Name", m_strIniName, true);
}

void CIcTypeIni::ListIniFiles() {
    m_IniFileNames.clear();
    for (std::string& name : platform::FindFiles(GetProgramFolder(), "*.ini")) {
        if (name != "config.ini")
            m_IniFileNames.push_back(std::move(name));
    }
}

bool CIcTypeIni::LoadIcIni() {
    Clear();
    m_byLastWritePos = 0;
    m_strIcName.clear();

    if (m_IniFileNames.empty()) {
        m_strIniName.clear();
        return false;
    }
    // The remembered name stays only while it is one of the candidates (exact, case-sensitive);
    // otherwise, and when nothing is remembered, the first candidate is taken. File names are bytes: a
    // name that is not UTF-8 matches as it is, and also read as Windows-1252 where the system lists
    // names as UTF-8 text.
    auto chosen = std::find(m_IniFileNames.begin(), m_IniFileNames.end(), m_strIniName);
    if (chosen == m_IniFileNames.end())
        chosen =
            std::find(m_IniFileNames.begin(), m_IniFileNames.end(), platform::IniBytesToUtf8(m_strIniName));
    m_strIniName = chosen == m_IniFileNames.end() ? m_IniFileNames.front() : *chosen;

    SetPath(GetProgramFolder() + m_strIniName);
    return Load();
}

void CIcTypeIni::Parse_ProjectType() {
    TraceScope scope("CIcTypeIni::Parse_ProjectType", kTraceApp);
    const int section = FindSection(kConfigSection);

    // Text that is not in a table leaves the value from an earlier file (or the initial one).
    auto kind = m_MemoryKindTable.find(GetString(section, "Project Type", ""));
    if (kind != m_MemoryKindTable.end())
        g_ProjectType = kind->second;
    auto bus = m_BusTable.find(GetString(section, "Bus Type", ""));
    if (bus != m_BusTable.end())
        g_BusType = bus->second;

    m_strIcName = platform::IniBytesToUtf8(GetString(section, "Ic Name", ""));
    g_dwCustomizeSilence = GetNumber(section, "Customize Silence", 0);
    g_dwCustomizeUI = GetNumber(section, "Customize UI", 0);

    TraceLine(scope, "PROJECT_ProjectType : %d\n", static_cast<int>(g_ProjectType));
    TraceLine(scope, "PROJECT_BusType : %d\n", static_cast<int>(g_BusType));
}

bool CIcTypeIni::GetDefaultImageId(uint16_t& id) const {
    auto row = m_IcTypeTable.find(GetString(kConfigSection, "Def Bin", ""));
    if (row == m_IcTypeTable.end())
        return false;
    id = row->second;
    return true;
}

bool CIcTypeIni::UsesBuiltInLayout() const {
    return m_strIniName.empty() || FindSection("Vendor Info M1") == INI_NOT_FOUND;
}

bool CIcTypeIni::UsesBuiltInLunLayout() const {
    return m_strIniName.empty() || FindSection("Vendor Info P2") == INI_NOT_FOUND;
}

std::span<const DefaultImageInfo> CIcTypeIni::DefaultImages() {
    return kDefaultImages;
}

uint32_t CIcTypeIni::DefaultImageSize(uint16_t id) {
    for (const DefaultImageInfo& row : kDefaultImages) {
        if (row.wId == id)
            return row.dwSize;
    }
    return 0;
}
