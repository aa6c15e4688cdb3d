// The commands of the Edit menu: Blend colors, Copy, Paste and the sixteen
// zone commands of Edit > Select, over the editor's state and screen.
#pragma once

#include "ui/editor.h"

namespace tavrin {

// ids::blend: a gradient from the head's colour to the tail's; repaints and frames
// only the cells it wrote. Does nothing before a CLUT is loaded or with fewer
// than two selected entries. The colour panel is left alone: the head keeps
// its colour.
void blend_colors(EditorState& state, WindowLayer& layer);

// ids::copy: copies the selected entries and enables Paste. A failed allocation
// keeps the previous copy and the Paste item as they were.
void copy_colors(EditorState& state, WindowLayer& layer);

// ids::paste: writes the copies over the selection, paired from the head, and
// repaints the grid. The colour panel is deliberately not refreshed, so the
// next slider or field change is measured against the pasted head.
void paste_colors(EditorState& state, WindowLayer& layer);

// Replaces the selection with first..last (last at the head), repaints the
// grid, frames the zone and refreshes the colour panel.
void select_zone(EditorState& state, WindowLayer& layer, int first, int last);

}  // namespace tavrin
