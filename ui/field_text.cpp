// Field text readers of the colour panel.
#include "ui/field_text.h"

#include <algorithm>
#include <cstdint>

#include "files/typed_digits.h"

namespace tavrin {

std::optional<std::uint32_t> parse_unsigned_decimal(std::string_view text) {
    std::size_t at = skip_blanks(text, 0);
    const std::size_t first_digit = at;
    std::uint64_t value = 0;
    while (at < text.size() && is_decimal_digit(text[at])) {
        value = value * 10 + static_cast<unsigned>(text[at] - '0');
        if (value > UINT32_MAX) {
            return std::nullopt;
        }
        ++at;
    }
    if (at == first_digit) {
        return std::nullopt;
    }
    at = skip_blanks(text, at);
    if (at != text.size()) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

std::uint16_t parse_hex_word(std::string_view text) {
    // A 32-bit long whatever this build's long is, so that 32- and 64-bit
    // builds clamp an overflow to the same limits.
    constexpr std::int64_t long_max = INT32_MAX;
    constexpr std::int64_t long_min_magnitude = -static_cast<std::int64_t>(INT32_MIN);

    std::size_t at = skip_blanks(text, 0);
    const bool negative = take_sign(text, at);
    // "0x" counts as a prefix only when a digit follows; otherwise the 0 is the number.
    if (at + 2 < text.size() && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X') &&
        hex_digit_value(text[at + 2]) >= 0) {
        at += 2;
    }
    std::int64_t magnitude = 0;
    bool overflow = false;
    for (; at < text.size() && hex_digit_value(text[at]) >= 0; ++at) {
        if (!overflow) {
            magnitude = magnitude * 16 + hex_digit_value(text[at]);
            overflow = magnitude > long_min_magnitude;
        }
    }
    std::int64_t value = negative ? -magnitude : magnitude;
    if (overflow || value > long_max || value < -long_min_magnitude) {
        value = negative ? -long_min_magnitude : long_max;
    }
    return static_cast<std::uint16_t>(static_cast<std::uint64_t>(value) & 0xFFFFu);
}

bool list_entry_matches(std::string_view entry, std::string_view typed) {
    const auto lower = [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    std::size_t at = 0;
    while (at < typed.size()) {
        if (typed[at] == ' ' || typed[at] == '\t') {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < typed.size() && typed[end] != ' ' && typed[end] != '\t') {
            ++end;
        }
        const std::string_view word = typed.substr(at, end - at);
        const auto found = std::search(entry.begin(), entry.end(), word.begin(), word.end(),
                                       [&](char a, char b) { return lower(a) == lower(b); });
        if (found == entry.end()) {
            return false;
        }
        at = end;
    }
    return true;
}

}  // namespace tavrin
