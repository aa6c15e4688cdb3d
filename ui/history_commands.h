// Undo, Redo and "Select changed colors", and the recording of steps: every
// entry point a front end calls is one user event, and what the outermost
// event changed in the table, the count or the CLUT's origin becomes a step,
// so no editing handler needs to know about the history.
#pragma once

#include <string_view>

#include "ui/editor.h"
#include "ui/preview.h"

namespace tavrin {

struct UserEvent {
    enum class Kind {
        edit,       // a colour change under its own name
        read,       // a CLUT read: a step with the origin, when one succeeded
        count,      // changes the colour count: a step when it did
        selection,  // no step of its own
        history,    // Undo and Redo: they move through the steps, and record none
    };
    Kind kind = Kind::selection;
    std::string_view name;
    int merge_key = 0;  // events with the same nonzero key in a row make one step
};

// Snapshots the editor when the outermost event begins; counts the nesting.
void begin_user_event(EditorState& state, WindowLayer& layer);

// Compares with the snapshot when the outermost event ends and records,
// extends or absorbs what changed; then updates Undo and Redo.
//
// A change made by an event that is no edit (a click, a zone, Save) comes
// from the focused field being left, named after that field, or else from
// the new head snapping to its word, which joins the neighbouring steps
// instead of becoming one.
void end_user_event(EditorState& state, WindowLayer& layer, const UserEvent& event);

// Every entry point a front end calls runs as one user event: when the
// outermost one ends, what it changed is recorded and then the preview is
// brought up to date, once for all the events nested in it.
template <typename Action>
void as_user_event(EditorState& state, WindowLayer& layer, const UserEvent& event,
                   Action&& action) {
    begin_user_event(state, layer);
    action();
    end_user_event(state, layer, event);
    if (state.history.event_depth == 0) {
        sync_preview(state, layer);
    }
}

// The events of a menu command, a panel field and a slider; a selection
// event for an id that is neither.
UserEvent command_event(int command_id);
UserEvent field_event(int field_id);
UserEvent slider_event(int slider_id);

void undo_last_step(EditorState& state, WindowLayer& layer);  // ids::undo
void redo_next_step(EditorState& state, WindowLayer& layer);  // ids::redo

// ids::select_changed: selects, in index order, every live cell whose word differs from the
// file's; with none, selects nothing and says so.
void select_changed_colors(EditorState& state, WindowLayer& layer);

// The live words are now what the file holds: after a successful read, Save
// or injection.
void remember_file_words(EditorState& state);

inline constexpr std::string_view nothing_changed_message =
    "No color differs from the CLUT as it was last read or written.";

}  // namespace tavrin
