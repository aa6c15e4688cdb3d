#include "palette/color_adjust.h"

#include <algorithm>
#include <cmath>

#include "palette/palette.h"

namespace tavrin {

namespace {

struct Hsl {
    double hue;  // 0..360
    double saturation;
    double lightness;
};

// From 8-bit components. Which one is largest is decided on the integers:
// compared as doubles, a value still held at extended precision (the 32-bit
// Windows build computes on the x87 unit) can differ from its stored copy,
// and a red would be taken for a magenta.
Hsl hsl_of(int red, int green, int blue) {
    const int high = std::max({red, green, blue});
    const int low = std::min({red, green, blue});
    Hsl hsl{0.0, 0.0, (high + low) / 510.0};
    if (high == low) {
        return hsl;
    }
    const double range = high - low;
    hsl.saturation = (range / 255.0) / (1.0 - std::abs(2.0 * hsl.lightness - 1.0));
    if (high == red) {
        hsl.hue = 60.0 * std::fmod((green - blue) / range + 6.0, 6.0);
    } else if (high == green) {
        hsl.hue = 60.0 * ((blue - red) / range + 2.0);
    } else {
        hsl.hue = 60.0 * ((red - green) / range + 4.0);
    }
    return hsl;
}

void rgb_of(const Hsl& hsl, double& red, double& green, double& blue) {
    const double chroma = (1.0 - std::abs(2.0 * hsl.lightness - 1.0)) * hsl.saturation;
    const double sector = hsl.hue / 60.0;
    const double second = chroma * (1.0 - std::abs(std::fmod(sector, 2.0) - 1.0));
    double r = 0.0;
    double g = 0.0;
    double b = 0.0;
    switch (static_cast<int>(sector) % 6) {
        case 0:
            r = chroma, g = second;
            break;
        case 1:
            r = second, g = chroma;
            break;
        case 2:
            g = chroma, b = second;
            break;
        case 3:
            g = second, b = chroma;
            break;
        case 4:
            r = second, b = chroma;
            break;
        default:
            r = chroma, b = second;
            break;
    }
    const double base = hsl.lightness - chroma / 2.0;
    red = r + base;
    green = g + base;
    blue = b + base;
}

unsigned field_of(double component) {
    return static_cast<unsigned>(std::lround(std::clamp(component, 0.0, 1.0) * 31.0));
}

}  // namespace

bool changes_nothing(const ColorAdjustment& adjustment) {
    return !adjustment.colorize && adjustment.hue % 360 == 0 && adjustment.saturation == 0 &&
           adjustment.lightness == 0;
}

std::uint16_t adjust_color(std::uint16_t word, const ColorAdjustment& adjustment) {
    if (word == 0 || changes_nothing(adjustment)) {
        return word;
    }
    const PaletteEntry entry = decode_bgr555(word);
    Hsl hsl = hsl_of(entry.red, entry.green, entry.blue);
    const double saturation = std::clamp(adjustment.saturation, -100, 100) / 100.0;
    const double lightness = std::clamp(adjustment.lightness, -100, 100) / 100.0;
    if (adjustment.colorize) {
        hsl.hue = adjustment.hue;
        hsl.saturation = (saturation + 1.0) / 2.0;
    } else {
        hsl.hue += adjustment.hue;
        hsl.saturation = std::clamp(hsl.saturation * (1.0 + saturation), 0.0, 1.0);
    }
    hsl.hue = std::fmod(std::fmod(hsl.hue, 360.0) + 360.0, 360.0);
    hsl.lightness = lightness < 0.0 ? hsl.lightness * (1.0 + lightness)
                                    : hsl.lightness + (1.0 - hsl.lightness) * lightness;
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
    rgb_of(hsl, red, green, blue);
    return static_cast<std::uint16_t>(field_of(red) | (field_of(green) << 5) |
                                      (field_of(blue) << 10) | (word & high_bit_mask));
}

}  // namespace tavrin
