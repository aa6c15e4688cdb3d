// An editor on the fake screen, with the steps a user takes as methods, so
// scenario tests read like what the user does.
#pragma once

#include <initializer_list>
#include <vector>

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

    // A known CLUT put in place without a file: entry i gets a distinct colour
    // word (bit 15 set on every other one), the selection is emptied and the
    // zone items are enabled, as a successful raw load leaves them.
    void put_known_palette(int count = palette_size) {
        clear_palette(state);
        for (int i = 0; i < count && i < palette_size; ++i) {
            state.palette[i] = decode_bgr555(static_cast<std::uint16_t>(i * 257 + 11));
        }
        state.color_count = static_cast<std::int16_t>(count);
        state.palette_loaded = 1;
        selection_clear(state.selection);
        for (int id : ids::zone_items) {
            set_menu_state(state, screen, id, true);
        }
    }

    // The selected indices from the head.
    std::vector<int> selected() const {
        std::vector<int> out;
        for (const SelectionNode* node = state.selection; node != nullptr; node = node->next) {
            out.push_back(node->index);
        }
        return out;
    }
};

}  // namespace tavrin::testing
