// tavrin-cli find over search/. Hits of --clut and --tim are printed as they
// are found; palette-like runs are ranked, best first, once each file is done.
#include "cli/find_command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <cinttypes>
#include <cstdio>

#include "cli/disc_command.h"
#include "files/clut_files.h"
#include "search/search.h"

namespace tavrin::cli {

namespace {

// "FILE 0x1A40 6720 ": the offset ready to paste after --offset, in both bases.
std::string place(const std::string& file, std::uint64_t offset) {
    char text[64];
    std::snprintf(text, sizeof text, " 0x%" PRIX64 " %" PRIu64, offset, offset);
    return file + text;
}

std::string describe(const std::string& file, const search::Hit& hit) {
    std::string line = place(file, hit.offset);
    switch (hit.kind) {
        case search::HitKind::clut:
            return line + " clut matching=" + std::to_string(hit.words);
        case search::HitKind::palette:
            return line + " palette colors=" + std::to_string(hit.words) +
                   " score=" + std::to_string(hit.score);
        case search::HitKind::tim: {
            const auto& tim = hit.tim;
            return line + " tim bpp=" + std::to_string(tim.bits_per_pixel) +
                   " clut_colors=" + std::to_string(tim.clut_colors) +
                   " clut_rows=" + std::to_string(tim.clut_rows) +
                   " width=" + std::to_string(tim.width) + " height=" + std::to_string(tim.height) +
                   " size=" + std::to_string(tim.size);
        }
    }
    return line;
}

// The CLI's one-line rule for failures: no control characters.
std::string printable(const std::string& text) {
    std::string line;
    for (char c : text) {
        line += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    }
    return line;
}

}  // namespace

CLI::App* add_find_command(CLI::App& app, FindOptions& options) {
    auto* command = app.add_subcommand(
        "find",
        "print where CLUTs, TIM images or palette-like runs lie: FILE 0xOFFSET OFFSET ...; "
        "exit 0 with hits, 1 with none, 2 on errors");
    auto* clut = command->add_option("--clut", options.clut_file,
                                     "look for the colors of this raw CLUT file");
    auto* tim = command->add_flag("--tim", options.tim, "look for TIM images");
    auto* palettes =
        command->add_flag("--palettes", options.palettes, "look for runs that look like a palette");
    clut->excludes(tim, palettes);
    tim->excludes(palettes);
    command->add_flag("--ignore-bit15", options.ignore_bit15, "compare only the 15 color bits")
        ->needs(clut);
    command
        ->add_option("--tolerance", options.tolerance,
                     "levels each 5-bit channel may differ by, 0 to 31")
        ->check(CLI::Range(0, 31))
        ->needs(clut);
    command->add_option("--align", options.align, "1: any offset, 2: even offsets (default)")
        ->check(CLI::IsMember({1, 2}))
        ->needs(clut);
    command
        ->add_option("--min", options.min,
                     "with --clut, colors that must match (default all); with --palettes, the "
                     "shortest run in colors (default 16)")
        ->check(CLI::Range(1, 65536));
    command
        ->add_option("--max-hits", options.max_hits,
                     "stop after this many hits over all the files (default: no limit)")
        ->check(CLI::PositiveNumber);
    command->add_option("FILE", options.files, "the files to search")->required();
    command->add_option("--inside", options.inside,
                        "a file inside each disc image FILE, such as DATA/KIT.TEX");
    return command;
}

bool find_requested(std::span<const std::string> args) {
    return args.size() > 1 && args[1] == "find";
}

int run_find(const FindOptions& options, FileSystem& fs, std::ostream& out, std::ostream& err) {
    const int modes =
        (options.clut_file.empty() ? 0 : 1) + (options.tim ? 1 : 0) + (options.palettes ? 1 : 0);
    if (modes != 1) {
        err << "tavrin-cli: find: give one of --clut FILE, --tim or --palettes\n";
        return find_error;
    }
    if (options.tim && options.min > 0) {
        err << "tavrin-cli: find: --min goes with --clut or --palettes\n";
        return find_error;
    }
    search::ClutQuery clut_query;
    if (!options.clut_file.empty()) {
        Clut clut;
        const Status status = read_clut_file(fs, options.clut_file, clut);
        if (!status.ok()) {
            err << "tavrin-cli: " << printable(options.clut_file + ": " + status.reason) << "\n";
            return find_error;
        }
        if (clut.count == 0) {
            err << "tavrin-cli: " << printable(options.clut_file) << ": the CLUT has no colors\n";
            return find_error;
        }
        for (int i = 0; i < clut.count; ++i) {
            clut_query.words.push_back(clut.entries[static_cast<std::size_t>(i)].raw);
        }
        clut_query.ignore_bit15 = options.ignore_bit15;
        clut_query.tolerance = options.tolerance;
        clut_query.align = options.align;
        clut_query.min_matching = options.min;
    }
    search::PaletteQuery palette_query;
    if (options.min > 0) {
        palette_query.min_words = options.min;
    }

    bool found = false;
    bool failed = false;
    std::uint64_t shown = 0;
    const auto limit_reached = [&] { return options.max_hits > 0 && shown >= options.max_hits; };
    for (const auto& file : options.files) {
        if (limit_reached()) {
            break;
        }
        SearchedData data;
        if (auto refused = data.open(fs, file, options.inside)) {
            err << "tavrin-cli: " << printable(refused->subject + ": " + refused->reason) << "\n";
            failed = true;
            continue;
        }
        std::vector<search::Hit> ranked;
        // Cancel is read between blocks: hits past the limit still arrive
        // until then, and are dropped.
        std::atomic<bool> enough{false};
        search::Observer observer;
        observer.cancel = &enough;
        observer.hit = [&](const search::Hit& found) {
            if (limit_reached()) {
                return;
            }
            if (++shown == options.max_hits) {
                enough = true;
            }
            search::Hit hit = found;
            hit.offset = data.offset_in_file(found.offset);
            if (options.palettes) {
                ranked.push_back(hit);
            } else {
                out << describe(file, hit) << '\n';
            }
        };
        const search::Target searched = data.target();
        search::ScanResult result;
        if (options.tim) {
            result = search::find_tim(searched, observer);
        } else if (options.palettes) {
            result = search::find_palettes(searched, palette_query, observer);
        } else {
            result = search::find_clut(searched, clut_query, observer);
        }
        std::stable_sort(ranked.begin(), ranked.end(),
                         [](const auto& a, const auto& b) { return a.score > b.score; });
        for (const auto& hit : ranked) {
            out << describe(file, hit) << '\n';
        }
        found = found || result.hits > 0;
        if (result.end == search::ScanEnd::failed ||
            (result.end == search::ScanEnd::cancelled && !enough)) {
            err << "tavrin-cli: " << printable(file + ": " + result.reason) << "\n";
            failed = true;
        }
    }
    out.flush();
    if (!out) {
        err << "tavrin-cli: standard output: writing failed\n";
        return find_error;
    }
    return failed ? find_error : found ? find_found : find_none;
}

}  // namespace tavrin::cli
