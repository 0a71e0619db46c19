#pragma once

#include "model/ProjectTypes.h"
#include "model/UserIni3.h"

#include <string>
#include <vector>

// One property of the advanced property page, from an IC INI property section.
struct PropertyLayout {
    uint8_t byIndex; // the section's number, 0 to 255
    FunEnableLayout funEnable;
    FieldLayout field;
    std::string strGroupName;
    std::string strName;
    std::string strDescription; // "\r\n" written in the file stands for a line break
    std::vector<std::string> options;
    std::vector<uint32_t> optionData; // one value per option, except with data mode 10
};

// The property sections and "Property Config".
class CUserIni4 : public CUserIni3 {
public:
    using CUserIni3::CUserIni3;

    uint32_t GetShowStyle() const;

    // "Reader<kind>_<bus>_<index as %02X>", for example "ReaderFF_USB_00".
    static std::string PropertySectionName(MemoryKind kind, BusType bus, unsigned index);
    // The properties of every existing section 0 to 255 of this memory kind and bus, in index order.
    // Options with an empty text are left out, so the remaining ones keep their order, not their numbers.
    std::vector<PropertyLayout> GetProperties(MemoryKind kind, BusType bus) const;
};
