// File > "Find CLUT in file..." on the fake screen, over real files: what the
// finder finds for each target, and what double-clicking a hit loads.
#include <gtest/gtest.h>

#include "tests/support/temp_files.h"
#include "tests/support/test_editor.h"
#include "tests/support/tim_files.h"
#include "ui/finder.h"

namespace tavrin {
namespace {

using testing::Bytes;
using testing::FakeWindowLayer;
using testing::read_bytes;
using testing::TempDir;
using testing::TestEditor;
using testing::TimSpec;
using testing::words_to_bytes;

void plant(Bytes& file, std::size_t offset, const Bytes& bytes) {
    std::copy(bytes.begin(), bytes.end(), file.begin() + static_cast<std::ptrdiff_t>(offset));
}

std::vector<std::uint16_t> table_words(const EditorState& state) {
    std::vector<std::uint16_t> words;
    for (int i = 0; i < state.color_count; ++i) {
        words.push_back(encode_bgr555(state.palette[static_cast<std::size_t>(i)]));
    }
    return words;
}

// Runs the command on path with the finder scripted to use options and to
// double-click row choose (nullopt: close).
void find(TestEditor& editor, const std::string& path, FinderOptions options,
          std::optional<std::size_t> choose) {
    editor.screen.open_answers.push_back(path);
    editor.screen.finder_scripts.push_back({options, choose});
    editor.command(ids::find_clut);
    editor.settle();
}

TEST(Finder, FindsTheLiveColorsAndTheSelectionAndLoadsTheChosenHitWithItsCount) {
    TempDir dir;
    std::vector<std::uint16_t> live;
    for (int i = 0; i < 16; ++i) {
        live.push_back(static_cast<std::uint16_t>(0x0421 * (i + 1) + (i % 3) * 0x8000));
    }
    std::vector<std::uint16_t> edited = live;
    edited[5] ^= 0x001F;
    edited[9] ^= 0x7C00;
    Bytes file(0x1000, 0);
    plant(file, 0x200, words_to_bytes(live));
    plant(file, 0x401, words_to_bytes(live));  // odd: found only at any alignment
    plant(file, 0x600, words_to_bytes(edited));
    plant(file, 0x800, words_to_bytes({live[0], live[1], live[2]}));
    const std::string path = dir.write("disc.img", file);

    TestEditor editor;
    editor.load_clut(dir.write("kit.clu", words_to_bytes(live)));

    // Closing the window changes nothing.
    const ClutSource loaded = editor.state.origin.source;
    find(editor, path, FinderOptions{}, std::nullopt);
    ASSERT_EQ(editor.screen.finder_requests.size(), 1u);
    EXPECT_EQ(editor.screen.finder_requests[0].path, path);
    EXPECT_EQ(editor.screen.finder_requests[0].live_words, live);
    EXPECT_TRUE(editor.screen.finder_requests[0].selected_words.empty());
    EXPECT_EQ(editor.screen.finder_rows,
              std::vector<std::string>{"0x200 (512)  CLUT, 16 words match"});
    EXPECT_EQ(editor.screen.finder_status, "Done: 1 hit.");
    EXPECT_EQ(editor.state.origin.source, loaded);

    FinderOptions any_byte;
    any_byte.align = 1;
    find(editor, path, any_byte, std::nullopt);
    EXPECT_EQ(editor.screen.finder_rows,
              (std::vector<std::string>{"0x200 (512)  CLUT, 16 words match",
                                        "0x401 (1025)  CLUT, 16 words match"}));

    // A partly edited copy: fewer words match, the whole CLUT is loaded.
    FinderOptions partial;
    partial.min_matching = 14;
    find(editor, path, partial, 1);
    EXPECT_EQ(editor.screen.finder_rows,
              (std::vector<std::string>{"0x200 (512)  CLUT, 16 words match",
                                        "0x600 (1536)  CLUT, 14 words match"}));
    EXPECT_EQ(table_words(editor.state), edited);
    EXPECT_EQ(editor.state.origin.source,
              (ClutSource{ClutSource::Kind::file_offset, path, 0, 0x600, 16, 0}));
    EXPECT_TRUE(editor.screen.menu_enabled(ids::inject_offset));
    EXPECT_EQ(editor.state.dialogs.finder_options.min_matching, 14);  // the next run starts there
    // A read like any other: Undo gives the table back, Redo the hit again.
    editor.command(ids::undo);
    editor.settle();
    EXPECT_EQ(table_words(editor.state), live);
    editor.command(ids::redo);
    editor.settle();
    EXPECT_EQ(table_words(editor.state), edited);

    // The selection, in index order whatever order it was picked in.
    editor.click(2);
    editor.ctrl_click(0);
    editor.ctrl_click(1);
    FinderOptions selection;
    selection.target = FinderTarget::selection;
    find(editor, path, selection, 2);
    EXPECT_EQ(editor.screen.finder_requests.back().options.min_matching, 14);
    EXPECT_EQ(editor.screen.finder_requests.back().selected_words,
              (std::vector<std::uint16_t>{live[0], live[1], live[2]}));
    ASSERT_EQ(editor.screen.finder_rows.size(), 3u);  // 0x200, 0x600, 0x800
    EXPECT_EQ(editor.screen.finder_rows[2], "0x800 (2048)  CLUT, 3 words match");
    EXPECT_EQ(table_words(editor.state), (std::vector<std::uint16_t>{live[0], live[1], live[2]}));
    EXPECT_EQ(editor.state.origin.source.offset, 0x800u);
    EXPECT_EQ(editor.state.origin.source.count, 3);
    EXPECT_TRUE(editor.screen.errors.empty());
}

TEST(Finder, TimHitsLoadTheirFirstClutRowAndFailuresChangeNothing) {
    TempDir dir;
    std::vector<std::uint16_t> row;
    for (int i = 0; i < 16; ++i) {
        row.push_back(static_cast<std::uint16_t>(0x1234 + i * 0x0843));
    }
    // A 4-bit TIM: header, a 16 x 1 CLUT block, a 2 x 2 pixel block.
    Bytes tim = words_to_bytes({0x10, 0, 0x08, 0, 44, 0, 0, 0, 16, 1});
    const Bytes colors = words_to_bytes(row);
    tim.insert(tim.end(), colors.begin(), colors.end());
    const Bytes pixels = words_to_bytes({20, 0, 0, 0, 2, 2, 0x1111, 0x2222, 0x3333, 0x4444});
    tim.insert(tim.end(), pixels.begin(), pixels.end());
    Bytes file(0x400, 0xEE);
    plant(file, 0x100, tim);
    const std::string path = dir.write("images.bin", file);

    // With no CLUT loaded there is nothing to match, so the finder offers TIMs.
    TestEditor editor;
    FinderOptions tims;
    tims.target = FinderTarget::tim;
    find(editor, path, FinderOptions{}, std::nullopt);
    EXPECT_EQ(editor.screen.finder_requests[0].options.target, FinderTarget::tim);
    EXPECT_TRUE(editor.screen.finder_requests[0].live_words.empty());
    // And a CLUT search without colours says why it cannot run.
    EXPECT_EQ(editor.screen.finder_status, "Search failed: No CLUT is loaded.");

    find(editor, path, tims, 0);
    EXPECT_EQ(editor.screen.finder_rows,
              std::vector<std::string>{"0x100 (256)  TIM 4-bit, 8 x 2, 1 x 16 CLUT"});
    EXPECT_EQ(table_words(editor.state), row);
    EXPECT_EQ(editor.state.origin.source,
              (ClutSource{ClutSource::Kind::tim_file, path, 0, 0x114, 16, 0, 0x100}));

    // A 16-bit image has no CLUT to load: said so, and the table stays.
    plant(file, 0x300, words_to_bytes({0x10, 0, 0x02, 0, 16, 0, 0, 0, 2, 1, 0x7FFF, 0x001F}));
    dir.write("images.bin", file);
    const ClutSource before = editor.state.origin.source;
    find(editor, path, tims, 1);
    ASSERT_EQ(editor.screen.finder_rows.size(), 2u);
    EXPECT_EQ(editor.screen.finder_rows[1], "0x300 (768)  TIM 16-bit, 2 x 1");
    EXPECT_EQ(editor.screen.errors,
              std::vector<std::string>{"The TIM image at 0x300 (768) has no CLUT."});
    EXPECT_EQ(editor.state.origin.source, before);
    EXPECT_EQ(table_words(editor.state), row);
}

TEST(Finder, APaddedTimInsideALargerFileOpensAsATimWithItsImageAndInjectsInPlace) {
    TimSpec spec{4, {}, 8, 4, {}};
    for (int row = 0; row < 2; ++row) {
        spec.clut_rows.emplace_back();
        for (int i = 0; i < 16; ++i) {
            spec.clut_rows.back().push_back(static_cast<std::uint16_t>(0x0C63 * (row + 1) + i));
        }
    }
    for (int i = 0; i < 32; ++i) {
        spec.indices.push_back(static_cast<std::uint8_t>(i % 16));
    }
    const Bytes tim = testing::padded_tim_bytes(spec, 12, 6);
    constexpr std::size_t at = 0x1235;  // any byte, even an odd one
    Bytes file(0x2000, 0xEE);
    plant(file, at, tim);
    TempDir dir;
    const std::string path = dir.write("disc.img", file);
    TestEditor editor;
    editor.load_clut(dir.write("kit.clu", words_to_bytes({0x1111, 0x2222})));
    const ClutSource kit = editor.state.origin.source;

    // Found, and loaded as "Extract CLUT from TIM file..." loads one: the
    // row asked for, and the TIM's own image in the preview.
    FinderOptions tims;
    tims.target = FinderTarget::tim;
    editor.screen.list_answers.push_back(1);
    find(editor, path, tims, 0);
    EXPECT_EQ(editor.screen.finder_rows,
              std::vector<std::string>{"0x1235 (4661)  TIM 4-bit, 8 x 4, 2 x 16 CLUT"});
    ASSERT_EQ(editor.screen.list_entries.size(), 1u);
    EXPECT_EQ(editor.screen.list_entries[0],
              (std::vector<std::string>{"CLUT 0 (16 colors)", "CLUT 1 (16 colors)"}));
    EXPECT_EQ(table_words(editor.state), spec.clut_rows[1]);
    const ClutSource source{ClutSource::Kind::tim_file, path, 0, at + 20 + 32, 16, 1, at};
    EXPECT_EQ(editor.state.origin.source, source);
    EXPECT_TRUE(editor.screen.menu_enabled(ids::inject_tim));
    ASSERT_EQ(editor.screen.preview_width, 8);
    ASSERT_EQ(editor.screen.preview_height, 4);
    EXPECT_EQ(editor.screen.preview_pixel(5, 2), color_of(editor.state.palette[(2 * 8 + 5) % 16]));
    EXPECT_NE(editor.screen.preview_status.find("disc.img at 0x1235: 8 x 4, 4 bits, CLUT row 1"),
              std::string::npos)
        << editor.screen.preview_status;

    // Undo gives the CLUT file back, Redo the TIM row.
    editor.command(ids::undo);
    editor.settle();
    EXPECT_EQ(editor.state.origin.source, kit);
    editor.command(ids::redo);
    editor.settle();
    EXPECT_EQ(editor.state.origin.source, source);

    // Inject in TIM writes the row's 32 bytes inside the large file, nothing else.
    editor.click(3);
    editor.move_slider(ids::slider_red, 0);
    editor.command(ids::inject_tim);
    EXPECT_TRUE(editor.screen.errors.empty());
    Bytes expected = file;
    const Bytes row = words_to_bytes(table_words(editor.state));
    std::copy(row.begin(), row.end(),
              expected.begin() + static_cast<std::ptrdiff_t>(source.offset));
    ASSERT_NE(expected, file);
    EXPECT_EQ(read_bytes(path), expected);

    // The header at that offset is read again first: no TIM there, no write.
    expected[at] = 0;
    dir.write("disc.img", expected);
    editor.command(ids::inject_tim);
    EXPECT_EQ(read_bytes(path), expected);
    ASSERT_EQ(editor.screen.errors.size(), 1u);
    EXPECT_NE(editor.screen.errors[0].find("there is no TIM at offset 4661"), std::string::npos)
        << editor.screen.errors[0];
}

}  // namespace
}  // namespace tavrin
