// The colour panel. Writing a field's text from here runs that field's handler
// at once, just as a change the user made would, so the panel follows every
// write on every front end; the panel's behaviour (the 32-step snapping of the
// head, the frame that the hex handler takes off and the decimal handlers put
// back) depends on exactly where those nested calls happen.
#include "ui/color_panel.h"

#include <array>
#include <cstdint>
#include <string>

#include "ui/field_text.h"
#include "ui/history_commands.h"
#include "ui/painting.h"
#include "ui/preview.h"

namespace tavrin {

namespace {

struct Channel {
    std::size_t number;  // 0 red, 1 green, 2 blue: its place in a delta triple
    int slider;
    int field;
    std::uint8_t PaletteEntry::*component;
};

constexpr std::array<Channel, 3> channels = {{
    {0, ids::slider_red, ids::field_red, &PaletteEntry::red},
    {1, ids::slider_green, ids::field_green, &PaletteEntry::green},
    {2, ids::slider_blue, ids::field_blue, &PaletteEntry::blue},
}};

constexpr std::array<int, 8> panel_controls = {
    ids::field_hex,  ids::field_red,    ids::field_green, ids::field_blue,
    ids::slider_red, ids::slider_green, ids::slider_blue, ids::check_semi_transparent};

const Channel* channel_of_field(int field) {
    for (const Channel& channel : channels) {
        if (channel.field == field) {
            return &channel;
        }
    }
    return nullptr;
}

const Channel* channel_of_slider(int slider) {
    for (const Channel& channel : channels) {
        if (channel.slider == slider) {
            return &channel;
        }
    }
    return nullptr;
}

// The palette index at the head of the selection, or -1 when nothing is
// selected. An index outside the table is treated as no selection rather than
// read out of bounds.
int head_index(const EditorState& state) {
    if (state.selection == nullptr) {
        return -1;
    }
    const int index = state.selection->index;
    return in_grid(index) ? index : -1;
}

// Moves one channel of every selected entry.
void add_delta_to_channel(EditorState& state, WindowLayer& layer, const Channel& channel,
                          int delta) {
    std::array<int, 3> deltas{};
    deltas[channel.number] = delta;
    add_delta_to_selection(state, layer, deltas[0], deltas[1], deltas[2]);
}

void decimal_value_typed(EditorState& state, WindowLayer& layer, const Channel& channel);
void hex_value_typed(EditorState& state, WindowLayer& layer);

void write_decimal_field(EditorState& state, WindowLayer& layer, const Channel& channel,
                         unsigned value) {
    layer.show_field_text(channel.field, std::to_string(value));
    decimal_value_typed(state, layer, channel);
}

void write_hex_field(EditorState& state, WindowLayer& layer, std::uint16_t word) {
    layer.show_field_text(ids::field_hex, hex_text(word));
    hex_value_typed(state, layer);
}

// Writes the three decimal fields from focused_entry as it stands at each
// write; the nested handlers refresh it from the head in between.
void write_decimal_fields_from_focused(EditorState& state, WindowLayer& layer) {
    for (const Channel& channel : channels) {
        write_decimal_field(state, layer, channel, state.focused_entry.*channel.component);
    }
}

void set_sliders(WindowLayer& layer, const PaletteEntry& entry) {
    for (const Channel& channel : channels) {
        layer.set_control_value(channel.slider, entry.*channel.component);
    }
}

// Applies every intermediate value as it is typed: "120" applies 1, 12, 120.
// focused_entry keeps the head as it was before this value.
void decimal_value_typed(EditorState& state, WindowLayer& layer, const Channel& channel) {
    const int head = head_index(state);
    if (head < 0) {
        return;
    }
    const auto value = parse_unsigned_decimal(layer.field_text(channel.field));
    if (!value || *value >= 256) {
        return;
    }
    state.focused_entry = state.palette[head];
    layer.set_control_value(channel.slider, static_cast<int>(*value));
    add_delta_to_channel(state, layer, channel,
                         static_cast<int>(*value) - state.focused_entry.*channel.component);
    paint_preview_box(layer, ids::current_box, color_of(state.palette[head]));
}

// Sets the head alone from the typed word; its high bit stays as read.
void hex_value_typed(EditorState& state, WindowLayer& layer) {
    const int head = head_index(state);
    if (head < 0) {
        return;
    }
    const std::string text = layer.field_text(ids::field_hex).substr(0, 4);
    if (text.empty()) {
        return;
    }
    const std::uint16_t word = parse_hex_word(text);
    PaletteEntry& entry = state.palette[head];
    const PaletteEntry decoded = decode_bgr555(word);
    entry.raw = word;
    entry.red = decoded.red;
    entry.green = decoded.green;
    entry.blue = decoded.blue;
    set_sliders(layer, entry);
    paint_preview_box(layer, ids::current_box, color_of(entry));
    // This covers the head's frame; the decimal writes below frame it again.
    paint_swatch(state, layer, head);
    for (const Channel& channel : channels) {
        write_decimal_field(state, layer, channel, state.palette[head].*channel.component);
    }
}

// A decimal field that is left applies its corrected value only through the
// handler that writing that value back runs.
void decimal_field_left(EditorState& state, WindowLayer& layer, const Channel& channel) {
    const int head = head_index(state);
    if (head < 0) {
        return;
    }
    const auto typed = parse_unsigned_decimal(layer.field_text(channel.field));
    unsigned value = 0;
    if (typed) {
        value = *typed >= 256 ? 255u : *typed;
    }
    write_hex_field(state, layer, encode_bgr555(state.palette[head]));
    write_decimal_field(state, layer, channel, value);
}

void hex_field_left(EditorState& state, WindowLayer& layer) {
    const int head = head_index(state);
    if (head < 0) {
        return;
    }
    write_hex_field(state, layer, encode_bgr555(state.palette[head]));
}

// The panel's sliders and fields, and the commands that act on the selected
// colours, go with there being a selection.
void enable_panel_controls(WindowLayer& layer, bool enabled) {
    for (int id : panel_controls) {
        layer.enable_control(id, enabled);
    }
}

void enable_selection_commands(EditorState& state, WindowLayer& layer, bool enabled) {
    set_menu_state(state, layer, ids::blend, enabled);
    set_menu_state(state, layer, ids::toggle_transparency, enabled);
    set_menu_state(state, layer, ids::copy, enabled);
}

void show_empty_selection(EditorState& state, WindowLayer& layer) {
    paint_preview_box(layer, ids::current_box, layer.system_color(SystemColor::scrollbar));
    paint_preview_box(layer, ids::starting_box, layer.system_color(SystemColor::scrollbar));
    for (const Channel& channel : channels) {
        layer.set_control_value(channel.slider, 0);
    }
    write_hex_field(state, layer, 0);
    for (const Channel& channel : channels) {
        write_decimal_field(state, layer, channel, 0);
    }
    enable_panel_controls(layer, false);
    enable_selection_commands(state, layer, false);
    set_menu_state(state, layer, ids::paste, false);
}

// The head becomes the panel's working and starting colour, shown in both
// boxes and on the sliders; -1 and the empty panel when nothing is selected.
int load_head(EditorState& state, WindowLayer& layer) {
    const int head = head_index(state);
    if (head < 0) {
        show_empty_selection(state, layer);
        return head;
    }
    state.focused_entry = state.palette[head];
    state.starting_entry = state.focused_entry;
    paint_preview_box(layer, ids::current_box, color_of(state.focused_entry));
    paint_preview_box(layer, ids::starting_box, color_of(state.focused_entry));
    set_sliders(layer, state.focused_entry);
    return head;
}

}  // namespace

void show_selection(EditorState& state, WindowLayer& layer) {
    const int head = load_head(state, layer);
    if (head < 0) {
        return;
    }
    // The nested hex handler snaps the head to the 32-step table and the
    // decimal writes frame every selected cell; starting_entry keeps the
    // unsnapped copy.
    write_hex_field(state, layer, encode_bgr555(state.focused_entry));
    write_decimal_fields_from_focused(state, layer);
    enable_panel_controls(layer, true);
    move_focus(state, layer, ids::first_swatch + head);
    enable_selection_commands(state, layer, true);
}

void show_selection_as_held(EditorState& state, WindowLayer& layer) {
    const int head = load_head(state, layer);
    if (head < 0) {
        return;
    }
    // The texts are written without running their handlers: those would snap
    // the head to its word, and the table must stay exactly as restored.
    layer.show_field_text(ids::field_hex, hex_text(encode_bgr555(state.focused_entry)));
    for (const Channel& channel : channels) {
        layer.show_field_text(channel.field,
                              std::to_string(state.focused_entry.*channel.component));
    }
    enable_panel_controls(layer, true);
    frame_selection(state, layer, state.selection);
    // Every field now shows the table, so a field losing the focus has
    // nothing left to settle.
    layer.set_focus(ids::first_swatch + head);
    enable_selection_commands(state, layer, true);
}

void add_delta_to_selection(EditorState& state, WindowLayer& layer, int d_red, int d_green,
                            int d_blue) {
    // Only the low eight bits of a delta matter for a sum taken modulo 256;
    // masking first also keeps the sum from overflowing.
    const auto add = [](std::uint8_t value, int delta) {
        return static_cast<std::uint8_t>((value + (delta & 0xFF)) & 0xFF);
    };
    for (const SelectionNode* node = state.selection; node != nullptr; node = node->next) {
        const int index = node->index;
        if (index < 0 || index >= palette_size) {
            continue;
        }
        PaletteEntry& entry = state.palette[index];
        entry.red = add(entry.red, d_red);
        entry.green = add(entry.green, d_green);
        entry.blue = add(entry.blue, d_blue);
        paint_swatch(state, layer, index);
        frame_swatch(state, layer, index);
    }
}

namespace {

void slider_moved(EditorState& state, WindowLayer& layer, int slider_id, int new_position) {
    const int head = head_index(state);
    if (head < 0) {
        return;
    }
    // A position is taken as a signed 16-bit value, the width the editor
    // keeps its indices and counts in, so every front end's reads alike.
    const int position = static_cast<std::int16_t>(new_position);
    state.focused_entry = state.palette[head];
    if (const Channel* channel = channel_of_slider(slider_id)) {
        add_delta_to_channel(state, layer, *channel,
                             position - state.focused_entry.*channel->component);
        state.focused_entry.*channel->component = static_cast<std::uint8_t>(position);
    }
    // The hex handler re-derives the head from the word, which is what snaps
    // the head to the table value of the slider's top five bits.
    write_hex_field(state, layer, encode_bgr555(state.focused_entry));
    write_decimal_fields_from_focused(state, layer);
    paint_preview_box(layer, ids::current_box, color_of(state.focused_entry));
}

void field_edited(EditorState& state, WindowLayer& layer, int field_id) {
    if (field_id == ids::field_hex) {
        hex_value_typed(state, layer);
    } else if (const Channel* channel = channel_of_field(field_id)) {
        decimal_value_typed(state, layer, *channel);
    }
}

void field_left(EditorState& state, WindowLayer& layer, int field_id) {
    if (field_id == ids::field_hex) {
        hex_field_left(state, layer);
    } else if (const Channel* channel = channel_of_field(field_id)) {
        decimal_field_left(state, layer, *channel);
    }
}

void starting_box_double_clicked(EditorState& state, WindowLayer& layer) {
    const int head = head_index(state);
    if (state.palette_loaded == 0 || head < 0) {
        return;
    }
    state.focused_entry = state.starting_entry;
    PaletteEntry& entry = state.palette[head];
    entry.red = state.focused_entry.red;
    entry.green = state.focused_entry.green;
    entry.blue = state.focused_entry.blue;
    paint_preview_box(layer, ids::current_box, color_of(state.focused_entry));
    paint_swatch(state, layer, head);
    frame_swatch(state, layer, head);
    set_sliders(layer, state.focused_entry);
    write_hex_field(state, layer, encode_bgr555(state.focused_entry));
    write_decimal_fields_from_focused(state, layer);
}

}  // namespace

void on_slider_moved(EditorState& state, WindowLayer& layer, int slider_id, int position) {
    as_user_event(state, layer, slider_event(slider_id),
                  [&] { slider_moved(state, layer, slider_id, position); });
}

void on_field_edited(EditorState& state, WindowLayer& layer, int field_id) {
    as_user_event(state, layer, field_event(field_id),
                  [&] { field_edited(state, layer, field_id); });
}

void on_field_left(EditorState& state, WindowLayer& layer, int field_id) {
    if (field_event(field_id).kind != UserEvent::Kind::edit) {
        return;  // not a panel field: nothing to settle, and no event between steps
    }
    as_user_event(state, layer, field_event(field_id), [&] { field_left(state, layer, field_id); });
}

void on_starting_box_double_clicked(EditorState& state, WindowLayer& layer) {
    as_user_event(state, layer, UserEvent{UserEvent::Kind::edit, "Restore starting color", 0},
                  [&] { starting_box_double_clicked(state, layer); });
}

void move_focus(EditorState& state, WindowLayer& layer, int control_id) {
    const int previous = layer.focused_control();
    if (previous == control_id) {
        return;
    }
    // The field's own focus-loss notification arrived before the new control
    // took the focus.
    on_field_left(state, layer, previous);
    layer.set_focus(control_id);
}

}  // namespace tavrin
