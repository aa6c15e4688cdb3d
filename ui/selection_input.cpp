// Selecting cells by mouse and keyboard. The order in which indices are pushed
// is behaviour: blend and copy/paste walk the list from the head, and the
// oldest index is the fixed corner of a Shift+arrow rectangle.
#include "ui/selection_input.h"

#include "ui/color_panel.h"
#include "ui/history_commands.h"
#include "ui/painting.h"
#include "ui/preview.h"

namespace tavrin {

namespace {

constexpr int grid_columns = 16;

void toggle_cell(EditorState& state, WindowLayer& layer, int index) {
    if (selection_contains(state.selection, index)) {
        selection_remove(state.selection, index);
        paint_swatch(state, layer, index);
    } else if (selection_push(state.selection, index)) {
        frame_swatch(state, layer, index);
    }
}

void select_alone(EditorState& state, WindowLayer& layer, int index) {
    selection_clear(state.selection);
    selection_push(state.selection, index);
    paint_all_swatches(state, layer);
    frame_swatch(state, layer, index);
}

// Adds the run of consecutive indices from the head towards index, wrapping
// from row to row; cells already selected are skipped, not moved.
void extend_run(EditorState& state, WindowLayer& layer, int index) {
    const int head = state.selection->index;
    if (index == head) {
        return;
    }
    const int step = index > head ? 1 : -1;
    for (int k = head + step;; k += step) {
        if (!selection_contains(state.selection, k) && selection_push(state.selection, k)) {
            frame_swatch(state, layer, k);
        }
        if (k == index) {
            break;
        }
    }
}

int arrow_target(int head, ArrowKey key) {
    switch (key) {
        case ArrowKey::left:
            return head % grid_columns == 0 ? head : head - 1;
        case ArrowKey::up:
            return head - grid_columns < 0 ? head : head - grid_columns;
        case ArrowKey::right:
            return head % grid_columns == grid_columns - 1 ? head : head + 1;
        case ArrowKey::down:
            return head + grid_columns > palette_size - 1 ? head : head + grid_columns;
    }
    return head;
}

// Rebuilds the selection as the rectangle between the anchor and target,
// column by column, so that the anchor is pushed first (and stays the anchor)
// and target last (the new head).
void select_rectangle(EditorState& state, int anchor, int target) {
    const int anchor_column = anchor % grid_columns;
    const int anchor_row = anchor / grid_columns;
    const int target_column = target % grid_columns;
    const int target_row = target / grid_columns;
    const int column_step = anchor_column <= target_column ? 1 : -1;
    const int row_step = anchor_row < target_row ? 1 : -1;
    selection_clear(state.selection);
    for (int column = anchor_column;; column += column_step) {
        for (int row = anchor_row;; row += row_step) {
            selection_push(state.selection, grid_columns * row + column);
            if (row == target_row) {
                break;
            }
        }
        if (column == target_column) {
            break;
        }
    }
}

void swatch_clicked(EditorState& state, WindowLayer& layer, int index, Modifiers modifiers) {
    if (state.palette_loaded == 0 || !in_grid(index)) {
        return;
    }
    if (modifiers.ctrl) {
        toggle_cell(state, layer, index);
    } else if (modifiers.shift && state.selection != nullptr) {
        extend_run(state, layer, index);
    } else {
        select_alone(state, layer, index);
    }
    show_selection(state, layer);
}

void arrow_key(EditorState& state, WindowLayer& layer, ArrowKey key, Modifiers modifiers) {
    if (state.palette_loaded == 0) {
        return;
    }
    if (state.selection == nullptr) {
        selection_push(state.selection, 0);
    } else {
        const int head = state.selection->index;
        const int anchor = selection_tail(state.selection)->index;
        // Only indices this editor pushed can be here; anything else would
        // walk off the grid, so it is left alone.
        if (!in_grid(head) || !in_grid(anchor)) {
            return;
        }
        const int target = arrow_target(head, key);
        if (modifiers.shift) {
            select_rectangle(state, anchor, target);
        } else {
            selection_clear(state.selection);
            selection_push(state.selection, target);
        }
    }
    paint_all_swatches(state, layer);
    show_selection(state, layer);
}

}  // namespace

// Selection changes are no steps, but leaving a field or snapping the new
// head on the way may change a colour, which the history must know of.
void on_swatch_clicked(EditorState& state, WindowLayer& layer, int index, Modifiers modifiers) {
    as_user_event(state, layer, UserEvent{},
                  [&] { swatch_clicked(state, layer, index, modifiers); });
}

void on_arrow_key(EditorState& state, WindowLayer& layer, ArrowKey key, Modifiers modifiers) {
    as_user_event(state, layer, UserEvent{}, [&] { arrow_key(state, layer, key, modifiers); });
}

}  // namespace tavrin
