// How a colour looks to someone with dichromatic colour vision: the
// simulation of Viénot, Brettel and Mollon (1999), in linear RGB, so that a
// modder can check that two kits stay apart.
#pragma once

#include <optional>
#include <string_view>

#include "palette/palette.h"

namespace tavrin {

enum class ColorVision { normal, protanopia, deuteranopia, tritanopia };

// "protanopia", "deuteranopia", "tritanopia" (and "none" for normal vision).
std::optional<ColorVision> color_vision_named(std::string_view name);

Rgb simulate_color_vision(Rgb color, ColorVision vision);

}  // namespace tavrin
