// Selecting cells with the mouse and the arrow keys.
#pragma once

#include "ui/editor.h"

namespace tavrin {

enum class ArrowKey { left, up, right, down };

// A click on the swatch of index, with the modifiers held at that moment.
// Ctrl toggles the cell, Shift adds the run of indices from the head towards
// it, a plain click selects the cell alone. Does nothing before a CLUT is loaded.
// Front ends report single clicks only: the second press of a double-click and
// a cell's enable/disable notices are not clicks.
void on_swatch_clicked(EditorState& state, WindowLayer& layer, int index, Modifiers modifiers);

// An arrow key pressed while a swatch has the focus; works from the head of the
// selection, never from the swatch that received the key. Ctrl is not consulted.
void on_arrow_key(EditorState& state, WindowLayer& layer, ArrowKey key, Modifiers modifiers);

}  // namespace tavrin
