// Disc images in the editor: File > "Open file in disc image..."
// (ids::open_in_disc), and the file system every file command reads and
// writes through, which for a file inside an image, or a raw image itself,
// is the image's sectors with their codes rebuilt on every write.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "files/clut_source.h"
#include "files/file_system.h"

namespace tavrin {

struct EditorState;
class WindowLayer;

// What reads and writes path: with inside, the file it names in the disc
// image path; without, a raw image's sectors at the image file's own offsets
// (a CLUT runs on over a sector's end into the next sector's data); any
// other file through the editor's file system. view holds what it makes;
// status is the failure to read path at all, to report instead.
FileSystem& files_for(EditorState& state, const std::string& path, const std::string& inside,
                      std::unique_ptr<FileSystem>& view, Status& status);

// The file as messages name it: path, or "DATA/TEAM.TEX in /games/GAME.BIN".
std::string shown_file(const std::string& path, const std::string& inside);

// The title note for a CLUT read from a file inside an image ("TEAM.TEX in
// GAME.BIN"); empty for any other.
std::string disc_title(const ClutSource& source);

// ids::open_in_disc: asks for an image, then for one of its files.
void open_file_in_disc_image(EditorState& state, WindowLayer& layer);

// The same for an image already chosen (the command line, a dropped file):
// lists its files to pick one from, with a field that narrows the list, and
// opens the one picked as opening it by path would: a TEX file asks which
// CLUT, a TIM which row, anything else the "CLUT parameters" with offsets
// inside that file. An image that cannot be listed, and a file that cannot
// be read (stored in Form 2 sectors), are reported and change nothing.
void open_disc_image(EditorState& state, WindowLayer& layer, const std::string& image);

// Where a finder hit at image_offset of the raw image path lies: the file of
// the image holding it (inside) and the offset in that file. False when no
// file holds it.
bool file_at_image_offset(FileSystem& fs, const std::string& path, std::uint64_t image_offset,
                          std::string& inside, std::uint64_t& offset);

}  // namespace tavrin
