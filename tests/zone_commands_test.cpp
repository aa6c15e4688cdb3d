// The zone commands of Edit > Select as the user gives them: what each one
// selects, the order of its refresh, and when the keys are dead.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "edit/edit.h"
#include "tests/support/panel_checks.h"
#include "tests/support/temp_files.h"

namespace tavrin {
namespace {

using testing::distinct_words;
using testing::expect_selection_shown;
using testing::load_clut_file;
using testing::TestEditor;

std::vector<int> run(int first, int last) {
    std::vector<int> out;
    for (int i = last; i >= first; --i) {
        out.push_back(i);
    }
    return out;
}

TEST(ZoneCommands, F1SelectsTheCaptainStripAfterRepaintingTheGrid) {
    TestEditor editor;
    testing::TempDir dir;
    load_clut_file(editor, dir, distinct_words());
    // An earlier selection, partly made with Ctrl+click, is replaced whole.
    editor.click(200);
    editor.ctrl_click(3);
    editor.screen.calls.clear();

    editor.command(ids::zone_captain_strip);
    EXPECT_EQ(editor.selected(), run(0, 15));
    EXPECT_EQ(editor.screen.focus, ids::first_swatch + 15);
    EXPECT_EQ(editor.state.starting_entry, decode_bgr555(distinct_words()[15]));
    expect_selection_shown(editor);

    // Every cell repainted (which removes the old frames), then the zone
    // framed from its head, and only then the panel refresh.
    const auto& calls = editor.screen.calls;
    ASSERT_GT(calls.size(), 2u * palette_size + 16u);
    for (int i = 0; i < palette_size; ++i) {
        EXPECT_EQ(calls[2 * i], "fill " + std::to_string(i));
    }
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(calls[2 * palette_size + k], "frame " + std::to_string(15 - k));
    }
    EXPECT_EQ(calls[2 * palette_size + 16], "box 303");
}

TEST(ZoneCommands, EachKeySelectsItsRunAndCtrlF4OnlyFourCells) {
    TestEditor editor;
    testing::TempDir dir;
    load_clut_file(editor, dir, distinct_words());
    // In menu order, F1..F12 then Ctrl+F1..Ctrl+F4, each item takes the next
    // row of the grid.
    const std::array<int, 16> menu_order = {
        ids::zone_captain_strip, ids::zone_shirt_primary, ids::zone_shirt_secondary,
        ids::zone_details_1,     ids::zone_details_1 + 1, ids::zone_shorts,
        ids::zone_socks,         ids::zone_details_1 + 2, ids::zone_details_1 + 3,
        ids::zone_details_1 + 4, ids::zone_details_1 + 5, ids::zone_details_1 + 6,
        ids::zone_details_8,     ids::zone_details_8 + 1, ids::zone_details_8 + 2,
        ids::zone_shirt_number};
    for (int row = 0; row < 16; ++row) {
        SCOPED_TRACE("row " + std::to_string(row));
        const int last = row < 15 ? 16 * row + 15 : 243;
        editor.command(menu_order[row]);
        EXPECT_EQ(editor.selected(), run(16 * row, last));
        EXPECT_EQ(editor.screen.focus, ids::first_swatch + last);
    }
    // Ctrl+F4, the last one run: 240..243 framed, 244..255 not.
    EXPECT_EQ(editor.selected(), (std::vector<int>{243, 242, 241, 240}));
    expect_selection_shown(editor);
    for (int i = 244; i < palette_size; ++i) {
        EXPECT_FALSE(selection_contains(editor.state.selection, i));
    }
}

TEST(ZoneCommands, F2ThenBlendRampsTheShirtRow) {
    TestEditor editor;
    std::vector<std::uint16_t> words = distinct_words();
    words[16] = 0x0000;  // black
    words[31] = 0x7FFF;  // white
    testing::TempDir dir;
    load_clut_file(editor, dir, words);
    editor.command(ids::zone_shirt_primary);
    editor.command(ids::blend);
    for (int k = 16; k <= 31; ++k) {
        const std::uint8_t grey = static_cast<std::uint8_t>(17 * (k - 16));
        EXPECT_EQ(color_of(editor.entry(k)), (Rgb{grey, grey, grey})) << k;
        EXPECT_TRUE(editor.screen.cell_is_framed(k, Rgb{grey, grey, grey})) << k;
    }
}

TEST(ZoneCommands, ZonesBeyondASixteenColorClutAreStillSelected) {
    TestEditor editor;
    testing::TempDir dir;
    load_clut_file(editor, dir, distinct_words(16));
    editor.command(ids::zone_shirt_primary);
    EXPECT_EQ(editor.selected(), run(16, 31));
    // The cells are disabled but framed, in their (empty) entries' colour
    // once the panel refresh has repainted them; the rest stay grey.
    testing::expect_grid_shows_selection(editor);
}

TEST(ZoneCommands, TeamFlagSilencesEveryZoneKey) {
    testing::TempDir dir;
    std::vector<std::uint16_t> clut = distinct_words();
    // The flag's and the first shirt's header fields point at the same record.
    testing::Bytes bytes = testing::tex_file_bytes(2048, 4, 0x100, 0x200, clut);
    bytes[4] = 0x00;
    bytes[5] = 0x01;
    const std::string tex = dir.write("team.bin", bytes);

    TestEditor editor;
    editor.extract_tex(tex, "team flag");
    ASSERT_EQ(editor.state.palette_loaded, 1);
    editor.click(50);
    editor.screen.calls.clear();
    for (const Zone& zone : zones) {
        EXPECT_FALSE(editor.screen.menu_enabled(zone.command_id)) << zone.command_id;
        editor.command(zone.command_id);
    }
    EXPECT_TRUE(editor.screen.calls.empty());
    EXPECT_EQ(editor.selected(), (std::vector<int>{50}));

    // A shirt palette of the same file brings the keys back.
    editor.extract_tex(tex, "Players shirt #1 palette");
    editor.command(ids::zone_socks);
    EXPECT_EQ(editor.selected(), run(96, 111));
}

}  // namespace
}  // namespace tavrin
