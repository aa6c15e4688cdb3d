// Selecting cells with clicks and arrow keys, as a user does it, and what the
// grid, the panel, the focus and the Edit menu show afterwards.
#include <gtest/gtest.h>

#include "tests/support/panel_checks.h"

namespace tavrin {
namespace {

using testing::distinct_words;
using testing::expect_grid_shows_selection;
using testing::expect_panel_enabled;
using testing::expect_panel_shows;
using testing::expect_selection_shown;
using testing::fake_scrollbar_color;
using testing::load_clut_file;
using testing::TempDir;
using testing::TestEditor;
using List = std::vector<int>;

struct Loaded : ::testing::Test {
    TempDir dir;
    TestEditor editor;
    void SetUp() override { load_clut_file(editor, dir, distinct_words()); }
};

TEST(SelectionBeforeLoad, ClicksAndArrowsDoNothing) {
    TestEditor editor;
    editor.click(5);
    editor.ctrl_click(6);
    editor.shift_click(7);
    editor.screen.focus = ids::first_swatch;  // Tab reaches the grid before any load
    editor.arrow(ArrowKey::right);
    editor.arrow(ArrowKey::down, true);
    EXPECT_TRUE(editor.selected().empty());
    EXPECT_TRUE(editor.screen.calls.empty());
    EXPECT_FALSE(editor.screen.menu_enabled(ids::blend));
}

TEST_F(Loaded, PlainClickSelectsTheCellAlone) {
    editor.click(17);
    EXPECT_EQ(editor.selected(), List{17});
    expect_selection_shown(editor);
    EXPECT_EQ(editor.screen.box(ids::starting_box), color_of(editor.entry(17)));
    EXPECT_FALSE(editor.screen.menu_enabled(ids::paste));  // only Copy enables it

    editor.ctrl_click(40);
    editor.ctrl_click(41);
    editor.click(40);
    EXPECT_EQ(editor.selected(), List{40});
    expect_selection_shown(editor);  // 17 and 41 lost their frames
}

TEST_F(Loaded, PlainClickOnTheOnlySelectedCellMakesItsColorTheStartingColor) {
    editor.click(9);
    editor.move_slider(ids::slider_green, 255);
    const Rgb edited = color_of(editor.entry(9));
    EXPECT_NE(editor.screen.box(ids::starting_box), edited);
    editor.click(9);
    EXPECT_EQ(editor.selected(), List{9});
    EXPECT_EQ(editor.screen.box(ids::starting_box), edited);
    EXPECT_EQ(editor.state.starting_entry, editor.entry(9));
    expect_selection_shown(editor);
}

TEST_F(Loaded, CtrlClickTogglesOneCellAndLeavesTheOthersFramed) {
    editor.ctrl_click(5);
    editor.ctrl_click(200);
    EXPECT_EQ(editor.selected(), (List{200, 5}));
    expect_selection_shown(editor);

    editor.ctrl_click(77);
    editor.ctrl_click(200);  // removes a cell that is not the head
    EXPECT_EQ(editor.selected(), (List{77, 5}));
    expect_selection_shown(editor);

    editor.ctrl_click(77);  // removing the head makes the next one the head
    EXPECT_EQ(editor.selected(), List{5});
    expect_selection_shown(editor);

    // Ctrl+Shift acts as Ctrl: no run is added.
    editor.click(20, Modifiers{.ctrl = true, .shift = true});
    EXPECT_EQ(editor.selected(), (List{20, 5}));
    editor.click(5, Modifiers{.ctrl = true, .shift = true});
    EXPECT_EQ(editor.selected(), List{20});
    expect_selection_shown(editor);
}

TEST_F(Loaded, RemovingTheLastCellBlanksAndDisablesThePanel) {
    editor.click(30);
    editor.move_slider(ids::slider_blue, 40);
    set_menu_state(editor.state, editor.screen, ids::paste, true);  // as after a Copy
    const PaletteEntry focused = editor.state.focused_entry;
    const PaletteEntry starting = editor.state.starting_entry;
    const PaletteEntry entry = editor.entry(30);

    editor.ctrl_click(30);
    EXPECT_TRUE(editor.selected().empty());
    EXPECT_EQ(editor.screen.box(ids::current_box), fake_scrollbar_color);
    EXPECT_EQ(editor.screen.box(ids::starting_box), fake_scrollbar_color);
    for (int slider : ids::sliders) {
        EXPECT_EQ(editor.screen.slider_position(slider), 0);
    }
    for (int field : ids::decimal_fields) {
        EXPECT_EQ(editor.screen.field_text(field), "0");
    }
    EXPECT_EQ(editor.screen.field_text(ids::field_hex), "0000");
    expect_panel_enabled(editor, false);
    EXPECT_FALSE(editor.screen.menu_enabled(ids::blend));
    EXPECT_FALSE(editor.screen.menu_enabled(ids::copy));
    EXPECT_FALSE(editor.screen.menu_enabled(ids::paste));
    EXPECT_FALSE(command_enabled(editor.state, ids::paste));
    EXPECT_EQ(editor.state.focused_entry, focused);
    EXPECT_EQ(editor.state.starting_entry, starting);
    EXPECT_EQ(editor.entry(30), entry);
    EXPECT_TRUE(editor.screen.cell_is_plain(30, color_of(entry)));
    EXPECT_EQ(editor.screen.focus, ids::slider_blue);  // the empty form moves no focus

    // Selecting again enables Blend and Copy, not Paste.
    editor.click(31);
    expect_selection_shown(editor);
    EXPECT_FALSE(editor.screen.menu_enabled(ids::paste));
}

TEST_F(Loaded, ShiftClickAddsTheRunFromTheHead) {
    // With nothing selected it acts as a plain click.
    editor.shift_click(7);
    EXPECT_EQ(editor.selected(), List{7});
    expect_selection_shown(editor);

    // Ascending run wraps over rows; newest first means descending from the head.
    editor.click(5);
    editor.shift_click(40);
    List expected;
    for (int k = 40; k >= 5; --k) {
        expected.push_back(k);
    }
    EXPECT_EQ(editor.selected(), expected);
    expect_selection_shown(editor);

    // Descending run skips cells already selected and does not move them.
    editor.click(38);
    editor.ctrl_click(40);
    editor.shift_click(36);
    EXPECT_EQ(editor.selected(), (List{36, 37, 39, 40, 38}));
    expect_selection_shown(editor);

    // Onto a selected cell: the head is the last cell added, not the one clicked.
    editor.click(10);
    editor.ctrl_click(14);
    editor.shift_click(10);
    EXPECT_EQ(editor.selected(), (List{11, 12, 13, 14, 10}));
    EXPECT_EQ(editor.head(), 11);
    expect_selection_shown(editor);

    // Onto the head: nothing is added, the panel is refreshed.
    editor.shift_click(11);
    EXPECT_EQ(editor.selected(), (List{11, 12, 13, 14, 10}));
    expect_selection_shown(editor);
}

TEST(SelectionShortClut, CellsBeyondTheCountGiveNoClicks) {
    TempDir dir;
    TestEditor editor;
    load_clut_file(editor, dir, distinct_words(16));
    editor.click(3);
    editor.click(16);
    editor.ctrl_click(200);
    editor.shift_click(20);
    EXPECT_EQ(editor.selected(), List{3});
    expect_selection_shown(editor);
}

TEST_F(Loaded, ArrowsMoveTheHeadAndStopAtTheGridsEdges) {
    // With nothing selected any arrow selects cell 0, Shift or not.
    editor.arrow(ArrowKey::down, true);
    EXPECT_EQ(editor.selected(), List{0});
    expect_selection_shown(editor);

    // One step per key press, auto-repeat included.
    for (int i = 0; i < 3; ++i) {
        editor.arrow(ArrowKey::right);
    }
    EXPECT_EQ(editor.selected(), List{3});
    editor.arrow(ArrowKey::down, false, true);  // Ctrl is not consulted
    EXPECT_EQ(editor.selected(), List{19});
    expect_selection_shown(editor);

    struct Edge {
        int from;
        ArrowKey key;
    };
    for (const Edge& edge :
         {Edge{15, ArrowKey::right}, Edge{16, ArrowKey::left}, Edge{3, ArrowKey::up},
          Edge{250, ArrowKey::down}, Edge{0, ArrowKey::left}, Edge{255, ArrowKey::right}}) {
        // Without Shift the selection shrinks to the head, which stays put.
        editor.click(edge.from);
        editor.ctrl_click(100);
        editor.ctrl_click(edge.from);
        editor.ctrl_click(edge.from);  // the head again, with 100 as the anchor
        editor.arrow(edge.key);
        EXPECT_EQ(editor.selected(), List{edge.from}) << edge.from;
        expect_selection_shown(editor);

        // With Shift it becomes the rectangle from the anchor to the head.
        editor.click(edge.from);
        editor.arrow(edge.key, true);
        EXPECT_EQ(editor.selected(), List{edge.from}) << edge.from;
    }
}

TEST_F(Loaded, ShiftArrowsSpanARectangleFromTheAnchor) {
    editor.click(17);
    editor.arrow(ArrowKey::right, true);
    editor.arrow(ArrowKey::right, true);
    editor.arrow(ArrowKey::down, true);
    // Pushed column by column from the anchor: 17, 33, 18, 34, 19, 35.
    EXPECT_EQ(editor.selected(), (List{35, 19, 34, 18, 33, 17}));
    EXPECT_EQ(selection_tail(editor.state.selection)->index, 17);
    expect_selection_shown(editor);
    EXPECT_EQ(editor.screen.focus, ids::first_swatch + 35);

    // Back up and left: the rectangle shrinks towards the anchor and then
    // flips to the other side of it.
    editor.arrow(ArrowKey::up, true);
    editor.arrow(ArrowKey::left, true);
    EXPECT_EQ(editor.selected(), (List{18, 17}));
    editor.arrow(ArrowKey::left, true);
    editor.arrow(ArrowKey::left, true);
    editor.arrow(ArrowKey::up, true);
    EXPECT_EQ(editor.selected(), (List{0, 16, 1, 17}));
    expect_selection_shown(editor);
}

TEST_F(Loaded, ShiftArrowDropsCtrlClickedCellsAndKeepsTheOldestAsAnchor) {
    editor.ctrl_click(5);
    editor.ctrl_click(200);
    editor.ctrl_click(90);
    editor.ctrl_click(90);  // toggled off again
    editor.arrow(ArrowKey::left, true);
    List expected;
    for (int column = 5; column <= 7; ++column) {
        for (int row = 0; row <= 12; ++row) {
            expected.insert(expected.begin(), 16 * row + column);
        }
    }
    EXPECT_EQ(editor.selected().size(), 39u);
    EXPECT_EQ(editor.selected(), expected);
    EXPECT_EQ(editor.head(), 199);
    EXPECT_FALSE(selection_contains(editor.state.selection, 200));
    expect_selection_shown(editor);
}

TEST(SelectionShortClut, ArrowsReachCellsBeyondTheCount) {
    TempDir dir;
    TestEditor editor;
    load_clut_file(editor, dir, distinct_words(16));
    editor.click(15);
    editor.arrow(ArrowKey::down);
    EXPECT_EQ(editor.selected(), List{31});
    // The entry beyond the count is all zero: the cell shows it framed, black.
    EXPECT_EQ(editor.entry(31), PaletteEntry{});
    expect_selection_shown(editor);
    EXPECT_FALSE(editor.screen.enabled(ids::first_swatch + 31));

    editor.arrow(ArrowKey::up, true);
    EXPECT_EQ(editor.selected(), (List{15, 31}));
    expect_selection_shown(editor);
}

}  // namespace
}  // namespace tavrin
