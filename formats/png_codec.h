// The PNG side of the palette formats, behind one small interface so that the
// Linux build decodes with libpng and the Windows build with the Windows
// Imaging Component. Only palette_formats.cpp includes it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tavrin::png {

struct Rgba {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 255;

    friend bool operator==(const Rgba&, const Rgba&) = default;
};

inline constexpr std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Larger images are refused before their pixels are decoded.
inline constexpr std::uint64_t max_pixels = 1u << 24;

struct Decoded {
    bool indexed = false;      // the colours are the image's palette, in order
    std::vector<Rgba> colors;  // else: the pixels' colours in order of first appearance
    bool more_colors = false;  // scanning stopped at max_colors + 1 distinct colours
    std::vector<std::string> warnings;
};

// Decodes bytes (which start with the signature). Pixels whose alpha is 0
// count as one colour, transparent black. On failure, reason says why.
bool decode(std::span<const std::uint8_t> bytes, std::size_t max_colors, Decoded& decoded,
            std::string& reason);

// Appends the colours of RGBA pixels (4 bytes each) to decoded in order of
// first appearance, rows top to bottom, up to max_colors; one more sets
// more_colors. Shared by both decoders.
void collect_colors(std::span<const std::uint8_t> rgba, std::size_t max_colors, Decoded& decoded);

// An 8-bit indexed PNG of one 16 x 16 swatch per palette entry, in one row:
// PLTE in the palette's order, tRNS when an entry's alpha is below 255.
bool encode_indexed(std::span<const Rgba> palette, std::vector<std::uint8_t>& bytes,
                    std::string& reason);

inline constexpr int swatch_pixels = 16;

}  // namespace tavrin::png
