// Palette files in and out: GIMP and JASC palettes, Adobe colour tables,
// PNG images, hex text and raw CLUTs, over byte buffers. Every size, count
// and value is checked; a failure names the line or byte at fault.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "palette/palette.h"

namespace tavrin {

enum class PaletteFormat {
    gimp,       // GIMP palette (.gpl)
    jasc,       // JASC palette (.pal)
    act,        // Adobe colour table (.act), 768 or 772 bytes
    png,        // PNG: read from any PNG, written as an indexed one
    hex_words,  // text, one 4-digit colour word per line
    hex_rgb,    // text, one #RRGGBB per line
    raw_clut,   // little-endian colour words, nothing else
};

inline constexpr int max_palette_colors = palette_size;

// One colour read from a file. Formats of 8-bit colours give their
// components as they are; formats of colour words give the word decoded.
// high_bit is set only by a format that carries bit 15 (raw CLUTs, colour
// words, a transparent PNG or ACT entry); otherwise the target keeps its own.
struct PaletteColor {
    Rgb rgb;
    std::optional<bool> high_bit;

    friend bool operator==(const PaletteColor&, const PaletteColor&) = default;
};

struct PaletteFile {
    PaletteFormat format = PaletteFormat::raw_clut;
    std::vector<PaletteColor> colors;   // at most max_palette_colors
    std::vector<std::string> warnings;  // what was skipped or taken as read
    std::string name;                   // a GIMP palette's "Name:", else empty
    int columns = 0;                    // a GIMP palette's "Columns:", else 0
};

// Success, or the reason for a failure ("line 4: ...", "byte 770: ...").
struct FormatStatus {
    bool ok = true;
    std::string reason;

    static FormatStatus success() { return {}; }
    static FormatStatus failure(std::string reason) { return {false, std::move(reason)}; }
};

// Recognises the format by content alone and reads the colours. A file of
// more colours than a CLUT holds keeps the first 256, with a warning, except
// a PNG that is not indexed and a raw CLUT, which fail.
FormatStatus read_palette(std::span<const std::uint8_t> bytes, PaletteFile& file);

struct PaletteWriteOptions {
    std::string name = "Tavrin";  // GIMP "Name:"
    int columns = 16;             // GIMP "Columns:", 0 to 256
};

// Writes entries (at most 256) in format. Each colour is written as the grid
// shows it: the components decoded from the entry's colour word.
FormatStatus write_palette(PaletteFormat format, std::span<const PaletteEntry> entries,
                           const PaletteWriteOptions& options, std::vector<std::uint8_t>& bytes);

// The entry target becomes when color is imported into it: the components as
// the decimal fields would take them, bit 15 from color when it carries one.
PaletteEntry imported_entry(const PaletteEntry& target, const PaletteColor& color);

// Short names for a command line ("gpl", "pal", "act", "png", "hex", "rgb",
// "raw") and the format a file name's extension asks for (any letter case).
std::string_view format_name(PaletteFormat format);
std::optional<PaletteFormat> format_from_name(std::string_view name);
std::optional<PaletteFormat> format_for_path(std::string_view path);
// What a user reads: "GIMP palette".
std::string_view format_label(PaletteFormat format);

}  // namespace tavrin
