// PNG through libpng. libpng reports errors by longjmp: every call that may
// fail runs inside guarded(), and the objects it fills are owned outside, so
// no destructor is skipped when it jumps.
#include <png.h>

#include <csetjmp>
#include <cstring>

#include "formats/png_codec.h"

namespace tavrin::png {

namespace {

struct Context {
    std::span<const std::uint8_t> input;
    std::size_t position = 0;
    std::vector<std::uint8_t>* output = nullptr;
    std::string error;
    std::vector<std::string> warnings;
};

Context& context_of(png_structp png) {
    return *static_cast<Context*>(png_get_error_ptr(png));
}

void on_error(png_structp png, png_const_charp message) {
    Context& context = context_of(png);
    context.error = "byte " + std::to_string(context.position) + ": " + message;
    png_longjmp(png, 1);
}

void on_warning(png_structp png, png_const_charp message) {
    Context& context = context_of(png);
    if (context.warnings.size() < 8) {
        context.warnings.push_back("PNG, near byte " + std::to_string(context.position) + ": " +
                                   message);
    }
}

void read_bytes(png_structp png, png_bytep out, png_size_t length) {
    auto& context = *static_cast<Context*>(png_get_io_ptr(png));
    if (length > context.input.size() - context.position) {
        context.position = context.input.size();
        png_error(png, "the file ends in the middle of a chunk");
    }
    std::memcpy(out, context.input.data() + context.position, length);
    context.position += length;
}

void write_bytes(png_structp png, png_bytep data, png_size_t length) {
    auto& context = *static_cast<Context*>(png_get_io_ptr(png));
    context.output->insert(context.output->end(), data, data + length);
}

void flush_nothing(png_structp) {}

template <class Body>
bool guarded(png_structp png, Body&& body) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    body();
    return true;
}

}  // namespace

bool decode(std::span<const std::uint8_t> bytes, std::size_t max_colors, Decoded& decoded,
            std::string& reason) {
    decoded = Decoded{};
    Context context;
    context.input = bytes;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &context, on_error, on_warning);
    if (png == nullptr) {
        reason = "libpng could not start";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    std::vector<std::uint8_t> pixels;
    std::vector<png_bytep> rows;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int color_type = 0;
    bool has_palette = false;

    bool ok = info != nullptr && guarded(png, [&] {
                  png_set_read_fn(png, &context, read_bytes);
                  png_set_user_limits(png, 1u << 20, 1u << 20);
                  png_read_info(png, info);
                  width = png_get_image_width(png, info);
                  height = png_get_image_height(png, info);
                  color_type = png_get_color_type(png, info);
                  has_palette = png_get_valid(png, info, PNG_INFO_PLTE) != 0;
              });
    if (ok && has_palette) {
        // The palette in its order, duplicates kept; tRNS gives the alpha.
        png_colorp palette = nullptr;
        int count = 0;
        png_bytep alpha = nullptr;
        int alpha_count = 0;
        png_color_16p unused = nullptr;
        png_get_PLTE(png, info, &palette, &count);
        if (png_get_valid(png, info, PNG_INFO_tRNS) != 0 && color_type == PNG_COLOR_TYPE_PALETTE) {
            png_get_tRNS(png, info, &alpha, &alpha_count, &unused);
        }
        decoded.indexed = true;
        for (int i = 0; i < count; ++i) {
            const std::uint8_t a = i < alpha_count ? alpha[i] : 255;
            decoded.colors.push_back(Rgba{palette[i].red, palette[i].green, palette[i].blue, a});
        }
        if (color_type != PNG_COLOR_TYPE_PALETTE) {
            decoded.warnings.push_back(
                "the PNG is not indexed; its suggested palette (PLTE) was taken");
        }
    } else if (ok) {
        if (static_cast<std::uint64_t>(width) * height > max_pixels) {
            reason = "the image is " + std::to_string(width) + " x " + std::to_string(height) +
                     " pixels, more than Tavrin reads colours from (" + std::to_string(max_pixels) +
                     ")";
            ok = false;
        } else {
            pixels.resize(static_cast<std::size_t>(width) * height * 4);
            rows.resize(height);
            for (png_uint_32 y = 0; y < height; ++y) {
                rows[y] = pixels.data() + static_cast<std::size_t>(y) * width * 4;
            }
            ok = guarded(png, [&] {
                png_set_expand(png);
                png_set_strip_16(png);
                png_set_gray_to_rgb(png);
                png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
                png_set_interlace_handling(png);
                png_read_update_info(png, info);
                if (png_get_rowbytes(png, info) != static_cast<std::size_t>(width) * 4) {
                    png_error(png, "unexpected row size");
                }
                png_read_image(png, rows.data());
                png_read_end(png, nullptr);
            });
            if (ok) {
                collect_colors(pixels, max_colors, decoded);
            }
        }
    }
    if (!ok && reason.empty()) {
        reason = context.error.empty() ? "libpng could not read it" : context.error;
    }
    decoded.warnings.insert(decoded.warnings.end(), context.warnings.begin(),
                            context.warnings.end());
    png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
    return ok;
}

bool encode_indexed(std::span<const Rgba> palette, std::vector<std::uint8_t>& bytes,
                    std::string& reason) {
    bytes.clear();
    if (palette.empty() || palette.size() > 256) {
        reason = "a PNG palette holds 1 to 256 colours, not " + std::to_string(palette.size());
        return false;
    }
    Context context;
    context.output = &bytes;
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &context, on_error, on_warning);
    if (png == nullptr) {
        reason = "libpng could not start";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    const auto width = static_cast<png_uint_32>(palette.size() * swatch_pixels);
    std::vector<png_color> plte(palette.size());
    std::vector<png_byte> alpha;
    std::size_t alpha_count = 0;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        plte[i] = png_color{palette[i].red, palette[i].green, palette[i].blue};
        alpha.push_back(palette[i].alpha);
        if (palette[i].alpha != 255) {
            alpha_count = i + 1;
        }
    }
    std::vector<png_byte> row(width);
    for (png_uint_32 x = 0; x < width; ++x) {
        row[x] = static_cast<png_byte>(x / swatch_pixels);
    }
    const bool ok =
        info != nullptr && guarded(png, [&] {
            png_set_write_fn(png, &context, write_bytes, flush_nothing);
            png_set_IHDR(png, info, width, swatch_pixels, 8, PNG_COLOR_TYPE_PALETTE,
                         PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
            png_set_PLTE(png, info, plte.data(), static_cast<int>(plte.size()));
            if (alpha_count > 0) {
                png_set_tRNS(png, info, alpha.data(), static_cast<int>(alpha_count), nullptr);
            }
            png_write_info(png, info);
            for (int y = 0; y < swatch_pixels; ++y) {
                png_write_row(png, row.data());
            }
            png_write_end(png, nullptr);
        });
    if (!ok) {
        reason = context.error.empty() ? "libpng could not write it" : context.error;
        bytes.clear();
    }
    png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
    return ok;
}

}  // namespace tavrin::png
