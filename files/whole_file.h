// Writing a whole file of any contents with the safety of a CLUT save: the
// bytes go to a new file beside the target, which replaces the target only
// once they are all on the disk.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "files/file_system.h"

namespace tavrin {

// On failure path is as it was and no new file is left behind.
Status save_whole_file(FileSystem& fs, const std::string& path,
                       std::span<const std::uint8_t> bytes);

}  // namespace tavrin
