// tavrin-cli render: an indexed image (a TIM's own, or raw pixels at an
// offset) drawn through a CLUT and saved as a PNG file.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "cli/command.h"

namespace tavrin::cli {

struct RenderCommand {
    CLI::App* command = nullptr;
    std::string file;
    std::string output;
    std::string clut_file;
    bool tim = false;
    int row = 0;
    std::string at_text;
    std::string offset_text;
    int width = 0;
    int height = 0;
    int bits_per_pixel = 8;
    std::string background;  // RRGGBB under transparent pixels; a checkerboard when empty
    std::string blend;       // half, add, subtract or quarter; empty: bit 15 is not drawn
    std::string simulate;    // a colour-vision name; empty for normal vision
};

void add_render_command(CLI::App& app, RenderCommand& render);

std::optional<Failure> run_render(FileSystem& fs, const RenderCommand& render);

}  // namespace tavrin::cli
