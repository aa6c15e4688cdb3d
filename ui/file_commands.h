// The File menu's reading and writing commands (ids::extract_tex, inject_tex,
// load_clut, save_clut, extract_offset, inject_offset, extract_tim, inject_tim)
// and what OK does in their two dialogs, "Select CLUT to modify" and "CLUT
// parameters". A read goes into a scratch table and replaces the editor's CLUT
// only when complete; a read or write that fails is reported with the file and
// the reason, and leaves the editor as it was.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "files/clut_files.h"
#include "ui/editor.h"

namespace tavrin {

inline constexpr std::string_view too_many_colors_message = "CLUT can't have more than 256 colors.";

// Makes a freshly read CLUT live: loaded flag, sliders on and at 0, empty
// selection, empty colour boxes, a repaint, and the focus on swatch 0.
void activate_palette(EditorState& state, WindowLayer& layer);

// The File and Edit > Select items that follow from where the CLUT came from
// and its count: after every read, and after an undo or redo that changes them.
void apply_clut_menu_rules(EditorState& state, WindowLayer& layer);

// Entries 0..color_count-1: what every writing command writes.
std::span<const PaletteEntry> live_entries(const EditorState& state);

// A write that stands but warns (Status::warns): the user is told, with the file named.
void report_write_warning(EditorState& state, WindowLayer& layer, const std::string& path,
                          const Status& status);

void load_clut(EditorState& state, WindowLayer& layer);               // ids::load_clut
void save_clut(EditorState& state, WindowLayer& layer);               // ids::save_clut
void extract_clut_from_tex(EditorState& state, WindowLayer& layer);   // ids::extract_tex
void inject_clut_in_tex(EditorState& state, WindowLayer& layer);      // ids::inject_tex
void extract_clut_from_file(EditorState& state, WindowLayer& layer);  // ids::extract_offset
void inject_clut_in_file(EditorState& state, WindowLayer& layer);     // ids::inject_offset
void extract_clut_from_tim(EditorState& state, WindowLayer& layer);   // ids::extract_tim

// The three reads after their open-file dialog, for a file already chosen (on
// the command line, or dropped on the window); each remembers the path for its
// dialog as a choice there would.
void load_clut_file(EditorState& state, WindowLayer& layer, const std::string& path);
void extract_clut_from_tex_file(EditorState& state, WindowLayer& layer, const std::string& path);
void extract_clut_from_tim_file(EditorState& state, WindowLayer& layer, const std::string& path);
void inject_clut_in_tim(EditorState& state, WindowLayer& layer);  // ids::inject_tim

// The read behind extract_clut_from_tex_file: asks which CLUT and reads it
// from path, or from the file inside names in the disc image path.
void extract_tex_clut(EditorState& state, WindowLayer& layer, const std::string& path,
                      const std::string& inside = "");

// The read behind extract_clut_from_tim_file, for a TIM at tim_at of path (a
// finder hit), or of the file inside names in the image path: asks for the
// row when there are several, and opens the preview on the TIM's image.
void extract_tim_clut_at(EditorState& state, WindowLayer& layer, const std::string& path,
                         std::uint64_t tim_at, const std::string& inside = "");

// The read behind ids::extract_offset once its dialogs are answered, and behind a finder hit:
// count colours at offset of path (of the file inside names in the image
// path) become the live CLUT, or the failure is reported and nothing changes.
// A raw disc image itself is read through its sectors, at its own offsets.
void extract_at(EditorState& state, WindowLayer& layer, const std::string& path,
                std::uint64_t offset, int count, const std::string& inside = "");

// OK in "Select CLUT to modify" with typed in its field: the list position
// when the text names an entry (letter case ignored); nullopt keeps the dialog
// open. The choice takes effect only once the CLUT it names has been read.
std::optional<int> select_clut_dialog_ok(std::string_view typed);

// What "CLUT parameters" asks for, as typed.
struct ClutParams {
    std::int64_t offset = 0;
    int count = 0;  // at most 256; 0 for a text that is not a number
};

// OK in "CLUT parameters". An offset text holding no number, or one beyond
// the 64-bit range of file offsets, is reported quoting it and gives nullopt;
// the command then ends and nothing changes.
std::optional<ClutParams> clut_params_dialog_ok(EditorState& state, WindowLayer& layer,
                                                const ClutParamsAnswer& answer);

}  // namespace tavrin
