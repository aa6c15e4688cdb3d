// An editor on the fake screen, with the steps a user takes as methods, so
// scenario tests read like what the user does.
#pragma once

#include <optional>
#include <string>

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
};

}  // namespace tavrin::testing
