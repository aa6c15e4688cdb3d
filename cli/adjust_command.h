// tavrin-cli adjust: hue, saturation and lightness of CLUT colours in many
// files, each written in place as inject writes it.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/command.h"

namespace tavrin::cli {

struct AdjustCommand {
    CLI::App* command = nullptr;
    std::vector<std::string> files;
    Location location;
    std::string cells_text;  // "16-31,40"; empty: every live colour
    int hue = 0;
    int saturation = 0;
    int lightness = 0;
    bool colorize = false;
};

// inside is where --inside PATH is kept, shared with the other subcommands.
void add_adjust_command(CLI::App& app, AdjustCommand& adjust, std::string& inside);

// One file after another; names each file written on out, warnings on err.
// Stops at the first failure, which names the files after it: those are
// left as they were.
std::optional<Failure> run_adjust(FileSystem& fs, const AdjustCommand& adjust,
                                  const std::string& inside, std::ostream& out, std::ostream& err);

// "16-31,40": indices and ranges of cells, 0 to 255, in ascending order once
// each; nullopt for any other text.
std::optional<std::vector<int>> parse_cells(const std::string& text);

}  // namespace tavrin::cli
