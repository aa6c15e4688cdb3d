// The file commands over files/ and the window layer.
#include "ui/file_commands.h"

#include <string>
#include <vector>

#include "files/clut_files.h"
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

// After any read that failed: nothing may be written or selected from the
// cleared table.
void gray_after_failed_read(EditorState& state, WindowLayer& layer) {
    set_menu_state(state, layer, ids::inject_tex, false);
    set_menu_state(state, layer, ids::inject_offset, false);
    set_menu_state(state, layer, ids::save_clut, false);
    set_zone_items(state, layer, false);
}

// After a successful TEX or at-offset read. 201 needs a TEX file read in this
// run: without one it would have nowhere safe to write.
void enable_after_extraction(EditorState& state, WindowLayer& layer) {
    set_menu_state(state, layer, ids::inject_tex, state.tex_target.has_value());
    set_menu_state(state, layer, ids::inject_offset, true);
    set_menu_state(state, layer, ids::save_clut, true);
}

void report_write_failure(WindowLayer& layer, std::string_view what, const std::string& path,
                          const Status& status) {
    layer.show_error(std::string(what) + " \"" + path + "\": " + status.reason + ".");
}

}  // namespace

std::span<const PaletteEntry> live_entries(const EditorState& state) {
    const int count = state.color_count < 0 ? 0 : std::min<int>(state.color_count, palette_size);
    return std::span<const PaletteEntry>(state.palette.data(), static_cast<std::size_t>(count));
}

void activate_palette(EditorState& state, WindowLayer& layer) {
    state.palette_loaded = 1;
    for (int slider : ids::sliders) {
        layer.enable_control(slider, true);
    }
    selection_clear(state.selection);
    for (int slider : ids::sliders) {
        layer.set_slider_position(slider, 0);
    }
    const Rgb empty = layer.system_color(SystemColor::scrollbar);
    paint_preview_box(layer, ids::current_box, empty);
    paint_preview_box(layer, ids::starting_box, empty);
    layer.request_repaint();
    // The selection is empty, so no field's "left" handler has anything to do.
    layer.set_focus(ids::first_swatch);
}

void load_clut(EditorState& state, WindowLayer& layer) {
    const auto chosen =
        layer.open_file_dialog(dialog_request(state, clut_filters(), state.clut_path, true));
    if (!chosen) {
        return;
    }
    state.clut_path = *chosen;
    Clut clut;
    const Status status = read_clut_file(*state.file_system, state.clut_path, clut);
    state.palette = clut.entries;
    state.color_count = static_cast<std::int16_t>(clut.count);
    if (status.code == Status::Code::too_many_colors) {
        layer.show_error(too_many_colors_message);
    }
    if (!status.ok()) {
        gray_after_failed_read(state, layer);
        return;
    }
    activate_palette(state, layer);
    set_menu_state(state, layer, ids::inject_tex, false);
    set_menu_state(state, layer, ids::save_clut, true);
    set_menu_state(state, layer, ids::inject_offset, true);
    set_zone_items(state, layer, true);
}

void save_clut(EditorState& state, WindowLayer& layer) {
    const auto chosen =
        layer.save_file_dialog(dialog_request(state, clut_filters(), state.clut_path, false));
    if (!chosen) {
        return;
    }
    state.clut_path = *chosen;
    const Status status = save_clut_file(*state.file_system, state.clut_path, live_entries(state));
    if (!status.ok()) {
        report_write_failure(layer, "Could not save", state.clut_path, status);
    }
}

std::optional<int> select_clut_dialog_ok(EditorState& state, WindowLayer& layer,
                                         std::string_view typed) {
    const auto kind = find_tex_kind(typed.substr(0, typed_text_limit));
    if (!kind) {
        return std::nullopt;
    }
    state.clut_kind = *kind;
    set_zone_items(state, layer, *kind != tex_kind_count - 1);  // the flag has no kit zones
    state.color_count = tex_clut_colors;
    enable_swatches(layer, palette_size);
    return kind;
}

void extract_clut_from_tex(EditorState& state, WindowLayer& layer) {
    const auto chosen =
        layer.open_file_dialog(dialog_request(state, tex_filters(), state.tex_path, true));
    if (!chosen) {
        return;
    }
    state.tex_path = *chosen;
    const std::vector<std::string> entries(tex_clut_names.begin(), tex_clut_names.end());
    const auto kind = layer.select_clut_dialog(entries, [&](std::string_view typed) {
        return select_clut_dialog_ok(state, layer, typed);
    });
    if (!kind) {
        return;  // the dialog could not be shown; nothing was chosen
    }
    Clut clut;
    std::uint32_t offset = 0;
    const Status status =
        read_tex_clut(*state.file_system, state.tex_path, state.clut_kind, clut, offset);
    state.palette = clut.entries;
    if (!status.ok()) {
        state.tex_target.reset();
        gray_after_failed_read(state, layer);
        return;
    }
    state.clut_offset = static_cast<std::int32_t>(offset);
    state.tex_target = TexTarget{state.tex_path, state.clut_kind, offset};
    activate_palette(state, layer);
    enable_after_extraction(state, layer);
}

void inject_clut_in_tex(EditorState& state, WindowLayer& layer) {
    if (!state.tex_target) {
        return;
    }
    const TexTarget& target = *state.tex_target;
    // The file may have been replaced since it was read: its header must still
    // lead to the same place, checked through the file that is written.
    std::uint32_t offset = 0;
    const Status status = inject_tex_clut(*state.file_system, target.path, target.kind,
                                          target.clut_offset, live_entries(state), offset);
    if (!status.ok()) {
        report_write_failure(layer, "Could not inject the CLUT into", target.path, status);
    }
}

bool clut_params_dialog_ok(EditorState& state, WindowLayer& layer, const ClutParamsAnswer& answer) {
    const std::string offset_text = answer.offset_text.substr(0, typed_text_limit);
    const TypedOffset offset = parse_offset(offset_text);
    if (offset.error == TypedOffset::Error::not_a_number) {
        layer.show_error("The offset \"" + offset_text +
                         "\" is not a number. Type it in decimal, or in hexadecimal after 0x.");
        return false;
    }
    if (!offset.ok()) {
        std::string message = offset_problem(offset_text, offset) + ".";
        message[0] = 'T';
        layer.show_error(message);
        return false;
    }
    state.color_count = static_cast<std::int16_t>(parse_count(answer.count_text));
    state.clut_offset = offset.value;
    set_zone_items(state, layer, false);
    enable_swatches(layer, state.color_count);
    return true;
}

void extract_clut_from_file(EditorState& state, WindowLayer& layer) {
    const auto chosen =
        layer.open_file_dialog(dialog_request(state, {all_files}, state.other_path, true));
    if (!chosen) {
        return;
    }
    state.other_path = *chosen;
    state.extract_mode = 1;
    // Cancel leaves everything as it was, the CLUT in the editor included.
    const auto answer = layer.clut_params_dialog("");
    if (!answer || !clut_params_dialog_ok(state, layer, *answer)) {
        return;
    }
    Clut clut;
    const Status status = read_clut_at_offset(*state.file_system, state.other_path,
                                              state.clut_offset, state.color_count, clut);
    state.palette = clut.entries;
    if (!status.ok()) {
        gray_after_failed_read(state, layer);
        return;
    }
    activate_palette(state, layer);
    enable_after_extraction(state, layer);
}

void inject_clut_in_file(EditorState& state, WindowLayer& layer) {
    const auto chosen =
        layer.save_file_dialog(dialog_request(state, {all_files}, state.other_path, true));
    if (!chosen) {
        return;
    }
    state.other_path = *chosen;
    state.extract_mode = 0;
    // Cancel writes nothing and keeps the colour count.
    const auto answer = layer.clut_params_dialog(std::to_string(state.color_count));
    if (!answer || !clut_params_dialog_ok(state, layer, *answer)) {
        return;
    }
    const Status status =
        inject_clut(*state.file_system, state.other_path, state.clut_offset, live_entries(state));
    if (!status.ok()) {
        report_write_failure(layer, "Could not inject the CLUT into", state.other_path, status);
    }
}

}  // namespace tavrin
