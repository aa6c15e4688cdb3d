// Saving a picture as PNG: whichever encoder the build has, then the same
// safe whole-file write as every other save.
#include "files/clut_files.h"
#include "image/png_file.h"

namespace tavrin {

Status save_png(FileSystem& fs, const std::string& path, int width, int height,
                std::span<const Argb> pixels) {
    std::vector<std::uint8_t> png;
    const Status status = encode_png(width, height, pixels, png);
    if (!status.ok()) {
        return status;
    }
    return replace_file(fs, path, png);
}

}  // namespace tavrin
