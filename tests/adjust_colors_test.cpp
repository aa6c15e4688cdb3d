// "Adjust colors..." and "Simulate color vision..." as a user meets them on
// the fake screen: the live view while the window is open, OK as one undo
// step, Cancel putting the table back exactly.
#include <gtest/gtest.h>

#include "tests/support/temp_files.h"
#include "tests/support/test_editor.h"
#include "tests/support/tim_files.h"
#include "ui/preview.h"

namespace tavrin {
namespace {

using testing::TempDir;
using testing::TestEditor;
using testing::TimSpec;

std::uint16_t word_of(unsigned red, unsigned green, unsigned blue, bool high = false) {
    return static_cast<std::uint16_t>(red | (green << 5) | (blue << 10) | (high ? 0x8000u : 0u));
}

// Sixteen colours over a 4 x 4 image whose pixel (x, y) has index x + 4y:
// 0 transparent, 1..4 four shades of a red shirt (4 with bit 15), the rest greys.
TimSpec kit_tim() {
    std::vector<std::uint16_t> words = {0x0000, word_of(31, 2, 2), word_of(24, 1, 1),
                                        word_of(16, 0, 0), word_of(8, 0, 0, true)};
    for (unsigned i = 5; i < 16; ++i) {
        words.push_back(word_of(i * 2, i * 2, i * 2));
    }
    TimSpec spec{4, {words}, 4, 4, {}};
    for (int i = 0; i < 16; ++i) {
        spec.indices.push_back(static_cast<std::uint8_t>(i));
    }
    return spec;
}

// Pixel (x, y) of the 4 x 4 kit image shows index x + 4y.
Rgb preview_of(const TestEditor& editor, int index) {
    return editor.screen.preview_pixel(index % 4, index / 4);
}

TEST(AdjustColors, LiveWhileOpenOkIsOneUndoStepCancelPutsTheTableBackBitForBit) {
    TempDir dir;
    const std::string tim = dir.write("kit.TIM", testing::tim_file_bytes(kit_tim()));
    TestEditor editor;
    EXPECT_FALSE(editor.screen.menu_enabled(ids::adjust_colors));
    editor.screen.open_answers.push_back(tim);
    editor.command(ids::extract_tim);
    editor.command(ids::texture_preview);
    ASSERT_TRUE(editor.screen.menu_enabled(ids::adjust_colors));

    // The red shirt: cells 1..4, head 4, and a green slider step first, so
    // the table holds 8-bit values that no word expands to, words unchanged.
    editor.click(1);
    editor.shift_click(4);
    ASSERT_EQ(editor.state.selection->index, 4);
    editor.move_slider(ids::slider_green, editor.screen.slider_positions[ids::slider_green] + 1);
    const std::array<PaletteEntry, palette_size> before = editor.state.palette;
    ASSERT_EQ(before[2].green, 9);
    ASSERT_EQ(encode_bgr555(before[2]), word_of(24, 1, 1));
    const PaletteEntry focused = editor.state.focused_entry;
    const std::string undo_before = editor.screen.menu_texts[ids::undo];

    // Cancel after two moves: shown live on the grid, the current box and the
    // preview, then every bit back.
    const ColorAdjustment half_turn{.hue = 180};
    const ColorAdjustment grey{.hue = 180, .saturation = -100};
    int looks = 0;
    editor.screen.while_adjusting = [&](const ColorAdjustment& move) {
        ++looks;
        for (int index = 1; index <= 4; ++index) {
            const std::uint16_t expected = adjust_color(encode_bgr555(before[index]), move);
            const PaletteEntry& now = editor.state.palette[index];
            EXPECT_EQ(encode_bgr555(now), expected) << index;
            EXPECT_TRUE(editor.screen.cell_is_framed(index, color_of(now))) << index;
            EXPECT_EQ(preview_of(editor, index), color_of(now)) << index;
        }
        EXPECT_EQ(editor.screen.box(ids::current_box), color_of(editor.state.palette[4]));
        EXPECT_EQ(editor.state.palette[5], before[5]);
    };
    editor.screen.adjust_scripts.push_back({{half_turn, grey}, false});
    editor.command(ids::adjust_colors);
    EXPECT_EQ(looks, 2);
    editor.screen.while_adjusting = nullptr;
    EXPECT_EQ(editor.state.palette, before);
    EXPECT_EQ(editor.state.focused_entry, focused);
    for (int index = 1; index <= 4; ++index) {
        EXPECT_TRUE(editor.screen.cell_is_framed(index, color_of(before[index]))) << index;
        EXPECT_EQ(preview_of(editor, index), color_of(before[index])) << index;
    }
    EXPECT_EQ(editor.screen.box(ids::current_box), color_of(focused));
    EXPECT_EQ(editor.screen.menu_texts[ids::undo], undo_before);

    // Zero on all three changes nothing and makes no step.
    editor.screen.adjust_scripts.push_back({{ColorAdjustment{}}, true});
    editor.command(ids::adjust_colors);
    EXPECT_EQ(editor.state.palette, before);
    EXPECT_EQ(editor.screen.menu_texts[ids::undo], undo_before);

    // OK: red turned blue, shading kept, bit 15 kept, the rest untouched.
    editor.screen.adjust_scripts.push_back({{{.hue = 90}, {.hue = -120}}, true});
    editor.command(ids::adjust_colors);
    EXPECT_EQ(encode_bgr555(editor.state.palette[3]), word_of(0, 0, 16));
    EXPECT_EQ(encode_bgr555(editor.state.palette[4]), word_of(0, 0, 8, true));
    const std::array<PaletteEntry, palette_size> blue = editor.state.palette;
    for (int index = 0; index < 16; ++index) {
        const std::uint16_t expected =
            index >= 1 && index <= 4 ? adjust_color(encode_bgr555(before[index]), {.hue = -120})
                                     : encode_bgr555(before[index]);
        EXPECT_EQ(encode_bgr555(blue[index]), expected) << index;
        // The word 0000 shows the preview's backdrop through.
        const Rgb shown = preview_of(editor, index);
        if (expected == 0) {
            EXPECT_TRUE(shown == backdrop_light || shown == backdrop_dark) << index;
        } else {
            EXPECT_EQ(shown, color_of(blue[index])) << index;
        }
    }
    EXPECT_EQ(editor.screen.field_text(ids::field_hex), hex_text(encode_bgr555(blue[4])));
    EXPECT_EQ(editor.screen.menu_texts[ids::undo], "&Undo Adjust colors\tCtrl+Z");

    // One step: Undo gives back the table as it was, Redo the blue kit.
    editor.command(ids::undo);
    EXPECT_EQ(editor.state.palette, before);
    EXPECT_EQ(editor.screen.menu_texts[ids::undo], undo_before);
    editor.command(ids::redo);
    EXPECT_EQ(editor.state.palette, blue);

    // Nothing selected: every live cell, here colorized to one green; the
    // transparent word stays, greys take the hue at their lightness.
    selection_clear(editor.state.selection);
    editor.screen.adjust_scripts.push_back(
        {{{.hue = 120, .saturation = 100, .colorize = true}}, true});
    editor.command(ids::adjust_colors);
    EXPECT_EQ(editor.state.palette[0], blue[0]);
    EXPECT_EQ(encode_bgr555(editor.state.palette[3]), word_of(0, 16, 0));
    EXPECT_EQ(encode_bgr555(editor.state.palette[6]), word_of(0, 24, 0));
    EXPECT_EQ(editor.state.palette[16], blue[16]);  // beyond the 16 live colours
    EXPECT_EQ(editor.screen.unanswered_dialogs, 0);
}

TEST(AdjustColors, SimulatedColorVisionInThePreview) {
    TempDir dir;
    const std::string tim = dir.write("kit.TIM", testing::tim_file_bytes(kit_tim()));
    TestEditor editor;
    editor.screen.open_answers.push_back(tim);
    editor.command(ids::extract_tim);

    // Chosen from the list, it opens the preview and draws every colour as
    // the chosen eye sees it; the status line says so.
    editor.screen.list_answers.push_back(2);
    editor.command(ids::simulate_vision);
    EXPECT_EQ(editor.screen.list_preselected.back(), 0);
    EXPECT_EQ(editor.screen.list_entries.back().size(), 4u);
    ASSERT_EQ(editor.screen.preview_width, 4);
    const Rgb red = color_of(editor.state.palette[1]);
    EXPECT_EQ(preview_of(editor, 1), simulate_color_vision(red, ColorVision::deuteranopia));
    EXPECT_NE(preview_of(editor, 1), red);
    EXPECT_NE(editor.screen.preview_status.find("simulating Deuteranopia"), std::string::npos);

    // It follows edits as the plain view does; Cancel keeps the choice.
    editor.click(1);
    editor.move_slider(ids::slider_blue, 200);
    EXPECT_EQ(preview_of(editor, 1),
              simulate_color_vision(color_of(editor.state.palette[1]), ColorVision::deuteranopia));
    editor.screen.list_answers.push_back(std::nullopt);
    editor.command(ids::simulate_vision);
    EXPECT_EQ(editor.screen.list_preselected.back(), 2);
    EXPECT_EQ(editor.state.preview.vision, ColorVision::deuteranopia);

    editor.screen.list_answers.push_back(0);
    editor.command(ids::simulate_vision);
    EXPECT_EQ(preview_of(editor, 1), color_of(editor.state.palette[1]));
    EXPECT_EQ(editor.screen.preview_status.find("simulating"), std::string::npos);
}

}  // namespace
}  // namespace tavrin
