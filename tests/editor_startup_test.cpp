// Start-up state, the menu gate and leaving the program.
#include <gtest/gtest.h>

#include "tests/support/test_editor.h"

namespace tavrin {
namespace {

using testing::FakeWindowLayer;
using testing::TestEditor;

TEST(StartUp, MenuStartsAsTheTemplateHasIt) {
    TestEditor editor;
    for (int id = ids::first_command; id <= ids::last_command; ++id) {
        const bool expected = id == 200 || id == 202 || id == 203 || id == 209 || id == 225 ||
                              id == 226 || id == ids::extract_tim || id == ids::texture_preview ||
                              id == ids::find_clut || id == ids::open_in_disc ||
                              id == ids::show_transparency || id == ids::keep_black_opaque ||
                              id == ids::simulate_vision;
        EXPECT_EQ(editor.screen.menu_enabled(id), expected) << "item " << id;
        EXPECT_EQ(command_enabled(editor.state, id), expected) << "item " << id;
    }
}

TEST(StartUp, ConfiguresThePanelButWritesAndEnablesNoneOfIt) {
    EditorState state;
    FakeWindowLayer screen;
    start_editor(state, screen, screen.program_folder);
    for (int slider : ids::sliders) {
        EXPECT_EQ(screen.slider_configs.at(slider), (std::array<int, 3>{0, 255, 8}));
    }
    EXPECT_EQ(screen.text_limits.at(ids::field_hex), 4);
    // Nothing is selected yet: the panel keeps the window's own zeroes, and
    // every control start-up touches is turned off, never on.
    for (const std::string& call : screen.calls) {
        EXPECT_NE(call.rfind("text ", 0), 0u) << call;
        EXPECT_NE(call.rfind("slider ", 0), 0u) << call;
        EXPECT_NE(call.rfind("box ", 0), 0u) << call;
        if (call.rfind("enable ", 0) == 0) {
            EXPECT_TRUE(call.ends_with(" off")) << call;
        }
    }
    EXPECT_EQ(state.selection, nullptr);
    EXPECT_EQ(state.palette_loaded, 0);
    EXPECT_EQ(state.program_dir, screen.program_folder);
}

TEST(CommandGate, EditingKeysDoNothingBeforeACLUTIsLoaded) {
    TestEditor editor;
    // F1..F12, Ctrl+F1..F4 (the zone items), Ctrl+B, Ctrl+C, Ctrl+V, and the
    // writing commands.
    std::vector<int> gated(ids::zone_items.begin(), ids::zone_items.end());
    for (int id :
         {ids::blend, ids::copy, ids::paste, ids::save_clut, ids::inject_tex, ids::inject_offset}) {
        gated.push_back(id);
    }
    for (int id : gated) {
        editor.command(id);
    }
    EXPECT_TRUE(editor.screen.calls.empty());
    EXPECT_TRUE(editor.screen.open_requests.empty());
    EXPECT_TRUE(editor.screen.save_requests.empty());
    EXPECT_EQ(editor.state.selection, nullptr);
    EXPECT_EQ(editor.state.clipboard_count, 0);

    // Ids outside the menu are ignored too, among them the dialog manager's 1 and 2.
    for (int id : {0, 1, 2, 199, 228, 9000}) {
        editor.command(id);
    }
    EXPECT_TRUE(editor.screen.calls.empty());
}

TEST(CommandGate, MenuStateDecidesWhetherACommandRuns) {
    TestEditor editor;
    set_menu_state(editor.state, editor.screen, ids::exit, false);
    EXPECT_FALSE(editor.screen.menu_enabled(ids::exit));
    editor.command(ids::exit);
    EXPECT_EQ(editor.screen.quit_requests, 0);
    set_menu_state(editor.state, editor.screen, ids::exit, true);
    editor.command(ids::exit);
    EXPECT_EQ(editor.screen.quit_requests, 1);
}

TEST(Leaving, ExitQuitsAndClosingReleasesTheCopyBuffer) {
    TestEditor editor;
    editor.command(ids::exit);
    EXPECT_EQ(editor.screen.quit_requests, 1);

    editor.state.color_clipboard = std::make_unique<PaletteEntry[]>(3);
    editor.state.clipboard_count = 3;
    close_editor(editor.state);
    EXPECT_EQ(editor.state.color_clipboard, nullptr);
    EXPECT_EQ(editor.state.clipboard_count, 0);
}

}  // namespace
}  // namespace tavrin
