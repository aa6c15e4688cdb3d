// Recording user events as undo steps, and the Undo, Redo and "Select
// changed colors" commands.
#include "ui/history_commands.h"

#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "ui/color_panel.h"
#include "ui/disc_commands.h"
#include "ui/file_commands.h"
#include "ui/menu_table.h"
#include "ui/painting.h"
#include "ui/transparency_commands.h"

namespace tavrin {

namespace {

using Step = HistoryStep<ClutOrigin>;

std::size_t heap_bytes(const ClutOrigin& origin) {
    std::size_t bytes =
        origin.source.path.capacity() + origin.file_words.capacity() * sizeof(std::uint16_t);
    if (origin.tex_source) {
        bytes += origin.tex_source->path.capacity();
    }
    return bytes;
}

// A new step from what the outermost event changed.
Step new_step(const EditorState& state, const UserEvent& event, std::vector<EntryChange> changes) {
    Step step;
    step.name = event.name;
    step.merge_key = event.merge_key;
    step.entries = std::move(changes);
    step.count_before = state.history.event_start.color_count;
    step.count_after = state.color_count;
    if (event.kind == UserEvent::Kind::read) {
        step.context_before = state.history.event_start.origin;
        step.context_after = state.origin;
        step.context_bytes = heap_bytes(*step.context_before) + heap_bytes(*step.context_after);
    }
    return step;
}

void show_menu_text(WindowLayer& layer, int command_id, std::string& shown, std::string text) {
    if (shown != text) {
        shown = std::move(text);
        layer.set_menu_item(command_id, {.text = shown});
    }
}

void show_menu_state(EditorState& state, WindowLayer& layer, int command_id, bool enabled) {
    if (command_enabled(state, command_id) != enabled) {
        set_menu_state(state, layer, command_id, enabled);
    }
}

std::string item_text(std::string_view verb, const Step* step, std::string_view keys) {
    std::string text(verb);
    if (step != nullptr) {
        text += ' ';
        text += step->name;
    }
    text += '\t';
    text += keys;
    return text;
}

void update_history_menu(EditorState& state, WindowLayer& layer) {
    const Step* undoable = undo_step(state.history);
    const Step* redoable = redo_step(state.history);
    show_menu_text(layer, ids::undo, state.history.undo_text,
                   item_text("&Undo", undoable, "Ctrl+Z"));
    show_menu_text(layer, ids::redo, state.history.redo_text,
                   item_text("&Redo", redoable, "Ctrl+Y"));
    show_menu_state(state, layer, ids::undo, undoable != nullptr);
    show_menu_state(state, layer, ids::redo, redoable != nullptr);
}

// The undone or redone state on screen as if the user had made it: the
// whole grid, the selection kept where its cells still exist, and the panel
// shown as a selection change shows it, but without snapping the head.
void show_restored(EditorState& state, WindowLayer& layer, int previous_count,
                   const std::optional<ClutOrigin>& origin) {
    if (origin && disc_title(state.origin.source) != disc_title(origin->source)) {
        // The title names a file inside a disc image only while its CLUT is
        // the one in the table.
        layer.set_status_text(StatusLine::main_window, disc_title(origin->source));
    }
    if (origin) {
        state.origin = *origin;
    }
    // The read-dependent items follow the restored origin and count.
    apply_clut_menu_rules(state, layer);
    // Cells the restored count takes away leave the selection; cells that
    // were beyond the count already stay as they were.
    for (int index = std::max<int>(state.color_count, 0);
         index < std::min(previous_count, palette_size); ++index) {
        while (selection_contains(state.selection, index)) {
            selection_remove(state.selection, index);
        }
    }
    paint_all_swatches(state, layer);
    show_selection_as_held(state, layer);
}

// A control whose changes are edit steps under its own name.
struct NamedControl {
    int id;
    std::string_view name;
};

constexpr NamedControl named_fields[] = {
    {ids::field_red, "Red value"},
    {ids::field_green, "Green value"},
    {ids::field_blue, "Blue value"},
    {ids::field_hex, "Hex value"},
};

constexpr NamedControl named_sliders[] = {
    {ids::slider_red, "Red slider"},
    {ids::slider_green, "Green slider"},
    {ids::slider_blue, "Blue slider"},
};

// Keyed by the control, so that a run of changes to one control is one step.
UserEvent control_event(std::span<const NamedControl> controls, int id) {
    for (const NamedControl& control : controls) {
        if (control.id == id) {
            return {UserEvent::Kind::edit, control.name, id};
        }
    }
    return {};
}

}  // namespace

UserEvent field_event(int field_id) {
    return control_event(named_fields, field_id);
}

UserEvent slider_event(int slider_id) {
    return control_event(named_sliders, slider_id);
}

UserEvent command_event(int command_id) {
    switch (command_id) {
        case ids::blend:
        case ids::adjust_colors:
        case ids::paste:
        case ids::import_colors:
        case ids::paste_from_clipboard:
        case ids::toggle_transparency:
            return {UserEvent::Kind::edit, command_name(command_id), 0};
        case ids::load_clut:
        case ids::extract_tex:
        case ids::extract_offset:
        case ids::extract_tim:
        case ids::find_clut:
        case ids::open_in_disc:
            return {UserEvent::Kind::read, command_name(command_id), 0};
        case ids::inject_offset:
            return {UserEvent::Kind::count, "Color count", 0};
        case ids::undo:
        case ids::redo:
            return {UserEvent::Kind::history, {}, 0};
        default:
            return {};
    }
}

void begin_user_event(EditorState& state, WindowLayer& layer) {
    if (state.history.event_depth++ > 0) {
        return;
    }
    EventStart& start = state.history.event_start;
    start.palette = state.palette;
    start.color_count = state.color_count;
    start.palette_loaded = state.palette_loaded;
    start.clut_reads = state.history.clut_reads;
    start.origin = state.origin;
    start.focus = layer.focused_control();
    start.notes = state.notes;
    state.history.exact_words.reset();
}

namespace {

// Records, extends or absorbs what the outermost event changed.
void record_event(EditorState& state, WindowLayer& layer, const UserEvent& event) {
    const EventStart& start = state.history.event_start;
    UserEvent resolved = event;
    const bool count_changed = state.color_count != start.color_count;
    const bool read = state.history.clut_reads != start.clut_reads;
    if ((resolved.kind == UserEvent::Kind::read && !read) ||
        (resolved.kind == UserEvent::Kind::count && !count_changed)) {
        resolved = {};
    }
    if (resolved.kind == UserEvent::Kind::selection) {
        // The focused field was left on the way; what changed is its value,
        // settled, and part of the step its typing began.
        resolved = field_event(start.focus);
    }

    std::vector<EntryChange> changes = diff_tables(start.palette, state.palette);
    if (changes.empty() && !count_changed && !read) {
        return;
    }
    if (start.palette_loaded == 0) {
        // The first CLUT of the run: there is nothing before it to go back to.
        update_history_menu(state, layer);
        return;
    }
    switch (resolved.kind) {
        case UserEvent::Kind::selection:
            absorb_change(state.history, changes, start.color_count, state.color_count);
            break;
        case UserEvent::Kind::edit:
        case UserEvent::Kind::count:
            if (can_extend(state.history, resolved.merge_key)) {
                extend_last_step(state.history, changes, state.color_count);
                break;
            }
            record_step(state.history, new_step(state, resolved, std::move(changes)));
            break;
        case UserEvent::Kind::read:
            record_step(state.history, new_step(state, resolved, std::move(changes)));
            break;
        case UserEvent::Kind::history:  // left above
            break;
    }
    update_history_menu(state, layer);
}

}  // namespace

void end_user_event(EditorState& state, WindowLayer& layer, const UserEvent& event) {
    if (--state.history.event_depth > 0) {
        return;
    }
    if (event.kind != UserEvent::Kind::history) {
        const bool continuing = event.kind == UserEvent::Kind::edit && event.merge_key != 0 &&
                                can_extend(state.history, event.merge_key);
        // Only the next event of the same drag or typing may extend its step.
        if (event.kind == UserEvent::Kind::edit &&
            event.merge_key != state.history.open.merge_key) {
            close_open_step(state.history);
        }
        // Reads and count changes make no colour; Undo and Redo put back what was.
        if ((event.kind == UserEvent::Kind::edit || event.kind == UserEvent::Kind::selection) &&
            state.history.event_start.palette_loaded != 0) {
            guard_transparency(state, layer, state.history.event_start.palette, continuing);
        }
        record_event(state, layer, event);
        if (event.kind != UserEvent::Kind::edit) {
            close_open_step(state.history);
        }
    }
    show_head_bit(state, layer);
}

void undo_last_step(EditorState& state, WindowLayer& layer) {
    const int previous_count = state.color_count;
    if (const Step* step = undo(state.history, state.palette, state.color_count)) {
        show_restored(state, layer, previous_count, step->context_before);
    }
    update_history_menu(state, layer);
}

void redo_next_step(EditorState& state, WindowLayer& layer) {
    const int previous_count = state.color_count;
    if (const Step* step = redo(state.history, state.palette, state.color_count)) {
        show_restored(state, layer, previous_count, step->context_after);
    }
    update_history_menu(state, layer);
}

void select_changed_colors(EditorState& state, WindowLayer& layer) {
    if (state.palette_loaded == 0) {
        return;
    }
    // A value typed into a field counts as Save would write it: settled.
    on_field_left(state, layer, layer.focused_control());
    selection_clear(state.selection);
    const std::span<const PaletteEntry> live = live_entries(state);
    for (std::size_t i = 0; i < live.size(); ++i) {
        if (i >= state.origin.file_words.size() ||
            encode_bgr555(live[i]) != state.origin.file_words[i]) {
            selection_push(state.selection, static_cast<int>(i));
        }
    }
    paint_all_swatches(state, layer);
    frame_selection(state, layer, state.selection);
    show_selection(state, layer);
    if (state.selection == nullptr) {
        before_modal(state, layer);
        layer.show_message(MessageKind::information, nothing_changed_message);
    }
}

void remember_file_words(EditorState& state) {
    const std::span<const PaletteEntry> live = live_entries(state);
    state.origin.file_words.assign(live.size(), 0);
    for (std::size_t i = 0; i < live.size(); ++i) {
        state.origin.file_words[i] = encode_bgr555(live[i]);
    }
}

}  // namespace tavrin
