// The characters that typed numbers are read from, shared by the offset and
// count parsers here and the colour panel's field readers in ui/.
#pragma once

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

}  // namespace tavrin
