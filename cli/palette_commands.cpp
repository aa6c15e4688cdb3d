// export, import and convert: palette files through formats/, CLUTs and
// every write through files/, so an import is exactly as safe as inject.
#include "cli/palette_commands.h"

#include "files/clut_files.h"
#include "formats/palette_formats.h"
#include "image/image.h"

namespace tavrin::cli {

namespace {

// Beside the overload for palette-format results below.
using cli::failed;

// Palette files are small; an indexed image of this size is already generous.
constexpr std::uint64_t max_palette_file = 64u << 20;

std::optional<Failure> failed(const std::string& file, const FormatStatus& status) {
    if (status.ok) {
        return std::nullopt;
    }
    return Failure{file, status.reason};
}

std::optional<Failure> read_palette_file(FileSystem& fs, const std::string& path,
                                         PaletteFile& palette, std::ostream& err) {
    std::vector<std::uint8_t> bytes;
    if (auto failure = failed(path, read_whole_file(fs, path, max_palette_file, bytes))) {
        return failure;
    }
    if (auto failure = failed(path, read_palette(bytes, palette))) {
        if (palette.format != PaletteFormat::raw_clut) {
            failure->reason = std::string(format_label(palette.format)) + ", " + failure->reason;
        }
        return failure;
    }
    for (const std::string& warning : palette.warnings) {
        err << "tavrin-cli: " << path << ": warning: " << warning << "\n";
    }
    return std::nullopt;
}

std::optional<Failure> choose_format(const std::string& output, const std::string& format_text,
                                     PaletteFormat& format) {
    const auto chosen =
        format_text.empty() ? format_for_path(output) : format_from_name(format_text);
    if (!chosen) {
        return Failure{format_text.empty() ? output : format_text,
                       format_text.empty()
                           ? "the extension names no palette format; give --format "
                             "(gpl, pal, act, png, hex, rgb or raw)"
                           : "is not a palette format (gpl, pal, act, png, hex, rgb or raw)"};
    }
    format = *chosen;
    return std::nullopt;
}

std::optional<Failure> write_palette_file(FileSystem& fs, const std::string& output,
                                          PaletteFormat format,
                                          std::span<const PaletteEntry> entries,
                                          const PaletteWriteOptions& options) {
    std::vector<std::uint8_t> bytes;
    if (auto failure = failed(output, write_palette(format, entries, options, bytes))) {
        return failure;
    }
    return failed(output, replace_file(fs, output, bytes));
}

std::span<const PaletteEntry> live(const Clut& clut) {
    return std::span(clut.entries).first(static_cast<std::size_t>(clut.count));
}

}  // namespace

PaletteCommands::PaletteCommands(CLI::App& app) {
    const auto add_location = [this](CLI::App& command, bool with_count) {
        auto* tex = command.add_option("--tex", location_.kind_text,
                                       "the CLUT of a TEX file: 0 to 4, or its name");
        auto* offset =
            command.add_option("--offset", location_.offset_text,
                               "where the CLUT starts, in decimal or in hexadecimal after 0x");
        add_tim_and_count_options(command, location_, tex, offset,
                                  "the TIM's CLUT row (with --tim), from 0", with_count);
    };
    const char* format_help =
        "gpl, pal (JASC), act, png, hex (color words), rgb (#RRGGBB "
        "text) or raw; else from the output's extension";

    export_command_ = app.add_subcommand(
        "export",
        "write a CLUT as a palette file (a raw CLUT file without --tex, --offset or --tim)");
    add_location(*export_command_, true);
    export_command_->add_option("FILE", file_, "the file holding the CLUT")->required();
    export_command_->add_option("-o,--output", output_, "the palette file to write")->required();
    export_command_->add_option("--format", format_, format_help);

    import_command_ = app.add_subcommand(
        "import",
        "write a palette file's colors in place into a raw CLUT file, a TEX file's "
        "CLUT (--tex), a CLUT at an offset (--offset) or a TIM's CLUT row (--tim)");
    add_location(*import_command_, false);
    import_command_->add_option("PALETTE", file_, "the palette file to read")->required();
    import_command_->add_option("--into", into_, "the existing file to write into, in place")
        ->required();

    convert_command_ = app.add_subcommand("convert", "write a palette file in another format");
    convert_command_->add_option("FILE", file_, "the palette file to read")->required();
    convert_command_->add_option("-o,--output", output_, "the palette file to write")->required();
    convert_command_->add_option("--format", format_, format_help);
}

bool PaletteCommands::parsed() const {
    return export_command_->parsed() || import_command_->parsed() || convert_command_->parsed();
}

std::optional<Failure> PaletteCommands::run(FileSystem& fs, std::ostream& out,
                                            std::ostream& err) const {
    PaletteFormat format = PaletteFormat::raw_clut;
    if (export_command_->parsed()) {
        if (auto failure = choose_format(output_, format_, format)) {
            return failure;
        }
        Clut clut;
        if (auto failure = read_location(fs, file_, location_, clut)) {
            return failure;
        }
        return write_palette_file(fs, output_, format, live(clut), PaletteWriteOptions{});
    }

    PaletteFile palette;
    if (auto failure = read_palette_file(fs, file_, palette, err)) {
        return failure;
    }

    if (convert_command_->parsed()) {
        if (auto failure = choose_format(output_, format_, format)) {
            return failure;
        }
        std::vector<PaletteEntry> entries;
        for (const PaletteColor& color : palette.colors) {
            entries.push_back(imported_entry(PaletteEntry{}, color));
        }
        PaletteWriteOptions options;
        if (palette.format == PaletteFormat::gimp) {
            options.name = palette.name;
            options.columns = palette.columns;
        }
        return write_palette_file(fs, output_, format, entries, options);
    }

    // import: read the target CLUT first, so that bit 15 of every entry the
    // palette cannot speak for stays as it is, then write it back in place.
    Clut clut;
    std::int64_t offset = 0;
    int kind = 0;
    std::optional<std::uint32_t> tex_offset;
    std::uint64_t tim_at = 0;
    if (!location_.kind_text.empty()) {
        if (auto failure = parse_kind_argument(into_, location_.kind_text, kind)) {
            return failure;
        }
        std::uint32_t found = 0;
        if (auto failure = failed(into_, read_tex_clut(fs, into_, kind, clut, found))) {
            return failure;
        }
        tex_offset = found;
    } else if (location_.tim) {
        if (auto failure = parse_tim_at(into_, location_.at_text, tim_at)) {
            return failure;
        }
        TimInfo info;
        if (auto failure =
                failed(into_, read_tim_clut(fs, into_, location_.row, clut, info, tim_at))) {
            return failure;
        }
    } else if (!location_.offset_text.empty()) {
        if (auto failure = parse_offset_argument(into_, location_.offset_text, offset)) {
            return failure;
        }
        const int count = static_cast<int>(palette.colors.size());
        if (auto failure = failed(into_, read_clut_at_offset(fs, into_, offset, count, clut))) {
            return failure;
        }
    } else if (auto failure = failed(into_, read_clut_file(fs, into_, clut))) {
        return failure;
    }
    const std::size_t used = std::min(palette.colors.size(), static_cast<std::size_t>(clut.count));
    for (std::size_t i = 0; i < used; ++i) {
        clut.entries[i] = imported_entry(clut.entries[i], palette.colors[i]);
    }
    // Each target is written the way inject writes it: a TEX file's header and
    // a TIM's row are checked again through the open file that is written.
    Status written;
    if (tex_offset) {
        std::uint32_t found = 0;
        written = inject_tex_clut(fs, into_, kind, tex_offset, live(clut), found);
    } else if (location_.tim) {
        written = inject_tim_clut(fs, into_, location_.row, live(clut), tim_at);
    } else {
        written = inject_clut(fs, into_, offset, live(clut));
    }
    if (auto failure = failed(into_, written)) {
        return failure;
    }
    out << used << (used == 1 ? " color" : " colors") << " of " << palette.colors.size()
        << " imported into " << into_ << "\n";
    return std::nullopt;
}

}  // namespace tavrin::cli
