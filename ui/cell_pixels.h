// The retained pixels of one swatch's 18 x 18 client area, for front ends and
// fakes that keep cells as images. A fill replaces everything (its mark
// included), a frame draws three rings over whatever is there.
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

// What "Show transparency" draws on a cell, in a corner of the 10 x 10 centre
// that the selection frame never covers, so the colour stays in view.
enum class CellMark {
    none,
    semi_transparent,  // bit 15 set: a triangle in the top-left corner
    transparent,       // the word 0000: a small checkerboard in the bottom-right corner
};

inline void fill_cell_pixels(CellPixels& cell, Rgb color) {
    cell.pixels.fill(color);
}

// The triangle is black on light colours and white on dark ones; a
// transparent word is always black, under white and grey squares.
inline void mark_cell_pixels(CellPixels& cell, Rgb color, CellMark mark) {
    constexpr int first = 4;
    constexpr int last = cell_client_size - 1 - first;
    if (mark == CellMark::semi_transparent) {
        const int light = 299 * color.red + 587 * color.green + 114 * color.blue;
        const Rgb ink = light >= 128 * 1000 ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
        for (int y = first; y <= first + 4; ++y) {
            for (int x = first; x + y <= 2 * first + 4; ++x) {
                cell.at(x, y) = ink;
            }
        }
    } else if (mark == CellMark::transparent) {
        for (int y = last - 3; y <= last; ++y) {
            for (int x = last - 3; x <= last; ++x) {
                cell.at(x, y) = (x + y) % 2 == 0 ? Rgb{255, 255, 255} : Rgb{128, 128, 128};
            }
        }
    }
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
