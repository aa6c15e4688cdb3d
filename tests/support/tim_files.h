// TIM files built byte by byte for tests: a header, a CLUT block of rows and
// an image block of 4- or 8-bit indices, packed low nibble first.
#pragma once

#include <cstdint>
#include <vector>

namespace tavrin::testing {

struct TimSpec {
    int bits_per_pixel = 8;
    std::vector<std::vector<std::uint16_t>> clut_rows;  // all the same length; none: no CLUT
    int width = 0;                                      // pixels; a multiple of 4 at 4 bits
    int height = 0;
    std::vector<std::uint8_t> indices;  // width x height
};

std::vector<std::uint8_t> tim_file_bytes(const TimSpec& spec);

// The same TIM with clut_pad bytes after its colours and image_pad after its
// pixels, each counted in its block's length, as files that pad blocks have.
std::vector<std::uint8_t> padded_tim_bytes(const TimSpec& spec, std::uint32_t clut_pad,
                                           std::uint32_t image_pad);

// Offsets into what tim_file_bytes builds.
inline constexpr std::size_t tim_clut_block = 8;
inline constexpr std::size_t tim_clut_words = 20;

}  // namespace tavrin::testing
