// The tail of the process command line after the program's name. Portable, so
// that its tests run on any build machine.
#pragma once

namespace tavrin::win32 {

// Skips the program name at the start of line and the spaces after it. A name
// starting with a double quote ends at the next double quote; without a closing
// quote the whole line is the tail. Otherwise the name ends at the first space.
// Only the space counts as a blank. Returns a pointer into line (never null).
const char* skip_program_name(const char* line);

}  // namespace tavrin::win32
