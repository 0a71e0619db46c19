#pragma once

#include "model/UserIni4.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The rules of the advanced property page that need no widget: how a property's value is shown, whether
// its function is in effect and how an edited text becomes a value. quillix-image shows and edits
// properties by the same rules.

// Function-enable modes of a property: 0 always in effect, 12 in effect while the enable field reads 0,
// any other while it reads 1.
bool IsPropertyInEffect(uint8_t funEnableMode, uint32_t enable);

// "0x%02X (%d)" of a value without options; data mode 13 shows a signed byte, 23 and 24 a signed
// 16-bit number.
std::string FormatPropertyNumber(uint32_t value, uint8_t dataMode);

// The option number shown for a value: with option data the position of the first option whose data
// equals it, otherwise (and when none does) the value itself.
uint32_t ShownOption(const PropertyLayout& property, uint32_t value);

// Background colours of "ShowStyle" bit 0.
struct Rgb {
    uint8_t r;
    uint8_t g;
    uint8_t b;
    bool operator==(const Rgb&) const = default;
};
inline constexpr Rgb kInEffectColour{199, 235, 204};
inline constexpr Rgb kNotInEffectColour{255, 255, 160};

struct PropertyDisplay {
    std::string text;
    std::optional<Rgb> background;
};

// What the grid shows for a property whose value and enable field were read from the image.
PropertyDisplay DisplayProperty(const PropertyLayout& property, uint32_t value, uint32_t enable,
                                uint32_t showStyle, const std::string& dependsOnFw,
                                const std::string& noOption);

// The value an edited entry stands for: the position of the option with that text (the last option when
// none has it), or the leading number of the text (0x hexadecimal, leading 0 octal, else decimal).
uint32_t ParsePropertyText(const PropertyLayout& property, const std::string& text);
// The value written into the image: the option's data when the property has option data for it.
uint32_t PropertyValueToStore(const PropertyLayout& property, uint32_t value);

// Bytes a data mode covers, for the highlight: the mode divided by 10.
uint32_t PropertyHighlightLength(uint8_t dataMode);
