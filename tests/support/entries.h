// Building palette entries by colour in tests.
#pragma once

#include <cstdint>

#include "palette/palette.h"

namespace tavrin::testing {

// An entry of that colour with raw and high_bit zero.
inline PaletteEntry entry_of(int red, int green, int blue) {
    PaletteEntry entry;
    entry.red = static_cast<std::uint8_t>(red);
    entry.green = static_cast<std::uint8_t>(green);
    entry.blue = static_cast<std::uint8_t>(blue);
    return entry;
}

}  // namespace tavrin::testing
