// The tail of the process command line after the program's name. Portable, so
// that its tests run on any build machine.
#pragma once

#include <string>

namespace tavrin::win32 {

// Skips the program name at the start of line and the spaces after it. A name
// starting with a double quote ends at the next double quote; without a closing
// quote the whole line is the tail. Otherwise the name ends at the first space.
// Only the space counts as a blank. Returns a pointer into line (never null).
const char* skip_program_name(const char* line);

// The file named by a command-line tail, as Explorer's "Open with" passes it
// ("C:\My kits\kit.clu" in quotes) or as typed without quotes: a quoted
// name ends at its closing quote (or the end of the line); otherwise the
// whole tail, spaces inside included, without its trailing spaces. Empty
// when the tail names nothing.
std::string file_argument(const char* tail);

}  // namespace tavrin::win32
