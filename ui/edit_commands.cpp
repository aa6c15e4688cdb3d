// Edit menu commands: the editing operations of edit/ plus their repaints and
// menu states.
#include "ui/edit_commands.h"

#include "edit/edit.h"
#include "ui/painting.h"
#include "ui/palette_file_commands.h"

namespace tavrin {

void blend_colors(EditorState& state, WindowLayer& layer) {
    if (state.palette_loaded == 0 || state.selection == nullptr) {
        return;
    }
    const int written = blend_selection(state.palette, state.selection);
    const SelectionNode* node = state.selection;
    for (int i = 0; i < written && node != nullptr; ++i, node = node->next) {
        paint_swatch(state, layer, node->index);
        frame_swatch(state, layer, node->index);
    }
}

void copy_colors(EditorState& state, WindowLayer& layer) {
    if (copy_selection(state.palette, state.selection, state.color_clipboard,
                       state.clipboard_count)) {
        set_menu_state(state, layer, ids::paste, true);
        put_selection_on_clipboard(state, layer);
    }
}

void paste_colors(EditorState& state, WindowLayer& layer) {
    if (state.selection == nullptr) {
        return;
    }
    if (paste_clipboard(state.palette, state.selection, state.color_clipboard.get(),
                        state.clipboard_count) == 0) {
        return;
    }
    paint_all_swatches(state, layer);
    frame_selection(state, layer, state.selection);
}

}  // namespace tavrin
