// The one CLUT the editor holds, and the conversion between 16-bit colour
// words (5 bits each of red, green, blue, plus a kept high bit) and 8-bit
// components.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tavrin {

// One colour. red, green, blue and high_bit are authoritative: every word that
// leaves the program is encoded afresh from them. raw is the word as last read
// (or typed into the hex field) and is never read back.
struct PaletteEntry {
    std::uint16_t raw = 0;
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::int32_t high_bit = 0;  // 0 or 0x8000 as read; any nonzero value means "set"

    friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};

// An 8-bit colour as handed to a screen.
struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr int palette_size = 256;
inline constexpr std::uint16_t high_bit_mask = 0x8000;

// Whether index names one of the 256 cells. Indices travel as 16-bit values,
// so one with bit 15 set arrives negative and names no cell.
constexpr bool in_grid(int index) {
    return index >= 0 && index < palette_size;
}

// The palette table. Part of the editor's state.
struct PaletteState {
    std::array<PaletteEntry, palette_size> palette{};
    // Entries 0..color_count-1 are live. 255 at start-up is never used: every
    // command that makes a CLUT live sets it first.
    std::int16_t color_count = 255;
    std::int32_t palette_loaded = 0;
    PaletteEntry focused_entry{};   // working copy of the selection's head
    PaletteEntry starting_entry{};  // the head as it was when the selection was made
};

// The 8-bit value of a 5-bit field: trunc(255 * field / 31).
std::uint8_t component_from_field(unsigned field);

// Decodes a colour word; the result's raw is the word itself.
PaletteEntry decode_bgr555(std::uint16_t word);

// Encodes the top five bits of each component, plus bit 15 when high_bit is set.
std::uint16_t encode_bgr555(const PaletteEntry& entry);

// "%.4X": four upper-case hex digits, no prefix.
std::string hex_text(std::uint16_t word);

Rgb color_of(const PaletteEntry& entry);

// Zeroes every field of all 256 entries.
void clear_palette(PaletteState& state);

}  // namespace tavrin
