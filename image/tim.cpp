// The TIM parser: every length is read as a plain number and checked against
// the bytes the file holds before the next field is read.
#include "image/tim.h"

namespace tavrin {

namespace {

using Kind = TimFault::Kind;

constexpr std::uint32_t tim_id = 0x10;
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
};

// Reads the block at at and checks that it lies within the file and can hold
// its width x height words.
TimFault read_block(std::span<const std::uint8_t> bytes, std::uint64_t bytes_to_end,
                    std::uint64_t at, bool in_clut, Block& block) {
    TimFault fault;
    fault.in_clut = in_clut;
    fault.at = at;
    if (at > bytes.size() || bytes.size() - at < block_header_size) {
        fault.kind = Kind::block_cut;
        return fault;
    }
    block.length = u32_at(bytes, at);
    block.width = static_cast<int>(u16_at(bytes, at + 8));
    block.height = static_cast<int>(u16_at(bytes, at + 10));
    fault.value = block.length;
    fault.width = block.width;
    fault.height = block.height;
    fault.needed = std::uint64_t{2} * static_cast<std::uint64_t>(block.width) *
                   static_cast<std::uint64_t>(block.height);
    if (block.length < block_header_size) {
        fault.kind = Kind::under_header;
    } else if (block.length > bytes_to_end - at) {
        fault.kind = Kind::past_end;
    } else if (fault.needed > block.length - block_header_size) {
        fault.kind = Kind::too_short_for_data;
    }
    return fault;
}

}  // namespace

std::uint64_t TimInfo::clut_row_offset(int row) const {
    return clut_offset +
           static_cast<std::uint64_t>(row) * static_cast<std::uint64_t>(clut_colors) * 2;
}

TimFault parse_tim(std::span<const std::uint8_t> bytes, std::uint64_t bytes_to_end, TimInfo& info) {
    if (bytes.size() > bytes_to_end) {
        bytes = bytes.first(static_cast<std::size_t>(bytes_to_end));
    }
    TimFault fault;
    if (bytes.size() < id_and_flags) {
        fault.kind = Kind::too_short;
        fault.value = bytes_to_end;
        return fault;
    }
    const std::uint32_t id = u32_at(bytes, 0);
    const std::uint32_t flags = u32_at(bytes, 4);
    const std::uint32_t mode = flags & 0x7u;
    if (id != tim_id) {
        fault.kind = Kind::not_tim;
        fault.value = id;
        return fault;
    }
    if (mode > 3) {
        fault.kind = Kind::bad_mode;
        fault.value = mode;
        return fault;
    }
    if ((flags & ~0xFu) != 0) {
        fault.kind = Kind::unknown_flags;
        fault.value = flags;
        return fault;
    }
    TimInfo found;
    std::uint64_t at = id_and_flags;
    if ((flags & 0x8u) != 0) {
        Block clut;
        fault = read_block(bytes, bytes_to_end, at, true, clut);
        if (fault.ok() && (clut.width == 0 || clut.height == 0)) {
            fault.kind = Kind::no_colors;
        } else if (fault.ok() && (clut.width > 256 || clut.height > 256)) {
            fault.kind = Kind::clut_too_large;
        } else if (fault.ok() && clut.length > max_tim_clut_block) {
            fault.kind = Kind::clut_too_long;
        }
        if (!fault.ok()) {
            return fault;
        }
        found.clut_colors = clut.width;
        found.clut_rows = clut.height;
        found.clut_offset = at + block_header_size;
        at += clut.length;
    }
    Block pixels;
    fault = read_block(bytes, bytes_to_end, at, false, pixels);
    if (!fault.ok()) {
        return fault;
    }
    static constexpr int depths[] = {4, 8, 16, 24};
    found.bits_per_pixel = depths[mode];
    // 24-bit rows may end in a padding byte: the width is what whole pixels fit.
    found.width = pixels.width * 16 / found.bits_per_pixel;
    found.height = pixels.height;
    if (found.width == 0 || found.height == 0) {
        fault.kind = Kind::no_pixels;
        return fault;
    }
    found.pixel_offset = at + block_header_size;
    found.size = at + pixels.length;
    info = found;
    return fault;
}

}  // namespace tavrin
