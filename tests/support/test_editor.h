// An editor on the fake screen, with the steps a user takes as methods, so
// scenario tests read like what the user does.
#pragma once

#include "tests/support/fake_window_layer.h"
#include "ui/editor.h"

namespace tavrin::testing {

struct TestEditor {
    EditorState state;
    FakeWindowLayer screen;

    TestEditor() {
        start_editor(state, screen);
        screen.calls.clear();
    }

    void command(int id) { run_command(state, screen, id); }

    // Runs the paint that a repaint request asked for, as a message loop would.
    void settle() {
        if (screen.repaint_requests > 0) {
            screen.repaint_requests = 0;
            on_paint(state, screen);
        }
    }
};

}  // namespace tavrin::testing
