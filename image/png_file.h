// Saving drawn pixels as a PNG file, through libpng; the file is written with
// the replace-by-rename safety of files/.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "files/file_system.h"
#include "image/image.h"

namespace tavrin {

// Encodes width x height pixels (rows top to bottom) as an 8-bit RGB PNG.
Status encode_png(int width, int height, std::span<const Argb> pixels,
                  std::vector<std::uint8_t>& png);

Status save_png(FileSystem& fs, const std::string& path, int width, int height,
                std::span<const Argb> pixels);

}  // namespace tavrin
