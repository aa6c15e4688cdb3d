// tavrin-cli's subcommands (dump, extract, inject) over files/ and image/;
// render, find and the palette subcommands are in files of their own.
#include "cli/cli.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <optional>
#include <set>
#include <vector>

#include "cli/adjust_command.h"
#include "cli/command.h"
#include "cli/disc_command.h"
#include "cli/find_command.h"
#include "cli/palette_commands.h"
#include "cli/render_command.h"
#include "files/clut_files.h"
#include "image/image.h"

namespace tavrin::cli {

namespace {

// A failure is one line, whatever a file name or argument holds: control
// characters are shown as escapes.
std::string one_line(const std::string& text) {
    std::string line;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n') {
            line += "\\n";
        } else if (c == '\r') {
            line += "\\r";
        } else if (c == '\t') {
            line += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(byte));
            line += escaped;
        } else {
            line += c;
        }
    }
    return line;
}

std::span<const PaletteEntry> colors(const Clut& clut) {
    return std::span(clut.entries).first(static_cast<std::size_t>(clut.count));
}

std::optional<Failure> dump(FileSystem& fs, const std::string& file, const Location& location,
                            std::ostream& out) {
    Clut clut;
    if (auto failure = read_location(fs, file, location, clut)) {
        return failure;
    }
    for (int i = 0; i < clut.count; ++i) {
        const auto& entry = clut.entries[static_cast<std::size_t>(i)];
        char line[48];
        std::snprintf(line, sizeof line, "%d %04X %d %d %d\n", i, static_cast<unsigned>(entry.raw),
                      entry.red, entry.green, entry.blue);
        out << line;
    }
    out.flush();
    if (!out) {
        return Failure{"standard output", "writing failed"};
    }
    return std::nullopt;
}

std::optional<Failure> extract(FileSystem& fs, const std::string& file, const Location& location,
                               const std::string& output) {
    Clut clut;
    if (auto failure = read_location(fs, file, location, clut)) {
        return failure;
    }
    // Saving over the file being read would replace it by its own CLUT.
    FileId read_id;
    FileId output_id;
    if (output == file || (fs.identity(file, read_id).ok() && fs.identity(output, output_id).ok() &&
                           same_file(read_id, output_id))) {
        return Failure{output, "it is the file the CLUT is read from; give another output file"};
    }
    return failed(output, save_clut_file(fs, output, colors(clut)));
}

std::optional<Failure> inject(FileSystem& fs, const std::string& file, const Location& location,
                              const std::string& input) {
    Clut clut;
    if (auto failure = failed(input, read_clut_file(fs, input, clut))) {
        return failure;
    }
    return write_location(fs, file, location, colors(clut));
}

// An empty value would otherwise read as an option not given (--tex "" as a
// raw CLUT) or fail with no name (-o "").
const CLI::Validator not_empty(
    [](const std::string& value) { return value.empty() ? std::string("the value is empty") : ""; },
    "", "not empty");

// A value a subcommand cannot run without: a file to read or to write.
void add_required_path(CLI::App& command, const std::string& name, std::string& path,
                       const std::string& description) {
    command.add_option(name, path, description)->required()->check(not_empty);
}

// The first argument before "--" that looks like an option tavrin-cli does
// not have, such as a file named "-dash.clu"; CLI11 would take it apart and
// then say only that FILE is required.
std::optional<std::string> unknown_option(std::span<const std::string> args) {
    static const std::set<std::string> with_value = {
        "--tex",   "--offset", "--count", "--output",     "--from",      "-o",        "--row",
        "--width", "--height", "--bpp",   "--clut-file",  "--into",      "--format",  "--inside",
        "--at",    "--cells",  "--hue",   "--saturation", "--lightness", "--simulate"};
    static const std::set<std::string> flags = {"--tim", "--colorize"};
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            break;
        }
        if (arg.size() < 2 || arg[0] != '-' || arg == "-h" || arg == "--help") {
            continue;
        }
        if (with_value.contains(arg)) {
            ++i;  // its value may start with '-', as a negative offset does
            continue;
        }
        if (flags.contains(arg)) {
            continue;
        }
        const std::string name = arg.substr(0, arg.find('='));
        const bool attached_output = arg[1] == 'o';  // -oFILE
        if (!with_value.contains(name) && !attached_output) {
            return arg;
        }
    }
    return std::nullopt;
}

int report(const std::optional<Failure>& failure, std::ostream& err) {
    if (failure) {
        err << "tavrin-cli: " << one_line(failure->subject + ": " + failure->reason) << "\n";
        return failure->warning ? 0 : 1;
    }
    return 0;
}

std::optional<int> parse_kind(const std::string& text) {
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '4') {
        return text[0] - '0';
    }
    return find_tex_kind(text);
}

}  // namespace

std::optional<Failure> read_location(FileSystem& fs, const std::string& file,
                                     const Location& location, Clut& clut) {
    if (location.tim) {
        std::uint64_t at = 0;
        if (auto failure = parse_tim_at(file, location.at_text, at)) {
            return failure;
        }
        TimInfo info;
        return failed(file, read_tim_clut(fs, file, location.row, clut, info, at));
    }
    if (!location.kind_text.empty()) {
        int kind = 0;
        if (auto failure = parse_kind_argument(file, location.kind_text, kind)) {
            return failure;
        }
        std::uint32_t offset = 0;
        return failed(file, read_tex_clut(fs, file, kind, clut, offset));
    }
    if (!location.offset_text.empty()) {
        std::int64_t offset = 0;
        if (auto failure = parse_offset_argument(file, location.offset_text, offset)) {
            return failure;
        }
        return failed(file, read_clut_at_offset(fs, file, offset, location.count, clut));
    }
    return failed(file, read_clut_file(fs, file, clut));
}

std::optional<Failure> write_location(FileSystem& fs, const std::string& file,
                                      const Location& location,
                                      std::span<const PaletteEntry> colors) {
    if (location.tim) {
        std::uint64_t at = 0;
        if (auto failure = parse_tim_at(file, location.at_text, at)) {
            return failure;
        }
        return failed(file, inject_tim_clut(fs, file, location.row, colors, at));
    }
    if (!location.kind_text.empty()) {
        int kind = 0;
        if (auto failure = parse_kind_argument(file, location.kind_text, kind)) {
            return failure;
        }
        // Located and written through one open file.
        std::uint32_t offset = 0;
        return failed(file, inject_tex_clut(fs, file, kind, std::nullopt, colors, offset));
    }
    std::int64_t offset = 0;
    if (!location.offset_text.empty()) {
        if (auto failure = parse_offset_argument(file, location.offset_text, offset)) {
            return failure;
        }
    }
    return failed(file, inject_clut(fs, file, offset, colors));
}

void add_location(CLI::App& command, Location& location, bool with_count) {
    auto* tex = command
                    .add_option("--tex", location.kind_text,
                                "the CLUT of a TEX file: 0 to 4, or its name, such as "
                                "\"Players shirt #1 palette\" or \"Team flag\"")
                    ->check(not_empty);
    auto* offset = command
                       .add_option("--offset", location.offset_text,
                                   "where the CLUT starts, in decimal or in hexadecimal after 0x")
                       ->check(not_empty);
    add_tim_and_count_options(command, location, tex, offset,
                              "the TIM's CLUT row, from 0 (default 0)", with_count);
}

std::optional<Failure> parse_offset_argument(const std::string& file, const std::string& text,
                                             std::int64_t& offset) {
    const TypedOffset parsed = parse_offset(text);
    if (!parsed.ok()) {
        return Failure{file, offset_problem(text, parsed)};
    }
    if (parsed.value < 0) {
        return Failure{file, "the offset \"" + text + "\" is negative"};
    }
    offset = parsed.value;
    return std::nullopt;
}

void add_tim_and_count_options(CLI::App& command, Location& location, CLI::Option* tex,
                               CLI::Option* offset, const std::string& row_help, bool with_count) {
    tex->excludes(offset);
    auto* tim = command.add_flag("--tim", location.tim, "a CLUT row of a TIM file");
    command.add_option("--row", location.row, row_help)->check(CLI::NonNegativeNumber)->needs(tim);
    add_tim_at_option(command, location.at_text, tim);
    tim->excludes(tex);
    tim->excludes(offset);
    if (with_count) {
        auto* count = command.add_option("--count", location.count, "number of colors, 0 to 256")
                          ->check(CLI::Range(0, 256));
        count->needs(offset);
        offset->needs(count);
        tex->excludes(count);
        tim->excludes(count);
    }
}

void add_tim_at_option(CLI::App& command, std::string& text, CLI::Option* tim) {
    command
        .add_option("--at", text,
                    "with --tim, where the TIM starts in the file (default 0), in decimal or in "
                    "hexadecimal after 0x")
        ->check(not_empty)
        ->needs(tim);
}

std::optional<Failure> parse_tim_at(const std::string& file, const std::string& text,
                                    std::uint64_t& tim_at) {
    std::int64_t offset = 0;
    if (!text.empty()) {
        if (auto failure = parse_offset_argument(file, text, offset)) {
            return failure;
        }
    }
    tim_at = static_cast<std::uint64_t>(offset);
    return std::nullopt;
}

std::optional<Failure> parse_kind_argument(const std::string& file, const std::string& text,
                                           int& kind) {
    const auto parsed = parse_kind(text);
    if (!parsed) {
        return Failure{
            file, "\"" + text + "\" is not a CLUT kind (0 to 4, or a name such as \"Team flag\")"};
    }
    kind = *parsed;
    return std::nullopt;
}

int run(std::span<const std::string> args, FileSystem& fs, std::ostream& out, std::ostream& err) {
    CLI::App app{
        "Reads and writes the CLUTs of Kickvale TEX files, of TIM files, of raw CLUT files and "
        "of any file at an offset, and draws indexed images through them."};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("tavrin-cli ") + TAVRIN_VERSION);

    std::string file;
    std::string other;
    Location location;

    auto* dump_command = app.add_subcommand(
        "dump", "print one line per color: INDEX WORD R G B (a raw CLUT file without options)");
    add_location(*dump_command, location, true);
    add_required_path(*dump_command, "FILE", file, "the file holding the CLUT");

    auto* extract_command =
        app.add_subcommand("extract", "write a TEX or at-offset CLUT to a raw CLUT file");
    add_location(*extract_command, location, true);
    add_required_path(*extract_command, "FILE", file, "the file holding the CLUT");
    add_required_path(*extract_command, "-o,--output", other, "the raw CLUT file to write");

    auto* inject_command = app.add_subcommand(
        "inject", "write the colors of a raw CLUT file in place into a TEX file or at an offset");
    add_location(*inject_command, location, false);
    add_required_path(*inject_command, "FILE", file, "the file to write into, in place");
    add_required_path(*inject_command, "--from", other,
                      "the raw CLUT file to read the colors from");

    FindOptions find_options;
    auto* find_command = add_find_command(app, find_options);

    RenderCommand render;
    add_render_command(app, render);
    const PaletteCommands palette_commands(app);
    DiscOptions disc_options;
    add_disc_options(app, disc_options);
    AdjustCommand adjust;
    add_adjust_command(app, adjust, disc_options.inside);

    // CLI11 reads a C argument vector; the program's name is always there.
    const std::string program_name = "tavrin-cli";
    std::vector<const char*> argv;
    argv.push_back(args.empty() ? program_name.c_str() : args[0].c_str());
    for (std::size_t i = 1; i < args.size(); ++i) {
        argv.push_back(args[i].c_str());
    }
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0) {
            return app.exit(error, out, err);  // --help, --version
        }
        const auto unknown = find_requested(args) ? std::nullopt : unknown_option(args);
        if (unknown) {
            err << "tavrin-cli: "
                << one_line("unknown option \"" + *unknown + "\"") +
                       " (a file whose name starts with '-' goes after --, as in "
                       "tavrin-cli dump -- -name.clu)\n";
            return 1;
        }
        err << "tavrin-cli: " << one_line(error.what()) << " (try --help)\n";
        return find_requested(args) ? find_error : 1;
    }
    if (find_command->parsed()) {
        return run_find(find_options, fs, out, err);
    }

    if (disc_options.ls->parsed()) {
        return report(run_ls(fs, disc_options.image, out), err);
    }
    if (adjust.command->parsed()) {
        // Each file is an image of its own when --inside is given.
        return report(run_adjust(fs, adjust, disc_options.inside, out, err), err);
    }
    // An image's file, or a raw image's data, read and written in its sectors.
    std::unique_ptr<FileSystem> view;
    if (auto refused = disc_view(fs, subject_file(app), disc_options.inside, view)) {
        return report(refused, err);
    }
    FileSystem& used = view ? *view : fs;

    std::optional<Failure> failure;
    if (render.command->parsed()) {
        failure = run_render(used, render);
    } else if (palette_commands.parsed()) {
        failure = palette_commands.run(used, out, err);
    } else if (dump_command->parsed()) {
        failure = dump(used, file, location, out);
    } else if (!location.given()) {
        failure = Failure{
            file,
            "give the CLUT's place with --tex KIND or --offset OFF (or --tim for a TIM file)"};
    } else if (extract_command->parsed()) {
        failure = extract(used, file, location, other);
    } else {
        failure = inject(used, file, location, other);
    }
    return report(failure, err);
}

}  // namespace tavrin::cli
