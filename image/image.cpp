// TIM and raw-pixel readers over a FileSystem, and indexed drawing.
#include "image/image.h"

#include "files/file_reads.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace tavrin {

namespace {

using Code = Status::Code;

std::string hex32(std::uint64_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

// What a fault means for the user, with the file's own offsets.
std::string fault_text(const TimFault& fault, std::uint64_t tim_at, std::uint64_t file_size) {
    using Kind = TimFault::Kind;
    const std::string it = tim_at == 0 ? "it" : "the TIM at offset " + std::to_string(tim_at);
    // "its image block", or "the image block of the TIM at offset 4096".
    const auto its = [&](const std::string& what) {
        return tim_at == 0 ? "its " + what : "the " + what + " of " + it;
    };
    const std::string name = fault.in_clut ? "CLUT" : "image";
    const std::string block_at = std::to_string(tim_at + fault.at);
    const std::string announced = its(name + " block") + " says it is " + bytes_text(fault.value);
    switch (fault.kind) {
        case Kind::none:
            break;
        case Kind::too_short:
            return tim_at == 0 ? "it is too short for a TIM file (" + bytes_text(file_size) + ")"
                               : "the file ends " + bytes_text(fault.value) + " after offset " +
                                     std::to_string(tim_at) + ", too soon for a TIM";
        case Kind::not_tim:
            return (tim_at == 0 ? std::string("it is not a TIM file")
                                : "there is no TIM at offset " + std::to_string(tim_at)) +
                   " (it starts with " + hex32(fault.value) + ", not 0x00000010)";
        case Kind::bad_mode:
            return its("pixel mode " + std::to_string(fault.value)) + " is not one of 0 to 3";
        case Kind::unknown_flags:
            return its("flags " + hex32(fault.value)) + " set bits no TIM uses";
        case Kind::block_cut:
            return it + " ends before its " + name + " block (" + bytes_text(file_size) +
                   ", the block's header would start at offset " + block_at + ")";
        case Kind::under_header:
            return announced + ", less than its own 12-byte header";
        case Kind::past_end:
            return announced + " from offset " + block_at +
                   ", which reaches past the end of the file (" + bytes_text(file_size) + ")";
        case Kind::too_short_for_data:
            return announced + ", too short for the " + std::to_string(fault.width) + " x " +
                   std::to_string(fault.height) + " it announces (" + bytes_text(fault.needed) +
                   " after the header)";
        case Kind::clut_too_long:
            return announced + ", longer than any CLUT block (" + bytes_text(max_tim_clut_block) +
                   ")";
        case Kind::clut_too_large:
            return its("CLUT block") + " holds " + std::to_string(fault.height) + " rows of " +
                   std::to_string(fault.width) + " colors, more than 256 of either";
        case Kind::no_colors:
            return its("CLUT block") + " holds no colors (" + std::to_string(fault.height) +
                   " rows of " + std::to_string(fault.width) + ")";
        case Kind::no_pixels:
            return its("image block") + " holds no pixels (" + std::to_string(fault.width) +
                   " words by " + std::to_string(fault.height) + " rows)";
    }
    return {};
}

// Opens path and parses the TIM at tim_at from the bytes the parser may look at.
Status open_tim(FileSystem& fs, const std::string& path, std::uint64_t tim_at, SizedFile& tim,
                TimInfo& info) {
    info = TimInfo{};
    Status status = open_sized(fs, path, OpenMode::read, tim);
    if (!status.ok()) {
        return status;
    }
    if (tim_at > tim.size) {
        return Status::failure(Code::not_in_file, "the offset " + std::to_string(tim_at) +
                                                      " is past the end of the file (" +
                                                      bytes_text(tim.size) + ")");
    }
    const std::uint64_t to_end = tim.size - tim_at;
    std::vector<std::uint8_t> bytes(
        static_cast<std::size_t>(std::min<std::uint64_t>(to_end, tim_header_span)));
    status = read_exact(*tim.file, tim_at, bytes);
    if (!status.ok()) {
        return status;
    }
    const TimFault fault = parse_tim(bytes, to_end, info);
    if (fault.ok()) {
        return Status::success();
    }
    Code code = Code::not_in_file;
    if (fault.kind == TimFault::Kind::clut_too_large) {
        code = Code::too_many_colors;
    } else if (fault.kind == TimFault::Kind::not_tim || fault.kind == TimFault::Kind::bad_mode ||
               fault.kind == TimFault::Kind::unknown_flags) {
        code = Code::invalid_argument;
    }
    return Status::failure(code, fault_text(fault, tim_at, tim.size));
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

Status read_tim_info(FileSystem& fs, const std::string& path, TimInfo& info, std::uint64_t tim_at) {
    SizedFile tim;
    return open_tim(fs, path, tim_at, tim, info);
}

Status read_tim_clut(FileSystem& fs, const std::string& path, int row, Clut& clut, TimInfo& info,
                     std::uint64_t tim_at) {
    clut = Clut{};
    SizedFile tim;
    Status status = open_tim(fs, path, tim_at, tim, info);
    if (status.ok()) {
        status = check_row(info, row);
    }
    if (!status.ok()) {
        return status;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.clut_colors) * color_word_size);
    status = read_exact(*tim.file, tim_at + info.clut_row_offset(row), bytes);
    if (status.ok()) {
        decode_clut(bytes, clut);
    }
    return status;
}

Status inject_tim_clut(FileSystem& fs, const std::string& path, int row,
                       std::span<const PaletteEntry> entries, std::uint64_t tim_at) {
    TimInfo info;
    Status status = read_tim_info(fs, path, info, tim_at);
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
    return inject_clut(fs, path, static_cast<std::int64_t>(tim_at + info.clut_row_offset(row)),
                       entries);
}

Status read_tim_image(FileSystem& fs, const std::string& path, IndexedImage& image, TimInfo& info,
                      std::uint64_t tim_at) {
    image = IndexedImage{};
    SizedFile tim;
    Status status = open_tim(fs, path, tim_at, tim, info);
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
    return read_indices(*tim.file, tim_at + info.pixel_offset, row_bytes, info.width, info.height,
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
    SizedFile opened;
    status = open_sized(fs, path, OpenMode::read, opened);
    if (!status.ok()) {
        return status;
    }
    const std::uint64_t length = place.row_bytes() * static_cast<std::uint64_t>(place.height);
    if (place.offset < 0 ||
        !within(opened.size, static_cast<std::uint64_t>(place.offset), length)) {
        return Status::failure(Code::not_in_file, "the image (" + bytes_text(length) +
                                                      " at offset " + std::to_string(place.offset) +
                                                      ") reaches past the end of the file (" +
                                                      bytes_text(opened.size) + ")");
    }
    return read_indices(*opened.file, static_cast<std::uint64_t>(place.offset), place.row_bytes(),
                        place.width, place.height, place.bits_per_pixel, image);
}

PixelColors pixel_colors(std::span<const PaletteEntry, palette_size> palette, int color_count,
                         const std::array<bool, palette_size>* highlight, const Backdrop* backdrop,
                         ColorVision vision) {
    PixelColors colors;
    std::array<Rgb, 2> under{backdrop_light, backdrop_dark};
    if (backdrop != nullptr && backdrop->color) {
        under = {*backdrop->color, *backdrop->color};
    }
    for (int i = 0; i < palette_size; ++i) {
        const auto at = static_cast<std::size_t>(i);
        if (i >= color_count) {
            colors.tables[0][at] = no_color_light;
            colors.tables[1][at] = no_color_dark;
            continue;
        }
        for (std::size_t square = 0; square < 2; ++square) {
            // A colour the backdrop does not show through keeps the grid's
            // own 8-bit components, which the word alone would round.
            const std::uint16_t word = encode_bgr555(palette[at]);
            const bool through =
                backdrop != nullptr &&
                (is_transparent_word(word) ||
                 (backdrop->blend != BlendMode::none && is_semi_transparent_word(word)));
            Rgb rgb =
                through ? shown_color(word, under[square], backdrop->blend) : color_of(palette[at]);
            if (highlight != nullptr && !(*highlight)[at]) {
                // Two thirds of the way to a middle grey: still recognisable, plainly not chosen.
                const auto fade = [](std::uint8_t c) {
                    return static_cast<std::uint8_t>((c + 2 * 0x80) / 3);
                };
                rgb = Rgb{fade(rgb.red), fade(rgb.green), fade(rgb.blue)};
            }
            rgb = simulate_color_vision(rgb, vision);
            colors.tables[square][at] = 0xFF000000u | (static_cast<Argb>(rgb.red) << 16) |
                                        (static_cast<Argb>(rgb.green) << 8) | rgb.blue;
        }
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
