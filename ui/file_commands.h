// The File menu's reading and writing commands (200, 201, 209, 210, 226, 227)
// and what OK does in their two dialogs, "Select CLUT to modify" and "CLUT
// parameters". Reads that fail are silent, as the menu grays the writing
// commands; writes that fail are reported with the file and the reason.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "ui/editor.h"

namespace tavrin {

inline constexpr std::string_view too_many_colors_message = "CLUT can't have more than 256 colors.";

// Makes a freshly read CLUT live: loaded flag, sliders on and at 0, empty
// selection, empty colour boxes, a repaint, and the focus on swatch 0.
void activate_palette(EditorState& state, WindowLayer& layer);

// Entries 0..color_count-1: what every writing command writes.
std::span<const PaletteEntry> live_entries(const EditorState& state);

void load_clut(EditorState& state, WindowLayer& layer);               // 209
void save_clut(EditorState& state, WindowLayer& layer);               // 210
void extract_clut_from_tex(EditorState& state, WindowLayer& layer);   // 200
void inject_clut_in_tex(EditorState& state, WindowLayer& layer);      // 201
void extract_clut_from_file(EditorState& state, WindowLayer& layer);  // 226
void inject_clut_in_file(EditorState& state, WindowLayer& layer);     // 227

// OK in "Select CLUT to modify" with typed in its field: the list position
// when the text names an entry (letter case ignored), after setting clut_kind,
// the zone items (on for the shirts, off for the flag), color_count 256 and
// enabling every swatch; nullopt, changing nothing, to keep the dialog open.
std::optional<int> select_clut_dialog_ok(EditorState& state, WindowLayer& layer,
                                         std::string_view typed);

// OK in "CLUT parameters": sets color_count (at most 256; 0 for a text that is
// not a number) and clut_offset, grays the zone items and enables swatches
// 0..color_count-1. An offset text holding no number is reported and changes
// nothing; the result is then false and the command ends.
bool clut_params_dialog_ok(EditorState& state, WindowLayer& layer, const ClutParamsAnswer& answer);

}  // namespace tavrin
