// The codec encodes into memory; the finished bytes go to disk in one safe
// step, as every other save.
#include "image/png_file.h"

#include "files/clut_files.h"
#include "png/png.h"

namespace tavrin {

Status save_png(FileSystem& fs, const std::string& path, int width, int height,
                std::span<const Argb> pixels) {
    if (width <= 0 || height <= 0 ||
        pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        return Status::failure(Status::Code::invalid_argument, "there is no picture to save");
    }
    png::Image image{width, height, {}, std::vector<std::uint8_t>(pixels.size() * 4)};
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const Rgb color = rgb_of(pixels[i]);
        image.pixels[i * 4] = color.red;
        image.pixels[i * 4 + 1] = color.green;
        image.pixels[i * 4 + 2] = color.blue;
        image.pixels[i * 4 + 3] = 255;
    }
    std::vector<std::uint8_t> png;
    std::string reason;
    if (!png::encode(image, png, reason)) {
        return Status::failure(Status::Code::io_error, "the PNG could not be made: " + reason);
    }
    return replace_file(fs, path, png);
}

}  // namespace tavrin
