// PNG through libpng. libpng reports errors by longjmp: every call that may
// fail runs inside guarded(), and what those calls fill is owned outside it,
// so no destructor is skipped when it jumps.
#include <png.h>

#include <csetjmp>
#include <cstring>

#include "png/png.h"

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

std::vector<png_bytep> row_pointers(std::vector<std::uint8_t>& pixels, std::size_t height) {
    std::vector<png_bytep> rows(height);
    const std::size_t stride = height == 0 ? 0 : pixels.size() / height;
    for (std::size_t y = 0; y < height; ++y) {
        rows[y] = pixels.data() + y * stride;
    }
    return rows;
}

}  // namespace

bool decode(std::span<const std::uint8_t> bytes, Image& image, std::vector<std::string>& warnings,
            std::string& reason) {
    image = Image{};
    Context context;
    context.input = bytes;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &context, on_error, on_warning);
    if (png == nullptr) {
        reason = "libpng could not start";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    bool indexed = false;
    bool ok = info != nullptr && guarded(png, [&] {
                  png_set_read_fn(png, &context, read_bytes);
                  png_set_user_limits(png, 1u << 20, 1u << 20);
                  png_read_info(png, info);
                  width = png_get_image_width(png, info);
                  height = png_get_image_height(png, info);
                  indexed = png_get_color_type(png, info) == PNG_COLOR_TYPE_PALETTE;
              });
    ok = ok && within_limit(width, height, reason);
    if (ok && indexed) {
        png_colorp palette = nullptr;
        int count = 0;
        png_bytep alpha = nullptr;
        int alpha_count = 0;
        png_color_16p unused = nullptr;
        png_get_PLTE(png, info, &palette, &count);
        if (png_get_valid(png, info, PNG_INFO_tRNS) != 0) {
            png_get_tRNS(png, info, &alpha, &alpha_count, &unused);
        }
        for (int i = 0; i < count; ++i) {
            const std::uint8_t a = i < alpha_count ? alpha[i] : 255;
            image.palette.push_back(Rgba{palette[i].red, palette[i].green, palette[i].blue, a});
        }
    }
    if (ok) {
        const std::size_t channels = indexed ? 1 : 4;
        image.pixels.resize(std::size_t{width} * height * channels);
        std::vector<png_bytep> rows = row_pointers(image.pixels, height);
        ok = guarded(png, [&] {
            if (indexed) {
                png_set_packing(png);
            } else {
                png_set_expand(png);
                png_set_strip_16(png);
                png_set_gray_to_rgb(png);
                png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
            }
            png_set_interlace_handling(png);
            png_read_update_info(png, info);
            if (png_get_rowbytes(png, info) != std::size_t{width} * channels) {
                png_error(png, "unexpected row size");
            }
            png_read_image(png, rows.data());
            png_read_end(png, nullptr);
        });
    }
    if (ok) {
        image.width = static_cast<int>(width);
        image.height = static_cast<int>(height);
    } else {
        image = Image{};
        if (reason.empty()) {
            reason = context.error.empty() ? "libpng could not read it" : context.error;
        }
    }
    warnings = std::move(context.warnings);
    png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
    return ok;
}

bool encode(const Image& image, std::vector<std::uint8_t>& bytes, std::string& reason) {
    bytes.clear();
    if (!encodable(image, reason)) {
        return false;
    }
    // Everything libpng reads is made before it starts: between setjmp and the
    // end only the output grows.
    std::vector<png_color> plte;
    std::vector<png_byte> alpha;
    for (const Rgba& color : image.palette) {
        plte.push_back(png_color{color.red, color.green, color.blue});
        alpha.push_back(color.alpha);
    }
    while (!alpha.empty() && alpha.back() == 255) {
        alpha.pop_back();
    }
    const bool with_alpha = !image.indexed() && !opaque(image);
    const int color_type = image.indexed() ? PNG_COLOR_TYPE_PALETTE
                           : with_alpha    ? PNG_COLOR_TYPE_RGBA
                                           : PNG_COLOR_TYPE_RGB;
    std::vector<std::uint8_t> pixels = image.pixels;
    std::vector<png_bytep> rows = row_pointers(pixels, static_cast<std::size_t>(image.height));
    bytes.reserve(pixels.size() / 4 + 1024);

    Context context;
    context.output = &bytes;
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &context, on_error, on_warning);
    if (png == nullptr) {
        reason = "libpng could not start";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    const bool ok =
        info != nullptr && guarded(png, [&] {
            png_set_write_fn(png, &context, write_bytes, flush_nothing);
            png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                         static_cast<png_uint_32>(image.height), 8, color_type, PNG_INTERLACE_NONE,
                         PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
            if (image.indexed()) {
                png_set_PLTE(png, info, plte.data(), static_cast<int>(plte.size()));
                if (!alpha.empty()) {
                    png_set_tRNS(png, info, alpha.data(), static_cast<int>(alpha.size()), nullptr);
                }
            }
            png_write_info(png, info);
            if (!image.indexed() && !with_alpha) {
                png_set_filler(png, 0, PNG_FILLER_AFTER);  // the alpha bytes are skipped
            }
            png_write_image(png, rows.data());
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
