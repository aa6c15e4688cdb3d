// The characters that typed numbers are read from, and the blanks and sign
// before them, shared by the offset and count parsers here and the colour
// panel's field readers in ui/.
#pragma once

#include <cstddef>
#include <string_view>

namespace tavrin {

// The blanks of C's isspace in the "C" locale.
constexpr bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

constexpr bool is_decimal_digit(char c) {
    return c >= '0' && c <= '9';
}

// 0 to 15, or -1 for a character that is no hexadecimal digit.
constexpr int hex_digit_value(char c) {
    if (is_decimal_digit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The first place from at on that holds no blank.
constexpr std::size_t skip_blanks(std::string_view text, std::size_t at) {
    while (at < text.size() && is_blank(text[at])) {
        ++at;
    }
    return at;
}

// Moves at past a '+' or '-' there, if any; true for a minus.
constexpr bool take_sign(std::string_view text, std::size_t& at) {
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        return text[at++] == '-';
    }
    return false;
}

}  // namespace tavrin
