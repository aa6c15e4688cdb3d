// tavrin-cli's whole behaviour as one function of its arguments, so that the
// tool, its tests and its fuzzer run the same code over any file system.
#pragma once

#include <ostream>
#include <span>
#include <string>

#include "files/file_system.h"

namespace tavrin::cli {

// Runs the tool: args[0] is the program's name, the rest its arguments. Files
// are read and written through fs only. Colours go to out; a failure is one
// line on err naming the file (or argument) and the reason. Returns the exit
// status: 0 on success and for --help, 1 on any failure.
int run(std::span<const std::string> args, FileSystem& fs, std::ostream& out, std::ostream& err);

}  // namespace tavrin::cli
