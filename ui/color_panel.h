// The colour panel: the refresh after every selection change, and the
// sliders, decimal fields, hex field and starting-colour box.
#pragma once

#include "ui/editor.h"

namespace tavrin {

// Loads the head of the selection into the panel (or blanks and disables the
// panel when the selection is empty), frames every selected cell, moves the
// focus to the head's swatch and sets Blend, Copy and Paste.
void show_selection(EditorState& state, WindowLayer& layer);

// What show_selection shows, for a table restored by Undo or Redo: the head
// exactly as the table holds it (show_selection's field writes would snap it
// to its word), the selection framed, the focus on the head's cell.
void show_selection_as_held(EditorState& state, WindowLayer& layer);

// Moves every selected entry's channels by the deltas, modulo 256, and repaints
// and re-frames each selected cell.
void add_delta_to_selection(EditorState& state, WindowLayer& layer, int d_red, int d_green,
                            int d_blue);

// The user moved a slider (any scroll action); its position is read from the layer.
void on_slider_moved(EditorState& state, WindowLayer& layer, int slider_id, int position);

// The user changed the text of a decimal field (ids::decimal_fields) or the hex
// field (ids::field_hex).
void on_field_edited(EditorState& state, WindowLayer& layer, int field_id);

// The focus left a decimal field or the hex field.
void on_field_left(EditorState& state, WindowLayer& layer, int field_id);

// A double-click on the starting-colour box, ids::starting_box.
void on_starting_box_double_clicked(EditorState& state, WindowLayer& layer);

// Gives the focus to a control; when it leaves a decimal or the hex field, runs
// that field's "left" handler, as when the user leaves it.
void move_focus(EditorState& state, WindowLayer& layer, int control_id);

}  // namespace tavrin
