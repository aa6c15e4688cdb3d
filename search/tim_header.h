// The check that a TIM image begins at a given byte: its header, block
// lengths and sizes, on their own. The full TIM reader (pixels, CLUT rows) is
// image/'s; this is only what a scanner needs to accept or reject an offset.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace tavrin::search {

// What a well-formed TIM header says about the image.
struct TimHeaderInfo {
    int mode = 0;            // 0: 4-bit, 1: 8-bit, 2: 16-bit, 3: 24-bit pixels
    bool has_clut = false;   // a CLUT block follows the header
    int clut_colors = 0;     // colours per CLUT row (its block's width)
    int clut_rows = 0;       // CLUT rows (its block's height); 0 without a CLUT
    int width = 0;           // in pixels
    int height = 0;          // in pixels
    std::uint64_t size = 0;  // bytes from the id to the end of the pixel block
};

// The largest CLUT block a header may declare (256 colours x 256 rows), so
// that a scanner knows how many bytes past an offset the check may read.
inline constexpr std::size_t tim_header_max_span = 8 + 12 + 256 * 256 * 2 + 12;

// bytes starts at the offset to check and is a prefix of the rest of the
// file; bytes_to_end is how many bytes the file holds from that offset on
// (bytes.size() when bytes is the whole rest). Accepts id 0x10, flags with a
// known pixel mode (a CLUT for 4- and 8-bit modes), a CLUT block and a pixel
// block whose length fields equal 12 plus their width x height words, and a
// whole image that ends inside the file.
std::optional<TimHeaderInfo> check_tim_header(std::span<const std::uint8_t> bytes,
                                              std::uint64_t bytes_to_end);

}  // namespace tavrin::search
