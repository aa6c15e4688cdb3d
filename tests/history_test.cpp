// Undo, Redo and "Select changed colors", driven as a user drives them.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/support/panel_checks.h"
#include "tests/support/temp_files.h"
#include "tests/support/test_editor.h"
#include "ui/history_commands.h"
#include "ui/open_path.h"

namespace tavrin {
namespace {

using testing::Bytes;
using testing::TempDir;
using testing::TestEditor;

// What an undo must bring back exactly.
struct Snapshot {
    PaletteTable palette;
    std::int16_t color_count;
    ClutSource source;
    std::optional<ClutSource> tex_source;
    std::vector<bool> read_menus;

    friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

Snapshot snapshot(const TestEditor& editor) {
    std::vector<bool> menus;
    for (int id : {ids::inject_tex, ids::inject_offset, ids::save_clut, ids::select_changed}) {
        menus.push_back(editor.screen.menu_enabled(id));
    }
    for (int id : ids::zone_items) {
        menus.push_back(editor.screen.menu_enabled(id));
    }
    const EditorState& state = editor.state;
    return {state.palette, state.color_count, state.origin.source, state.origin.tex_source, menus};
}

// What differs, for the failure message.
std::string differences(const Snapshot& got, const Snapshot& want) {
    std::string text;
    for (int i = 0; i < palette_size; ++i) {
        const PaletteEntry& a = got.palette[i];
        const PaletteEntry& b = want.palette[i];
        if (!(a == b)) {
            text += " entry " + std::to_string(i) + " " + hex_text(a.raw) + "/" +
                    std::to_string(a.red) + "," + std::to_string(a.green) + "," +
                    std::to_string(a.blue) + "," + std::to_string(a.high_bit) +
                    " != " + hex_text(b.raw) + "/" + std::to_string(b.red) + "," +
                    std::to_string(b.green) + "," + std::to_string(b.blue) + "," +
                    std::to_string(b.high_bit) + ";";
        }
    }
    if (got.color_count != want.color_count) {
        text += " count " + std::to_string(got.color_count) +
                " != " + std::to_string(want.color_count) + ";";
    }
    if (!(got.source == want.source) || got.tex_source != want.tex_source) {
        text += " source;";
    }
    if (got.read_menus != want.read_menus) {
        text += " menus;";
    }
    return text;
}

// Each live cell shows its entry, framed when selected, and the panel the head.
void expect_screen_shows_table(const TestEditor& editor) {
    const std::vector<int> selected = editor.selected();
    for (int i = 0; i < editor.state.color_count; ++i) {
        const Rgb color = color_of(editor.entry(i));
        const bool framed = std::find(selected.begin(), selected.end(), i) != selected.end();
        ASSERT_TRUE(framed ? editor.screen.cell_is_framed(i, color)
                           : editor.screen.cell_is_plain(i, color))
            << "cell " << i;
    }
    if (editor.head() >= 0) {
        const PaletteEntry& head = editor.entry(editor.head());
        testing::expect_panel_shows(editor, color_of(head), hex_text(encode_bgr555(head)));
        EXPECT_EQ(editor.screen.box(ids::starting_box), color_of(head));
        EXPECT_EQ(editor.screen.focus, ids::first_swatch + editor.head());
    }
}

int undo_all(TestEditor& editor) {
    int steps = 0;
    while (editor.screen.menu_enabled(ids::undo)) {
        editor.command(ids::undo);
        ++steps;
    }
    return steps;
}

// A random user: clicks, keys, sliders, typing, the editing and reading
// commands, and sometimes an undo or redo in between.
void random_event(TestEditor& editor, std::mt19937& rng, const TempDir& dir) {
    const auto uniform = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(rng);
    };
    static const std::vector<std::string> texts = {"0",  "12", "255", "300",  "7FFF", "8000",
                                                   "1f", "",   "99",  "abcd", "4"};
    const int field = std::array{ids::field_red, ids::field_green, ids::field_blue,
                                 ids::field_hex}[static_cast<std::size_t>(uniform(0, 3))];
    switch (uniform(0, 17)) {
        case 0:
        case 1:
            editor.click(uniform(0, 255),
                         Modifiers{.ctrl = uniform(0, 3) == 0, .shift = uniform(0, 3) == 0});
            break;
        case 2:
            editor.arrow(static_cast<ArrowKey>(uniform(0, 3)), uniform(0, 1) == 1);
            break;
        case 3:
        case 4:
            editor.move_slider(ids::sliders[static_cast<std::size_t>(uniform(0, 2))],
                               uniform(0, 255));
            break;
        case 5:
            editor.clear_field(field);
            editor.type(field, texts[static_cast<std::size_t>(uniform(0, 10))]);
            break;
        case 6:
            editor.leave_field(field);
            break;
        case 7:
            editor.command(std::array{ids::blend, ids::copy,
                                      ids::paste}[static_cast<std::size_t>(uniform(0, 2))]);
            break;
        case 8:
            editor.double_click_starting_box();
            break;
        case 9:
            editor.command(ids::zone_items[static_cast<std::size_t>(uniform(0, 15))]);
            break;
        case 10:
            editor.load_clut(dir.path(uniform(0, 1) == 0 ? "kit.clu" : "short.clu"));
            break;
        case 11:
            editor.extract_at(dir.path("data.dat"), std::to_string(uniform(0, 64)),
                              std::to_string(uniform(1, 256)));
            break;
        case 12:
            editor.inject_at(dir.path("target.dat"), "0", std::to_string(uniform(1, 256)));
            break;
        case 13:
            editor.command(ids::select_changed);
            break;
        case 14:
            // The newer ways in: a file opened from outside the menus, and
            // colours pasted as text from the system clipboard.
            if (uniform(0, 1) == 0) {
                open_path(editor.state, editor.screen, dir.path("short.clu"));
            } else {
                editor.screen.clipboard_words.reset();
                editor.screen.clipboard_plain = "#FF0000\n#00FF80\n#123456\n";
                editor.command(ids::paste_from_clipboard);
            }
            break;
        case 15: {
            // A drag on a new selection that comes back to where it started
            // and goes on: one Undo takes back this drag and nothing before it.
            const int cell = uniform(0, 255);
            if (!editor.screen.enabled(ids::first_swatch + cell)) {
                break;  // no click, so this would go on the drag before
            }
            editor.click(cell);
            const int slider = ids::sliders[static_cast<std::size_t>(uniform(0, 2))];
            const int start = editor.screen.slider_position(slider);
            const PaletteTable before = editor.state.palette;
            editor.move_slider(slider, uniform(0, 255));
            editor.move_slider(slider, start);
            editor.move_slider(slider, uniform(0, 255));
            const PaletteTable after = editor.state.palette;
            if (after != before) {
                editor.command(ids::undo);
                EXPECT_TRUE(editor.state.palette == before) << "Undo took back more than the drag";
                editor.command(ids::redo);
                EXPECT_TRUE(editor.state.palette == after);
            }
            break;
        }
        default:
            editor.command(uniform(0, 1) == 0 ? ids::undo : ids::redo);
            break;
    }
}

TEST(UndoRedo, RandomSessionsUndoToTheStartAndRedoToTheEndBitForBit) {
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        TempDir dir;
        std::vector<std::uint16_t> words;
        for (int i = 0; i < 256; ++i) {
            words.push_back(static_cast<std::uint16_t>(rng()));  // bit 15 set in about half
        }
        dir.write("kit.clu", testing::words_to_bytes(words));
        dir.write("short.clu", testing::words_to_bytes({0x1234, 0x8421, 0x7FFF}));
        dir.write("data.dat", testing::random_bytes(rng, 600));
        dir.write("target.dat", Bytes(600, 0));
        TestEditor editor;
        editor.screen.record_calls = false;
        editor.load_clut(dir.path("kit.clu"));
        const Snapshot start = snapshot(editor);

        for (int event = 0; event < 400; ++event) {
            random_event(editor, rng, dir);
            editor.settle();
        }
        const Snapshot end = snapshot(editor);
        const bool end_can_redo = editor.screen.menu_enabled(ids::redo);

        const int steps = undo_all(editor);
        EXPECT_GT(steps, 0);
        EXPECT_EQ(differences(snapshot(editor), start), "");
        expect_screen_shows_table(editor);
        for (int i = 0; i < steps; ++i) {
            ASSERT_TRUE(editor.screen.menu_enabled(ids::redo));
            editor.command(ids::redo);
        }
        EXPECT_EQ(editor.screen.menu_enabled(ids::redo), end_can_redo);
        Snapshot redone = snapshot(editor);
        redone.read_menus = end.read_menus;  // Inject CLUT in file may have grayed the zones
        EXPECT_EQ(differences(redone, end), "");
        expect_screen_shows_table(editor);
        EXPECT_LE(editor.state.history.steps.size(), editor.state.history.limits.max_steps);
    }
}

TEST(UndoRedo, StepsAreNamedRunsCoalesceAndANewChangeDropsRedo) {
    TempDir dir;
    TestEditor editor;
    testing::load_clut_file(editor, dir, testing::distinct_words());
    // The first CLUT of a run has nothing before it.
    EXPECT_FALSE(editor.screen.menu_enabled(ids::undo));
    EXPECT_FALSE(editor.screen.menu_enabled(ids::redo));
    const PaletteTable loaded = editor.state.palette;

    // One drag is one step, however many moves it made.
    editor.click(5);
    for (int position = 10; position <= 200; position += 10) {
        editor.move_slider(ids::slider_red, position);
    }
    EXPECT_EQ(editor.screen.menu_texts[ids::undo], "&Undo Red slider\tCtrl+Z");
    editor.command(ids::undo);
    EXPECT_EQ(editor.state.palette, loaded);
    EXPECT_FALSE(editor.screen.menu_enabled(ids::undo));
    EXPECT_EQ(editor.screen.menu_texts[ids::undo], "&Undo\tCtrl+Z");
    EXPECT_EQ(editor.screen.menu_texts[ids::redo], "&Redo Red slider\tCtrl+Y");
    expect_screen_shows_table(editor);
    editor.command(ids::redo);
    EXPECT_EQ(editor.screen.slider_position(ids::slider_red), editor.entry(5).red);
    EXPECT_NE(editor.state.palette, loaded);

    // Another action between two drags of one slider makes two steps.
    editor.click(6);
    editor.move_slider(ids::slider_red, 40);
    editor.click(6);
    editor.move_slider(ids::slider_red, 80);
    EXPECT_EQ(editor.state.history.steps.size(), 3u);

    // A typed value is one step, its correction on leaving included.
    editor.clear_field(ids::field_green);
    editor.type(ids::field_green, "300");
    editor.click(7);
    EXPECT_EQ(editor.state.history.steps.size(), 4u);
    EXPECT_EQ(editor.screen.menu_texts[ids::undo], "&Undo Green value\tCtrl+Z");

    // A change after an undo drops what could be redone.
    editor.command(ids::undo);
    editor.command(ids::undo);
    ASSERT_TRUE(editor.screen.menu_enabled(ids::redo));
    editor.click(9);
    ASSERT_TRUE(editor.screen.menu_enabled(ids::redo));  // a selection is no change
    editor.move_slider(ids::slider_blue, 100);
    EXPECT_FALSE(editor.screen.menu_enabled(ids::redo));
    EXPECT_EQ(editor.state.history.steps.size(), 3u);
    editor.double_click_starting_box();
    EXPECT_EQ(editor.screen.menu_texts[ids::undo], "&Undo Restore starting color\tCtrl+Z");
    editor.shift_click(12);
    editor.command(ids::blend);
    EXPECT_EQ(editor.screen.menu_texts[ids::undo], "&Undo Blend colors\tCtrl+Z");

    // Undoing a read brings back the CLUT, where it came from and its menus.
    const ClutSource kit = editor.state.origin.source;
    const PaletteTable edited = editor.state.palette;
    editor.extract_at(dir.write("data.dat", Bytes(64, 0x11)), "0", "16");
    ASSERT_EQ(editor.state.color_count, 16);
    EXPECT_FALSE(editor.screen.menu_enabled(ids::zone_shorts));
    EXPECT_EQ(editor.screen.menu_texts[ids::undo], "&Undo Extract CLUT from file\tCtrl+Z");
    editor.command(ids::undo);
    EXPECT_EQ(editor.state.origin.source, kit);
    EXPECT_EQ(editor.state.color_count, 256);
    EXPECT_EQ(editor.state.palette, edited);
    EXPECT_TRUE(editor.screen.menu_enabled(ids::zone_shorts));
    expect_screen_shows_table(editor);

    // A drag that comes back to its start and goes on is a step of its own,
    // never part of the drag before it on another cell.
    editor.click(7);
    editor.move_slider(ids::slider_red, editor.entry(7).red < 128 ? 250 : 5);
    const PaletteTable first_drag = editor.state.palette;
    editor.click(8);
    const int start = editor.screen.slider_position(ids::slider_red);
    const int step = start < 128 ? 30 : -30;
    editor.move_slider(ids::slider_red, start + step);
    editor.move_slider(ids::slider_red, start);
    editor.move_slider(ids::slider_red, start + 2 * step);
    EXPECT_EQ(editor.screen.menu_texts[ids::undo], "&Undo Red slider\tCtrl+Z");
    editor.command(ids::undo);
    EXPECT_TRUE(editor.state.palette == first_drag);
}

TEST(UndoRedo, TheOldestStepsGoFirstWhenTheHistoryIsFull) {
    TempDir dir;
    TestEditor editor;
    testing::load_clut_file(editor, dir, testing::distinct_words());
    editor.state.history.limits = HistoryLimits{5, std::size_t{1} << 20};
    editor.click(0);
    editor.shift_click(255);
    std::vector<PaletteTable> tables;
    for (int i = 0; i < 8; ++i) {
        tables.push_back(editor.state.palette);
        editor.move_slider(ids::sliders[static_cast<std::size_t>(i % 3)], 10 + i);
    }
    EXPECT_EQ(editor.state.history.steps.size(), 5u);
    EXPECT_EQ(undo_all(editor), 5);
    EXPECT_EQ(editor.state.palette, tables[3]);

    // A byte budget smaller than two whole-table steps keeps only the newest.
    editor.state.history.limits = HistoryLimits{10000, 10000};
    editor.move_slider(ids::slider_red, 200);
    editor.move_slider(ids::slider_green, 200);
    EXPECT_EQ(editor.state.history.steps.size(), 1u);
    EXPECT_LE(editor.state.history.bytes, 10000u);
    EXPECT_EQ(editor.screen.menu_texts[ids::undo], "&Undo Green slider\tCtrl+Z");
}

TEST(SelectChangedColors, MatchesAByteComparisonWithTheFile) {
    TempDir dir;
    TestEditor editor;
    testing::load_clut_file(editor, dir, testing::distinct_words());
    const std::string kit = dir.path("kit.clu");
    const auto changed_in_file = [&](const std::string& path) {
        const Bytes bytes = testing::read_bytes(path);
        std::vector<int> indices;  // head first, as selected() lists them
        for (int i = 0; i < editor.state.color_count; ++i) {
            const auto word = static_cast<std::uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
            if (word != encode_bgr555(editor.entry(i))) {
                indices.insert(indices.begin(), i);
            }
        }
        return indices;
    };

    editor.click(3);
    editor.command(ids::select_changed);
    EXPECT_TRUE(editor.selected().empty());
    EXPECT_EQ(editor.screen.messages,
              std::vector<std::string>{std::string(nothing_changed_message)});
    testing::expect_panel_enabled(editor, false);

    editor.click(200);
    editor.move_slider(ids::slider_blue, 17);  // only the 8-bit value: the word may not move
    editor.click(40);
    editor.shift_click(44);
    editor.clear_field(ids::field_hex);
    editor.type(ids::field_hex, "8");
    editor.click(7);
    editor.move_slider(ids::slider_red, 255);
    editor.command(ids::select_changed);
    EXPECT_EQ(editor.selected(), changed_in_file(kit));
    EXPECT_FALSE(editor.selected().empty());
    EXPECT_EQ(editor.screen.messages.size(), 1u);
    expect_screen_shows_table(editor);

    // What was saved is the new reference.
    editor.save_clut(dir.path("saved.clu"));
    editor.command(ids::select_changed);
    EXPECT_TRUE(editor.selected().empty());
    EXPECT_EQ(editor.screen.messages.size(), 2u);
    editor.click(100);
    editor.move_slider(ids::slider_green, 3);
    editor.command(ids::select_changed);
    EXPECT_EQ(editor.selected(), changed_in_file(dir.path("saved.clu")));
    EXPECT_EQ(editor.selected(), std::vector<int>{100});

    // A value still being typed counts as it will be written: settled.
    editor.click(1);
    editor.clear_field(ids::field_red);
    editor.type(ids::field_red, "350");  // applies 3, then 35, whose word is the file's
    editor.command(ids::select_changed);
    EXPECT_EQ(editor.entry(1).red, 255);
    EXPECT_EQ(editor.selected(), (std::vector<int>{100, 1}));
}

}  // namespace
}  // namespace tavrin
