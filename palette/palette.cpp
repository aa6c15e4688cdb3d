// Colour-word conversions and the palette table.
#include "palette/palette.h"

#include <cstdio>

namespace tavrin {

std::uint8_t component_from_field(unsigned field) {
    // Integer form of trunc(255.0 * field / 31.0); identical for 0..31.
    return static_cast<std::uint8_t>((255u * (field & 0x1Fu)) / 31u);
}

PaletteEntry decode_bgr555(std::uint16_t word) {
    PaletteEntry entry;
    entry.raw = word;
    entry.red = component_from_field(word & 0x1Fu);
    entry.green = component_from_field((word >> 5) & 0x1Fu);
    entry.blue = component_from_field((word >> 10) & 0x1Fu);
    entry.high_bit = word & high_bit_mask;
    return entry;
}

std::uint16_t encode_bgr555(const PaletteEntry& entry) {
    unsigned word = (entry.red >> 3u) | ((entry.green >> 3u) << 5u) | ((entry.blue >> 3u) << 10u);
    if (entry.high_bit != 0) {
        word |= high_bit_mask;
    }
    return static_cast<std::uint16_t>(word);
}

std::string hex_text(std::uint16_t word) {
    char text[8];
    std::snprintf(text, sizeof text, "%.4X", static_cast<unsigned>(word));
    return text;
}

Rgb color_of(const PaletteEntry& entry) {
    return Rgb{entry.red, entry.green, entry.blue};
}

void clear_palette(PaletteState& state) {
    state.palette.fill(PaletteEntry{});
}

}  // namespace tavrin
