// The checks both implementations make before they start.
#include <algorithm>

#include "png/png.h"

namespace tavrin::png {

bool encodable(const Image& image, std::string& reason) {
    if (image.width <= 0 || image.height <= 0) {
        reason = "there is no picture to save";
        return false;
    }
    const auto count =
        static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
    if (image.palette.size() > 256) {
        reason = "a PNG palette holds 1 to 256 colors, not " + std::to_string(image.palette.size());
        return false;
    }
    if (image.pixels.size() != (image.indexed() ? count : count * 4)) {
        reason = "there is no picture to save";
        return false;
    }
    if (image.indexed() && std::any_of(image.pixels.begin(), image.pixels.end(),
                                       [&](auto index) { return index >= image.palette.size(); })) {
        reason = "a pixel's index is past the end of the palette";
        return false;
    }
    return true;
}

bool opaque(const Image& image) {
    for (std::size_t at = 3; at < image.pixels.size(); at += 4) {
        if (image.pixels[at] != 255) {
            return false;
        }
    }
    return true;
}

bool within_limit(std::uint64_t width, std::uint64_t height, std::string& reason) {
    if (width * height <= max_pixels) {
        return true;
    }
    reason = "the image is " + std::to_string(width) + " x " + std::to_string(height) +
             " pixels, more than Tavrin reads colors from (" + std::to_string(max_pixels) + ")";
    return false;
}

}  // namespace tavrin::png
