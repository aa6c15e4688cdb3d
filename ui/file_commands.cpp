// The file commands over files/ and the window layer.
#include "ui/file_commands.h"

#include <algorithm>
#include <string>
#include <vector>

#include "image/image.h"
#include "ui/disc_commands.h"
#include "ui/history_commands.h"
#include "ui/painting.h"

namespace tavrin {

namespace {

// What the dialogs' edit fields hand over: a 32-byte buffer.
constexpr std::size_t typed_text_limit = 31;

const FileFilter all_files{"All Files (*.*)", "*.*"};

FileDialogRequest dialog_request(const EditorState& state, std::vector<FileFilter> filters,
                                 const std::string& path, bool must_exist) {
    return FileDialogRequest{std::move(filters), path, state.program_dir, must_exist};
}

std::vector<FileFilter> clut_filters() {
    return {{"CLUT files", "*.CLU;*.CLUT;*.PAL"}, all_files};
}

std::vector<FileFilter> tex_filters() {
    return {{"Kickvale 2000 TEX graphic file (*.bin)", "*.BIN"}, all_files};
}

void set_zone_items(EditorState& state, WindowLayer& layer, bool enabled) {
    for (int id : ids::zone_items) {
        set_menu_state(state, layer, id, enabled);
    }
}

void enable_swatches(WindowLayer& layer, int count) {
    for (int i = 0; i < count && i < palette_size; ++i) {
        layer.enable_control(ids::first_swatch + i, true);
    }
}

// Only a complete read gets here: until now nothing of the editor changed, so
// a failed read keeps the user's table, its source and every menu state.
void adopt_clut(EditorState& state, WindowLayer& layer, const Clut& clut,
                const ClutSource& source) {
    state.palette = clut.entries;
    state.color_count = static_cast<std::int16_t>(clut.count);
    state.origin.source = source;
    if (source.kind == ClutSource::Kind::tex_file) {
        state.origin.tex_source = source;
    }
    ++state.history.clut_reads;
    remember_file_words(state);
    enable_swatches(layer, clut.count);
    // A note on the previous CLUT no longer applies; a file in a disc image
    // is named with its image.
    show_note(state, layer, disc_title(source));
    activate_palette(state, layer);
    apply_clut_menu_rules(state, layer);
}

// Entries 0..count-1 of the table, count kept within 0..256.
std::span<const PaletteEntry> entries_up_to(const EditorState& state, int count) {
    count = std::clamp(count, 0, palette_size);
    return std::span<const PaletteEntry>(state.palette.data(), static_cast<std::size_t>(count));
}

void report_read_failure(EditorState& state, WindowLayer& layer, const std::string& path,
                         const Status& status) {
    before_modal(state, layer);
    if (status.code == Status::Code::too_many_colors) {
        layer.show_message(MessageKind::error, too_many_colors_message);
        return;
    }
    layer.show_message(MessageKind::error,
                       "Could not read a CLUT from \"" + path + "\": " + status.reason + ".");
}

void report_write_failure(EditorState& state, WindowLayer& layer, std::string_view what,
                          const std::string& path, const Status& status) {
    before_modal(state, layer);
    layer.show_message(MessageKind::error,
                       std::string(what) + " \"" + path + "\": " + status.reason + ".");
}

// Asks for an existing file, starting from the last one, and opens the one chosen.
void ask_and_open(EditorState& state, WindowLayer& layer, std::vector<FileFilter> filters,
                  const std::string& last,
                  void (*open)(EditorState&, WindowLayer&, const std::string&)) {
    before_modal(state, layer);
    const auto chosen = ask_open_path(layer, dialog_request(state, std::move(filters), last, true));
    if (chosen) {
        open(state, layer, *chosen);
    }
}

}  // namespace

void report_write_warning(EditorState& state, WindowLayer& layer, const std::string& path,
                          const Status& status) {
    if (status.warns()) {
        before_modal(state, layer);
        layer.show_message(MessageKind::information, "\"" + path + "\": " + status.reason + ".");
    }
}

// ids::inject_tex needs a TEX file read in this run (without one it would have nowhere
// safe to write); after a raw CLUT file it stays grayed, as that CLUT has no
// TEX slot. The kit zones need a whole kit CLUT, at the count it was read with.
void apply_clut_menu_rules(EditorState& state, WindowLayer& layer) {
    const ClutSource& source = state.origin.source;
    set_menu_state(
        state, layer, ids::inject_tex,
        state.origin.tex_source.has_value() && source.kind != ClutSource::Kind::raw_file);
    set_menu_state(state, layer, ids::inject_offset, true);
    set_menu_state(state, layer, ids::inject_tim, source.kind == ClutSource::Kind::tim_file);
    set_menu_state(state, layer, ids::save_clut, true);
    set_menu_state(state, layer, ids::select_changed, true);
    for (int id : {ids::select_transparent, ids::select_semi_transparent, ids::import_colors,
                   ids::export_colors, ids::paste_from_clipboard, ids::adjust_colors}) {
        set_menu_state(state, layer, id, true);
    }
    const bool kit = source.kind == ClutSource::Kind::raw_file ||
                     (source.kind == ClutSource::Kind::tex_file &&
                      source.tex_kind != tex_kind_count - 1);  // the flag has no kit zones
    set_zone_items(state, layer, kit && state.color_count == source.count);
}

std::span<const PaletteEntry> live_entries(const EditorState& state) {
    return entries_up_to(state, state.color_count);
}

void activate_palette(EditorState& state, WindowLayer& layer) {
    state.palette_loaded = 1;
    for (int slider : ids::sliders) {
        layer.enable_control(slider, true);
    }
    selection_clear(state.selection);
    for (int slider : ids::sliders) {
        layer.set_control_value(slider, 0);
    }
    const Rgb empty = layer.system_color(SystemColor::scrollbar);
    paint_preview_box(layer, ids::current_box, empty);
    paint_preview_box(layer, ids::starting_box, empty);
    layer.request_repaint();
    // The selection is empty, so no field's "left" handler has anything to do.
    layer.set_focus(ids::first_swatch);
}

void load_clut(EditorState& state, WindowLayer& layer) {
    ask_and_open(state, layer, clut_filters(), state.dialogs.clut_path, load_clut_file);
}

void load_clut_file(EditorState& state, WindowLayer& layer, const std::string& path) {
    state.dialogs.clut_path = path;
    Clut clut;
    const Status status = read_clut_file(*state.file_system, state.dialogs.clut_path, clut);
    if (!status.ok()) {
        report_read_failure(state, layer, state.dialogs.clut_path, status);
        return;
    }
    adopt_clut(
        state, layer, clut,
        ClutSource{ClutSource::Kind::raw_file, state.dialogs.clut_path, 0, 0, clut.count, 0});
}

void save_clut(EditorState& state, WindowLayer& layer) {
    before_modal(state, layer);
    const auto chosen =
        ask_save_path(layer, dialog_request(state, clut_filters(), state.dialogs.clut_path, false));
    if (!chosen) {
        return;
    }
    state.dialogs.clut_path = chosen->path;
    const Status status =
        save_clut_file(*state.file_system, state.dialogs.clut_path, live_entries(state));
    if (!status.ok()) {
        report_write_failure(state, layer, "Could not save", state.dialogs.clut_path, status);
        return;
    }
    remember_file_words(state);
    report_write_warning(state, layer, state.dialogs.clut_path, status);
}

std::optional<int> select_clut_dialog_ok(std::string_view typed) {
    return find_tex_kind(typed.substr(0, typed_text_limit));
}

void extract_clut_from_tex(EditorState& state, WindowLayer& layer) {
    ask_and_open(state, layer, tex_filters(), state.dialogs.tex_path, extract_clut_from_tex_file);
}

void extract_clut_from_tex_file(EditorState& state, WindowLayer& layer, const std::string& path) {
    state.dialogs.tex_path = path;
    extract_tex_clut(state, layer, path);
}

void extract_tex_clut(EditorState& state, WindowLayer& layer, const std::string& path,
                      const std::string& inside) {
    const std::vector<std::string> entries(tex_clut_names.begin(), tex_clut_names.end());
    before_modal(state, layer);
    const auto kind = layer.select_clut_dialog(entries, select_clut_dialog_ok);
    if (!kind) {
        return;  // the dialog could not be shown; nothing was chosen
    }
    Clut clut;
    std::uint32_t offset = 0;
    std::unique_ptr<FileSystem> view;
    Status status;
    FileSystem& fs = files_for(state, path, inside, view, status);
    if (status.ok()) {
        status = read_tex_clut(fs, path, *kind, clut, offset);
    }
    if (!status.ok()) {
        report_read_failure(state, layer, shown_file(path, inside), status);
        return;
    }
    adopt_clut(
        state, layer, clut,
        ClutSource{ClutSource::Kind::tex_file, path, *kind, offset, clut.count, 0, 0, inside});
}

void inject_clut_in_tex(EditorState& state, WindowLayer& layer) {
    if (!state.origin.tex_source) {
        return;
    }
    const ClutSource& target = *state.origin.tex_source;
    // The file may have been replaced since it was read: its header must still
    // lead to the same place, checked through the file that is written.
    std::uint32_t offset = 0;
    std::unique_ptr<FileSystem> view;
    Status status;
    FileSystem& fs = files_for(state, target.path, target.inside, view, status);
    if (status.ok()) {
        status =
            inject_tex_clut(fs, target.path, target.tex_kind,
                            static_cast<std::uint32_t>(target.offset), live_entries(state), offset);
    }
    if (!status.ok()) {
        report_write_failure(state, layer, "Could not inject the CLUT into",
                             shown_file(target.path, target.inside), status);
        return;
    }
    remember_file_words(state);
}

std::optional<ClutParams> clut_params_dialog_ok(EditorState& state, WindowLayer& layer,
                                                const ClutParamsAnswer& answer) {
    const std::string offset_text = answer.offset_text.substr(0, typed_text_limit);
    const TypedOffset offset = parse_offset(offset_text);
    if (offset.error == TypedOffset::Error::not_a_number) {
        before_modal(state, layer);
        layer.show_message(
            MessageKind::error,
            "The offset \"" + offset_text +
                "\" is not a number. Type it in decimal, or in hexadecimal after 0x.");
        return std::nullopt;
    }
    if (!offset.ok()) {
        before_modal(state, layer);
        std::string message = offset_problem(offset_text, offset) + ".";
        message[0] = 'T';
        layer.show_message(MessageKind::error, message);
        return std::nullopt;
    }
    return ClutParams{offset.value, parse_count(answer.count_text)};
}

void extract_clut_from_file(EditorState& state, WindowLayer& layer) {
    before_modal(state, layer);
    const auto chosen =
        ask_open_path(layer, dialog_request(state, {all_files}, state.dialogs.other_path, true));
    if (!chosen) {
        return;
    }
    state.dialogs.other_path = *chosen;
    // Cancel leaves everything as it was, the CLUT in the editor included.
    before_modal(state, layer);
    const auto answer = layer.clut_params_dialog("");
    const auto params = answer ? clut_params_dialog_ok(state, layer, *answer) : std::nullopt;
    if (!params) {
        return;
    }
    extract_at(state, layer, state.dialogs.other_path, static_cast<std::uint64_t>(params->offset),
               params->count);
}

void extract_at(EditorState& state, WindowLayer& layer, const std::string& path,
                std::uint64_t offset, int count, const std::string& inside) {
    Clut clut;
    std::unique_ptr<FileSystem> view;
    Status status;
    FileSystem& fs = files_for(state, path, inside, view, status);
    if (status.ok()) {
        status = read_clut_at_offset(fs, path, static_cast<std::int64_t>(offset), count, clut);
    }
    if (!status.ok()) {
        report_read_failure(state, layer, shown_file(path, inside), status);
        return;
    }
    adopt_clut(state, layer, clut,
               ClutSource{ClutSource::Kind::file_offset, path, 0, offset, count, 0, 0, inside});
}

void inject_clut_in_file(EditorState& state, WindowLayer& layer) {
    before_modal(state, layer);
    const auto chosen =
        ask_save_path(layer, dialog_request(state, {all_files}, state.dialogs.other_path, true));
    if (!chosen) {
        return;
    }
    state.dialogs.other_path = chosen->path;
    // Cancel writes nothing and keeps the colour count.
    before_modal(state, layer);
    const auto answer = layer.clut_params_dialog(std::to_string(state.color_count));
    const auto params = answer ? clut_params_dialog_ok(state, layer, *answer) : std::nullopt;
    if (!params) {
        return;
    }
    // Into the image the CLUT was read from, the offset is one in the file
    // inside it that the CLUT came from, as when it was read.
    const ClutSource& source = state.origin.source;
    const std::string inside =
        source.kind == ClutSource::Kind::file_offset && source.path == state.dialogs.other_path
            ? source.inside
            : std::string();
    std::unique_ptr<FileSystem> view;
    Status status;
    FileSystem& fs = files_for(state, state.dialogs.other_path, inside, view, status);
    if (status.ok()) {
        status = inject_clut(fs, state.dialogs.other_path, params->offset,
                             entries_up_to(state, params->count));
    }
    if (!status.ok()) {
        report_write_failure(state, layer, "Could not inject the CLUT into",
                             shown_file(state.dialogs.other_path, inside), status);
        return;
    }
    // Once written, the count typed here is the count written from now on,
    // and the table no longer lines up with a kit's zones.
    state.color_count = static_cast<std::int16_t>(params->count);
    set_zone_items(state, layer, false);
    enable_swatches(layer, state.color_count);
    remember_file_words(state);
}

void extract_clut_from_tim(EditorState& state, WindowLayer& layer) {
    ask_and_open(state, layer, {{"TIM images", "*.TIM"}, all_files}, state.dialogs.tim_path,
                 extract_clut_from_tim_file);
}

void extract_clut_from_tim_file(EditorState& state, WindowLayer& layer, const std::string& path) {
    state.dialogs.tim_path = path;
    extract_tim_clut_at(state, layer, path, 0);
}

void extract_tim_clut_at(EditorState& state, WindowLayer& layer, const std::string& path,
                         std::uint64_t tim_at, const std::string& inside) {
    TimInfo info;
    std::unique_ptr<FileSystem> view;
    Status status;
    FileSystem& fs = files_for(state, path, inside, view, status);
    if (status.ok()) {
        status = read_tim_info(fs, path, info, tim_at);
    }
    if (!status.ok()) {
        report_read_failure(state, layer, shown_file(path, inside), status);
        return;
    }
    int row = 0;
    if (info.clut_rows > 1) {
        std::vector<std::string> rows;
        for (int i = 0; i < info.clut_rows; ++i) {
            rows.push_back("CLUT " + std::to_string(i) + " (" + std::to_string(info.clut_colors) +
                           " colors)");
        }
        before_modal(state, layer);
        const auto picked = layer.choose_from_list("Select CLUT row",
                                                   "This TIM image holds several CLUTs:", rows, 0);
        if (!picked || *picked < 0 || *picked >= info.clut_rows) {
            return;  // Cancel: the table and its source stay as they were
        }
        row = *picked;
    }
    Clut clut;
    status = read_tim_clut(fs, path, row, clut, info, tim_at);
    if (!status.ok()) {
        report_read_failure(state, layer, shown_file(path, inside), status);
        return;
    }
    adopt_clut(state, layer, clut,
               ClutSource{ClutSource::Kind::tim_file, path, 0, tim_at + info.clut_row_offset(row),
                          clut.count, row, tim_at, inside});
    // The preview opens on the TIM's own image.
    open_preview(state, layer);
}

void inject_clut_in_tim(EditorState& state, WindowLayer& layer) {
    const ClutSource& source = state.origin.source;
    if (source.kind != ClutSource::Kind::tim_file) {
        return;
    }
    // The file may have changed since it was read: the row must still be
    // where it was, and hold as many colours as the table writes.
    TimInfo info;
    std::unique_ptr<FileSystem> view;
    Status status;
    FileSystem& fs = files_for(state, source.path, source.inside, view, status);
    if (status.ok()) {
        status = read_tim_info(fs, source.path, info, source.tim_at);
    }
    if (status.ok() && source.tim_row < info.clut_rows &&
        source.tim_at + info.clut_row_offset(source.tim_row) != source.offset) {
        status = Status::failure(Status::Code::does_not_fit,
                                 "its CLUT row " + std::to_string(source.tim_row) +
                                     " is no longer at offset " + std::to_string(source.offset) +
                                     ", where it was read");
    }
    if (status.ok()) {
        status =
            inject_tim_clut(fs, source.path, source.tim_row, live_entries(state), source.tim_at);
    }
    if (!status.ok()) {
        report_write_failure(state, layer, "Could not inject the CLUT into",
                             shown_file(source.path, source.inside), status);
    }
}

}  // namespace tavrin
