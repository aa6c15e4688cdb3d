// Saving drawn pixels as a PNG file, with the replace-by-rename safety of
// files/.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "files/file_system.h"
#include "image/image.h"

namespace tavrin {

// Writes width x height pixels (rows top to bottom) as an 8-bit RGB PNG.
Status save_png(FileSystem& fs, const std::string& path, int width, int height,
                std::span<const Argb> pixels);

}  // namespace tavrin
