#include "tests/support/tim_files.h"

namespace tavrin::testing {

namespace {

void put16(std::vector<std::uint8_t>& bytes, unsigned value) {
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFFu));
    bytes.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFFu));
}

void put32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    put16(bytes, value & 0xFFFFu);
    put16(bytes, value >> 16);
}

std::uint32_t get32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                      bytes[at + 3] << 24);
}

void set32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

}  // namespace

std::vector<std::uint8_t> padded_tim_bytes(const TimSpec& spec, std::uint32_t clut_pad,
                                           std::uint32_t image_pad) {
    std::vector<std::uint8_t> bytes = tim_file_bytes(spec);
    std::size_t image_block = 8;
    if (!spec.clut_rows.empty()) {
        const std::uint32_t length = get32(bytes, tim_clut_block);
        bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(tim_clut_block + length), clut_pad,
                     0xA5);
        set32(bytes, tim_clut_block, length + clut_pad);
        image_block = tim_clut_block + length + clut_pad;
    }
    set32(bytes, image_block, get32(bytes, image_block) + image_pad);
    bytes.insert(bytes.end(), image_pad, 0x5A);
    return bytes;
}

std::vector<std::uint8_t> tim_file_bytes(const TimSpec& spec) {
    std::vector<std::uint8_t> bytes;
    const bool has_clut = !spec.clut_rows.empty();
    put32(bytes, 0x10);
    put32(bytes, (spec.bits_per_pixel == 4 ? 0u : 1u) | (has_clut ? 8u : 0u));
    if (has_clut) {
        const auto colors = static_cast<std::uint32_t>(spec.clut_rows[0].size());
        const auto rows = static_cast<std::uint32_t>(spec.clut_rows.size());
        put32(bytes, 12 + colors * rows * 2);
        put16(bytes, 0);
        put16(bytes, 480);
        put16(bytes, colors);
        put16(bytes, rows);
        for (const auto& row : spec.clut_rows) {
            for (std::uint16_t word : row) {
                put16(bytes, word);
            }
        }
    }
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < spec.height; ++y) {
        for (int x = 0; x < spec.width; ++x) {
            const std::uint8_t index = spec.indices[static_cast<std::size_t>(y * spec.width + x)];
            if (spec.bits_per_pixel == 8) {
                pixels.push_back(index);
            } else if (x % 2 == 0) {
                pixels.push_back(index & 0x0Fu);
            } else {
                pixels.back() = static_cast<std::uint8_t>(pixels.back() | (index << 4));
            }
        }
    }
    put32(bytes, static_cast<std::uint32_t>(12 + pixels.size()));
    put16(bytes, 320);
    put16(bytes, 0);
    put16(bytes, static_cast<unsigned>(spec.width * spec.bits_per_pixel / 16));
    put16(bytes, static_cast<unsigned>(spec.height));
    bytes.insert(bytes.end(), pixels.begin(), pixels.end());
    return bytes;
}

}  // namespace tavrin::testing
