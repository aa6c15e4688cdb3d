// Colours in and out of the editor: File > Import colors... and Export
// colors..., Edit > Paste from clipboard, and the system clipboard's side of
// Copy. Palette files go through formats/, every write through the same safe
// replacement as Save CLUT.
#pragma once

#include "ui/editor.h"

namespace tavrin {

// Reads a palette file into the selection in the order it was selected (the
// first colour to the cell selected first) or, with nothing selected, into
// cells 0 up to color_count. Colours beyond the targets are ignored; the
// status says how many were used. A file that cannot be read changes nothing.
void import_colors(EditorState& state, WindowLayer& layer);

// Writes the selection (in the order it was selected) or the whole table in
// the format of the filter left selected in the save dialog.
void export_colors(EditorState& state, WindowLayer& layer);

// Takes colours from the system clipboard's text (colour words, #RRGGBB,
// GIMP or JASC text) into the targets as import_colors does.
void paste_from_clipboard(EditorState& state, WindowLayer& layer);

// The selection's colours on the system clipboard, in the order they were
// selected: one #RRGGBB per line, and their colour words in Tavrin's format.
void put_selection_on_clipboard(const EditorState& state, WindowLayer& layer);

}  // namespace tavrin
