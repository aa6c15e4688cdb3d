// Shared pieces of the selection and colour-panel scenarios: a CLUT whose
// colours all differ, and checks of what the panel and grid show.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/temp_files.h"
#include "tests/support/test_editor.h"

namespace tavrin::testing {

// count distinct words, none black or white (the frame's colours) and none with
// the high bit, so frames and colours can be told apart on every cell.
inline std::vector<std::uint16_t> distinct_words(int count = 256) {
    std::vector<std::uint16_t> words;
    for (int i = 0; i < count; ++i) {
        words.push_back(static_cast<std::uint16_t>(i * 97 + 3));
    }
    return words;
}

// The words as a raw CLUT file in dir, read with File > Load CLUT...; the
// screen's call log starts afresh after it.
inline void load_clut_file(TestEditor& editor, const TempDir& dir,
                           const std::vector<std::uint16_t>& words) {
    editor.load_clut(dir.write("kit.clu", words_to_bytes(words)));
    ASSERT_EQ(editor.state.palette_loaded, 1);
    ASSERT_EQ(editor.state.color_count, static_cast<int>(words.size()));
    editor.screen.calls.clear();
}

inline Rgb rgb(int red, int green, int blue) {
    return Rgb{static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(green),
               static_cast<std::uint8_t>(blue)};
}

// Sliders, decimal fields, the hex field and the current box all show colour.
inline void expect_panel_shows(const TestEditor& editor, Rgb color, const std::string& hex) {
    const FakeWindowLayer& screen = editor.screen;
    EXPECT_EQ(screen.slider_position(ids::slider_red), color.red);
    EXPECT_EQ(screen.slider_position(ids::slider_green), color.green);
    EXPECT_EQ(screen.slider_position(ids::slider_blue), color.blue);
    EXPECT_EQ(screen.field_text(ids::field_red), std::to_string(color.red));
    EXPECT_EQ(screen.field_text(ids::field_green), std::to_string(color.green));
    EXPECT_EQ(screen.field_text(ids::field_blue), std::to_string(color.blue));
    EXPECT_EQ(screen.field_text(ids::field_hex), hex);
    EXPECT_EQ(screen.box(ids::current_box), color);
}

// The seven panel controls are all on or all off.
inline void expect_panel_enabled(const TestEditor& editor, bool on) {
    for (int id : {ids::field_hex, ids::field_red, ids::field_green, ids::field_blue,
                   ids::slider_red, ids::slider_green, ids::slider_blue}) {
        EXPECT_EQ(editor.screen.enabled(id), on) << "control " << id;
    }
}

// Every selected cell framed over its entry's colour, every other cell plain:
// live cells in their colour, the rest in button-face grey.
inline void expect_grid_shows_selection(const TestEditor& editor) {
    for (int i = 0; i < palette_size; ++i) {
        const Rgb color = color_of(editor.entry(i));
        if (selection_contains(editor.state.selection, i)) {
            EXPECT_TRUE(editor.screen.cell_is_framed(i, color)) << "cell " << i;
        } else if (i < editor.state.color_count) {
            EXPECT_TRUE(editor.screen.cell_is_plain(i, color)) << "cell " << i;
        } else {
            EXPECT_TRUE(editor.screen.cell_is_plain(i, fake_button_face_color)) << "cell " << i;
        }
    }
}

// The head is in the panel, every selected cell is framed, the focus is on the
// head's cell, and Blend and Copy are on.
inline void expect_selection_shown(const TestEditor& editor) {
    ASSERT_GE(editor.head(), 0);
    const PaletteEntry& head = editor.entry(editor.head());
    expect_panel_shows(editor, color_of(head), hex_text(encode_bgr555(head)));
    expect_panel_enabled(editor, true);
    EXPECT_EQ(editor.state.focused_entry, head);
    EXPECT_EQ(editor.screen.focus, ids::first_swatch + editor.head());
    EXPECT_TRUE(editor.screen.menu_enabled(ids::blend));
    EXPECT_TRUE(editor.screen.menu_enabled(ids::copy));
    expect_grid_shows_selection(editor);
}

}  // namespace tavrin::testing
