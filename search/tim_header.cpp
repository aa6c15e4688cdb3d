// The TIM header check: every length and size is read as a plain number and
// checked against the bytes the file holds before any other field is read.
#include "search/tim_header.h"

namespace tavrin::search {

namespace {

std::uint32_t u32_at(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

std::uint32_t u16_at(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8;
}

constexpr std::size_t block_header_size = 12;

// A block: length field, x, y, width (in 16-bit words), height.
struct Block {
    std::uint64_t length = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// The block whose header starts at at, if its length field is exactly its
// header plus its words.
std::optional<Block> block_at(std::span<const std::uint8_t> bytes, std::size_t at) {
    if (bytes.size() < at + block_header_size) {
        return std::nullopt;
    }
    Block block;
    block.length = u32_at(bytes, at);
    block.width = u16_at(bytes, at + 8);
    block.height = u16_at(bytes, at + 10);
    if (block.width == 0 || block.height == 0 ||
        block.length != block_header_size + std::uint64_t{block.width} * block.height * 2) {
        return std::nullopt;
    }
    return block;
}

}  // namespace

std::optional<TimHeaderInfo> check_tim_header(std::span<const std::uint8_t> bytes,
                                              std::uint64_t bytes_to_end) {
    if (bytes.size() > bytes_to_end) {
        bytes = bytes.first(static_cast<std::size_t>(bytes_to_end));
    }
    if (bytes.size() < 8 || u32_at(bytes, 0) != 0x10) {
        return std::nullopt;
    }
    const std::uint32_t flags = u32_at(bytes, 4);
    if ((flags & ~0xFu) != 0 || (flags & 7) > 3) {
        return std::nullopt;
    }
    TimHeaderInfo info;
    info.mode = static_cast<int>(flags & 7);
    info.has_clut = (flags & 8) != 0;
    if (info.mode <= 1 && !info.has_clut) {
        return std::nullopt;  // indexed pixels without colours
    }
    std::uint64_t at = 8;
    if (info.has_clut) {
        const auto clut = block_at(bytes, 8);
        if (!clut || clut->width > 256 || clut->height > 256) {
            return std::nullopt;
        }
        info.clut_colors = static_cast<int>(clut->width);
        info.clut_rows = static_cast<int>(clut->height);
        at += clut->length;
    }
    const auto pixels = block_at(bytes, static_cast<std::size_t>(at));
    if (!pixels) {
        return std::nullopt;
    }
    static constexpr int pixels_per_word_times_2[] = {8, 4, 2, 0};  // 24-bit: 2 words = 4/3 pixel
    if (info.mode == 3) {
        if (pixels->width * 2 % 3 != 0) {
            return std::nullopt;
        }
        info.width = static_cast<int>(pixels->width * 2 / 3);
    } else {
        info.width = static_cast<int>(pixels->width * pixels_per_word_times_2[info.mode] / 2);
    }
    info.height = static_cast<int>(pixels->height);
    info.size = at + pixels->length;
    if (info.size > bytes_to_end) {
        return std::nullopt;
    }
    return info;
}

}  // namespace tavrin::search
