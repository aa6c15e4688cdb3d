// Import, export and the system clipboard over formats/ and files/.
#include "ui/palette_file_commands.h"

#include <algorithm>
#include <string>
#include <vector>

#include "files/clut_files.h"
#include "formats/palette_formats.h"
#include "ui/file_commands.h"
#include "ui/painting.h"

namespace tavrin {

namespace {

// Palette files are small; an indexed image of this size is already generous.
constexpr std::uint64_t max_palette_file = 64u << 20;

// The export filters, in this order; the open dialog offers all of them at once.
struct ExportFilter {
    PaletteFormat format;
    const char* label;
    const char* pattern;
    const char* extension;
};

constexpr ExportFilter export_filters[] = {
    {PaletteFormat::gimp, "GIMP palette (*.gpl)", "*.GPL", ".gpl"},
    {PaletteFormat::jasc, "JASC palette (*.pal)", "*.PAL", ".pal"},
    {PaletteFormat::act, "Adobe color table (*.act)", "*.ACT", ".act"},
    {PaletteFormat::png, "Indexed PNG image (*.png)", "*.PNG", ".png"},
    {PaletteFormat::hex_words, "Hex color words (*.txt)", "*.TXT", ".txt"},
    {PaletteFormat::hex_rgb, "Hex #RRGGBB text (*.txt)", "*.TXT", ".txt"},
    {PaletteFormat::raw_clut, "Raw CLUT (*.clu)", "*.CLU;*.CLUT", ".clu"},
};

// The cells colours go to: the selection from the cell selected first, or the
// whole table.
std::vector<int> target_cells(const EditorState& state) {
    std::vector<int> cells;
    if (state.selection == nullptr) {
        for (int i = 0; i < state.color_count; ++i) {
            cells.push_back(i);
        }
        return cells;
    }
    for (const SelectionNode* node = state.selection; node != nullptr; node = node->next) {
        if (node->index >= 0 && node->index < state.color_count) {
            cells.push_back(node->index);
        }
    }
    std::reverse(cells.begin(), cells.end());  // the list runs from the newest
    return cells;
}

std::string colors_text(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " color" : " colors");
}

void apply_colors(EditorState& state, WindowLayer& layer, const PaletteFile& file,
                  const std::string& what) {
    const std::vector<int> cells = target_cells(state);
    const std::size_t used = std::min(cells.size(), file.colors.size());
    for (std::size_t i = 0; i < used; ++i) {
        auto& entry = state.palette[static_cast<std::size_t>(cells[i])];
        entry = imported_entry(entry, file.colors[i]);
        // A colour that carries its bit (a colour word, a transparent PNG or
        // ACT entry) is taken as the file means it, 0000 included.
        if (file.colors[i].high_bit) {
            state.history.exact_words.set(static_cast<std::size_t>(cells[i]));
        }
    }
    paint_all_swatches(state, layer);
    frame_selection(state, layer, state.selection);
    show_note(state, layer,
              std::to_string(used) + " of " + colors_text(file.colors.size()) + " " + what);
}

std::vector<PaletteEntry> chosen_entries(const EditorState& state) {
    std::vector<PaletteEntry> entries;
    for (int cell : target_cells(state)) {
        entries.push_back(state.palette[static_cast<std::size_t>(cell)]);
    }
    return entries;
}

}  // namespace

void import_colors(EditorState& state, WindowLayer& layer) {
    if (state.palette_loaded == 0) {
        return;
    }
    std::vector<FileFilter> filters = {
        {"Palette files", "*.GPL;*.PAL;*.ACT;*.PNG;*.TXT;*.CLU;*.CLUT"},
        {"All Files (*.*)", "*.*"}};
    before_modal(state, layer);
    const auto path = ask_open_path(
        layer,
        FileDialogRequest{std::move(filters), state.dialogs.palette_path, state.program_dir, true});
    if (!path) {
        return;
    }
    state.dialogs.palette_path = *path;
    std::vector<std::uint8_t> bytes;
    const Status status = read_whole_file(*state.file_system, *path, max_palette_file, bytes);
    PaletteFile file;
    FormatStatus format_status;
    if (status.ok()) {
        format_status = read_palette(bytes, file);
    }
    if (!status.ok() || !format_status.ok) {
        const std::string reason =
            status.ok() ? std::string(format_label(file.format)) + ", " + format_status.reason
                        : status.reason;
        before_modal(state, layer);
        layer.show_message(MessageKind::error,
                           "Could not import colors from \"" + *path + "\": " + reason + ".");
        return;
    }
    apply_colors(state, layer, file, "imported");
}

void export_colors(EditorState& state, WindowLayer& layer) {
    if (state.palette_loaded == 0) {
        return;
    }
    std::vector<FileFilter> filters;
    for (const ExportFilter& filter : export_filters) {
        filters.push_back({filter.label, filter.pattern});
    }
    before_modal(state, layer);
    const auto answer =
        ask_save_path(layer, FileDialogRequest{std::move(filters), state.dialogs.palette_path,
                                               state.program_dir, false});
    if (!answer) {
        return;
    }
    const int index =
        std::clamp(answer->filter, 0, static_cast<int>(std::size(export_filters)) - 1);
    const ExportFilter& filter = export_filters[index];
    std::string path = answer->path;
    // A name typed without an extension gets the filter's.
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        path += filter.extension;
    }
    state.dialogs.palette_path = path;
    const std::vector<PaletteEntry> entries = chosen_entries(state);
    std::vector<std::uint8_t> bytes;
    const FormatStatus written =
        write_palette(filter.format, entries, PaletteWriteOptions{}, bytes);
    Status status = written.ok ? replace_file(*state.file_system, path, bytes)
                               : Status::failure(Status::Code::invalid_argument, written.reason);
    if (!status.ok()) {
        before_modal(state, layer);
        layer.show_message(MessageKind::error,
                           "Could not export colors to \"" + path + "\": " + status.reason + ".");
        return;
    }
    show_note(state, layer, colors_text(entries.size()) + " exported");
    report_write_warning(state, layer, path, status);
}

void paste_from_clipboard(EditorState& state, WindowLayer& layer) {
    if (state.palette_loaded == 0) {
        return;
    }
    const auto text = layer.clipboard_text();
    PaletteFile file;
    FormatStatus status = FormatStatus::failure("it is empty");
    if (text && !text->empty()) {
        status = read_palette(std::vector<std::uint8_t>(text->begin(), text->end()), file);
    }
    const bool text_format =
        file.format == PaletteFormat::gimp || file.format == PaletteFormat::jasc ||
        file.format == PaletteFormat::hex_words || file.format == PaletteFormat::hex_rgb;
    if (!text || text->empty() || !text_format) {
        show_note(state, layer, "The clipboard holds no colors");
        return;
    }
    if (!status.ok) {
        before_modal(state, layer);
        layer.show_message(MessageKind::error,
                           "Could not paste colors from the clipboard: " + status.reason + ".");
        return;
    }
    apply_colors(state, layer, file, "pasted");
}

void put_selection_on_clipboard(const EditorState& state, WindowLayer& layer) {
    const std::vector<PaletteEntry> entries = chosen_entries(state);
    if (state.selection == nullptr || entries.empty()) {
        return;
    }
    std::vector<std::uint8_t> text;
    std::vector<std::uint8_t> words;
    write_palette(PaletteFormat::hex_rgb, entries, {}, text);
    write_palette(PaletteFormat::hex_words, entries, {}, words);
    layer.set_clipboard_colors(std::string(text.begin(), text.end()),
                               std::string(words.begin(), words.end()));
}

}  // namespace tavrin
