// Painting the swatch grid and the two colour boxes through the window layer.
#pragma once

#include "palette/selection.h"
#include "ui/editor.h"

namespace tavrin {

// The mark "Show transparency" puts on a live cell; none while it is off.
CellMark cell_mark(const EditorState& state, int index);

// Fills one cell with its entry's colour and mark, which also removes its frame.
// A negative index (bit 15 set) does nothing.
void paint_swatch(const EditorState& state, WindowLayer& layer, int index);

// Draws the selection frame on one cell; a negative index does nothing.
void frame_swatch(const EditorState& state, WindowLayer& layer, int index);

// All 256 cells: live entries in their colour and enabled, the rest in
// button-face grey and disabled. Draws no frames.
void paint_all_swatches(const EditorState& state, WindowLayer& layer);

// Frames every selected cell, from the head.
void frame_selection(const EditorState& state, WindowLayer& layer, const SelectionNode* list);

void paint_preview_box(WindowLayer& layer, int box_id, Rgb color);

// ids::current_box and ids::starting_box: the head's current and starting colours, or the scrollbar
// colour when nothing is selected.
void paint_color_boxes(const EditorState& state, WindowLayer& layer);

}  // namespace tavrin
