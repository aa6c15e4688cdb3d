// TIM and raw-pixel readers over a FileSystem, and indexed drawing.
#include "image/image.h"

#include "files/file_reads.h"

#include <cstdio>
#include <memory>

namespace tavrin {

namespace {

using Code = Status::Code;

constexpr std::uint32_t tim_id = 0x10;
constexpr std::uint64_t tim_header_size = 8;
constexpr std::uint64_t block_header_size = 12;

std::uint16_t u16_at(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

std::uint32_t u32_at(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(u16_at(bytes, at)) |
           (static_cast<std::uint32_t>(u16_at(bytes, at + 2)) << 16);
}

std::string hex32(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

// A TIM block's 12-byte header: its length (header included), its place in
// video memory (not needed here), its width and its height.
struct BlockHeader {
    std::uint32_t length = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
};

// Reads the header of the block at offset and checks that the block lies
// within the file and can hold data_size(width, height) bytes.
template <typename DataSize>
Status read_block(File& file, std::uint64_t size, std::uint64_t offset, const std::string& name,
                  BlockHeader& block, DataSize data_size) {
    if (!within(size, offset, block_header_size)) {
        return Status::failure(Code::not_in_file, "it ends before its " + name + " block (" +
                                                      bytes_text(size) + ", the block's " +
                                                      "header would start at offset " +
                                                      std::to_string(offset) + ")");
    }
    std::array<std::uint8_t, block_header_size> bytes{};
    Status status = read_exact(file, offset, bytes);
    if (!status.ok()) {
        return status;
    }
    block.length = u32_at(bytes, 0);
    block.width = u16_at(bytes, 8);
    block.height = u16_at(bytes, 10);
    const std::string announced = "its " + name + " block says it is " + bytes_text(block.length);
    if (block.length < block_header_size) {
        return Status::failure(Code::not_in_file, announced + ", less than its own 12-byte header");
    }
    if (!within(size, offset, block.length)) {
        return Status::failure(Code::not_in_file, announced + " from offset " +
                                                      std::to_string(offset) +
                                                      ", which reaches past the end of the file (" +
                                                      bytes_text(size) + ")");
    }
    const std::uint64_t needed = data_size(block.width, block.height);
    if (needed > block.length - block_header_size) {
        return Status::failure(Code::not_in_file,
                               announced + ", too short for the " + std::to_string(block.width) +
                                   " x " + std::to_string(block.height) + " it announces (" +
                                   bytes_text(needed) + " after the header)");
    }
    return Status::success();
}

Status parse_tim(File& file, std::uint64_t size, TimInfo& info) {
    info = TimInfo{};
    if (size < tim_header_size) {
        return Status::failure(Code::not_in_file,
                               "it is too short for a TIM file (" + bytes_text(size) + ")");
    }
    std::array<std::uint8_t, tim_header_size> header{};
    Status status = read_exact(file, 0, header);
    if (!status.ok()) {
        return status;
    }
    const std::uint32_t id = u32_at(header, 0);
    if (id != tim_id) {
        return Status::failure(Code::invalid_argument, "it is not a TIM file (it starts with " +
                                                           hex32(id) + ", not 0x00000010)");
    }
    const std::uint32_t flags = u32_at(header, 4);
    const std::uint32_t mode = flags & 0x7u;
    if (mode > 3) {
        return Status::failure(Code::invalid_argument,
                               "its pixel mode " + std::to_string(mode) + " is not one of 0 to 3");
    }
    constexpr int depths[] = {4, 8, 16, 24};
    const int depth = depths[mode];

    std::uint64_t offset = tim_header_size;
    if ((flags & 0x8u) != 0) {
        BlockHeader clut;
        status = read_block(file, size, offset, "CLUT", clut,
                            [](std::uint64_t width, std::uint64_t height) {
                                return width * height * color_word_size;
                            });
        if (!status.ok()) {
            return status;
        }
        if (clut.width == 0 || clut.height == 0) {
            return Status::failure(Code::not_in_file, "its CLUT block holds no colors (" +
                                                          std::to_string(clut.height) +
                                                          " rows of " + std::to_string(clut.width) +
                                                          ")");
        }
        info.clut_colors = clut.width;
        info.clut_rows = clut.height;
        info.clut_offset = offset + block_header_size;
        offset += clut.length;
    }

    BlockHeader pixels;
    status = read_block(file, size, offset, "image", pixels,
                        [](std::uint64_t width, std::uint64_t height) {
                            return width * 2 * height;  // width counts 16-bit units
                        });
    if (!status.ok()) {
        info = TimInfo{};
        return status;
    }
    info.bits_per_pixel = depth;
    info.width = static_cast<int>(pixels.width * 16u / static_cast<unsigned>(depth));
    info.height = pixels.height;
    info.pixel_offset = offset + block_header_size;
    return Status::success();
}

Status open_tim(FileSystem& fs, const std::string& path, std::unique_ptr<File>& file,
                TimInfo& info) {
    std::uint64_t size = 0;
    Status status = open_sized(fs, path, OpenMode::read, file, size);
    if (status.ok()) {
        status = parse_tim(*file, size, info);
    }
    return status;
}

// The check both the reader and the injection make before they touch a row.
Status check_row(const TimInfo& info, int row) {
    if (info.clut_rows == 0) {
        return Status::failure(Code::invalid_argument, "it has no CLUT");
    }
    if (row < 0 || row >= info.clut_rows) {
        return Status::failure(Code::invalid_argument, "it has no CLUT row " + std::to_string(row) +
                                                           " (its rows are 0 to " +
                                                           std::to_string(info.clut_rows - 1) +
                                                           ")");
    }
    if (info.clut_colors > palette_size) {
        return Status::failure(Code::too_many_colors,
                               "its CLUT rows hold " + std::to_string(info.clut_colors) +
                                   " colors, more than the 256 a CLUT can have");
    }
    return Status::success();
}

Status check_size(std::uint64_t width, std::uint64_t height) {
    if (width == 0 || height == 0) {
        return Status::failure(Code::invalid_argument, "the image is empty (" +
                                                           std::to_string(width) + " x " +
                                                           std::to_string(height) + " pixels)");
    }
    if (width * height > max_image_pixels) {
        return Status::failure(Code::invalid_argument,
                               "the image (" + std::to_string(width) + " x " +
                                   std::to_string(height) +
                                   " pixels) is larger than the 4096 x 4096 the preview can draw");
    }
    return Status::success();
}

// Reads height rows of row_bytes at offset and spreads them to one index per
// pixel.
Status read_indices(File& file, std::uint64_t offset, std::uint64_t row_bytes, int width,
                    int height, int bits_per_pixel, IndexedImage& image) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(row_bytes * height));
    Status status = read_exact(file, offset, bytes);
    if (!status.ok()) {
        return status;
    }
    image.width = width;
    image.height = height;
    image.indices.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    std::uint8_t* out = image.indices.data();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = bytes.data() + static_cast<std::size_t>(row_bytes) * y;
        if (bits_per_pixel == 8) {
            std::copy(row, row + width, out);
        } else {
            for (int x = 0; x < width; ++x) {
                const std::uint8_t byte = row[x / 2];
                out[x] = (x % 2 == 0) ? (byte & 0x0Fu) : (byte >> 4);
            }
        }
        out += width;
    }
    return Status::success();
}

}  // namespace

std::uint64_t TimInfo::clut_row_offset(int row) const {
    return clut_offset + static_cast<std::uint64_t>(row) * static_cast<std::uint64_t>(clut_colors) *
                             color_word_size;
}

Status read_tim_info(FileSystem& fs, const std::string& path, TimInfo& info) {
    std::unique_ptr<File> file;
    return open_tim(fs, path, file, info);
}

Status read_tim_clut(FileSystem& fs, const std::string& path, int row, Clut& clut, TimInfo& info) {
    clut = Clut{};
    std::unique_ptr<File> file;
    Status status = open_tim(fs, path, file, info);
    if (status.ok()) {
        status = check_row(info, row);
    }
    if (!status.ok()) {
        return status;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.clut_colors) * color_word_size);
    status = read_exact(*file, info.clut_row_offset(row), bytes);
    if (status.ok()) {
        decode_clut(bytes, clut);
    }
    return status;
}

Status inject_tim_clut(FileSystem& fs, const std::string& path, int row,
                       std::span<const PaletteEntry> entries) {
    TimInfo info;
    Status status = read_tim_info(fs, path, info);
    if (status.ok()) {
        status = check_row(info, row);
    }
    if (!status.ok()) {
        return status;
    }
    if (entries.size() != static_cast<std::size_t>(info.clut_colors)) {
        return Status::failure(Code::invalid_argument,
                               "its CLUT rows hold " + std::to_string(info.clut_colors) +
                                   " colors, not " + std::to_string(entries.size()));
    }
    return inject_clut(fs, path, static_cast<std::int64_t>(info.clut_row_offset(row)), entries);
}

Status read_tim_image(FileSystem& fs, const std::string& path, IndexedImage& image, TimInfo& info) {
    image = IndexedImage{};
    std::unique_ptr<File> file;
    Status status = open_tim(fs, path, file, info);
    if (!status.ok()) {
        return status;
    }
    if (!info.indexed()) {
        return Status::failure(Code::invalid_argument,
                               "it is a " + std::to_string(info.bits_per_pixel) +
                                   "-bit direct-color image, which a CLUT does not color");
    }
    status =
        check_size(static_cast<std::uint64_t>(info.width), static_cast<std::uint64_t>(info.height));
    if (!status.ok()) {
        return status;
    }
    const auto row_bytes = static_cast<std::uint64_t>(info.width) * info.bits_per_pixel / 8;
    return read_indices(*file, info.pixel_offset, row_bytes, info.width, info.height,
                        info.bits_per_pixel, image);
}

std::uint64_t RawPixelsPlace::row_bytes() const {
    const auto pixels = static_cast<std::uint64_t>(width < 0 ? 0 : width);
    return bits_per_pixel == 4 ? (pixels + 1) / 2 : pixels;
}

Status read_raw_pixels(FileSystem& fs, const std::string& path, const RawPixelsPlace& place,
                       IndexedImage& image) {
    image = IndexedImage{};
    if (place.bits_per_pixel != 4 && place.bits_per_pixel != 8) {
        return Status::failure(Code::invalid_argument, std::to_string(place.bits_per_pixel) +
                                                           " bits per pixel is neither 4 nor 8");
    }
    if (place.width <= 0 || place.height <= 0) {
        return Status::failure(Code::invalid_argument,
                               "the image is empty (" + std::to_string(place.width) + " x " +
                                   std::to_string(place.height) + " pixels)");
    }
    Status status = check_size(static_cast<std::uint64_t>(place.width),
                               static_cast<std::uint64_t>(place.height));
    if (!status.ok()) {
        return status;
    }
    std::unique_ptr<File> file;
    std::uint64_t size = 0;
    status = open_sized(fs, path, OpenMode::read, file, size);
    if (!status.ok()) {
        return status;
    }
    const std::uint64_t length = place.row_bytes() * static_cast<std::uint64_t>(place.height);
    if (place.offset < 0 || !within(size, static_cast<std::uint64_t>(place.offset), length)) {
        return Status::failure(Code::not_in_file, "the image (" + bytes_text(length) +
                                                      " at offset " + std::to_string(place.offset) +
                                                      ") reaches past the end of the file (" +
                                                      bytes_text(size) + ")");
    }
    return read_indices(*file, static_cast<std::uint64_t>(place.offset), place.row_bytes(),
                        place.width, place.height, place.bits_per_pixel, image);
}

PixelColors pixel_colors(std::span<const PaletteEntry, palette_size> palette, int color_count,
                         const std::array<bool, palette_size>* highlight) {
    PixelColors colors;
    for (int i = 0; i < palette_size; ++i) {
        const auto at = static_cast<std::size_t>(i);
        if (i >= color_count) {
            colors.tables[0][at] = no_color_light;
            colors.tables[1][at] = no_color_dark;
            continue;
        }
        Rgb rgb = color_of(palette[at]);
        if (highlight != nullptr && !(*highlight)[at]) {
            // Two thirds of the way to a middle grey: still recognisable, plainly not chosen.
            const auto fade = [](std::uint8_t c) {
                return static_cast<std::uint8_t>((c + 2 * 0x80) / 3);
            };
            rgb = Rgb{fade(rgb.red), fade(rgb.green), fade(rgb.blue)};
        }
        const Argb pixel = 0xFF000000u | (static_cast<Argb>(rgb.red) << 16) |
                           (static_cast<Argb>(rgb.green) << 8) | rgb.blue;
        colors.tables[0][at] = pixel;
        colors.tables[1][at] = pixel;
    }
    return colors;
}

void draw_indexed(const IndexedImage& image, const PixelColors& colors, std::vector<Argb>& pixels) {
    const auto width = static_cast<std::size_t>(image.width);
    pixels.resize(width * static_cast<std::size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* in = image.indices.data() + width * static_cast<std::size_t>(y);
        Argb* out = pixels.data() + width * static_cast<std::size_t>(y);
        // The checkerboard alternates every 4 pixels in both directions, so
        // each run of 4 pixels draws from one table.
        const std::size_t row_phase = static_cast<std::size_t>(y >> 2) & 1u;
        std::size_t x = 0;
        for (; x + 4 <= width; x += 4) {
            const Argb* table = colors.tables[row_phase ^ ((x >> 2) & 1u)].data();
            out[x] = table[in[x]];
            out[x + 1] = table[in[x + 1]];
            out[x + 2] = table[in[x + 2]];
            out[x + 3] = table[in[x + 3]];
        }
        const Argb* table = colors.tables[row_phase ^ ((x >> 2) & 1u)].data();
        for (; x < width; ++x) {
            out[x] = table[in[x]];
        }
    }
}

}  // namespace tavrin
