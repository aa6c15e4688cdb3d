#include "palette/console_color.h"

#include <algorithm>
#include <array>

namespace tavrin {

namespace {

constexpr std::array<std::pair<std::string_view, BlendMode>, 4> blend_names{{
    {"half", BlendMode::half},
    {"add", BlendMode::add},
    {"subtract", BlendMode::subtract},
    {"quarter", BlendMode::quarter},
}};

}  // namespace

std::optional<BlendMode> blend_mode_named(std::string_view name) {
    for (const auto& [text, mode] : blend_names) {
        if (text == name) {
            return mode;
        }
    }
    return std::nullopt;
}

std::string_view blend_mode_name(BlendMode mode) {
    for (const auto& [text, named] : blend_names) {
        if (named == mode) {
            return text;
        }
    }
    return "none";
}

int blend_channel(int background, int foreground, BlendMode mode) {
    int mixed = foreground;
    switch (mode) {
        case BlendMode::none:
            break;
        case BlendMode::half:
            mixed = (background + foreground) / 2;  // B/2 + F/2 without losing both halves
            break;
        case BlendMode::add:
            mixed = background + foreground;
            break;
        case BlendMode::subtract:
            mixed = background - foreground;
            break;
        case BlendMode::quarter:
            mixed = background + foreground / 4;
            break;
    }
    return std::clamp(mixed, 0, 31);
}

Rgb shown_color(std::uint16_t word, Rgb background, BlendMode mode) {
    if (is_transparent_word(word)) {
        return background;
    }
    const PaletteEntry entry = decode_bgr555(word);
    if (mode == BlendMode::none || !is_semi_transparent_word(word)) {
        return color_of(entry);
    }
    auto channel = [mode](std::uint8_t under, int field) {
        return component_from_field(static_cast<unsigned>(blend_channel(under >> 3, field, mode)));
    };
    return Rgb{channel(background.red, word & 0x1F), channel(background.green, (word >> 5) & 0x1F),
               channel(background.blue, (word >> 10) & 0x1F)};
}

}  // namespace tavrin
