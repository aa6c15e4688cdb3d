// An editor on the fake screen, with the steps a user takes as methods, so
// scenario tests read like what the user does.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/fake_window_layer.h"
#include "ui/color_panel.h"
#include "ui/editor.h"
#include "ui/selection_input.h"

namespace tavrin::testing {

struct TestEditor {
    EditorState state;
    FakeWindowLayer screen;

    TestEditor() {
        state.finder.threads = screen.finder_threads();
        start_editor(state, screen, screen.program_folder);
        screen.calls.clear();
    }

    void command(int id) { run_command(state, screen, id); }

    // --- File commands on real files. Each scripts the dialogs the user
    // answers, runs the command and settles the repaint it asked for.

    // File > Load CLUT..., choosing path.
    void load_clut(const std::string& path) {
        screen.open_answers.push_back(path);
        command(ids::load_clut);
        settle();
    }
    // File > Save CLUT..., choosing path.
    void save_clut(const std::string& path) {
        screen.save_answers.push_back(path);
        command(ids::save_clut);
    }
    // File > Extract CLUT from TEX file..., choosing path, then typing clut_name
    // (or picking it from the list) and pressing OK.
    void extract_tex(const std::string& path,
                     const std::string& clut_name = "Players shirt #1 palette") {
        screen.open_answers.push_back(path);
        screen.clut_texts.push_back(clut_name);
        command(ids::extract_tex);
        settle();
    }
    // File > Inject CLUT in TEX file.
    void inject_tex() { command(ids::inject_tex); }
    // File > Extract CLUT from file..., choosing path, typing the offset and the
    // number of colours and pressing OK; nullopt presses Cancel instead.
    void extract_at(const std::string& path, const std::string& offset_text,
                    const std::string& count_text) {
        extract_at(path, ClutParamsAnswer{offset_text, count_text});
    }
    void extract_at(const std::string& path, std::optional<ClutParamsAnswer> answer) {
        screen.open_answers.push_back(path);
        screen.params_answers.push_back(std::move(answer));
        command(ids::extract_offset);
        settle();
    }
    // File > Inject CLUT in file..., likewise.
    void inject_at(const std::string& path, const std::string& offset_text,
                   const std::string& count_text) {
        inject_at(path, ClutParamsAnswer{offset_text, count_text});
    }
    void inject_at(const std::string& path, std::optional<ClutParamsAnswer> answer) {
        screen.save_answers.push_back(path);
        screen.params_answers.push_back(std::move(answer));
        command(ids::inject_offset);
        settle();
    }

    // Runs the paint that a repaint request asked for, as a message loop would.
    void settle() {
        if (screen.repaint_requests > 0) {
            screen.repaint_requests = 0;
            on_paint(state, screen);
        }
    }

    // A click on a cell; disabled cells give none.
    void click(int index, Modifiers modifiers = {}) {
        if (!screen.enabled(ids::first_swatch + index)) {
            return;
        }
        on_swatch_clicked(state, screen, index, modifiers);
    }
    void ctrl_click(int index) { click(index, Modifiers{.ctrl = true}); }
    void shift_click(int index) { click(index, Modifiers{.shift = true}); }

    // An arrow key reaches the core only when a cell has the focus; elsewhere
    // it belongs to the focused control.
    void arrow(ArrowKey key, bool shift = false, bool ctrl = false) {
        if (!ids::is_swatch(screen.focus)) {
            return;
        }
        on_arrow_key(state, screen, key, Modifiers{.ctrl = ctrl, .shift = shift});
    }

    // Dragging a slider's thumb: the slider takes the focus, the thumb stops
    // inside the range, then the move is reported.
    void move_slider(int id, int position) {
        if (!screen.enabled(id)) {
            return;
        }
        focus_control(id);
        screen.slider_positions[id] = std::clamp(position, 0, 255);
        on_slider_moved(state, screen, id, screen.slider_positions[id]);
    }

    // Keystrokes at the end of a field, each one a separate edit. Decimal
    // fields refuse anything but digits; the hex field takes at most four
    // characters and shows them in upper case.
    void type(int field, std::string_view text) {
        if (!screen.enabled(field)) {
            return;
        }
        focus_control(field);
        for (char c : text) {
            std::string current = screen.field_text(field);
            if (field == ids::field_hex) {
                if (current.size() >= 4) {
                    continue;
                }
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            } else if (c < '0' || c > '9') {
                continue;
            }
            screen.texts[field] = current + c;
            on_field_edited(state, screen, field);
        }
    }

    // Select all, then paste text from the context menu: one edit. A paste
    // gets past the digits-only style of the decimal fields; the hex field
    // still keeps at most four characters, in upper case.
    void paste_into_field(int field, std::string_view text) {
        if (!screen.enabled(field)) {
            return;
        }
        focus_control(field);
        std::string value(text);
        if (field == ids::field_hex) {
            value = value.substr(0, 4);
            for (char& c : value) {
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
        }
        screen.texts[field] = value;
        on_field_edited(state, screen, field);
    }

    // Select all, Delete: one edit, none when the field is empty already.
    void clear_field(int field) {
        if (!screen.enabled(field)) {
            return;
        }
        focus_control(field);
        if (screen.field_text(field).empty()) {
            return;
        }
        screen.texts[field] = "";
        on_field_edited(state, screen, field);
    }

    // The user takes the focus out of the field (a click elsewhere).
    void leave_field(int field) {
        if (screen.focus != field) {
            return;
        }
        screen.focus = 0;
        on_field_left(state, screen, field);
    }

    void double_click_starting_box() { on_starting_box_double_clicked(state, screen); }

    // The user puts the focus on a control; a field losing it reports that.
    void focus_control(int id) {
        if (screen.focus == id) {
            return;
        }
        const int previous = screen.focus;
        on_field_left(state, screen, previous);
        screen.focus = id;
    }

    // --- What the state holds
    std::vector<int> selected() const {
        std::vector<int> indices;
        for (const SelectionNode* node = state.selection; node != nullptr; node = node->next) {
            indices.push_back(node->index);
        }
        return indices;
    }
    int head() const { return state.selection == nullptr ? -1 : state.selection->index; }
    const PaletteEntry& entry(int index) const { return state.palette.at(index); }
};

}  // namespace tavrin::testing
