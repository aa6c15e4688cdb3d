// Hue, saturation and lightness changes of colour words, worked out in HSL on
// each word's 8-bit components and rounded back to 5 bits, so that shading
// survives a change of hue.
#pragma once

#include <cstdint>

namespace tavrin {

struct ColorAdjustment {
    int hue = 0;         // degrees, -180..180: turned by, or with colorize the hue set
    int saturation = 0;  // -100..100: -100 makes greys; with colorize, -100..100 is 0..1
    int lightness = 0;   // -100..100: towards black or white
    bool colorize = false;

    friend bool operator==(const ColorAdjustment&, const ColorAdjustment&) = default;
};

// Whether the adjustment leaves every word as it is.
bool changes_nothing(const ColorAdjustment& adjustment);

// The adjusted word. Bit 15 is kept, and the word 0x0000 (transparent) is
// left alone: it is not a colour to change.
std::uint16_t adjust_color(std::uint16_t word, const ColorAdjustment& adjustment);

}  // namespace tavrin
