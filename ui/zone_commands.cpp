// The sixteen zone commands of Edit > Select.
#include "edit/edit.h"
#include "ui/color_panel.h"
#include "ui/edit_commands.h"
#include "ui/painting.h"

namespace tavrin {

void select_zone(EditorState& state, WindowLayer& layer, int first, int last) {
    // Should a node fail to allocate, the indices pushed so far stay selected
    // and the refresh below shows exactly those.
    select_range(state.selection, first, last);
    paint_all_swatches(state, layer);
    frame_selection(state, layer, state.selection);
    show_selection(state, layer);
}

}  // namespace tavrin
