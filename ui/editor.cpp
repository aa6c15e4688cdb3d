// Start-up, command dispatch, menu states and the window-level repaint rules.
#include "ui/editor.h"

#include <cstdio>

#include "edit/edit.h"
#include "ui/adjust_commands.h"
#include "ui/color_panel.h"
#include "ui/disc_commands.h"
#include "ui/edit_commands.h"
#include "ui/file_commands.h"
#include "ui/finder.h"
#include "ui/help.h"
#include "ui/history_commands.h"
#include "ui/menu_table.h"
#include "ui/painting.h"
#include "ui/palette_file_commands.h"
#include "ui/transparency_commands.h"

namespace tavrin {

namespace {

bool& menu_slot(EditorState& state, int command_id) {
    return state.menu_enabled[command_id - ids::first_command];
}

void init_trackbars(WindowLayer& layer) {
    layer.set_up_panel(PanelSetup{});
    for (int slider : ids::sliders) {
        layer.enable_control(slider, false);
    }
}

}  // namespace

void set_menu_state(EditorState& state, WindowLayer& layer, int command_id, bool enabled) {
    if (!ids::is_command(command_id)) {
        return;
    }
    menu_slot(state, command_id) = enabled;
    layer.set_menu_item(command_id, {.enabled = enabled});
}

bool command_enabled(const EditorState& state, int command_id) {
    return ids::is_command(command_id) && state.menu_enabled[command_id - ids::first_command];
}

void start_editor(EditorState& state, WindowLayer& layer, std::string program_dir) {
    state.program_dir = std::move(program_dir);
    selection_clear(state.selection);
    // Push every item so the screen's menu and the gate cannot disagree.
    for (int id = ids::first_command; id <= ids::last_command; ++id) {
        set_menu_state(state, layer, id, !starts_grayed(id));
    }
    init_trackbars(layer);
    layer.set_menu_item(ids::show_transparency, {.checked = state.options.show_transparency});
    layer.set_menu_item(ids::keep_black_opaque, {.checked = state.options.keep_black_opaque});
}

void show_note(EditorState& state, WindowLayer& layer, std::string text) {
    state.note = std::move(text);
    ++state.notes;
    layer.set_status_text(StatusLine::main_window, state.note);
}

void before_modal(EditorState& state, WindowLayer& layer) {
    on_field_left(state, layer, layer.focused_control());
}

namespace {

void dispatch(EditorState& state, WindowLayer& layer, int command_id) {
    switch (command_id) {
        case ids::exit:
            layer.quit();
            break;
        case ids::extract_tex:
            extract_clut_from_tex(state, layer);
            break;
        case ids::inject_tex:
            inject_clut_in_tex(state, layer);
            break;
        case ids::load_clut:
            load_clut(state, layer);
            break;
        case ids::save_clut:
            save_clut(state, layer);
            break;
        case ids::extract_offset:
            extract_clut_from_file(state, layer);
            break;
        case ids::inject_offset:
            inject_clut_in_file(state, layer);
            break;
        case ids::find_clut:
            find_clut_in_file(state, layer);
            break;
        case ids::open_in_disc:
            open_file_in_disc_image(state, layer);
            break;
        case ids::extract_tim:
            extract_clut_from_tim(state, layer);
            break;
        case ids::inject_tim:
            inject_clut_in_tim(state, layer);
            break;
        case ids::texture_preview:
            open_preview(state, layer);
            break;
        case ids::export_preview:
            export_preview(state, layer);
            break;
        case ids::blend:
            blend_colors(state, layer);
            break;
        case ids::adjust_colors:
            adjust_colors(state, layer);
            break;
        case ids::simulate_vision:
            choose_color_vision(state, layer);
            break;
        case ids::copy:
            copy_colors(state, layer);
            break;
        case ids::paste:
            paste_colors(state, layer);
            break;
        case ids::import_colors:
            import_colors(state, layer);
            break;
        case ids::export_colors:
            export_colors(state, layer);
            break;
        case ids::paste_from_clipboard:
            paste_from_clipboard(state, layer);
            break;
        case ids::about:
            before_modal(state, layer);
            layer.show_message(MessageKind::about, {});
            break;
        case ids::tutorial:
            open_tutorial(state, layer);
            break;
        case ids::select_changed:
            select_changed_colors(state, layer);
            break;
        case ids::show_transparency:
            toggle_show_transparency(state, layer);
            break;
        case ids::keep_black_opaque:
            toggle_keep_black_opaque(state, layer);
            break;
        case ids::toggle_transparency:
            toggle_transparency_bit(state, layer);
            break;
        case ids::select_transparent:
        case ids::select_semi_transparent:
            select_by_transparency(state, layer, command_id == ids::select_transparent);
            break;
        case ids::undo:
            undo_last_step(state, layer);
            break;
        case ids::redo:
            redo_next_step(state, layer);
            break;
        default:
            if (const Zone* zone = zone_for_command(command_id)) {
                select_zone(state, layer, zone->first, zone->last);
            }
            break;
    }
}

}  // namespace

void run_command(EditorState& state, WindowLayer& layer, int command_id) {
    if (!command_enabled(state, command_id)) {
        return;
    }
    as_user_event(state, layer, command_event(command_id),
                  [&] { dispatch(state, layer, command_id); });
}

void close_editor(EditorState& state) {
    stop_finder_scan(state.finder);
    state.color_clipboard.reset();
    state.clipboard_count = 0;
}

void on_paint(EditorState& state, WindowLayer& layer) {
    if (state.palette_loaded == 0) {
        return;
    }
    paint_all_swatches(state, layer);
    frame_selection(state, layer, state.selection);
    paint_color_boxes(state, layer);
}

void on_activate(EditorState& state, WindowLayer& layer, bool active) {
    if (active) {
        on_paint(state, layer);
    }
}

void on_size(EditorState& state, WindowLayer& layer) {
    // Unlike a paint, this fills the boxes even before anything is loaded.
    paint_color_boxes(state, layer);
}

std::optional<std::string> tooltip_text(const EditorState& state, int index) {
    if (state.palette_loaded == 0 || index < 0 || index >= palette_size) {
        return std::nullopt;
    }
    const PaletteEntry& entry = state.palette[index];
    const std::uint16_t word = encode_bgr555(entry);
    char text[80];
    std::snprintf(text, sizeof text, "RGB: %d,%d,%d - Hex: 0x%.4X", entry.red, entry.green,
                  entry.blue, static_cast<unsigned>(word));
    return std::string(text) + transparency_suffix(word, " - ");
}

}  // namespace tavrin
