// The colour panel as a user works it: the refresh after a selection change,
// the sliders, the decimal and hex fields and the restore of the starting
// colour, checked on the palette and on what the screen shows.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/panel_checks.h"

namespace tavrin {
namespace {

using testing::distinct_words;
using testing::expect_grid_shows_selection;
using testing::expect_panel_shows;
using testing::expect_selection_shown;
using testing::load_clut_file;
using testing::rgb;
using testing::TempDir;
using testing::TestEditor;

// Entries worth naming: 0 black, 1 red 41, 2 red 98, 3 white with the high
// bit, 4 black with the high bit, 5 = 0x1234 (164, 139, 32); the rest differ.
std::vector<std::uint16_t> panel_words() {
    std::vector<std::uint16_t> words = distinct_words();
    words[0] = 0x0000;
    words[1] = 0x0005;
    words[2] = 0x000C;
    words[3] = 0xFFFF;
    words[4] = 0x8000;
    words[5] = 0x1234;
    return words;
}

struct Panel : ::testing::Test {
    TempDir dir;
    TestEditor editor;
    void SetUp() override { load_clut_file(editor, dir, panel_words()); }

    Rgb color(int index) const { return color_of(editor.entry(index)); }

    // Gives entry index the red value by typing it into the emptied field.
    void type_red(int index, const char* red) {
        editor.click(index);
        editor.clear_field(ids::field_red);
        editor.type(ids::field_red, red);
    }
};

std::vector<std::string> calls_from(const std::vector<std::string>& calls, std::size_t first) {
    return {calls.begin() + static_cast<std::ptrdiff_t>(first), calls.end()};
}

TEST_F(Panel, RefreshLoadsTheHeadSnappedAndKeepsTheUnsnappedStartingColor) {
    type_red(50, "100");
    ASSERT_EQ(editor.entry(50).red, 100);
    const PaletteEntry before = editor.entry(50);
    const std::string hex = hex_text(encode_bgr555(before));

    editor.click(60);
    editor.click(50);
    EXPECT_EQ(editor.entry(50).red, 98);
    EXPECT_EQ(editor.entry(50).green, before.green);
    EXPECT_EQ(editor.entry(50).raw, encode_bgr555(before));
    EXPECT_EQ(hex_text(encode_bgr555(editor.entry(50))), hex);
    EXPECT_EQ(editor.state.starting_entry, before);
    EXPECT_EQ(editor.screen.box(ids::starting_box), color_of(before));
    EXPECT_EQ(editor.screen.field_text(ids::field_red), "98");
    EXPECT_EQ(editor.screen.slider_position(ids::slider_red), 98);
    expect_selection_shown(editor);
}

TEST_F(Panel, TheFirstClickEnablesThePanelOnTheCellAndItsMenuItems) {
    // Loaded with nothing selected: the fields are off, and so are Blend and Copy.
    for (int id : {ids::field_hex, ids::field_red, ids::field_green, ids::field_blue}) {
        EXPECT_FALSE(editor.screen.enabled(id)) << id;
    }
    EXPECT_FALSE(editor.screen.menu_enabled(ids::blend));
    EXPECT_FALSE(editor.screen.menu_enabled(ids::copy));

    editor.click(5);
    expect_selection_shown(editor);
    expect_panel_shows(editor, rgb(164, 139, 32), "1234");
    EXPECT_EQ(editor.screen.box(ids::starting_box), rgb(164, 139, 32));
}

TEST_F(Panel, HexWordShowsTheHighBit) {
    editor.click(3);
    expect_panel_shows(editor, rgb(255, 255, 255), "FFFF");
    EXPECT_EQ(editor.entry(3).high_bit, 0x8000);
    editor.click(4);
    expect_panel_shows(editor, rgb(0, 0, 0), "8000");
    expect_selection_shown(editor);
}

TEST_F(Panel, AFieldHoldingTheFocusEndsShowingTheNewHeadWithoutChangingColors) {
    type_red(10, "300");  // applies 3 and 30; "300" stands unapplied
    ASSERT_EQ(editor.screen.field_text(ids::field_red), "300");
    ASSERT_EQ(editor.screen.focus, ids::field_red);
    const auto palette = editor.state.palette;

    editor.click(20);
    EXPECT_EQ(editor.state.palette, palette);
    EXPECT_EQ(editor.screen.focus, ids::first_swatch + 20);
    expect_selection_shown(editor);

    editor.clear_field(ids::field_hex);
    editor.type(ids::field_hex, "7C");
    const auto typed = editor.state.palette;
    const std::size_t first = editor.screen.calls.size();
    editor.ctrl_click(30);
    EXPECT_EQ(editor.state.palette, typed);
    expect_selection_shown(editor);
    // The field is left, and rewritten, after the panel is enabled and before
    // the focus lands on the cell.
    const auto calls = calls_from(editor.screen.calls, first);
    const auto enabled = std::find(calls.begin(), calls.end(), "enable 302 on");
    const auto focus = std::find(enabled, calls.end(), "focus 9030");
    ASSERT_NE(focus, calls.end());
    EXPECT_NE(std::find(enabled, focus, "text 311 " + hex_text(encode_bgr555(editor.entry(30)))),
              focus);
}

TEST_F(Panel, SliderMovesTheHeadToItsTableValueAndTheOthersByTheDifference) {
    // One entry: position 100 leaves 98, the table value of 100 >> 3.
    editor.click(0);
    editor.move_slider(ids::slider_red, 100);
    EXPECT_EQ(editor.entry(0).red, 98);
    expect_panel_shows(editor, rgb(98, 0, 0), "000C");
    EXPECT_TRUE(editor.screen.cell_is_framed(0, rgb(98, 0, 0)));

    // Head at 98, another entry at 80: the other moves by 100 - 98.
    type_red(1, "80");
    editor.ctrl_click(2);
    editor.move_slider(ids::slider_red, 100);
    EXPECT_EQ(editor.entry(2).red, 98);
    EXPECT_EQ(editor.entry(1).red, 82);
    expect_panel_shows(editor, rgb(98, 0, 0), "000C");
    expect_grid_shows_selection(editor);

    // A step that keeps the head's top five bits leaves the head alone but
    // still moves the others.
    editor.move_slider(ids::slider_red, 99);
    EXPECT_EQ(editor.entry(2).red, 98);
    EXPECT_EQ(editor.entry(1).red, 83);

    // Wrap-around, no clamping: 200 + 157 is 101.
    type_red(1, "200");
    editor.ctrl_click(2);
    editor.move_slider(ids::slider_red, 255);
    EXPECT_EQ(editor.entry(2).red, 255);
    EXPECT_EQ(editor.entry(1).red, 101);
    expect_panel_shows(editor, rgb(255, 0, 0), "001F");
    // And downwards: 101 - 255 is 102.
    editor.move_slider(ids::slider_red, 0);
    EXPECT_EQ(editor.entry(2).red, 0);
    EXPECT_EQ(editor.entry(1).red, 102);
    expect_grid_shows_selection(editor);
}

TEST_F(Panel, EachSliderMovesOnlyItsOwnChannel) {
    editor.click(6);
    editor.ctrl_click(5);  // head 164, 139, 32
    const PaletteEntry other = editor.entry(6);
    editor.move_slider(ids::slider_green, 150);               // +11
    EXPECT_EQ(color_of(editor.entry(5)), rgb(164, 148, 32));  // 150 snaps to 148
    EXPECT_EQ(editor.entry(6).green, static_cast<std::uint8_t>(other.green + 11));
    EXPECT_EQ(editor.entry(6).red, other.red);
    EXPECT_EQ(editor.entry(6).blue, other.blue);
    editor.move_slider(ids::slider_blue, 64);
    EXPECT_EQ(color_of(editor.entry(5)), rgb(164, 148, 65));
    EXPECT_EQ(editor.entry(6).blue, static_cast<std::uint8_t>(other.blue + 32));
    EXPECT_EQ(editor.entry(6).raw, other.raw);
    EXPECT_EQ(editor.entry(6).high_bit, other.high_bit);
    expect_grid_shows_selection(editor);
}

TEST_F(Panel, DecimalFieldAppliesEveryKeystrokeAndCorrectsItsTextWhenLeft) {
    editor.click(1);       // red 41
    editor.ctrl_click(0);  // the black head
    editor.clear_field(ids::field_red);
    EXPECT_EQ(editor.entry(0).red, 0);
    EXPECT_EQ(editor.entry(1).red, 41);

    editor.type(ids::field_red, "3");
    EXPECT_EQ(editor.entry(0).red, 3);
    EXPECT_EQ(editor.entry(1).red, 44);
    EXPECT_EQ(editor.screen.slider_position(ids::slider_red), 3);
    EXPECT_EQ(editor.screen.box(ids::current_box), rgb(3, 0, 0));
    EXPECT_EQ(editor.state.focused_entry.red, 0);  // the head as it was before the value
    expect_grid_shows_selection(editor);

    editor.type(ids::field_red, "0x0");  // the x is refused; 30 then 300
    EXPECT_EQ(editor.screen.field_text(ids::field_red), "300");
    EXPECT_EQ(editor.entry(0).red, 30);
    EXPECT_EQ(editor.entry(1).red, 71);
    EXPECT_EQ(editor.screen.slider_position(ids::slider_red), 30);
    EXPECT_EQ(editor.screen.field_text(ids::field_hex), "0000");  // not rewritten while typing

    // Leaving writes the head's word (red 30 is "0003"), which snaps the head
    // to 24, then "255", which moves every entry by 255 - 24.
    editor.leave_field(ids::field_red);
    EXPECT_EQ(editor.screen.field_text(ids::field_red), "255");
    EXPECT_EQ(editor.screen.field_text(ids::field_hex), "0003");
    EXPECT_EQ(editor.entry(0).red, 255);
    EXPECT_EQ(editor.entry(1).red, (71 + 231) % 256);
    EXPECT_EQ(editor.screen.slider_position(ids::slider_red), 255);
    EXPECT_EQ(editor.screen.box(ids::current_box), rgb(255, 0, 0));
    expect_grid_shows_selection(editor);
}

TEST_F(Panel, DecimalFieldLeftEmptyOrUnreadableBecomesZero) {
    editor.click(1);       // red 41
    editor.ctrl_click(2);  // head red 98
    editor.clear_field(ids::field_green);
    editor.clear_field(ids::field_red);
    EXPECT_EQ(editor.entry(2).red, 98);
    editor.leave_field(ids::field_red);
    EXPECT_EQ(editor.screen.field_text(ids::field_red), "0");
    EXPECT_EQ(editor.screen.field_text(ids::field_hex), "000C");
    EXPECT_EQ(editor.entry(2).red, 0);
    EXPECT_EQ(editor.entry(1).red, (41 - 98 + 256) % 256);
    // The emptied green field was left when the focus went to red: it shows 0.
    EXPECT_EQ(editor.screen.field_text(ids::field_green), "0");

    // Pasted text that is no number is ignored while it stands.
    editor.screen.texts[ids::field_blue] = "12a";
    on_field_edited(editor.state, editor.screen, ids::field_blue);
    EXPECT_EQ(editor.entry(2).blue, 0);
    EXPECT_EQ(editor.screen.field_text(ids::field_blue), "12a");
    editor.screen.focus = ids::field_blue;
    editor.leave_field(ids::field_blue);
    EXPECT_EQ(editor.screen.field_text(ids::field_blue), "0");

    // 256 and above stand unapplied and become 255 on leaving.
    editor.clear_field(ids::field_blue);
    editor.type(ids::field_blue, "256");
    EXPECT_EQ(editor.entry(2).blue, 25);
    editor.leave_field(ids::field_blue);
    EXPECT_EQ(editor.entry(2).blue, 255);
    EXPECT_EQ(editor.screen.field_text(ids::field_blue), "255");
    expect_grid_shows_selection(editor);
}

TEST_F(Panel, HexFieldSetsTheHeadAloneKeystrokeByKeystroke) {
    editor.click(6);
    editor.ctrl_click(7);
    editor.ctrl_click(5);  // head 164, 139, 32
    const PaletteEntry six = editor.entry(6);
    const PaletteEntry seven = editor.entry(7);

    editor.clear_field(ids::field_hex);  // an empty text changes nothing
    EXPECT_EQ(editor.entry(5), (PaletteEntry{0x1234, 164, 139, 32, 0}));
    EXPECT_EQ(editor.screen.field_text(ids::field_hex), "");

    struct Step {
        char key;
        std::uint16_t word;
        Rgb color;
    };
    for (const Step& step :
         {Step{'7', 0x0007, rgb(57, 0, 0)}, Step{'c', 0x007C, rgb(230, 24, 0)},
          Step{'1', 0x07C1, rgb(8, 246, 8)}, Step{'f', 0x7C1F, rgb(255, 0, 255)}}) {
        editor.type(ids::field_hex, std::string(1, step.key));
        EXPECT_EQ(editor.entry(5).raw, step.word) << step.key;
        EXPECT_EQ(color_of(editor.entry(5)), step.color) << step.key;
        EXPECT_EQ(editor.screen.box(ids::current_box), step.color) << step.key;
        EXPECT_EQ(editor.screen.slider_position(ids::slider_green), step.color.green);
        EXPECT_EQ(editor.screen.field_text(ids::field_red), std::to_string(step.color.red));
        EXPECT_EQ(editor.entry(6), six);
        EXPECT_EQ(editor.entry(7), seven);
        expect_grid_shows_selection(editor);
    }
    EXPECT_EQ(editor.screen.field_text(ids::field_hex), "7C1F");
    editor.type(ids::field_hex, "0");  // a fifth character is refused
    EXPECT_EQ(editor.screen.field_text(ids::field_hex), "7C1F");
    EXPECT_EQ(editor.entry(5).raw, 0x7C1F);

    // A character that is no hex digit ends the number.
    editor.clear_field(ids::field_hex);
    editor.type(ids::field_hex, "1G");
    EXPECT_EQ(editor.screen.field_text(ids::field_hex), "1G");
    EXPECT_EQ(color_of(editor.entry(5)), rgb(8, 0, 0));
    EXPECT_EQ(editor.entry(6), six);
}

TEST_F(Panel, HexFieldKeepsTheEntrysHighBit) {
    // Without the high bit, "8000" gives black and leaving shows "0000".
    editor.click(5);
    editor.clear_field(ids::field_hex);
    editor.type(ids::field_hex, "8000");
    EXPECT_EQ(color_of(editor.entry(5)), rgb(0, 0, 0));
    EXPECT_EQ(editor.entry(5).high_bit, 0);
    EXPECT_EQ(editor.entry(5).raw, 0x8000);
    editor.leave_field(ids::field_hex);
    EXPECT_EQ(editor.screen.field_text(ids::field_hex), "0000");
    expect_panel_shows(editor, rgb(0, 0, 0), "0000");

    // With it, an emptied field left alone comes back from the entry.
    editor.click(3);
    editor.clear_field(ids::field_hex);
    EXPECT_EQ(editor.entry(3), decode_bgr555(0xFFFF));
    editor.leave_field(ids::field_hex);
    expect_panel_shows(editor, rgb(255, 255, 255), "FFFF");
    editor.clear_field(ids::field_hex);
    editor.type(ids::field_hex, "0");
    editor.leave_field(ids::field_hex);
    expect_panel_shows(editor, rgb(0, 0, 0), "8000");
    EXPECT_EQ(editor.entry(3).high_bit, 0x8000);
    expect_grid_shows_selection(editor);
}

TEST_F(Panel, DoubleClickOnTheStartingBoxRestoresTheHeadOnly) {
    editor.click(8);
    editor.shift_click(10);  // head 10, then 9, 8
    const PaletteEntry start = editor.entry(10);
    editor.move_slider(ids::slider_red, 20);
    editor.clear_field(ids::field_blue);
    editor.type(ids::field_blue, "77");
    editor.clear_field(ids::field_hex);
    editor.type(ids::field_hex, "3E0");
    const PaletteEntry eight = editor.entry(8);
    const PaletteEntry nine = editor.entry(9);
    ASSERT_NE(color_of(editor.entry(10)), color_of(start));

    editor.double_click_starting_box();
    EXPECT_EQ(color_of(editor.entry(10)), color_of(start));
    EXPECT_EQ(editor.entry(8), eight);
    EXPECT_EQ(editor.entry(9), nine);
    expect_panel_shows(editor, color_of(start), hex_text(encode_bgr555(start)));
    EXPECT_EQ(editor.screen.box(ids::starting_box), color_of(start));
    EXPECT_EQ(editor.state.focused_entry, editor.entry(10));
    expect_grid_shows_selection(editor);
}

TEST_F(Panel, RestoringAnUnsnappedStartingColorGoesThroughTheHexWord) {
    type_red(12, "100");
    editor.click(12);  // starting red 100, the entry snapped to 98
    editor.move_slider(ids::slider_red, 200);
    editor.double_click_starting_box();
    EXPECT_EQ(editor.entry(12).red, 98);
    EXPECT_EQ(editor.state.starting_entry.red, 100);
    EXPECT_EQ(editor.screen.box(ids::starting_box)->red, 100);
    EXPECT_EQ(editor.screen.slider_position(ids::slider_red), 98);
}

TEST_F(Panel, NothingSelectedMeansNoControlChangesAnEntry) {
    const auto palette = editor.state.palette;
    // After a load the sliders are on while nothing is selected.
    editor.move_slider(ids::slider_red, 100);
    EXPECT_EQ(editor.screen.slider_position(ids::slider_red), 100);  // only the thumb moved
    editor.double_click_starting_box();
    // Notifications a front end might still send for the disabled fields.
    editor.screen.texts[ids::field_red] = "7";
    on_field_edited(editor.state, editor.screen, ids::field_red);
    on_field_left(editor.state, editor.screen, ids::field_red);
    editor.screen.texts[ids::field_hex] = "7C1F";
    on_field_edited(editor.state, editor.screen, ids::field_hex);
    on_field_left(editor.state, editor.screen, ids::field_hex);
    EXPECT_EQ(editor.state.palette, palette);
    EXPECT_EQ(editor.screen.field_text(ids::field_red), "7");
    EXPECT_TRUE(editor.selected().empty());

    // The user's steps do not even reach the disabled fields.
    editor.type(ids::field_green, "5");
    EXPECT_EQ(editor.screen.field_text(ids::field_green), "0");
}

TEST_F(Panel, EditsReachTheSavedFileWithEveryHighBitKept) {
    editor.click(6);
    editor.ctrl_click(5);
    editor.move_slider(ids::slider_green, 150);  // the head becomes 164, 148, 32
    editor.click(3);                             // white with the high bit
    editor.clear_field(ids::field_hex);
    editor.type(ids::field_hex, "1F");
    const std::string saved = dir.path("saved.clu");
    editor.save_clut(saved);
    ASSERT_TRUE(editor.screen.errors.empty());

    std::vector<std::uint16_t> expected = panel_words();
    expected[5] = 0x1254;
    expected[6] = encode_bgr555(editor.entry(6));
    expected[3] = 0x801F;
    EXPECT_NE(expected[6], panel_words()[6]);
    EXPECT_EQ(testing::read_bytes(saved), testing::words_to_bytes(expected));
}

TEST(PanelBeforeLoad, EventsChangeNothing) {
    TestEditor editor;
    for (int slider : ids::sliders) {
        on_slider_moved(editor.state, editor.screen, slider, 40);
    }
    for (int field : {ids::field_red, ids::field_green, ids::field_blue, ids::field_hex}) {
        on_field_edited(editor.state, editor.screen, field);
        on_field_left(editor.state, editor.screen, field);
    }
    editor.double_click_starting_box();
    EXPECT_TRUE(editor.screen.calls.empty());
    EXPECT_EQ(editor.state.palette, EditorState{}.palette);
}

}  // namespace
}  // namespace tavrin
