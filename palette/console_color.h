// Colour as the console shows it: bit 15 of a word is the semi-transparency
// flag, the word 0x0000 is not drawn at all, and a semi-transparent pixel is
// mixed with what lies under it in one of four ways.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "palette/palette.h"

namespace tavrin {

// 0x8000 is opaque black; only the word with every bit clear is a hole.
constexpr bool is_transparent_word(std::uint16_t word) {
    return word == 0;
}

constexpr bool is_semi_transparent_word(std::uint16_t word) {
    return (word & high_bit_mask) != 0;
}

// The console's four semi-transparency modes, B the background and F the
// texture's colour, per 5-bit channel, clamped to 0..31. none ignores bit 15.
enum class BlendMode { none, half, add, subtract, quarter };

// "half", "add", "subtract", "quarter"; nothing for any other text.
std::optional<BlendMode> blend_mode_named(std::string_view name);
std::string_view blend_mode_name(BlendMode mode);

// One 5-bit channel of F blended over B.
int blend_channel(int background, int foreground, BlendMode mode);

// What a pixel of this word shows over a background: the background where the
// word is transparent, the blend where bit 15 is set (and a mode is chosen),
// else the word's own colour. The blend works on the background's top five
// bits per channel, as the console's frame buffer holds it.
Rgb shown_color(std::uint16_t word, Rgb background, BlendMode mode);

}  // namespace tavrin
