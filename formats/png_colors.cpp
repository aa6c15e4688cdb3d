// The colours of a decoded image, in order of first appearance.
#include <unordered_set>

#include "formats/png_codec.h"

namespace tavrin::png {

void collect_colors(std::span<const std::uint8_t> rgba, std::size_t max_colors, Decoded& decoded) {
    std::unordered_set<std::uint32_t> seen;
    bool transparent_seen = false;
    for (std::size_t at = 0; at + 4 <= rgba.size(); at += 4) {
        Rgba color{rgba[at], rgba[at + 1], rgba[at + 2], 255};
        bool fresh = false;
        if (rgba[at + 3] == 0) {
            // Every fully transparent pixel is one colour, whatever it hides.
            color = Rgba{0, 0, 0, 0};
            fresh = !transparent_seen;
            transparent_seen = true;
        } else {
            const std::uint32_t key =
                (std::uint32_t{color.red} << 16) | (std::uint32_t{color.green} << 8) | color.blue;
            fresh = seen.insert(key).second;
        }
        if (!fresh) {
            continue;
        }
        if (decoded.colors.size() == max_colors) {
            decoded.more_colors = true;
            return;
        }
        decoded.colors.push_back(color);
    }
}

}  // namespace tavrin::png
