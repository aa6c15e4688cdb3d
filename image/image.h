// Indexed images for the texture preview: PlayStation TIM files (their
// header, CLUT rows and pixels), raw indexed pixels at an offset of any file,
// and drawing indices through the editor's palette into 32-bit pixels.
// Offsets and lengths found in a file or typed by the user are checked against
// the file's size before anything is read; a TIM whose blocks do not fit
// fails with the reason.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "files/clut_files.h"
#include "files/file_system.h"
#include "image/tim.h"
#include "palette/color_vision.h"
#include "palette/console_color.h"
#include "palette/palette.h"

namespace tavrin {

// The readers of a TIM take tim_at, where the TIM starts in path: 0 for a
// TIM file of its own, any offset for one inside a larger file (a disc image,
// an archive). TimInfo's offsets count from there.

// Reads and checks a TIM's header and both block headers (parse_tim).
Status read_tim_info(FileSystem& fs, const std::string& path, TimInfo& info,
                     std::uint64_t tim_at = 0);

// The colours of CLUT row (0 counts from the first); info receives the header.
Status read_tim_clut(FileSystem& fs, const std::string& path, int row, Clut& clut, TimInfo& info,
                     std::uint64_t tim_at = 0);

// Writes entries in place over CLUT row of a TIM. The header is read and
// checked again first; a file that no longer holds a TIM there, has no such
// row, or whose rows hold a different number of colours is refused before
// anything is written. Otherwise as inject_clut: only the row's bytes change.
Status inject_tim_clut(FileSystem& fs, const std::string& path, int row,
                       std::span<const PaletteEntry> entries, std::uint64_t tim_at = 0);

// One palette index per pixel, rows top to bottom.
struct IndexedImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> indices;
};

// The largest image the preview draws, in pixels.
inline constexpr std::uint64_t max_image_pixels = 4096ull * 4096ull;

// A TIM's own image; only 4- and 8-bit TIMs have indices.
Status read_tim_image(FileSystem& fs, const std::string& path, IndexedImage& image, TimInfo& info,
                      std::uint64_t tim_at = 0);

// Indexed pixels at an offset of any file. At 4 bits the low nibble is the
// left pixel and every row starts on a whole byte.
struct RawPixelsPlace {
    std::int64_t offset = 0;
    int width = 0;
    int height = 0;
    int bits_per_pixel = 8;

    std::uint64_t row_bytes() const;
};

// Fails, reading nothing, when the image does not end within the file, the
// size is empty or too large, or the depth is not 4 or 8.
Status read_raw_pixels(FileSystem& fs, const std::string& path, const RawPixelsPlace& place,
                       IndexedImage& image);

// A drawn pixel: 0xFFRRGGBB.
using Argb = std::uint32_t;

inline Rgb rgb_of(Argb pixel) {
    return Rgb{static_cast<std::uint8_t>(pixel >> 16), static_cast<std::uint8_t>(pixel >> 8),
               static_cast<std::uint8_t>(pixel)};
}

// The pixel of every index, in two tables that differ only where an index has
// no colour (at or past color_count): those draw a checkerboard of 4 x 4
// squares, table 0 on the light squares and table 1 on the dark ones.
struct PixelColors {
    std::array<std::array<Argb, palette_size>, 2> tables{};
};

inline constexpr Argb no_color_light = 0xFFFF00FFu;
inline constexpr Argb no_color_dark = 0xFF404040u;

// What the texture lies on, as the console would draw it: a word 0000 shows
// it through, and with a blend mode a word with bit 15 set mixes with it.
// Without a colour it is a checkerboard of backdrop_light and backdrop_dark
// squares, in step with the one of indices without a colour.
struct Backdrop {
    std::optional<Rgb> color;
    BlendMode blend = BlendMode::none;

    friend bool operator==(const Backdrop&, const Backdrop&) = default;
};

inline constexpr Rgb backdrop_light{0xCC, 0xCC, 0xCC};
inline constexpr Rgb backdrop_dark{0x88, 0x88, 0x88};

// Colours as the grid shows them (color_of), or over backdrop as the console
// shows them (shown_color). With highlight, every index it does not mark is
// drawn faded towards grey; then every colour is shown as vision sees it (the
// no-colour checkerboard stays as it is).
PixelColors pixel_colors(std::span<const PaletteEntry, palette_size> palette, int color_count,
                         const std::array<bool, palette_size>* highlight = nullptr,
                         const Backdrop* backdrop = nullptr,
                         ColorVision vision = ColorVision::normal);

// Draws image into pixels (resized to width x height), one table look-up per
// pixel.
void draw_indexed(const IndexedImage& image, const PixelColors& colors, std::vector<Argb>& pixels);

}  // namespace tavrin
