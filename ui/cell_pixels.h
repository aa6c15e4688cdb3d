// The retained pixels of one swatch's 18 x 18 client area, for front ends and
// fakes that keep cells as images. A fill replaces everything, a frame draws
// three rings over whatever is there.
#pragma once

#include <array>

#include "palette/palette.h"

namespace tavrin {

inline constexpr int cell_client_size = 18;

struct CellPixels {
    std::array<Rgb, cell_client_size * cell_client_size> pixels{};

    Rgb at(int x, int y) const { return pixels[y * cell_client_size + x]; }
    Rgb& at(int x, int y) { return pixels[y * cell_client_size + x]; }
};

inline void fill_cell_pixels(CellPixels& cell, Rgb color) {
    cell.pixels.fill(color);
}

// The selection frame: black on rings 1 and 3, white on ring 2, counted from
// the edge; ring 0 and the 10 x 10 centre keep the cell's colour.
inline void frame_cell_pixels(CellPixels& cell) {
    constexpr Rgb black{0, 0, 0};
    constexpr Rgb white{255, 255, 255};
    for (int ring = 1; ring <= 3; ++ring) {
        const Rgb color = ring == 2 ? white : black;
        const int low = ring;
        const int high = cell_client_size - 1 - ring;
        for (int i = low; i <= high; ++i) {
            cell.at(i, low) = color;
            cell.at(i, high) = color;
            cell.at(low, i) = color;
            cell.at(high, i) = color;
        }
    }
}

}  // namespace tavrin
