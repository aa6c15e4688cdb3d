// libpng writes into memory; the finished bytes go to disk in one safe step.
#include "image/png_file.h"

#include <png.h>

#include "files/clut_files.h"

namespace tavrin {

namespace {

struct Sink {
    std::vector<std::uint8_t>* bytes = nullptr;
    std::string error;
};

void write_to_sink(png_structp png, png_bytep data, png_size_t length) {
    auto* sink = static_cast<Sink*>(png_get_io_ptr(png));
    sink->bytes->insert(sink->bytes->end(), data, data + length);
}

void flush_nothing(png_structp) {}

// libpng reports a fatal error by calling this and never returning to the
// failed call: longjmp back to encode_png, which owns no C++ objects between
// setjmp and the end of writing whose destructors a longjmp would skip.
[[noreturn]] void on_error(png_structp png, png_const_charp message) {
    auto* sink = static_cast<Sink*>(png_get_error_ptr(png));
    sink->error = message;
    png_longjmp(png, 1);
}

void on_warning(png_structp, png_const_charp) {}

}  // namespace

Status encode_png(int width, int height, std::span<const Argb> pixels,
                  std::vector<std::uint8_t>& png) {
    png.clear();
    if (width <= 0 || height <= 0 ||
        pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        return Status::failure(Status::Code::invalid_argument, "there is no picture to save");
    }
    // Converted before libpng starts: between setjmp and the end only the
    // output vector grows, and it is reserved to usually hold the whole file.
    std::vector<std::uint8_t> rgb(pixels.size() * 3);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const Rgb color = rgb_of(pixels[i]);
        rgb[i * 3] = color.red;
        rgb[i * 3 + 1] = color.green;
        rgb[i * 3 + 2] = color.blue;
    }
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        rows[static_cast<std::size_t>(y)] =
            rgb.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 3;
    }
    png.reserve(rgb.size() / 4 + 1024);

    Sink sink{&png, {}};
    png_structp writer =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, on_error, on_warning);
    if (writer == nullptr) {
        return Status::failure(Status::Code::io_error, "the PNG writer could not start");
    }
    png_infop info = png_create_info_struct(writer);
    if (info == nullptr || setjmp(png_jmpbuf(writer)) != 0) {
        png_destroy_write_struct(&writer, &info);
        png.clear();
        return Status::failure(
            Status::Code::io_error,
            "the PNG could not be made: " +
                (sink.error.empty() ? std::string("out of memory") : sink.error));
    }
    png_set_write_fn(writer, &sink, write_to_sink, flush_nothing);
    png_set_IHDR(writer, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(writer, info);
    png_write_image(writer, rows.data());
    png_write_end(writer, nullptr);
    png_destroy_write_struct(&writer, &info);
    return Status::success();
}

}  // namespace tavrin
