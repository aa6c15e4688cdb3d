// What the user types to say which CLUT to read or write: the five CLUTs of a
// TEX file by name, an offset, a number of colours.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavrin {

inline constexpr int tex_kind_count = 5;

// The entries of "Select CLUT to modify", in list order; the position is the kind.
inline constexpr std::array<std::string_view, tex_kind_count> tex_clut_names = {
    "Players shirt #1 palette", "Players shirt #2 palette", "Goalkeepers shirt #1 palette",
    "Goalkeepers shirt #2 palette", "Team flag"};

// The kind whose name is the whole text, letter case ignored.
std::optional<int> find_tex_kind(std::string_view text);

// An offset as typed.
struct TypedOffset {
    enum class Error {
        none,
        not_a_number,  // no digit where the number should start
        out_of_range,  // more than a 64-bit file offset can hold
    };
    std::int64_t value = 0;
    Error error = Error::none;
    bool ok() const { return error == Error::none; }
};

// An offset typed as decimal ("512", "-4", with leading blanks and a sign) or
// as hexadecimal after "0x" or "0X" ("0x200"). Reading stops at the first
// character that cannot continue the number, so "512abc" is 512. A text with
// no digit where the number should start ("", "x10", "0x") is not_a_number,
// and one whose value lies outside the signed 64-bit range (2^63 and more,
// below -2^63, or more than sixteen significant hex digits, or a first one of
// 8 to F) is out_of_range: never a wrapped value that would lead somewhere the
// user did not type.
TypedOffset parse_offset(std::string_view text);

// Why a typed offset cannot be used, as a sentence part quoting the text:
// "the offset \"0x\" is not a number". Empty for a usable offset.
std::string offset_problem(std::string_view text, const TypedOffset& offset);

// The "Number of colors" field: an unsigned decimal number, blanks around it
// allowed, at most 256. Anything else, including a number too large for 32
// bits, is 0.
int parse_count(std::string_view text);

}  // namespace tavrin
