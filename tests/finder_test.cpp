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

using Step = FakeWindowLayer::FinderStep;

// Runs the command on path with the finder scripted to set options, press
// Find, wait for the end and double-click row choose (nullopt: close).
void find(TestEditor& editor, const std::string& path, FinderOptions options,
          std::optional<std::size_t> choose) {
    FakeWindowLayer::FinderScript script{Step::set(options), Step::just(Step::Kind::find),
                                         Step::just(Step::Kind::wait_end)};
    if (choose) {
        script.push_back(Step::on_row(Step::Kind::choose, static_cast<int>(*choose)));
    }
    editor.screen.open_answers.push_back(path);
    editor.screen.finder_scripts.push_back(script);
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
    ASSERT_EQ(editor.screen.finder_opened.size(), 1u);
    EXPECT_EQ(editor.screen.finder_opened[0].file, path);
    EXPECT_EQ(editor.screen.finder_opened[0].targets[0], "The table's colors (16)");
    EXPECT_EQ(editor.state.finder.request.live_words, live);
    EXPECT_TRUE(editor.state.finder.request.selected_words.empty());
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
    EXPECT_EQ(editor.screen.finder_opened.back().options.min_matching, 14);
    EXPECT_EQ(editor.state.finder.request.selected_words,
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
    EXPECT_EQ(editor.screen.finder_opened[0].options.target, FinderTarget::tim);
    EXPECT_TRUE(editor.state.finder.request.live_words.empty());
    // And a CLUT search without colours says why it cannot run.
    EXPECT_EQ(editor.screen.finder_status, "Search failed: No CLUT is loaded.");

    find(editor, path, tims, 0);
    EXPECT_EQ(editor.screen.finder_rows,
              std::vector<std::string>{"0x100 (256)  TIM 4-bit, 8 x 2, 1 x 16 CLUT"});
    // The colour options do not apply to TIM images.
    EXPECT_TRUE(editor.screen.finder_view.target_enabled);
    EXPECT_FALSE(editor.screen.finder_view.clut_options_enabled);
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

TEST(Finder, ADenseScanStopsAtTheCapAndCancelOrCloseLetGoOfAScanAtOnce) {
    TempDir dir;
    // 64 MiB of zeros: a black one-colour CLUT is found at every even offset.
    Bytes file(std::size_t{64} << 20, 0);
    const std::string zeros = dir.write("zeros.img", file);
    TestEditor editor;
    editor.load_clut(dir.write("black.clu", words_to_bytes({0x0000})));
    FakeWindowLayer& screen = editor.screen;
    screen.open_answers.push_back(zeros);
    screen.finder_scripts.push_back({Step::just(Step::Kind::find), Step::just(Step::Kind::wait_end),
                                     Step::just(Step::Kind::settle)});
    editor.command(ids::find_clut);
    ASSERT_FALSE(screen.finder_timed_out);
    EXPECT_EQ(screen.finder_status, "10,000 hits shown: narrow the search");
    ASSERT_EQ(screen.finder_rows.size(), finder_max_hits);
    EXPECT_EQ(screen.finder_rows.front(), "0x0 (0)  CLUT, 1 words match");
    EXPECT_EQ(screen.finder_rows.back(), "0x4E1E (19998)  CLUT, 1 words match");
    EXPECT_LT(screen.finder_view.progress, 1000);  // it stopped there
    EXPECT_TRUE(screen.finder_view.find_enabled && screen.finder_view.clut_options_enabled);
    EXPECT_FALSE(screen.finder_view.cancel_enabled);

    // A slow search: 256 colours with one that must match, so each of the 256
    // runs over every word; a copy every 256 KiB, hits coming all along.
    std::vector<std::uint16_t> colors;
    for (int i = 0; i < 256; ++i) {
        colors.push_back(static_cast<std::uint16_t>(0x0101 + 37 * i));
    }
    const Bytes copy = words_to_bytes(colors);
    for (std::size_t at = 0; at < file.size(); at += std::size_t{256} << 10) {
        plant(file, at, copy);
    }
    const std::string copies = dir.write("copies.img", file);
    editor.load_clut(dir.write("full.clu", copy));
    const ClutOrigin loaded = editor.state.origin;
    FinderOptions one;
    one.min_matching = 1;
    for (const Step::Kind let_go : {Step::Kind::cancel, Step::Kind::close}) {
        SCOPED_TRACE(let_go == Step::Kind::cancel ? "Cancel" : "Close");
        screen.finder_slowest_event_ms = 0;
        screen.open_answers.push_back(copies);
        // While it runs only Cancel and Close are offered.
        const auto running = Step::then([&] {
            const FinderView& view = screen.finder_view;
            EXPECT_TRUE(view.cancel_enabled);
            EXPECT_FALSE(view.find_enabled || view.target_enabled || view.clut_options_enabled);
            EXPECT_EQ(view.status.rfind("Searching... ", 0), 0u) << view.status;
        });
        screen.finder_scripts.push_back({Step::set(one), Step::just(Step::Kind::find),
                                         Step::until_rows(2), running, Step::just(let_go),
                                         Step::just(Step::Kind::settle)});
        editor.command(ids::find_clut);
        editor.settle();
        ASSERT_FALSE(screen.finder_timed_out);
        const std::size_t shown = screen.finder_rows_at_cancel;
        EXPECT_GE(shown, 2u);
        EXPECT_LT(shown, 256u);                       // the scan was still running
        EXPECT_EQ(screen.finder_rows.size(), shown);  // and nothing came after
        EXPECT_EQ(screen.finder_rows[1], "0x40000 (262144)  CLUT, 256 words match");
        if (let_go == Step::Kind::cancel) {
            EXPECT_EQ(screen.finder_status, "Cancelled: " + std::to_string(shown) + " hits.");
        }
        EXPECT_FALSE(screen.finder_view.open);
        // The window answered at once, and the scan stopped within its block.
        EXPECT_LT(screen.finder_slowest_event_ms, 100.0);
        EXPECT_LT(screen.finder_settle_ms, 250.0);
        EXPECT_EQ(screen.finder_workers(), 0);
        EXPECT_EQ(editor.state.origin, loaded);
    }
}

TEST(Finder, MovingThroughHitsTriesTheirColorsOnThePreviewAndEscapeGoesBack) {
    TempDir dir;
    TimSpec spec{4, {{}}, 8, 4, {}};
    for (int i = 0; i < 16; ++i) {
        spec.clut_rows[0].push_back(static_cast<std::uint16_t>(0x0842 * (i % 15 + 1) + i));
    }
    for (int i = 0; i < 32; ++i) {
        spec.indices.push_back(static_cast<std::uint8_t>((i * 7) % 16));
    }
    const std::vector<std::uint16_t>& row = spec.clut_rows[0];
    // Two edited copies of the row: candidate palettes for the texture.
    std::vector<std::uint16_t> first = row;
    std::vector<std::uint16_t> second = row;
    for (int i : {1, 4, 6}) {
        first[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(0x7C00 + i);
    }
    for (int i : {2, 5, 9, 13}) {
        second[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(0x03E0 + i);
    }
    Bytes file(0x1000, 0xEE);
    plant(file, 0x200, words_to_bytes(first));
    plant(file, 0x600, words_to_bytes(second));
    const std::string candidates = dir.write("candidates.bin", file);

    TestEditor editor;
    editor.screen.open_answers.push_back(dir.write("kit.TIM", testing::tim_file_bytes(spec)));
    editor.command(ids::extract_tim);
    editor.settle();
    ASSERT_EQ(editor.screen.preview_width, 8);
    FakeWindowLayer& screen = editor.screen;
    const ClutOrigin origin = editor.state.origin;
    const std::size_t steps = editor.state.history.steps.size();
    const std::string undo = screen.menu_texts[ids::undo];
    const std::string status = screen.preview_status;
    // Every pixel of the preview drawn through words.
    const auto drawn_through = [&](const std::vector<std::uint16_t>& words) {
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 8; ++x) {
                const int index = spec.indices[static_cast<std::size_t>(y * 8 + x)];
                if (screen.preview_pixel(x, y) !=
                    color_of(decode_bgr555(words[static_cast<std::size_t>(index)]))) {
                    return false;
                }
            }
        }
        return true;
    };
    const auto untouched = [&] {
        EXPECT_EQ(table_words(editor.state), row);
        EXPECT_EQ(editor.state.origin, origin);
        EXPECT_EQ(editor.state.history.steps.size(), steps);
        EXPECT_EQ(screen.menu_texts[ids::undo], undo);
    };
    ASSERT_TRUE(drawn_through(row));

    FinderOptions close;
    close.min_matching = 12;
    const auto search = [&](std::vector<Step> then) {
        FakeWindowLayer::FinderScript script{Step::set(close), Step::just(Step::Kind::find),
                                             Step::just(Step::Kind::wait_end)};
        script.insert(script.end(), then.begin(), then.end());
        screen.open_answers.push_back(candidates);
        screen.finder_scripts.push_back(script);
        editor.command(ids::find_clut);
        editor.settle();
    };
    // A click on a hit, then an arrow key: the texture in each hit's colours,
    // nothing loaded; Escape gives the live colours back.
    search(
        {Step::on_row(Step::Kind::select, 1), Step::then([&] {
             EXPECT_TRUE(drawn_through(second));
             EXPECT_EQ(screen.preview_status.rfind("Trying the 16 colors at 0x600 (1536)", 0), 0u)
                 << screen.preview_status;
             untouched();
         }),
         Step::on_row(Step::Kind::select, 0), Step::then([&] {
             EXPECT_TRUE(drawn_through(first));
             untouched();
         }),
         Step::just(Step::Kind::close)});
    ASSERT_EQ(screen.finder_rows.size(), 2u);
    EXPECT_TRUE(drawn_through(row));
    EXPECT_EQ(screen.preview_status, status);
    untouched();

    // Enter on a tried hit loads it as a double-click does: a step to undo.
    search({Step::on_row(Step::Kind::select, 0), Step::on_row(Step::Kind::choose, 1)});
    EXPECT_EQ(table_words(editor.state), second);
    EXPECT_EQ(editor.state.origin.source.offset, 0x600u);
    EXPECT_EQ(editor.state.history.steps.size(), steps + 1);
    editor.command(ids::undo);
    editor.settle();
    EXPECT_EQ(table_words(editor.state), row);
    EXPECT_TRUE(drawn_through(row));
}

}  // namespace
}  // namespace tavrin
