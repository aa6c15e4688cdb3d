// Blend, Copy and Paste as the user gives them: what each command repaints,
// which menu items it changes, and what it leaves alone.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "tests/support/temp_files.h"
#include "tests/support/test_editor.h"
#include "ui/painting.h"

namespace tavrin {
namespace {

using testing::TestEditor;

// Selects the indices so that the first one given ends at the head, and
// enables Blend and Copy as a selection by the user does.
void select(TestEditor& editor, std::initializer_list<int> head_first) {
    std::vector<int> order(head_first);
    selection_clear(editor.state.selection);
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        selection_push(editor.state.selection, *it);
    }
    set_menu_state(editor.state, editor.screen, ids::blend, true);
    set_menu_state(editor.state, editor.screen, ids::copy, true);
}

// File > Load CLUT... of a raw file whose 256 colours all differ; the upper
// half carries bit 15.
void load_known_clut(TestEditor& editor) {
    testing::TempDir dir;
    std::vector<std::uint16_t> words;
    for (int i = 0; i < palette_size; ++i) {
        words.push_back(static_cast<std::uint16_t>(i * 257 + 11));
    }
    editor.load_clut(dir.write("known.clu", testing::words_to_bytes(words)));
    ASSERT_EQ(editor.state.palette_loaded, 1);
    ASSERT_EQ(editor.state.color_count, palette_size);
}

PaletteEntry rgb(int red, int green, int blue) {
    PaletteEntry entry;
    entry.red = static_cast<std::uint8_t>(red);
    entry.green = static_cast<std::uint8_t>(green);
    entry.blue = static_cast<std::uint8_t>(blue);
    return entry;
}

TEST(BlendCommand, RepaintsAndFramesOnlyTheCellsItWrote) {
    TestEditor editor;
    load_known_clut(editor);
    editor.state.palette[40] = rgb(255, 0, 0);
    editor.state.palette[10] = rgb(0, 0, 255);
    select(editor, {40, 30, 20, 10});
    const PaletteEntry focused = editor.state.focused_entry;
    editor.screen.calls.clear();

    editor.command(ids::blend);
    // The head is written with its own colour; the tail is neither written
    // nor repainted; the panel and the menu are not touched.
    EXPECT_EQ(editor.screen.calls, (std::vector<std::string>{"fill 40", "frame 40", "fill 30",
                                                             "frame 30", "fill 20", "frame 20"}));
    EXPECT_EQ(color_of(editor.state.palette[30]), (Rgb{170, 0, 85}));
    EXPECT_EQ(color_of(editor.state.palette[20]), (Rgb{85, 0, 170}));
    EXPECT_TRUE(editor.screen.cell_is_framed(30, Rgb{170, 0, 85}));
    EXPECT_TRUE(editor.screen.cell_is_framed(40, Rgb{255, 0, 0}));
    EXPECT_EQ(editor.state.focused_entry, focused);
}

TEST(BlendCommand, NothingBeforeALoadOrWithoutASelection) {
    TestEditor editor;
    // Even with the item enabled, an unloaded palette is not blended.
    selection_push(editor.state.selection, 0);
    selection_push(editor.state.selection, 5);
    selection_push(editor.state.selection, 9);
    editor.state.palette[9] = rgb(90, 90, 90);
    set_menu_state(editor.state, editor.screen, ids::blend, true);
    const auto before = editor.state.palette;
    editor.screen.calls.clear();
    editor.command(ids::blend);
    EXPECT_EQ(editor.state.palette, before);
    EXPECT_TRUE(editor.screen.calls.empty());

    // Loaded, but the load emptied the selection while Blend stayed enabled.
    load_known_clut(editor);
    ASSERT_TRUE(command_enabled(editor.state, ids::blend));
    const auto loaded = editor.state.palette;
    editor.screen.calls.clear();
    editor.command(ids::blend);
    EXPECT_EQ(editor.state.palette, loaded);
    EXPECT_TRUE(editor.screen.calls.empty());
}

TEST(CopyPasteCommands, CopyEnablesPasteAndPasteRepaintsTheGrid) {
    TestEditor editor;
    load_known_clut(editor);
    const auto original = editor.state.palette;
    select(editor, {3, 2, 1});
    EXPECT_FALSE(editor.screen.menu_enabled(ids::paste));
    editor.screen.calls.clear();

    editor.command(ids::copy);
    // Copy changes no entry and paints nothing.
    EXPECT_EQ(editor.screen.calls, (std::vector<std::string>{"menu 213 on"}));
    EXPECT_TRUE(command_enabled(editor.state, ids::paste));
    EXPECT_EQ(editor.state.clipboard_count, 3);

    select(editor, {100, 101});
    const PaletteEntry focused = editor.state.focused_entry;
    const PaletteEntry starting = editor.state.starting_entry;
    editor.screen.calls.clear();
    editor.command(ids::paste);
    EXPECT_EQ(editor.state.palette[100], original[3]);
    EXPECT_EQ(editor.state.palette[101], original[2]);

    // Every cell repainted, then the selection framed; nothing of the panel.
    ASSERT_GE(editor.screen.calls.size(), 2u);
    const std::vector<std::string> tail(editor.screen.calls.end() - 2, editor.screen.calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"frame 100", "frame 101"}));
    int fills = 0;
    for (const std::string& call : editor.screen.calls) {
        fills += call.rfind("fill ", 0) == 0 ? 1 : 0;
        EXPECT_TRUE(call.rfind("fill ", 0) == 0 || call.rfind("frame ", 0) == 0 ||
                    call.rfind("enable 9", 0) == 0)
            << call;
    }
    EXPECT_EQ(fills, palette_size);
    EXPECT_TRUE(editor.screen.cell_is_framed(100, color_of(original[3])));
    EXPECT_EQ(editor.state.focused_entry, focused);
    EXPECT_EQ(editor.state.starting_entry, starting);
}

TEST(CopyPasteCommands, CopyWithNothingSelectedKeepsBufferAndMenu) {
    TestEditor editor;
    load_known_clut(editor);
    set_menu_state(editor.state, editor.screen, ids::copy, true);
    editor.screen.calls.clear();
    editor.command(ids::copy);
    EXPECT_TRUE(editor.screen.calls.empty());
    EXPECT_EQ(editor.state.clipboard_count, 0);
    EXPECT_FALSE(command_enabled(editor.state, ids::paste));

    select(editor, {8});
    editor.command(ids::copy);
    selection_clear(editor.state.selection);
    editor.command(ids::copy);
    EXPECT_EQ(editor.state.clipboard_count, 1);
    EXPECT_EQ(editor.state.color_clipboard[0], editor.state.palette[8]);

    // Paste over nothing selected repaints nothing.
    editor.screen.calls.clear();
    editor.command(ids::paste);
    EXPECT_TRUE(editor.screen.calls.empty());
}

TEST(HelpCommands, AboutOpensTheBoxAndChangesNothingElse) {
    TestEditor editor;
    editor.command(ids::about);
    EXPECT_EQ(editor.screen.about_boxes, 1);
    EXPECT_TRUE(editor.screen.calls.empty());
    EXPECT_TRUE(editor.screen.errors.empty());
}

}  // namespace
}  // namespace tavrin
