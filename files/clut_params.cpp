// Reading the CLUT name, offset and count texts.
#include "files/clut_params.h"

namespace tavrin {

namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

int hex_value(char c) {
    if (is_digit(c)) {
        return c - '0';
    }
    const char l = lower(c);
    return l >= 'a' && l <= 'f' ? l - 'a' + 10 : -1;
}

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
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

std::optional<std::int32_t> parse_offset(std::string_view text) {
    // Unsigned arithmetic wraps where the platform's int did.
    std::uint32_t value = 0;
    if (text.size() >= 2 && text[0] == '0' && lower(text[1]) == 'x') {
        std::size_t i = 2;
        if (i >= text.size() || hex_value(text[i]) < 0) {
            return std::nullopt;
        }
        for (; i < text.size() && hex_value(text[i]) >= 0; ++i) {
            value = value * 16u + static_cast<std::uint32_t>(hex_value(text[i]));
        }
        return static_cast<std::int32_t>(value);
    }
    std::size_t i = 0;
    while (i < text.size() && is_blank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size() || !is_digit(text[i])) {
        return std::nullopt;
    }
    for (; i < text.size() && is_digit(text[i]); ++i) {
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    }
    return static_cast<std::int32_t>(negative ? 0u - value : value);
}

int parse_count(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && is_blank(text[i])) {
        ++i;
    }
    if (i >= text.size() || !is_digit(text[i])) {
        return 0;
    }
    std::uint64_t value = 0;
    for (; i < text.size() && is_digit(text[i]); ++i) {
        value = value * 10u + static_cast<std::uint64_t>(text[i] - '0');
        if (value > 0xFFFFFFFFu) {
            return 0;
        }
    }
    while (i < text.size() && is_blank(text[i])) {
        ++i;
    }
    if (i != text.size()) {
        return 0;
    }
    return value > 256 ? 256 : static_cast<int>(value);
}

}  // namespace tavrin
