// The TIM parser: every length is read as a plain number and checked against
// the bytes the file holds before the next field is read.
#include "image/tim.h"

namespace tavrin {

namespace {

using Kind = TimFault::Kind;

constexpr std::uint64_t id_and_flags = 8;
constexpr std::uint64_t block_header_size = 12;

std::uint32_t u16_at(std::span<const std::uint8_t> bytes, std::uint64_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8;
}

std::uint32_t u32_at(std::span<const std::uint8_t> bytes, std::uint64_t at) {
    return u16_at(bytes, at) | u16_at(bytes, at + 2) << 16;
}

// A block's 12-byte header: its length (header included), its place in video
// memory (not needed here), its width in 16-bit words and its height.
struct Block {
    std::uint64_t length = 0;
    int width = 0;
    int height = 0;

    std::uint64_t data() const {
        return std::uint64_t{2} * static_cast<std::uint64_t>(width) *
               static_cast<std::uint64_t>(height);
    }
};

// Reads the block at at and checks that it lies within the file and can hold
// its width x height words.
Kind read_block(std::span<const std::uint8_t> bytes, std::uint64_t bytes_to_end, std::uint64_t at,
                Block& block) {
    if (at > bytes.size() || bytes.size() - at < block_header_size) {
        return Kind::block_cut;
    }
    block.length = u32_at(bytes, at);
    block.width = static_cast<int>(u16_at(bytes, at + 8));
    block.height = static_cast<int>(u16_at(bytes, at + 10));
    if (block.length < block_header_size) {
        return Kind::under_header;
    }
    if (block.length > bytes_to_end - at) {
        return Kind::past_end;
    }
    if (block.data() > block.length - block_header_size) {
        return Kind::too_short_for_data;
    }
    return Kind::none;
}

// Built only once the parse has failed: the scan rejects most candidates.
TimFault block_fault(Kind kind, bool in_clut, std::uint64_t at, const Block& block) {
    TimFault fault;
    fault.kind = kind;
    fault.in_clut = in_clut;
    fault.at = at;
    fault.value = block.length;
    fault.needed = block.data();
    fault.width = block.width;
    fault.height = block.height;
    return fault;
}

}  // namespace

std::uint64_t TimInfo::clut_row_offset(int row) const {
    return clut_offset +
           static_cast<std::uint64_t>(row) * static_cast<std::uint64_t>(clut_colors) * 2;
}

TimFault parse_tim_blocks(std::span<const std::uint8_t> bytes, std::uint64_t bytes_to_end,
                          std::uint32_t flags, TimInfo& info) {
    if (bytes.size() > bytes_to_end) {
        bytes = bytes.first(static_cast<std::size_t>(bytes_to_end));
    }
    const std::uint32_t mode = flags & 0x7u;
    TimInfo found;
    std::uint64_t at = id_and_flags;
    if ((flags & 0x8u) != 0) {
        Block clut;
        Kind kind = read_block(bytes, bytes_to_end, at, clut);
        if (kind == Kind::none && (clut.width == 0 || clut.height == 0)) {
            kind = Kind::no_colors;
        } else if (kind == Kind::none && (clut.width > 256 || clut.height > 256)) {
            kind = Kind::clut_too_large;
        } else if (kind == Kind::none && clut.length > max_tim_clut_block) {
            kind = Kind::clut_too_long;
        }
        if (kind != Kind::none) {
            return block_fault(kind, true, at, clut);
        }
        found.clut_colors = clut.width;
        found.clut_rows = clut.height;
        found.clut_offset = at + block_header_size;
        at += clut.length;
    }
    Block pixels;
    Kind kind = read_block(bytes, bytes_to_end, at, pixels);
    if (kind == Kind::none && (pixels.width == 0 || pixels.height == 0)) {
        kind = Kind::no_pixels;
    }
    // 4, 2 or 1 pixel a word; 24-bit rows may end in a padding byte, and the
    // width is what whole pixels fit.
    const int width = mode == 3 ? pixels.width * 2 / 3 : pixels.width << (2 - mode);
    if (kind == Kind::none && width == 0) {
        kind = Kind::no_pixels;
    }
    if (kind != Kind::none) {
        return block_fault(kind, false, at, pixels);
    }
    static constexpr int depths[] = {4, 8, 16, 24};
    found.bits_per_pixel = depths[mode];
    found.width = width;
    found.height = pixels.height;
    found.pixel_offset = at + block_header_size;
    found.size = at + pixels.length;
    info = found;
    return TimFault{};
}

}  // namespace tavrin
