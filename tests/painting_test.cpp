// Cell pixels, frames, the grid's enabled state, repaint rules and tooltips.
#include <gtest/gtest.h>

#include "tests/support/test_editor.h"
#include "ui/painting.h"

namespace tavrin {
namespace {

using testing::fake_button_face_color;
using testing::fake_scrollbar_color;
using testing::TestEditor;

// A loaded CLUT without going through a file: entry i has a distinct colour.
void load_directly(TestEditor& editor, int count) {
    for (int i = 0; i < palette_size; ++i) {
        editor.state.palette[i] = decode_bgr555(static_cast<std::uint16_t>(i * 97 + 3));
    }
    editor.state.color_count = static_cast<std::int16_t>(count);
    editor.state.palette_loaded = 1;
}

TEST(CellPixels, FrameRingsOverTheColorAndRepaintRemovesThem) {
    TestEditor editor;
    load_directly(editor, 256);
    const Rgb color = color_of(editor.state.palette[17]);
    paint_swatch(editor.state, editor.screen, 17);
    frame_swatch(editor.state, editor.screen, 17);

    const Rgb black{0, 0, 0};
    const Rgb white{255, 255, 255};
    for (int y = 0; y < 18; ++y) {
        for (int x = 0; x < 18; ++x) {
            const int ring = std::min(std::min(x, y), std::min(17 - x, 17 - y));
            Rgb expected = color;
            if (ring == 1 || ring == 3) {
                expected = black;
            } else if (ring == 2) {
                expected = white;
            }
            ASSERT_EQ(editor.screen.pixel(17, x, y), expected) << x << "," << y;
        }
    }
    paint_swatch(editor.state, editor.screen, 17);
    EXPECT_TRUE(editor.screen.cell_is_plain(17, color));
}

TEST(CellPixels, NegativeIndicesPaintNothing) {
    TestEditor editor;
    load_directly(editor, 256);
    paint_swatch(editor.state, editor.screen, -1);
    frame_swatch(editor.state, editor.screen, -32768);
    paint_swatch(editor.state, editor.screen, 256);
    EXPECT_TRUE(editor.screen.calls.empty());
}

TEST(Grid, CellsBeyondTheCountAreGreyAndDisabled) {
    TestEditor editor;
    load_directly(editor, 16);
    for (int i = 0; i < 256; ++i) {
        editor.screen.enable_control(ids::first_swatch + i, true);  // as a dialog may leave them
    }
    paint_all_swatches(editor.state, editor.screen);
    for (int i = 0; i < 256; ++i) {
        if (i < 16) {
            EXPECT_TRUE(editor.screen.cell_is_plain(i, color_of(editor.state.palette[i]))) << i;
            EXPECT_TRUE(editor.screen.enabled(ids::first_swatch + i)) << i;
        } else {
            EXPECT_TRUE(editor.screen.cell_is_plain(i, fake_button_face_color)) << i;
            EXPECT_FALSE(editor.screen.enabled(ids::first_swatch + i)) << i;
        }
    }

    load_directly(editor, 0);
    paint_all_swatches(editor.state, editor.screen);
    EXPECT_TRUE(editor.screen.cell_is_plain(0, fake_button_face_color));
    EXPECT_FALSE(editor.screen.enabled(ids::first_swatch));
}

TEST(Repaint, NothingIsPaintedBeforeTheFirstLoadExceptBoxesOnSize) {
    TestEditor editor;
    on_paint(editor.state, editor.screen);
    on_activate(editor.state, editor.screen, true);
    EXPECT_TRUE(editor.screen.calls.empty());

    on_size(editor.state, editor.screen);
    EXPECT_EQ(editor.screen.box(ids::current_box), fake_scrollbar_color);
    EXPECT_EQ(editor.screen.box(ids::starting_box), fake_scrollbar_color);
    EXPECT_EQ(editor.screen.calls.size(), 2u);
}

TEST(Repaint, PaintAndActivationDrawGridFramesAndBoxes) {
    TestEditor editor;
    load_directly(editor, 256);
    selection_push(editor.state.selection, 3);
    selection_push(editor.state.selection, 40);
    editor.state.focused_entry = editor.state.palette[40];
    editor.state.starting_entry = editor.state.palette[7];

    on_activate(editor.state, editor.screen, false);
    EXPECT_TRUE(editor.screen.calls.empty());

    for (bool by_activation : {false, true}) {
        editor.screen.calls.clear();
        if (by_activation) {
            on_activate(editor.state, editor.screen, true);
        } else {
            on_paint(editor.state, editor.screen);
        }
        for (int i = 0; i < 256; ++i) {
            const Rgb color = color_of(editor.state.palette[i]);
            if (i == 3 || i == 40) {
                EXPECT_TRUE(editor.screen.cell_is_framed(i, color)) << i;
            } else {
                EXPECT_TRUE(editor.screen.cell_is_plain(i, color)) << i;
            }
        }
        EXPECT_EQ(editor.screen.box(ids::current_box), color_of(editor.state.palette[40]));
        EXPECT_EQ(editor.screen.box(ids::starting_box), color_of(editor.state.palette[7]));
    }

    selection_clear(editor.state.selection);
    on_size(editor.state, editor.screen);
    EXPECT_EQ(editor.screen.box(ids::current_box), fake_scrollbar_color);
}

TEST(Tooltip, ShowsComponentsAndTheWordEncodedNow) {
    TestEditor editor;
    EXPECT_EQ(tooltip_text(editor.state, 0), std::nullopt);

    load_directly(editor, 256);
    editor.state.palette[5] = PaletteEntry{0x1234, 255, 0, 8, 0};
    EXPECT_EQ(tooltip_text(editor.state, 5), "RGB: 255,0,8 - Hex: 0x041F");
    editor.state.palette[5].high_bit = 0x8000;
    EXPECT_EQ(tooltip_text(editor.state, 5), "RGB: 255,0,8 - Hex: 0x841F - semi-transparent");
    editor.state.palette[5] = PaletteEntry{0x1234, 7, 7, 7, 0};
    EXPECT_EQ(tooltip_text(editor.state, 5), "RGB: 7,7,7 - Hex: 0x0000 - transparent");
    editor.state.palette[6] = PaletteEntry{0, 255, 255, 255, 0x8000};
    const auto widest = tooltip_text(editor.state, 6);
    EXPECT_EQ(widest, "RGB: 255,255,255 - Hex: 0xFFFF - semi-transparent");
    // Within the 80 characters a Windows tooltip's own buffer holds.
    EXPECT_EQ(widest->size(), 49u);
    EXPECT_EQ(tooltip_text(editor.state, 256), std::nullopt);
    EXPECT_EQ(tooltip_text(editor.state, -1), std::nullopt);
}

}  // namespace
}  // namespace tavrin
