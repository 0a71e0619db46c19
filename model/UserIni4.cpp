#include "model/UserIni4.h"

#include "platform/Text.h"

#include <bit>

namespace {

constexpr unsigned kPropertySectionCount = 256;

const char* MemoryKindWord(MemoryKind kind) {
    switch (kind) {
    case EFUSE:
        return "Efuse";
    case FLASH:
        return "FF";
    case EEPROM:
        return "EE";
    case SERIALFLASH:
        break;
    }
    return "SF";
}

const char* BusWord(BusType bus) {
    return bus == PCIE ? "PCIE" : "USB";
}

// Every backslash-r-backslash-n of the file's text becomes a line break.
std::string ExpandLineBreaks(const std::string& text) {
    static const std::string kEscaped = "\\r\\n";
    std::string expanded;
    size_t start = 0;
    for (size_t pos = text.find(kEscaped); pos != std::string::npos; pos = text.find(kEscaped, start)) {
        expanded.append(text, start, pos - start);
        expanded += '\n';
        start = pos + kEscaped.size();
    }
    expanded.append(text, start, std::string::npos);
    return expanded;
}

} // namespace

uint32_t CUserIni4::GetShowStyle() const {
    return GetSettingNumber(kSectionPropertyConfig, "ShowStyle", 0);
}

std::string CUserIni4::PropertySectionName(MemoryKind kind, BusType bus, unsigned index) {
    return platform::StrPrintf("Reader%s_%s_%02X", MemoryKindWord(kind), BusWord(bus), index);
}

std::vector<PropertyLayout> CUserIni4::GetProperties(MemoryKind kind, BusType bus) const {
    std::vector<PropertyLayout> properties;
    for (unsigned k = 0; k < kPropertySectionCount; ++k) {
        const int index = FindSection(PropertySectionName(kind, bus, k));
        if (index == INI_NOT_FOUND)
            continue;
        auto byte = [&](const char* key, int32_t def) {
            return static_cast<uint8_t>(GetNumber(index, key, def));
        };
        auto text = [&](const std::string& key) {
            return platform::IniBytesToUtf8(GetString(index, key, ""));
        };

        PropertyLayout property;
        property.byIndex = static_cast<uint8_t>(k);
        property.funEnable = {byte("FunEnableMode", 0), byte("FunEnableAddr", 0), byte("FunEnableMask", 0)};
        property.field = {byte("PropAddrMode", 0), byte("PropAddr", 0), byte("PropMask", 0),
                          byte("DataMode", kDataModeByte)};
        property.strGroupName = text("GroupName");
        property.strName = text("PropName");
        property.strDescription = ExpandLineBreaks(text("PropDesp"));

        const unsigned optionCount = 1u << std::popcount(property.field.byMask);
        for (unsigned v = 0; v < optionCount; ++v) {
            std::string option = text(platform::StrPrintf("PropOption_%02X", v));
            if (option.empty())
                continue;
            property.options.push_back(std::move(option));
            if (property.field.byDataMode != kDataModeByte)
                property.optionData.push_back(GetNumber(index, platform::StrPrintf("DataOption_%02X", v), 0));
        }
        properties.push_back(std::move(property));
    }
    return properties;
}
