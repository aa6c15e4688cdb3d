// Opening a file named from outside the menus: the command line, the file
// manager's "Open with" and a file dropped on the window. The content decides
// what the file is and which File command reads it.
#pragma once

#include <string>

#include "files/file_system.h"
#include "ui/editor.h"

namespace tavrin {

enum class FileKind {
    raw_clut,  // read as File > Load CLUT... would
    tex,       // every one of the five CLUTs lies within the file
    tim,       // starts with the TIM magic, 0x10 as a 32-bit little-endian word
};

// What path holds, judged by its content alone (never by its name). A file
// that cannot be read, or that is neither a TEX file, a TIM image nor a raw
// CLUT of at most 256 colours, is a failure whose reason follows the file's
// name in a message.
Status detect_file_kind(FileSystem& fs, const std::string& path, FileKind& kind);

// Runs the File command that reads path's kind, with path as the file chosen
// in its open dialog (a TEX file then asks "Select CLUT to modify" as usual).
// A file that cannot be read is reported in the "Error" box and changes
// nothing. A disc image lists its files as File > "Open file in disc
// image..." does. Returns whether a command ran.
bool open_path(EditorState& state, WindowLayer& layer, const std::string& path);

}  // namespace tavrin
