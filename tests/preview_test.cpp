// The TIM commands and the texture preview as a user meets them on the fake
// screen: picking a CLUT row, writing it back, and a preview that follows
// every change of the table and answers clicks like the grid.
#include <gtest/gtest.h>

#include "image/png_file.h"
#include "tests/support/temp_files.h"
#include "tests/support/test_editor.h"
#include "tests/support/tim_files.h"
#include "ui/preview.h"

namespace tavrin {
namespace {

using testing::Bytes;
using testing::read_bytes;
using testing::TempDir;
using testing::TestEditor;
using testing::TimSpec;
using testing::words_to_bytes;

// Three rows of 16 colours over an 8 x 4 image whose pixel (x, y) has index
// (x + y) % 16.
TimSpec three_row_tim() {
    TimSpec spec;
    spec.bits_per_pixel = 4;
    for (int row = 0; row < 3; ++row) {
        std::vector<std::uint16_t> words;
        for (int i = 0; i < 16; ++i) {
            words.push_back(static_cast<std::uint16_t>((row * 16 + i) * 0x0421u & 0x7FFFu));
        }
        spec.clut_rows.push_back(words);
    }
    spec.width = 8;
    spec.height = 4;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) {
            spec.indices.push_back(static_cast<std::uint8_t>((x + y) % 16));
        }
    }
    return spec;
}

std::vector<int> selected(const EditorState& state) {
    std::vector<int> indices;
    for (const SelectionNode* node = state.selection; node != nullptr; node = node->next) {
        indices.push_back(node->index);
    }
    return indices;
}

TEST(TimCommands, PickARowEditItSeeItAndWriteItBack) {
    TempDir dir;
    const TimSpec spec = three_row_tim();
    const Bytes original = testing::tim_file_bytes(spec);
    const std::string tim = dir.write("kit.TIM", original);
    const std::string kit = dir.write("kit.clu", words_to_bytes({0x1111, 0x2222}));
    TestEditor editor;
    editor.load_clut(kit);

    // Cancel in the row list: the table and where it came from stay.
    editor.screen.open_answers.push_back(tim);
    editor.screen.list_answers.push_back(std::nullopt);
    editor.command(ids::extract_tim);
    EXPECT_EQ(editor.screen.list_entries.back(),
              (std::vector<std::string>{"CLUT 0 (16 colors)", "CLUT 1 (16 colors)",
                                        "CLUT 2 (16 colors)"}));
    EXPECT_EQ(editor.screen.list_preselected.back(), 0);
    EXPECT_EQ(editor.state.color_count, 2);
    EXPECT_EQ(editor.state.origin.source.kind, ClutSource::Kind::raw_file);
    EXPECT_FALSE(editor.screen.menu_enabled(ids::inject_tim));
    EXPECT_EQ(editor.screen.open_requests.back().filters.front().pattern, "*.TIM");

    // Row 2: its colours, the TIM's image in the preview, Inject in TIM on.
    editor.screen.open_answers.push_back(tim);
    editor.screen.list_answers.push_back(2);
    editor.command(ids::extract_tim);
    editor.settle();
    ASSERT_EQ(editor.state.color_count, 16);
    EXPECT_EQ(editor.state.palette[5], decode_bgr555(spec.clut_rows[2][5]));
    EXPECT_EQ(editor.state.origin.source.tim_row, 2);
    EXPECT_EQ(editor.screen.menu_texts[ids::undo], "&Undo Extract CLUT from TIM file\tCtrl+Z");
    EXPECT_TRUE(editor.screen.menu_enabled(ids::inject_tim));
    EXPECT_TRUE(editor.screen.menu_enabled(ids::inject_offset));
    ASSERT_EQ(editor.screen.preview_width, 8);
    ASSERT_EQ(editor.screen.preview_height, 4);
    EXPECT_FALSE(editor.screen.preview_bar.visible);
    EXPECT_EQ(editor.screen.preview_pixel(3, 2), color_of(editor.state.palette[5]));
    EXPECT_NE(editor.screen.preview_status.find("kit.TIM: 8 x 4, 4 bits, CLUT row 2"),
              std::string::npos);

    // A click on pixel (3, 2) selects cell 5; Ctrl+click on (0, 0) adds cell 0.
    on_preview_clicked(editor.state, editor.screen, 3, 2, {});
    EXPECT_EQ(selected(editor.state), std::vector<int>{5});
    on_preview_clicked(editor.state, editor.screen, 0, 0, Modifiers{.ctrl = true});
    EXPECT_EQ(selected(editor.state), (std::vector<int>{0, 5}));
    on_preview_clicked(editor.state, editor.screen, 0, 0, Modifiers{.ctrl = true});
    on_preview_clicked(editor.state, editor.screen, 8, 0, {});  // outside: nothing
    EXPECT_EQ(selected(editor.state), std::vector<int>{5});

    // The Red slider moves cell 5, and the preview's pixels of index 5 with it.
    const int draws = editor.screen.preview_draws;
    editor.move_slider(ids::slider_red, 200);
    EXPECT_EQ(editor.screen.preview_draws, draws + 1);
    EXPECT_EQ(editor.screen.preview_pixel(3, 2).red, editor.state.palette[5].red);
    EXPECT_EQ(editor.screen.preview_pixel(4, 1), color_of(editor.state.palette[5]));
    EXPECT_NE(editor.screen.preview_pixel(3, 2), color_of(decode_bgr555(spec.clut_rows[2][5])));

    // Highlight selection fades every other index, and follows the selection.
    on_preview_highlight(editor.state, editor.screen, true);
    EXPECT_EQ(editor.screen.preview_pixel(3, 2), color_of(editor.state.palette[5]));
    EXPECT_NE(editor.screen.preview_pixel(0, 0), color_of(editor.state.palette[0]));
    editor.click(0);
    EXPECT_EQ(editor.screen.preview_pixel(0, 0), color_of(editor.state.palette[0]));

    on_preview_hover(editor.state, editor.screen, 3, 2);
    const Rgb five = color_of(editor.state.palette[5]);
    EXPECT_EQ(editor.screen.preview_status, "x 3, y 2: index 5, RGB " + std::to_string(five.red) +
                                                "," + std::to_string(five.green) + "," +
                                                std::to_string(five.blue) + ", hex 0x" +
                                                hex_text(encode_bgr555(editor.state.palette[5])));

    // Inject in TIM writes row 2's 32 bytes and nothing else.
    editor.command(ids::inject_tim);
    EXPECT_TRUE(editor.screen.errors.empty());
    Bytes expected = original;
    const Bytes row = words_to_bytes(std::vector<std::uint16_t>{
        encode_bgr555(editor.state.palette[0]), encode_bgr555(editor.state.palette[1]),
        encode_bgr555(editor.state.palette[2]), encode_bgr555(editor.state.palette[3]),
        encode_bgr555(editor.state.palette[4]), encode_bgr555(editor.state.palette[5]),
        encode_bgr555(editor.state.palette[6]), encode_bgr555(editor.state.palette[7]),
        encode_bgr555(editor.state.palette[8]), encode_bgr555(editor.state.palette[9]),
        encode_bgr555(editor.state.palette[10]), encode_bgr555(editor.state.palette[11]),
        encode_bgr555(editor.state.palette[12]), encode_bgr555(editor.state.palette[13]),
        encode_bgr555(editor.state.palette[14]), encode_bgr555(editor.state.palette[15])});
    std::copy(row.begin(), row.end(), expected.begin() + testing::tim_clut_words + 64);
    EXPECT_EQ(read_bytes(tim), expected);

    // A TIM that lost the row since it was read is refused, untouched.
    Bytes one_row = testing::tim_file_bytes(TimSpec{4, {spec.clut_rows[0]}, 8, 4, spec.indices});
    dir.write("kit.TIM", one_row);
    editor.command(ids::inject_tim);
    ASSERT_EQ(editor.screen.errors.size(), 1u);
    EXPECT_NE(editor.screen.errors[0].find("it has no CLUT row 2"), std::string::npos)
        << editor.screen.errors[0];
    EXPECT_EQ(read_bytes(tim), one_row);
}

TEST(TexturePreview, RawPixelsScrollExportAndReportErrors) {
    TempDir dir;
    Bytes data(64 * 4 + 8);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(i % 3);
    }
    const std::string kit = dir.write("kit.clu", words_to_bytes({0x001F, 0x03E0, 0x7C00}));
    const std::string file = dir.write("data.bin", data);
    TestEditor editor;
    editor.state.preview.png_writer = save_png;
    editor.load_clut(kit);
    EXPECT_FALSE(editor.screen.menu_enabled(ids::export_preview));

    // It opens on the file the CLUT came from, with the default place past its end.
    editor.command(ids::texture_preview);
    EXPECT_EQ(editor.screen.preview_shown, 1);
    EXPECT_TRUE(editor.screen.preview_bar.visible);
    EXPECT_EQ(editor.screen.preview_bar.file, kit);
    EXPECT_NE(editor.screen.preview_status.find("kit.clu: the image"), std::string::npos);

    on_preview_bar_changed(editor.state, editor.screen, {file, "0x4", 8, 4, 8});
    ASSERT_EQ(editor.screen.preview_width, 8);
    EXPECT_EQ(editor.screen.preview_pixel(0, 0), color_of(editor.state.palette[4 % 3]));
    EXPECT_TRUE(editor.screen.menu_enabled(ids::export_preview));
    // Down a row (8 bytes), then a screen (32); Page Up past the start stops at 0.
    on_preview_key(editor.state, editor.screen, PreviewKey::down);
    EXPECT_EQ(editor.screen.preview_bar.offset, "0xC");
    on_preview_key(editor.state, editor.screen, PreviewKey::page_down);
    EXPECT_EQ(editor.screen.preview_bar.offset, "0x2C");
    EXPECT_EQ(editor.screen.preview_pixel(0, 0), color_of(editor.state.palette[0x2C % 3]));
    for (int i = 0; i < 3; ++i) {
        on_preview_key(editor.state, editor.screen, PreviewKey::page_up);
    }
    EXPECT_EQ(editor.screen.preview_bar.offset, "0x0");

    editor.screen.save_answers.push_back(dir.path("shot.png"));
    editor.command(ids::export_preview);
    EXPECT_TRUE(editor.screen.errors.empty());
    const Bytes png = read_bytes(dir.path("shot.png"));
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(Bytes(png.begin() + 1, png.begin() + 4), (Bytes{'P', 'N', 'G'}));

    // Errors go to the status line; the picture of a failed read has no pixels.
    on_preview_bar_changed(editor.state, editor.screen, {file, "zz", 8, 4, 8});
    EXPECT_NE(editor.screen.preview_status.find("\"zz\" is not a number"), std::string::npos);
    on_preview_bar_changed(editor.state, editor.screen, {file, "260", 8, 4, 8});
    EXPECT_NE(editor.screen.preview_status.find("reaches past the end"), std::string::npos);
    EXPECT_EQ(editor.screen.preview_width * editor.screen.preview_height, 0);
    EXPECT_FALSE(editor.screen.menu_enabled(ids::export_preview));
    on_preview_bar_changed(editor.state, editor.screen, {dir.path("gone.bin"), "0", 8, 4, 8});
    EXPECT_NE(editor.screen.preview_status.find("gone.bin: cannot open it"), std::string::npos);
    EXPECT_TRUE(editor.screen.errors.empty());

    // Closed, it draws nothing however the table changes.
    on_preview_closed(editor.state, editor.screen);
    const int draws = editor.screen.preview_draws;
    editor.click(1);
    editor.move_slider(ids::slider_green, 10);
    EXPECT_EQ(editor.screen.preview_draws, draws);
}

}  // namespace
}  // namespace tavrin
