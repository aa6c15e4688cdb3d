// tavrin-cli find: where in a file a CLUT, a TIM image or a palette-like run
// lies, one line per hit, with grep's exit statuses.
#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "files/file_system.h"

namespace CLI {
class App;
}

namespace tavrin::cli {

// Exit statuses of find: like grep's.
inline constexpr int find_found = 0;
inline constexpr int find_none = 1;
inline constexpr int find_error = 2;

struct FindOptions {
    std::string clut_file;  // --clut: the raw CLUT file whose colours to look for
    bool tim = false;
    bool palettes = false;
    bool ignore_bit15 = false;
    int tolerance = 0;
    int align = 2;
    int min = 0;                 // --clut: words that must match (0: all); --palettes: shortest run
    std::uint64_t max_hits = 0;  // over all the files; 0: no limit
    std::vector<std::string> files;
    std::string inside;  // a file inside each disc image FILE
};

// Adds the find subcommand to app, filling options when it is parsed.
CLI::App* add_find_command(CLI::App& app, FindOptions& options);

// True when args run the find subcommand, so that its argument errors can
// exit with find_error.
bool find_requested(std::span<const std::string> args);

// Searches every file (the CLUT file is read through fs, the searched files
// directly, mapped; in a disc image, the file inside or a raw image's data
// through fs, with hits at offsets in that file or in the image file);
// hits go to out, one failure per line to err. Returns
// find_found, find_none or find_error (any failure, even with hits).
int run_find(const FindOptions& options, FileSystem& fs, std::ostream& out, std::ostream& err);

}  // namespace tavrin::cli
