// tavrin-cli adjust over palette/color_adjust and the CLI's own reading and
// writing of CLUT locations.
#include "cli/adjust_command.h"

#include <array>
#include <charconv>
#include <memory>

#include "cli/disc_command.h"
#include "palette/color_adjust.h"

namespace tavrin::cli {

namespace {

std::optional<int> cell_number(std::string_view text) {
    int value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() || value < 0 ||
        value >= palette_size) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<std::vector<int>> parse_cells(const std::string& text) {
    std::array<bool, palette_size> chosen{};
    std::string_view rest = text;
    while (true) {
        const std::size_t comma = rest.find(',');
        const std::string_view item = rest.substr(0, comma);
        const std::size_t dash = item.find('-');
        const auto first = cell_number(item.substr(0, dash));
        const auto last =
            dash == std::string_view::npos ? first : cell_number(item.substr(dash + 1));
        if (!first || !last || *last < *first) {
            return std::nullopt;
        }
        for (int index = *first; index <= *last; ++index) {
            chosen[static_cast<std::size_t>(index)] = true;
        }
        if (comma == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(comma + 1);
    }
    std::vector<int> cells;
    for (int index = 0; index < palette_size; ++index) {
        if (chosen[static_cast<std::size_t>(index)]) {
            cells.push_back(index);
        }
    }
    return cells;
}

void add_adjust_command(CLI::App& app, AdjustCommand& adjust, std::string& inside) {
    auto* command = app.add_subcommand(
        "adjust",
        "turn the hue, saturation and lightness of a CLUT's colours, in place in each FILE");
    adjust.command = command;
    add_location(*command, adjust.location, true);
    command->add_option("FILE", adjust.files, "the files to write into, in place, in turn")
        ->required();
    command->add_option("--cells", adjust.cells_text,
                        "the colours to change, such as 16-31,40 (default: every colour)");
    command->add_option("--hue", adjust.hue, "degrees to turn the hue by, -180 to 180")
        ->check(CLI::Range(-180, 180));
    command
        ->add_option("--saturation", adjust.saturation,
                     "-100 (grey) to 100 (twice as saturated); with --colorize, -100 to 100 "
                     "is the saturation set, none to full")
        ->check(CLI::Range(-100, 100));
    command->add_option("--lightness", adjust.lightness, "-100 (black) to 100 (white)")
        ->check(CLI::Range(-100, 100));
    command->add_flag("--colorize", adjust.colorize,
                      "give every colour the hue --hue (0 red, 120 green, -120 blue) and the "
                      "saturation, keeping its lightness");
    command->add_option(
        "--inside", inside,
        "a file inside each disc image FILE, such as DATA/KIT.TEX (without ;1, any case)");
}

namespace {

// The files after a failure are named in it: they were not looked at.
Failure left_alone(Failure failure, const std::vector<std::string>& files, std::size_t failed_at) {
    if (failed_at + 1 < files.size()) {
        failure.reason += "; not adjusted:";
        for (std::size_t i = failed_at + 1; i < files.size(); ++i) {
            failure.reason += " " + files[i];
        }
    }
    return failure;
}

std::optional<Failure> adjust_file(FileSystem& fs, const AdjustCommand& adjust,
                                   const std::optional<std::vector<int>>& cells,
                                   const std::string& file, const std::string& inside,
                                   std::ostream& out, std::ostream& err) {
    std::unique_ptr<FileSystem> view;
    if (auto refused = disc_view(fs, file, inside, view)) {
        return refused;
    }
    FileSystem& used = view ? *view : fs;
    Clut clut;
    if (auto failure = read_location(used, file, adjust.location, clut)) {
        return failure;
    }
    std::vector<int> chosen;
    if (cells) {
        chosen = *cells;
        if (!chosen.empty() && chosen.back() >= clut.count) {
            return Failure{file, "cell " + std::to_string(chosen.back()) +
                                     " is beyond its CLUT of " + std::to_string(clut.count) +
                                     " colours"};
        }
    } else {
        for (int index = 0; index < clut.count; ++index) {
            chosen.push_back(index);
        }
    }
    const ColorAdjustment adjustment{adjust.hue, adjust.saturation, adjust.lightness,
                                     adjust.colorize};
    int changed = 0;
    for (int index : chosen) {
        PaletteEntry& entry = clut.entries[static_cast<std::size_t>(index)];
        const std::uint16_t word = encode_bgr555(entry);
        const std::uint16_t adjusted = adjust_color(word, adjustment);
        if (adjusted != word) {
            entry = decode_bgr555(adjusted);
            ++changed;
        }
    }
    if (changed == 0) {
        out << file << ": no colour changed, not written\n";
        return std::nullopt;
    }
    const auto written =
        write_location(used, file, adjust.location,
                       std::span(clut.entries).first(static_cast<std::size_t>(clut.count)));
    if (written && !written->warning) {
        return written;
    }
    out << file << ": " << changed << (changed == 1 ? " colour" : " colours") << " adjusted\n";
    if (written) {
        err << "tavrin-cli: " << written->subject << ": " << written->reason << "\n";
    }
    return std::nullopt;
}

}  // namespace

std::optional<Failure> run_adjust(FileSystem& fs, const AdjustCommand& adjust,
                                  const std::string& inside, std::ostream& out, std::ostream& err) {
    std::optional<std::vector<int>> cells;
    if (!adjust.cells_text.empty()) {
        cells = parse_cells(adjust.cells_text);
        if (!cells) {
            return Failure{"--cells", "\"" + adjust.cells_text +
                                          "\" is no list of cells 0 to 255, such as 16-31,40"};
        }
    }
    for (std::size_t i = 0; i < adjust.files.size(); ++i) {
        if (auto failure = adjust_file(fs, adjust, cells, adjust.files[i], inside, out, err)) {
            return left_alone(*failure, adjust.files, i);
        }
    }
    return std::nullopt;
}

}  // namespace tavrin::cli
