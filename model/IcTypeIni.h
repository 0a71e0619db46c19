#pragma once

#include "model/ProjectTypes.h"
#include "model/UserIni4.h"

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

// Memory kind and bus of the configured chip, and the two customer switches of its IC INI file.
extern MemoryKind g_ProjectType;
extern BusType g_BusType;
extern uint32_t g_dwCustomizeSilence;
extern uint32_t g_dwCustomizeUI;

// One built-in default image: the "Def Bin" name that selects it, its resource identifier and its size.
struct DefaultImageInfo {
    const char* pszName;
    uint16_t wId;
    uint32_t dwSize;
};

// The project configuration: finds the IC INI file beside the program, holds its content and turns its
// project keys into the process-wide memory kind, bus and customer switches.
class CIcTypeIni : public CUserIni4 {
public:
    CIcTypeIni();

    // "Ini Name" of config.ini (the IC INI file chosen last) into m_strIniName, and back.
    void LoadUserSetting();
    void SaveUserSetting() const;

    // Every "*.ini" file of the program folder except one named exactly "config.ini".
    void ListIniFiles();
    // Chooses the IC INI file among m_IniFileNames and loads it afresh. False when none is listed or the
    // chosen file did not load completely (what was read before a bad line stays).
    bool LoadIcIni();
    // Reads the project keys of the loaded IC INI file into the globals and m_strIcName.
    void Parse_ProjectType();

    // Resource identifier of the image that "Def Bin" names; false when it names none.
    bool GetDefaultImageId(uint16_t& id) const;

    // Whether image fields use the device type's fixed layout instead of the IC INI layout.
    bool UsesBuiltInLayout() const;
    bool UsesBuiltInLunLayout() const;

    // The built-in default images, one row per accepted "Def Bin" name.
    static std::span<const DefaultImageInfo> DefaultImages();
    // Size in bytes of the default image with this resource identifier; 0 for an unknown identifier.
    static uint32_t DefaultImageSize(uint16_t id);

    std::string m_strIniName;
    std::vector<std::string> m_IniFileNames;
    std::string m_strIcName;
    std::map<std::string, MemoryKind> m_MemoryKindTable;
    std::map<std::string, BusType> m_BusTable;
    std::map<std::string, uint16_t> m_IcTypeTable;
};

extern CIcTypeIni* g_pIcTypeIni;
