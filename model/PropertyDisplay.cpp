#include "model/PropertyDisplay.h"

#include "platform/Text.h"

#include <cstdlib>

bool IsPropertyInEffect(uint8_t funEnableMode, uint32_t enable) {
    if (funEnableMode == 0)
        return true;
    if (funEnableMode == 12)
        return enable == 0;
    return enable == 1;
}

std::string FormatPropertyNumber(uint32_t value, uint8_t dataMode) {
    uint32_t hex = value;
    int decimal = static_cast<int>(value);
    if (dataMode == 13) {
        hex = value > 0xFF ? 0xFF : value;
        decimal = static_cast<int8_t>(static_cast<uint8_t>(hex));
    } else if (dataMode == 23 || dataMode == 24) {
        hex = value & 0xFFFF;
        decimal = value <= 0x7FFF   ? static_cast<int>(value)
                  : value <= 0xFFFF ? static_cast<int>(value) - 0x10000
                                    : 0;
    }
    return platform::StrPrintf("0x%02X (%d)", hex, decimal);
}

uint32_t ShownOption(const PropertyLayout& property, uint32_t value) {
    for (size_t i = 0; i < property.optionData.size(); ++i)
        if (property.optionData[i] == value)
            return static_cast<uint32_t>(i);
    return value;
}

PropertyDisplay DisplayProperty(const PropertyLayout& property, uint32_t value, uint32_t enable,
                                uint32_t showStyle, const std::string& dependsOnFw,
                                const std::string& noOption) {
    PropertyDisplay display;
    const bool inEffect = IsPropertyInEffect(property.funEnable.byMode, enable);
    if (showStyle & 1)
        display.background = inEffect ? kInEffectColour : kNotInEffectColour;
    if (!inEffect && (showStyle & 2)) {
        display.text = dependsOnFw;
    } else if (!property.options.empty()) {
        const uint32_t shown = ShownOption(property, value);
        display.text = shown < property.options.size() ? property.options[shown] : noOption;
    } else {
        display.text = FormatPropertyNumber(value, property.field.byDataMode);
    }
    return display;
}

uint32_t ParsePropertyText(const PropertyLayout& property, const std::string& text) {
    if (!property.options.empty()) {
        for (size_t i = 0; i < property.options.size(); ++i)
            if (property.options[i] == text)
                return static_cast<uint32_t>(i);
        return static_cast<uint32_t>(property.options.size() - 1);
    }
    return static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 0));
}

uint32_t PropertyValueToStore(const PropertyLayout& property, uint32_t value) {
    return value < property.optionData.size() ? property.optionData[value] : value;
}

uint32_t PropertyHighlightLength(uint8_t dataMode) {
    return dataMode / 10u;
}
