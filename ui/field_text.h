// Reading the colour panel's field texts: unsigned decimal for the channel
// fields, strtol base 16 for the hex field. Written out here, not left to the
// C library, so that every build reads a text alike.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tavrin {

// An unsigned decimal number: blanks before and after are allowed; nullopt for
// an empty text, anything that is not a number, or a value beyond 32 bits.
std::optional<std::uint32_t> parse_unsigned_decimal(std::string_view text);

// The low 16 bits of strtol(text, base 16) with a 32-bit long: leading
// blanks, a sign and a 0x prefix are allowed, parsing stops at the first
// non-digit, no digits give 0 and out-of-range values clamp. "-1" gives 0xFFFF.
std::uint16_t parse_hex_word(std::string_view text);

// What the list dialog's filter field keeps: entries holding every word
// typed (blank-separated), in any letter case; an empty text keeps them all.
bool list_entry_matches(std::string_view entry, std::string_view typed);

}  // namespace tavrin
