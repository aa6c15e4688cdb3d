// Reading the CLUT name, offset and count texts.
#include "files/clut_params.h"

#include <limits>

#include "files/typed_digits.h"

namespace tavrin {

namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::optional<int> find_tex_kind(std::string_view text) {
    for (int kind = 0; kind < tex_kind_count; ++kind) {
        const std::string_view name = tex_clut_names[kind];
        if (name.size() != text.size()) {
            continue;
        }
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i) {
            same = lower(name[i]) == lower(text[i]);
        }
        if (same) {
            return kind;
        }
    }
    return std::nullopt;
}

TypedOffset parse_offset(std::string_view text) {
    constexpr std::uint64_t largest = std::numeric_limits<std::int64_t>::max();
    TypedOffset result;
    std::uint64_t value = 0;
    bool too_large = false;
    if (text.size() >= 2 && text[0] == '0' && lower(text[1]) == 'x') {
        std::size_t i = 2;
        if (i >= text.size() || hex_digit_value(text[i]) < 0) {
            result.error = TypedOffset::Error::not_a_number;
            return result;
        }
        for (; i < text.size() && hex_digit_value(text[i]) >= 0; ++i) {
            const auto digit = static_cast<std::uint64_t>(hex_digit_value(text[i]));
            too_large = too_large || value > (largest - digit) / 16;
            value = too_large ? value : value * 16 + digit;
        }
        result.error = too_large ? TypedOffset::Error::out_of_range : TypedOffset::Error::none;
        result.value = too_large ? 0 : static_cast<std::int64_t>(value);
        return result;
    }
    std::size_t i = skip_blanks(text, 0);
    const bool negative = take_sign(text, i);
    if (i >= text.size() || !is_decimal_digit(text[i])) {
        result.error = TypedOffset::Error::not_a_number;
        return result;
    }
    // A negative value may reach one further: -2^63.
    const std::uint64_t limit = negative ? largest + 1 : largest;
    for (; i < text.size() && is_decimal_digit(text[i]); ++i) {
        const auto digit = static_cast<std::uint64_t>(text[i] - '0');
        too_large = too_large || value > (limit - digit) / 10;
        value = too_large ? value : value * 10 + digit;
    }
    if (too_large) {
        result.error = TypedOffset::Error::out_of_range;
    } else if (negative) {
        result.value = value == largest + 1 ? std::numeric_limits<std::int64_t>::min()
                                            : -static_cast<std::int64_t>(value);
    } else {
        result.value = static_cast<std::int64_t>(value);
    }
    return result;
}

std::string offset_problem(std::string_view text, const TypedOffset& offset) {
    const std::string quoted = "the offset \"" + std::string(text) + "\"";
    switch (offset.error) {
        case TypedOffset::Error::none:
            break;
        case TypedOffset::Error::not_a_number:
            return quoted + " is not a number";
        case TypedOffset::Error::out_of_range:
            return quoted + " is out of range (an offset is at most 9223372036854775807, " +
                   "0x7FFFFFFFFFFFFFFF)";
    }
    return {};
}

int parse_count(std::string_view text) {
    std::size_t i = skip_blanks(text, 0);
    if (i >= text.size() || !is_decimal_digit(text[i])) {
        return 0;
    }
    std::uint64_t value = 0;
    for (; i < text.size() && is_decimal_digit(text[i]); ++i) {
        value = value * 10u + static_cast<std::uint64_t>(text[i] - '0');
        if (value > 0xFFFFFFFFu) {
            return 0;
        }
    }
    i = skip_blanks(text, i);
    if (i != text.size()) {
        return 0;
    }
    return value > 256 ? 256 : static_cast<int>(value);
}

}  // namespace tavrin
