// The one TIM parser: what a TIM's header and block headers say, checked
// against the bytes the file holds from the TIM's first byte on. It reads a
// span and allocates nothing, so the finder runs it on mapped bytes at every
// candidate, and the reader, the preview and tavrin-cli run it on what they
// read; all of them therefore agree on what a TIM is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tavrin {

// Where a TIM keeps its CLUT rows and its pixels. Offsets count from the
// TIM's first byte (its id), which is a file's first byte only for a TIM file
// of its own.
struct TimInfo {
    int bits_per_pixel = 0;  // 4 and 8 are indexed; 16 and 24 are direct colour
    int clut_colors = 0;     // colours per CLUT row; 0 without a CLUT block
    int clut_rows = 0;
    std::uint64_t clut_offset = 0;  // row 0's first colour word
    int width = 0;                  // in pixels
    int height = 0;
    std::uint64_t pixel_offset = 0;  // the first pixel row
    std::uint64_t size = 0;          // up to the end of the image block

    bool has_clut() const { return clut_rows > 0; }
    bool indexed() const { return bits_per_pixel == 4 || bits_per_pixel == 8; }
    // Where CLUT row row starts: the only place that knows.
    std::uint64_t clut_row_offset(int row) const;
};

// Why bytes are not a TIM, with what a message about it needs.
struct TimFault {
    enum class Kind {
        none,
        too_short,           // fewer than the 8 bytes of id and flags
        not_tim,             // value: the id
        bad_mode,            // value: the pixel mode
        unknown_flags,       // value: the flags
        block_cut,           // the block's 12-byte header is not all in the file
        under_header,        // value: its length, under its own header
        past_end,            // value: its length, which runs past the end of the file
        too_short_for_data,  // value: its length; needed: the bytes its size takes
        clut_too_long,       // value: its length, over max_tim_clut_block
        clut_too_large,      // more than 256 colours or 256 rows
        no_colors,
        no_pixels,
    };
    Kind kind = Kind::none;
    bool in_clut = false;  // the block concerned: the CLUT's, else the image's
    std::uint64_t at = 0;  // where that block starts, from the TIM's first byte
    std::uint64_t value = 0;
    std::uint64_t needed = 0;
    int width = 0;  // the block's own fields: 16-bit words and rows
    int height = 0;

    bool ok() const { return kind == Kind::none; }
};

// A CLUT block is at most 256 rows of 256 colours and its header. Blocks may
// be longer than their data (files that pad them), but a CLUT block never
// beyond this, so that the image block's header always lies within
// tim_header_span bytes of the id.
inline constexpr std::uint64_t max_tim_clut_block = 12 + 256 * 256 * 2;
inline constexpr std::size_t tim_header_span = 8 + max_tim_clut_block + 12;

// The blocks after the id and flags, which parse_tim has checked.
TimFault parse_tim_blocks(std::span<const std::uint8_t> bytes, std::uint64_t bytes_to_end,
                          std::uint32_t flags, TimInfo& info);

// bytes starts at the TIM's first byte and holds at least the first
// min(bytes_to_end, tim_header_span) bytes from there; bytes_to_end is how
// many the file holds from there on. Every block, and the data its size
// takes, must end within the file. info is filled only on success. The id
// and flags are checked here, inline, as most candidates of a scan fail on
// them.
inline TimFault parse_tim(std::span<const std::uint8_t> bytes, std::uint64_t bytes_to_end,
                          TimInfo& info) {
    const auto u32_at = [&](std::size_t at) {
        return static_cast<std::uint32_t>(bytes[at]) |
               static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
               static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
               static_cast<std::uint32_t>(bytes[at + 3]) << 24;
    };
    TimFault fault;
    if (bytes.size() < 8 || bytes_to_end < 8) {
        fault.kind = TimFault::Kind::too_short;
        fault.value = bytes_to_end;
        return fault;
    }
    const std::uint32_t id = u32_at(0);
    const std::uint32_t flags = u32_at(4);
    if (id != 0x10) {
        fault.kind = TimFault::Kind::not_tim;
        fault.value = id;
    } else if ((flags & 0x7u) > 3) {
        fault.kind = TimFault::Kind::bad_mode;
        fault.value = flags & 0x7u;
    } else if ((flags & ~0xFu) != 0) {
        fault.kind = TimFault::Kind::unknown_flags;
        fault.value = flags;
    } else {
        return parse_tim_blocks(bytes, bytes_to_end, flags, info);
    }
    return fault;
}

}  // namespace tavrin
