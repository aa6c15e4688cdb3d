// Showing, setting, selecting and guarding bit 15 and the word 0000.
#include "ui/transparency_commands.h"

#include "palette/console_color.h"
#include "ui/color_panel.h"
#include "ui/history_commands.h"
#include "ui/painting.h"

namespace tavrin {

namespace {

int head_in_grid(const EditorState& state) {
    return state.palette_loaded != 0 && state.selection != nullptr &&
                   in_grid(state.selection->index)
               ? state.selection->index
               : -1;
}

void repaint_cell(EditorState& state, WindowLayer& layer, int index) {
    paint_swatch(state, layer, index);
    if (selection_contains(state.selection, index)) {
        frame_swatch(state, layer, index);
    }
}

// The head's word in the hex field, without running its handler (which
// would snap the head); left alone while the user is typing in it.
void show_head_word(EditorState& state, WindowLayer& layer) {
    const int head = head_in_grid(state);
    if (head < 0 || layer.focused_control() == ids::field_hex) {
        return;
    }
    const PaletteEntry& entry = state.palette[static_cast<std::size_t>(head)];
    state.focused_entry.high_bit = entry.high_bit;
    layer.show_field_text(ids::field_hex, hex_text(encode_bgr555(entry)));
}

void set_bit_on_selection(EditorState& state, WindowLayer& layer, bool on) {
    if (head_in_grid(state) < 0) {
        return;
    }
    // A value typed into a field is settled first, as any command settles it.
    on_field_left(state, layer, layer.focused_control());
    for (const SelectionNode* node = state.selection; node != nullptr; node = node->next) {
        const int index = node->index;
        if (!in_grid(index) || index >= state.color_count) {
            continue;
        }
        PaletteEntry& entry = state.palette[static_cast<std::size_t>(index)];
        entry.high_bit = on ? high_bit_mask : 0;
        entry.raw = encode_bgr555(entry);
        state.history.exact_words.set(static_cast<std::size_t>(index));
        repaint_cell(state, layer, index);
    }
    show_head_word(state, layer);
}

std::string colors_text(int count) {
    return std::to_string(count) + (count == 1 ? " color" : " colors");
}

}  // namespace

std::string transparency_suffix(std::uint16_t word, std::string_view separator) {
    if (is_transparent_word(word)) {
        return std::string(separator) + "transparent";
    }
    if (is_semi_transparent_word(word)) {
        return std::string(separator) + "semi-transparent";
    }
    return {};
}

void toggle_show_transparency(EditorState& state, WindowLayer& layer) {
    state.options.show_transparency = !state.options.show_transparency;
    layer.set_menu_item(ids::show_transparency, {.checked = state.options.show_transparency});
    if (state.palette_loaded != 0) {
        paint_all_swatches(state, layer);
        frame_selection(state, layer, state.selection);
    }
}

void toggle_keep_black_opaque(EditorState& state, WindowLayer& layer) {
    state.options.keep_black_opaque = !state.options.keep_black_opaque;
    layer.set_menu_item(ids::keep_black_opaque, {.checked = state.options.keep_black_opaque});
}

void toggle_transparency_bit(EditorState& state, WindowLayer& layer) {
    const int head = head_in_grid(state);
    if (head < 0) {
        return;
    }
    set_bit_on_selection(state, layer, state.palette[static_cast<std::size_t>(head)].high_bit == 0);
}

void on_semi_transparent_checked(EditorState& state, WindowLayer& layer, bool checked) {
    // The box has changed itself; whatever happens, it shows the head after.
    state.shown_head_bit = -2;
    as_user_event(state, layer,
                  UserEvent{UserEvent::Kind::edit,
                            checked ? "Set transparency bit" : "Clear transparency bit", 0},
                  [&] { set_bit_on_selection(state, layer, checked); });
}

void select_by_transparency(EditorState& state, WindowLayer& layer, bool transparent) {
    if (state.palette_loaded == 0) {
        return;
    }
    on_field_left(state, layer, layer.focused_control());
    selection_clear(state.selection);
    for (int i = 0; i < state.color_count && i < palette_size; ++i) {
        const std::uint16_t word = encode_bgr555(state.palette[static_cast<std::size_t>(i)]);
        if (transparent ? is_transparent_word(word) : is_semi_transparent_word(word)) {
            selection_push(state.selection, i);
        }
    }
    paint_all_swatches(state, layer);
    frame_selection(state, layer, state.selection);
    show_selection(state, layer);
    if (state.selection == nullptr) {
        before_modal(state, layer);
        layer.show_message(MessageKind::information,
                           transparent ? no_transparent_message : no_semi_transparent_message);
    }
}

void show_head_bit(EditorState& state, WindowLayer& layer) {
    const int head = head_in_grid(state);
    const int bit =
        head < 0 ? 0 : (state.palette[static_cast<std::size_t>(head)].high_bit != 0 ? 1 : 0);
    if (bit != state.shown_head_bit) {
        state.shown_head_bit = bit;
        layer.set_control_value(ids::check_semi_transparent, bit);
    }
}

void guard_transparency(EditorState& state, WindowLayer& layer,
                        const std::array<PaletteEntry, palette_size>& before, bool continuing) {
    EditHistory& history = state.history;
    if (!continuing) {
        history.kept_opaque.reset();
        history.made_transparent.reset();
        history.noted_transparent = 0;
    }
    bool head_changed = false;
    const int head = head_in_grid(state);
    for (int i = 0; i < state.color_count && i < palette_size; ++i) {
        const auto at = static_cast<std::size_t>(i);
        if (history.exact_words.test(at)) {
            history.kept_opaque.reset(at);
            history.made_transparent.reset(at);
            continue;
        }
        PaletteEntry& entry = state.palette[at];
        const std::uint16_t word = encode_bgr555(entry);
        bool changed = false;
        if (history.kept_opaque.test(at) && word != high_bit_mask) {
            // Kept opaque only while black: off black it is the colour it was.
            history.kept_opaque.reset(at);
            if (is_semi_transparent_word(word)) {
                entry.high_bit = 0;
                changed = true;
            }
        } else if (word == 0 && encode_bgr555(before[at]) != 0) {
            history.made_transparent.set(at);
            if (state.options.keep_black_opaque) {
                entry.high_bit = high_bit_mask;
                history.kept_opaque.set(at);
                changed = true;
            }
        }
        // A hole the same drag or typing fills again (typing 001F passes
        // through 0) is no longer one to report.
        if (history.made_transparent.test(at) && !history.kept_opaque.test(at) &&
            encode_bgr555(entry) != 0) {
            history.made_transparent.reset(at);
        }
        if (changed) {
            entry.raw = encode_bgr555(entry);
            repaint_cell(state, layer, i);
            head_changed = head_changed || i == head;
        }
    }
    if (head_changed) {
        show_head_word(state, layer);
    }
    const std::size_t count = history.made_transparent.count();
    if (count == history.noted_transparent) {
        return;
    }
    history.noted_transparent = count;
    const bool own_note = state.notes != history.event_start.notes && !state.note.empty();
    if (count == 0) {
        if (!own_note && state.note == history.transparency_note) {
            show_note(state, layer, "");
        }
        return;
    }
    const int became = static_cast<int>(count);
    std::string text = colors_text(became);
    text += state.options.keep_black_opaque
                ? " kept opaque black (8000) instead of transparent (0000)"
                : std::string(" became transparent (0000): the game will not draw ") +
                      (became == 1 ? "it" : "them");
    if (own_note) {
        text = state.note + "; " + text;
    }
    history.transparency_note = text;
    show_note(state, layer, std::move(text));
}

}  // namespace tavrin
