// Recognition by content, the text and binary palette formats, and the
// conversion between entries and the colours files hold. PNG goes through
// png/.
#include "formats/palette_formats.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <unordered_set>

#include "png/png.h"

namespace tavrin {

namespace {

constexpr std::size_t act_size = 768;
constexpr std::size_t act_extended_size = 772;
constexpr std::uint16_t act_no_transparency = 0xFFFF;

using Bytes = std::vector<std::uint8_t>;

// The word an entry is written as, and the grid's own 8-bit colour of it.
std::uint16_t word_of(const PaletteEntry& entry) {
    return encode_bgr555(entry);
}

Rgb grid_color(const PaletteEntry& entry) {
    return color_of(decode_bgr555(word_of(entry)));
}

PaletteColor color_of_word(std::uint16_t word) {
    const PaletteEntry entry = decode_bgr555(word);
    return PaletteColor{color_of(entry), (word & high_bit_mask) != 0};
}

// The transparent colour of PNG and ACT files: the word 0x0000, bit 15 clear.
const PaletteColor transparent_color{Rgb{0, 0, 0}, false};

std::string quoted_excerpt(std::string_view line) {
    constexpr std::size_t limit = 40;
    std::string text;
    for (char c : line.substr(0, limit)) {
        const auto byte = static_cast<unsigned char>(c);
        text += (byte < 0x20 || byte == 0x7F) ? '?' : c;
    }
    return "\"" + text + (line.size() > limit ? "...\"" : "\"");
}

// Text split into lines, a UTF-8 byte order mark and each line's \r dropped.
struct Lines {
    std::vector<std::string_view> lines;

    explicit Lines(std::span<const std::uint8_t> bytes) {
        std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        if (text.starts_with("\xEF\xBB\xBF")) {
            text.remove_prefix(3);
        }
        while (!text.empty()) {
            const std::size_t end = text.find('\n');
            std::string_view line = text.substr(0, end);
            if (line.ends_with('\r')) {
                line.remove_suffix(1);
            }
            lines.push_back(line);
            if (end == std::string_view::npos) {
                break;
            }
            text.remove_prefix(end + 1);
        }
    }
};

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

bool first_line_is(std::span<const std::uint8_t> bytes, std::string_view header) {
    const Lines text(bytes.first(std::min<std::size_t>(bytes.size(), 64)));
    return !text.lines.empty() && trimmed(text.lines[0]) == header;
}

std::string at_line(std::size_t index) {
    return "line " + std::to_string(index + 1) + ": ";
}

// Reads a decimal number from the front of text; false when there is none or
// it is above limit.
bool take_number(std::string_view& text, unsigned limit, unsigned& value) {
    text = trimmed(text);
    std::size_t digits = 0;
    value = 0;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) {
        value = value * 10 + static_cast<unsigned>(text[digits] - '0');
        if (value > limit) {
            return false;
        }
        ++digits;
    }
    text.remove_prefix(digits);
    return digits > 0;
}

// "R G B" with an optional name after it (GIMP) or nothing after it (JASC).
FormatStatus parse_rgb_line(std::string_view line, std::size_t index, bool name_allowed,
                            PaletteColor& color) {
    std::string_view rest = line;
    unsigned values[3] = {};
    for (unsigned& value : values) {
        if (!take_number(rest, 255, value)) {
            return FormatStatus::failure(at_line(index) + quoted_excerpt(line) +
                                         " is not three numbers from 0 to 255");
        }
        if (!rest.empty() && rest.front() != ' ' && rest.front() != '\t') {
            return FormatStatus::failure(at_line(index) + quoted_excerpt(line) +
                                         " is not three numbers from 0 to 255");
        }
    }
    if (!name_allowed && !trimmed(rest).empty()) {
        return FormatStatus::failure(at_line(index) + quoted_excerpt(line) +
                                     " has more than three numbers");
    }
    color =
        PaletteColor{Rgb{static_cast<std::uint8_t>(values[0]), static_cast<std::uint8_t>(values[1]),
                         static_cast<std::uint8_t>(values[2])},
                     std::nullopt};
    return FormatStatus::success();
}

void add_color(PaletteFile& file, const PaletteColor& color, std::size_t& total) {
    ++total;
    if (file.colors.size() < static_cast<std::size_t>(max_palette_colors)) {
        file.colors.push_back(color);
    }
}

void warn_if_truncated(PaletteFile& file, std::size_t total) {
    if (total > file.colors.size()) {
        file.warnings.push_back("it holds " + std::to_string(total) + " colors; only the first " +
                                std::to_string(file.colors.size()) + " were taken");
    }
}

FormatStatus read_gimp(std::span<const std::uint8_t> bytes, PaletteFile& file) {
    const Lines text(bytes);
    std::size_t total = 0;
    for (std::size_t i = 1; i < text.lines.size(); ++i) {
        const std::string_view line = trimmed(text.lines[i]);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.starts_with("Name:")) {
            file.name = std::string(trimmed(line.substr(5)));
            continue;
        }
        if (line.starts_with("Columns:")) {
            std::string_view value = line.substr(8);
            unsigned columns = 0;
            if (!take_number(value, 256, columns) || !trimmed(value).empty()) {
                return FormatStatus::failure(at_line(i) + quoted_excerpt(line) +
                                             " is not a number of columns from 0 to 256");
            }
            file.columns = static_cast<int>(columns);
            continue;
        }
        PaletteColor color;
        FormatStatus status = parse_rgb_line(line, i, true, color);
        if (!status.ok) {
            return status;
        }
        add_color(file, color, total);
    }
    warn_if_truncated(file, total);
    return FormatStatus::success();
}

FormatStatus read_jasc(std::span<const std::uint8_t> bytes, PaletteFile& file) {
    const Lines text(bytes);
    if (text.lines.size() < 3) {
        return FormatStatus::failure("line " + std::to_string(text.lines.size() + 1) +
                                     ": the file ends before the version and the color count");
    }
    if (trimmed(text.lines[1]) != "0100") {
        return FormatStatus::failure(at_line(1) + quoted_excerpt(text.lines[1]) +
                                     " is not the version 0100");
    }
    std::string_view count_text = text.lines[2];
    unsigned count = 0;
    if (!take_number(count_text, 65536, count) || !trimmed(count_text).empty()) {
        return FormatStatus::failure(at_line(2) + quoted_excerpt(text.lines[2]) +
                                     " is not a color count from 0 to 65536");
    }
    std::size_t total = 0;
    std::size_t i = 3;
    for (; total < count; ++i) {
        if (i >= text.lines.size()) {
            return FormatStatus::failure(
                "line " + std::to_string(i + 1) + ": the file ends after " + std::to_string(total) +
                " of the " + std::to_string(count) + " colors it announces");
        }
        PaletteColor color;
        FormatStatus status = parse_rgb_line(trimmed(text.lines[i]), i, false, color);
        if (!status.ok) {
            return status;
        }
        add_color(file, color, total);
    }
    for (; i < text.lines.size(); ++i) {
        if (!trimmed(text.lines[i]).empty()) {
            file.warnings.push_back(at_line(i) + "the lines after the " + std::to_string(count) +
                                    " colors announced were ignored");
            break;
        }
    }
    warn_if_truncated(file, total);
    return FormatStatus::success();
}

FormatStatus read_act(std::span<const std::uint8_t> bytes, PaletteFile& file) {
    std::size_t count = 256;
    std::size_t transparent = act_no_transparency;
    if (bytes.size() == act_extended_size) {
        count = static_cast<std::size_t>(bytes[768] << 8 | bytes[769]);
        transparent = static_cast<std::size_t>(bytes[770] << 8 | bytes[771]);
        if (count > 256) {
            return FormatStatus::failure("byte 768: the color count " + std::to_string(count) +
                                         " is more than the 256 colors the table holds");
        }
        if (transparent != act_no_transparency && transparent >= count) {
            file.warnings.push_back("byte 770: the transparent index " +
                                    std::to_string(transparent) + " is not one of the " +
                                    std::to_string(count) + " colors; it was ignored");
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (i == transparent) {
            file.colors.push_back(transparent_color);
            continue;
        }
        file.colors.push_back(
            PaletteColor{Rgb{bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]}, std::nullopt});
    }
    return FormatStatus::success();
}

// A true-colour image's colours in order of first appearance, rows top to
// bottom; every fully transparent pixel is one colour, whatever it hides.
// One more than max_colors sets more.
std::vector<png::Rgba> colors_in(const png::Image& image, std::size_t max_colors, bool& more) {
    std::vector<png::Rgba> colors;
    std::unordered_set<std::uint32_t> seen;
    const std::vector<std::uint8_t>& rgba = image.pixels;
    for (std::size_t at = 0; at + 4 <= rgba.size(); at += 4) {
        const png::Rgba color = rgba[at + 3] == 0
                                    ? png::Rgba{0, 0, 0, 0}
                                    : png::Rgba{rgba[at], rgba[at + 1], rgba[at + 2], 255};
        const std::uint32_t key = (std::uint32_t{color.alpha} << 24) |
                                  (std::uint32_t{color.red} << 16) |
                                  (std::uint32_t{color.green} << 8) | color.blue;
        if (!seen.insert(key).second) {
            continue;
        }
        if (colors.size() == max_colors) {
            more = true;
            break;
        }
        colors.push_back(color);
    }
    return colors;
}

FormatStatus read_png(std::span<const std::uint8_t> bytes, PaletteFile& file) {
    png::Image image;
    std::string reason;
    if (!png::decode(bytes, image, file.warnings, reason)) {
        return FormatStatus::failure(reason);
    }
    bool more = false;
    const std::vector<png::Rgba> colors =
        image.indexed() ? image.palette : colors_in(image, max_palette_colors, more);
    if (more) {
        return FormatStatus::failure("the image is not indexed and has more than " +
                                     std::to_string(max_palette_colors) +
                                     " colors; reduce it to 256 colors first");
    }
    if (colors.size() > static_cast<std::size_t>(max_palette_colors)) {
        return FormatStatus::failure("its palette holds " + std::to_string(colors.size()) +
                                     " colors, more than 256");
    }
    for (const png::Rgba& color : colors) {
        file.colors.push_back(
            color.alpha == 0 ? transparent_color
                             : PaletteColor{Rgb{color.red, color.green, color.blue}, std::nullopt});
    }
    return FormatStatus::success();
}

// Text of printable characters, tabs and line breaks (and UTF-8 beyond ASCII).
bool looks_like_text(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t byte) {
        return byte >= 0x20 ? byte != 0x7F : (byte == '\t' || byte == '\n' || byte == '\r');
    });
}

bool is_hex_digits(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

unsigned hex_value(std::string_view text) {
    unsigned value = 0;
    for (char c : text) {
        const int digit = std::isdigit(static_cast<unsigned char>(c))
                              ? c - '0'
                              : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return value;
}

enum class HexLine { blank, color_word, color_rgb, malformed };

bool is_comment(std::string_view text) {
    return text.starts_with(';') || text == "#" || text.starts_with("# ") ||
           text.starts_with("#\t");
}

// One line of hex text: a colour (optionally followed by a comment), a
// comment, a blank line, or something else.
HexLine classify_hex_line(std::string_view line, PaletteColor& color) {
    line = trimmed(line);
    if (line.empty() || is_comment(line)) {
        return HexLine::blank;
    }
    const std::size_t end = line.find_first_of(" \t");
    const std::string_view token = line.substr(0, end);
    if (end != std::string_view::npos && !is_comment(trimmed(line.substr(end)))) {
        return HexLine::malformed;
    }
    if (token.size() == 4 && is_hex_digits(token)) {
        color = color_of_word(static_cast<std::uint16_t>(hex_value(token)));
        return HexLine::color_word;
    }
    if (token.size() == 7 && token.front() == '#' && is_hex_digits(token.substr(1))) {
        const unsigned value = hex_value(token.substr(1));
        color = PaletteColor{
            Rgb{static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
                static_cast<std::uint8_t>(value)},
            std::nullopt};
        return HexLine::color_rgb;
    }
    return HexLine::malformed;
}

// Hex text is text whose first line that is not blank is a colour or a comment.
bool looks_like_hex_text(std::span<const std::uint8_t> bytes) {
    if (bytes.empty() || !looks_like_text(bytes)) {
        return false;
    }
    for (std::string_view line : Lines(bytes).lines) {
        line = trimmed(line);
        if (line.empty()) {
            continue;
        }
        PaletteColor color;
        return is_comment(line) || classify_hex_line(line, color) != HexLine::malformed;
    }
    return false;
}

FormatStatus read_hex_text(std::span<const std::uint8_t> bytes, PaletteFile& file) {
    const Lines text(bytes);
    std::size_t total = 0;
    bool any_word = false;
    for (std::size_t i = 0; i < text.lines.size(); ++i) {
        PaletteColor color;
        switch (classify_hex_line(text.lines[i], color)) {
            case HexLine::blank:
                break;
            case HexLine::malformed:
                return FormatStatus::failure(at_line(i) + quoted_excerpt(trimmed(text.lines[i])) +
                                             " is neither a 4-digit color word nor #RRGGBB");
            case HexLine::color_word:
                any_word = true;
                add_color(file, color, total);
                break;
            case HexLine::color_rgb:
                add_color(file, color, total);
                break;
        }
    }
    if (total == 0) {
        return FormatStatus::failure("it holds comments but no color");
    }
    file.format = any_word ? PaletteFormat::hex_words : PaletteFormat::hex_rgb;
    warn_if_truncated(file, total);
    return FormatStatus::success();
}

FormatStatus read_raw(std::span<const std::uint8_t> bytes, PaletteFile& file) {
    const std::size_t words = bytes.size() / 2;
    if (words > static_cast<std::size_t>(max_palette_colors)) {
        return FormatStatus::failure(
            "it is no palette format Tavrin knows, and as a raw CLUT it "
            "holds " +
            std::to_string(words) + " color words, more than the 256 a CLUT can have");
    }
    for (std::size_t i = 0; i < words; ++i) {
        file.colors.push_back(
            color_of_word(static_cast<std::uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8)));
    }
    return FormatStatus::success();
}

void append(Bytes& bytes, std::string_view text) {
    bytes.insert(bytes.end(), text.begin(), text.end());
}

// A name on one line of a text file.
std::string one_line(std::string_view text) {
    std::string line;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        line += (byte < 0x20 || byte == 0x7F) ? ' ' : c;
    }
    return line;
}

std::string rgb_numbers(Rgb color, const char* format) {
    char text[32];
    std::snprintf(text, sizeof text, format, color.red, color.green, color.blue);
    return text;
}

void write_gimp(std::span<const PaletteEntry> entries, const PaletteWriteOptions& options,
                Bytes& bytes) {
    append(bytes, "GIMP Palette\nName: " + one_line(options.name) +
                      "\nColumns: " + std::to_string(options.columns) + "\n#\n");
    for (std::size_t i = 0; i < entries.size(); ++i) {
        append(bytes, rgb_numbers(grid_color(entries[i]), "%3d %3d %3d\t") + "Index " +
                          std::to_string(i) + "\n");
    }
}

void write_jasc(std::span<const PaletteEntry> entries, Bytes& bytes) {
    append(bytes, "JASC-PAL\r\n0100\r\n" + std::to_string(entries.size()) + "\r\n");
    for (const PaletteEntry& entry : entries) {
        append(bytes, rgb_numbers(grid_color(entry), "%d %d %d\r\n"));
    }
}

// The 772-byte form, which carries the count and the index of the first
// entry whose word is 0x0000 as the transparent one.
void write_act(std::span<const PaletteEntry> entries, Bytes& bytes) {
    bytes.assign(act_extended_size, 0);
    std::uint16_t transparent = act_no_transparency;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Rgb color = grid_color(entries[i]);
        bytes[3 * i] = color.red;
        bytes[3 * i + 1] = color.green;
        bytes[3 * i + 2] = color.blue;
        if (transparent == act_no_transparency && word_of(entries[i]) == 0) {
            transparent = static_cast<std::uint16_t>(i);
        }
    }
    bytes[768] = static_cast<std::uint8_t>(entries.size() >> 8);
    bytes[769] = static_cast<std::uint8_t>(entries.size());
    bytes[770] = static_cast<std::uint8_t>(transparent >> 8);
    bytes[771] = static_cast<std::uint8_t>(transparent);
}

// One 16 x 16 swatch per entry, in one row.
FormatStatus write_png(std::span<const PaletteEntry> entries, Bytes& bytes) {
    constexpr int swatch = 16;
    if (entries.empty() || entries.size() > 256) {
        return FormatStatus::failure("a PNG palette holds 1 to 256 colors, not " +
                                     std::to_string(entries.size()));
    }
    png::Image image;
    image.width = static_cast<int>(entries.size()) * swatch;
    image.height = swatch;
    for (const PaletteEntry& entry : entries) {
        const Rgb color = grid_color(entry);
        const std::uint8_t alpha = word_of(entry) == 0 ? 0 : 255;
        image.palette.push_back(png::Rgba{color.red, color.green, color.blue, alpha});
    }
    for (int y = 0; y < swatch; ++y) {
        for (int x = 0; x < image.width; ++x) {
            image.pixels.push_back(static_cast<std::uint8_t>(x / swatch));
        }
    }
    std::string reason;
    if (!png::encode(image, bytes, reason)) {
        return FormatStatus::failure(reason);
    }
    return FormatStatus::success();
}

void write_hex(std::span<const PaletteEntry> entries, bool words, Bytes& bytes) {
    for (const PaletteEntry& entry : entries) {
        append(bytes, words ? hex_text(word_of(entry)) + "\n"
                            : rgb_numbers(grid_color(entry), "#%02X%02X%02X\n"));
    }
}

void write_raw(std::span<const PaletteEntry> entries, Bytes& bytes) {
    for (const PaletteEntry& entry : entries) {
        const std::uint16_t word = word_of(entry);
        bytes.push_back(static_cast<std::uint8_t>(word & 0xFFu));
        bytes.push_back(static_cast<std::uint8_t>(word >> 8));
    }
}

struct FormatNames {
    PaletteFormat format;
    std::string_view name;
    std::string_view label;
};

constexpr FormatNames format_names[] = {
    {PaletteFormat::gimp, "gpl", "GIMP palette"},
    {PaletteFormat::jasc, "pal", "JASC palette"},
    {PaletteFormat::act, "act", "Adobe color table"},
    {PaletteFormat::png, "png", "PNG image"},
    {PaletteFormat::hex_words, "hex", "Hex color words"},
    {PaletteFormat::hex_rgb, "rgb", "Hex #RRGGBB text"},
    {PaletteFormat::raw_clut, "raw", "Raw CLUT"},
};

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

}  // namespace

FormatStatus read_palette(std::span<const std::uint8_t> bytes, PaletteFile& file) {
    file = PaletteFile{};
    FormatStatus status;
    if (first_line_is(bytes, "GIMP Palette")) {
        file.format = PaletteFormat::gimp;
        status = read_gimp(bytes, file);
    } else if (first_line_is(bytes, "JASC-PAL")) {
        file.format = PaletteFormat::jasc;
        status = read_jasc(bytes, file);
    } else if (bytes.size() >= sizeof png::signature &&
               std::memcmp(bytes.data(), png::signature, sizeof png::signature) == 0) {
        file.format = PaletteFormat::png;
        status = read_png(bytes, file);
    } else if (looks_like_hex_text(bytes)) {
        file.format = PaletteFormat::hex_words;
        status = read_hex_text(bytes, file);
    } else if (bytes.size() == act_size || bytes.size() == act_extended_size) {
        file.format = PaletteFormat::act;
        status = read_act(bytes, file);
    } else {
        file.format = PaletteFormat::raw_clut;
        status = read_raw(bytes, file);
    }
    if (!status.ok) {
        const PaletteFormat format = file.format;
        file = PaletteFile{};
        file.format = format;
    }
    return status;
}

FormatStatus write_palette(PaletteFormat format, std::span<const PaletteEntry> entries,
                           const PaletteWriteOptions& options, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    if (entries.size() > static_cast<std::size_t>(max_palette_colors)) {
        return FormatStatus::failure(std::to_string(entries.size()) +
                                     " colors are more than the 256 a palette can hold here");
    }
    if (options.columns < 0 || options.columns > max_palette_colors) {
        return FormatStatus::failure(std::to_string(options.columns) +
                                     " is not a number of columns from 0 to 256");
    }
    switch (format) {
        case PaletteFormat::gimp:
            write_gimp(entries, options, bytes);
            break;
        case PaletteFormat::jasc:
            write_jasc(entries, bytes);
            break;
        case PaletteFormat::act:
            write_act(entries, bytes);
            break;
        case PaletteFormat::png:
            return write_png(entries, bytes);
        case PaletteFormat::hex_words:
        case PaletteFormat::hex_rgb:
            write_hex(entries, format == PaletteFormat::hex_words, bytes);
            break;
        case PaletteFormat::raw_clut:
            write_raw(entries, bytes);
            break;
    }
    return FormatStatus::success();
}

PaletteEntry imported_entry(const PaletteEntry& target, const PaletteColor& color) {
    PaletteEntry entry;
    entry.red = color.rgb.red;
    entry.green = color.rgb.green;
    entry.blue = color.rgb.blue;
    entry.high_bit = color.high_bit ? (*color.high_bit ? high_bit_mask : 0) : target.high_bit;
    entry.raw = encode_bgr555(entry);
    return entry;
}

std::string_view format_name(PaletteFormat format) {
    for (const FormatNames& names : format_names) {
        if (names.format == format) {
            return names.name;
        }
    }
    return "";
}

std::string_view format_label(PaletteFormat format) {
    for (const FormatNames& names : format_names) {
        if (names.format == format) {
            return names.label;
        }
    }
    return "";
}

std::optional<PaletteFormat> format_from_name(std::string_view name) {
    const std::string wanted = lower(name);
    for (const FormatNames& names : format_names) {
        if (names.name == wanted) {
            return names.format;
        }
    }
    return std::nullopt;
}

std::optional<PaletteFormat> format_for_path(std::string_view path) {
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of("/\\");
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) {
        return std::nullopt;
    }
    const std::string extension = lower(path.substr(dot + 1));
    if (extension == "txt") {
        return PaletteFormat::hex_words;
    }
    if (extension == "clu" || extension == "clut") {
        return PaletteFormat::raw_clut;
    }
    if (extension == "rgb" || extension == "hex" || extension == "raw") {
        return std::nullopt;
    }
    return format_from_name(extension);
}

}  // namespace tavrin
