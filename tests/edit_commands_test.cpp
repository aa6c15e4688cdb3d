// Blend, Copy and Paste as the user gives them: what each command repaints,
// which menu items it changes, and what it leaves alone.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "tests/support/entries.h"
#include "tests/support/panel_checks.h"
#include "tests/support/temp_files.h"
#include "tests/support/test_editor.h"
#include "ui/painting.h"

namespace tavrin {
namespace {

using testing::distinct_words;
using testing::load_clut_file;
using testing::TestEditor;

// Selects the indices as the user would, so that the first one given ends at
// the head: a click on the oldest, then Ctrl+clicks towards the head.
void select(TestEditor& editor, std::initializer_list<int> head_first) {
    std::vector<int> order(head_first);
    editor.click(order.back());
    for (auto it = order.rbegin() + 1; it != order.rend(); ++it) {
        editor.ctrl_click(*it);
    }
    ASSERT_EQ(editor.selected(), order);
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

using testing::entry_of;

// The calls a command made, less those naming the step in Undo and Redo.
std::vector<std::string> without_history_items(std::vector<std::string> calls) {
    std::erase_if(calls, [](const std::string& call) {
        return call.starts_with("menu 228") || call.starts_with("menu 229") ||
               call.starts_with("menu text 228") || call.starts_with("menu text 229");
    });
    return calls;
}

TEST(BlendCommand, RepaintsAndFramesOnlyTheCellsItWrote) {
    TestEditor editor;
    load_known_clut(editor);
    editor.state.palette[40] = entry_of(255, 0, 0);
    editor.state.palette[10] = entry_of(0, 0, 255);
    select(editor, {40, 30, 20, 10});
    const PaletteEntry focused = editor.state.focused_entry;
    editor.screen.calls.clear();

    editor.command(ids::blend);
    // The head is written with its own colour; the tail is neither written
    // nor repainted; the panel and the menu are not touched.
    EXPECT_EQ(without_history_items(editor.screen.calls),
              (std::vector<std::string>{"fill 40", "frame 40", "fill 30", "frame 30", "fill 20",
                                        "frame 20"}));
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
    editor.state.palette[9] = entry_of(90, 90, 90);
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
    editor.screen.calls = without_history_items(editor.screen.calls);
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

TEST(CopyPasteCommands, AfterALoadEmptiedTheSelectionCopyAndPasteDoNothing) {
    TestEditor editor;
    load_known_clut(editor);
    select(editor, {8});
    editor.command(ids::copy);
    const PaletteEntry copied = editor.state.palette[8];

    // The load empties the selection and leaves Copy and Paste enabled.
    load_known_clut(editor);
    ASSERT_TRUE(command_enabled(editor.state, ids::copy));
    ASSERT_TRUE(command_enabled(editor.state, ids::paste));
    const auto loaded = editor.state.palette;
    editor.screen.calls.clear();
    editor.command(ids::copy);
    editor.command(ids::paste);
    EXPECT_TRUE(editor.screen.calls.empty());
    EXPECT_EQ(editor.state.palette, loaded);
    EXPECT_EQ(editor.state.clipboard_count, 1);
    EXPECT_EQ(editor.state.color_clipboard[0], copied);
}

TEST(CopyPasteScenarios, PasteStaysGrayedAfterTheSelectionWasEmptiedUntilTheNextCopy) {
    TestEditor editor;
    testing::TempDir dir;
    load_clut_file(editor, dir, distinct_words());
    editor.click(5);
    editor.command(ids::copy);
    ASSERT_TRUE(editor.screen.menu_enabled(ids::paste));

    editor.ctrl_click(5);
    EXPECT_FALSE(editor.screen.menu_enabled(ids::paste));
    editor.click(9);
    EXPECT_FALSE(editor.screen.menu_enabled(ids::paste));
    const PaletteEntry before = editor.entry(9);
    editor.command(ids::paste);  // Ctrl+V on a grayed item
    EXPECT_EQ(editor.entry(9), before);

    editor.command(ids::copy);
    EXPECT_TRUE(editor.screen.menu_enabled(ids::paste));
}

TEST(CopyPasteScenarios, CopySurvivesLoadingAnotherClut) {
    testing::TempDir dir;
    // The first CLUT's colour 5 carries bit 15; the second CLUT has none.
    const std::string first = dir.write(
        "first.clu",
        testing::words_to_bytes({0x0001, 0x0002, 0x0003, 0x0004, 0x0005, 0x83E0, 0x0007}));
    const std::string second = dir.write("second.clu", testing::words_to_bytes(distinct_words(32)));
    TestEditor editor;
    editor.load_clut(first);
    editor.click(5);
    editor.command(ids::copy);

    editor.load_clut(second);
    ASSERT_EQ(editor.state.color_count, 32);
    EXPECT_TRUE(editor.screen.menu_enabled(ids::paste));
    editor.click(20);
    editor.command(ids::paste);
    EXPECT_EQ(editor.entry(20), decode_bgr555(0x83E0));
    EXPECT_TRUE(editor.screen.cell_is_framed(20, Rgb{0, 255, 0}));
}

TEST(CopyPasteScenarios, NextSliderStepIsMeasuredAgainstThePastedHead) {
    TestEditor editor;
    std::vector<std::uint16_t> words = distinct_words();
    words[1] = 0x0014;   // A: red 164
    words[2] = 0x0005;   // B: red 41
    words[10] = 0x000C;  // X: red 98
    words[11] = 0x001F;  // Y: red 255
    testing::TempDir dir;
    load_clut_file(editor, dir, words);
    select(editor, {1, 2});
    editor.command(ids::copy);
    select(editor, {10, 11});
    const PaletteEntry x_before = editor.entry(10);
    editor.command(ids::paste);
    EXPECT_EQ(editor.entry(10).red, 164);
    EXPECT_EQ(editor.entry(11).red, 41);
    // The panel still shows X as it was before the paste.
    EXPECT_EQ(editor.screen.slider_position(ids::slider_red), 98);
    EXPECT_EQ(editor.screen.field_text(ids::field_red), "98");

    // One step right: the head takes 99 (stored as 98), Y moves by 99 - 164.
    editor.move_slider(ids::slider_red, 99);
    EXPECT_EQ(editor.entry(10).red, 98);
    EXPECT_EQ(editor.entry(11).red, (41 + 99 - 164 + 256) % 256);

    // The starting colour is the head's colour from before the paste.
    editor.double_click_starting_box();
    EXPECT_EQ(color_of(editor.entry(10)), color_of(x_before));
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
