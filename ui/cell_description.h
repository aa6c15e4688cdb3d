// What assistive technology reads for a swatch: its name with the colour it
// shows, and whether it is selected.
#pragma once

#include <string>

#include "ui/editor.h"

namespace tavrin {

// "Colour 17: red 255, green 0, blue 255, hex 7C1F" for a live entry (the
// index as the tooltip and the hex field count it, from 0), ending in ",
// semi-transparent" or ", transparent" as the word is; "Colour 17:
// empty" before a CLUT is loaded and beyond its colour count.
std::string cell_accessible_name(const EditorState& state, int index);

bool cell_selected(const EditorState& state, int index);

}  // namespace tavrin
