// The console's transparency bit in the editor: seeing it (cell marks, the
// panel's check box, the words that describe a cell), changing it, selecting
// by it, and the guard that keeps an edit from making a hole (the word 0000)
// without saying so.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ui/editor.h"

namespace tavrin {

// separator + "semi-transparent" for a word with bit 15 set, separator +
// "transparent" for 0000, nothing for any other word.
std::string transparency_suffix(std::uint16_t word, std::string_view separator);

// ids::show_transparency and ids::keep_black_opaque: flip the option, its
// check mark, and for the first the marks on the grid.
void toggle_show_transparency(EditorState& state, WindowLayer& layer);
void toggle_keep_black_opaque(EditorState& state, WindowLayer& layer);

// ids::toggle_transparency: sets bit 15 on every selected cell when the head
// has it clear, else clears it on every one, as the panel's box would.
void toggle_transparency_bit(EditorState& state, WindowLayer& layer);

// The user checked or cleared the panel's "Semi-transparent (bit 15)": sets
// or clears bit 15 on every selected cell, as one undo step.
void on_semi_transparent_checked(EditorState& state, WindowLayer& layer, bool checked);

// ids::select_transparent (the word 0000) and ids::select_semi_transparent
// (bit 15 set): selects every such live cell in index order; with none,
// selects nothing and says so.
void select_by_transparency(EditorState& state, WindowLayer& layer, bool transparent);

// Brings the panel's box in line with the head's bit 15 (clear with no
// selection); every outermost user event ends with this.
void show_head_bit(EditorState& state, WindowLayer& layer);

// When an edit ends: counts the live cells it turned from another word into
// 0000 and says so in the note, or with "Keep black opaque" stores 8000 in
// them instead. continuing says the edit extends the open step (the same drag
// or typing), whose cells kept opaque lose bit 15 again off black. Cells in
// exact_words are left as set.
void guard_transparency(EditorState& state, WindowLayer& layer,
                        const std::array<PaletteEntry, palette_size>& before, bool continuing);

inline constexpr std::string_view no_transparent_message =
    "No color is transparent: no word is 0000.";
inline constexpr std::string_view no_semi_transparent_message =
    "No color is semi-transparent: none has bit 15 set.";

}  // namespace tavrin
