// What the user types to say which CLUT to read or write: the five CLUTs of a
// TEX file by name, an offset, a number of colours.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tavrin {

inline constexpr int tex_kind_count = 5;

// The entries of "Select CLUT to modify", in list order; the position is the kind.
inline constexpr std::array<std::string_view, tex_kind_count> tex_clut_names = {
    "Players shirt #1 palette", "Players shirt #2 palette", "Goalkeepers shirt #1 palette",
    "Goalkeepers shirt #2 palette", "Team flag"};

// The kind whose name is the whole text, letter case ignored.
std::optional<int> find_tex_kind(std::string_view text);

// An offset typed as decimal ("512", "-4", with leading blanks and a sign) or
// as hexadecimal after "0x" or "0X" ("0x200"). Reading stops at the first
// character that cannot continue the number, so "512abc" is 512; the value
// wraps to 32 bits, so "0xFFFFFFFF" is -1. A text with no digit where the
// number should start ("", "x10", "0x") gives nullopt: there is no offset to
// use, and the caller says so rather than guessing one.
std::optional<std::int32_t> parse_offset(std::string_view text);

// The "Number of colors" field: an unsigned decimal number, blanks around it
// allowed, at most 256. Anything else, including a number too large for 32
// bits, is 0.
int parse_count(std::string_view text);

}  // namespace tavrin
