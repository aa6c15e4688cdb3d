// Import colors, Export colors and the system clipboard as the user gives
// them: which cells change and how, what lands on disk and on the clipboard.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_files.h"
#include "tests/support/test_editor.h"
#include "ui/palette_file_commands.h"

namespace tavrin {
namespace {

using testing::Bytes;
using testing::TempDir;
using testing::TestEditor;
using testing::words_to_bytes;

Bytes text_bytes(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

// A CLUT of 16 colours: word i * 0x0421 (grey i), bit 15 set on odd entries.
void load_greys(TestEditor& editor, const TempDir& dir) {
    std::vector<std::uint16_t> words;
    for (int i = 0; i < 16; ++i) {
        words.push_back(static_cast<std::uint16_t>(i * 0x0421 | (i % 2 ? 0x8000 : 0)));
    }
    editor.load_clut(dir.write("greys.clu", words_to_bytes(words)));
}

std::vector<std::uint16_t> words(const TestEditor& editor) {
    std::vector<std::uint16_t> out;
    for (int i = 0; i < 16; ++i) {
        out.push_back(encode_bgr555(editor.entry(i)));
    }
    return out;
}

TEST(ImportColors, FillsTheSelectionInTheOrderItWasSelectedKeepingBit15) {
    TempDir dir;
    TestEditor editor;
    load_greys(editor, dir);
    const std::string gpl = dir.write(
        "kit.gpl", text_bytes("GIMP Palette\nName: Kit\n255 0 0\n0 255 0\n0 0 255\n9 9 9\n"));

    // Selected 5, then 2, then 9: the first colour goes to 5.
    editor.click(5);
    editor.ctrl_click(2);
    editor.ctrl_click(9);
    std::vector<std::uint16_t> expected = words(editor);
    editor.screen.open_answers.push_back(gpl);
    import_colors(editor.state, editor.screen);
    expected[5] = 0x801F;  // red, bit 15 kept
    expected[2] = 0x03E0;  // green
    expected[9] = 0xFC00;  // blue, bit 15 kept
    EXPECT_EQ(words(editor), expected);
    EXPECT_TRUE(editor.screen.cell_is_framed(5, Rgb{255, 0, 0}));
    EXPECT_TRUE(editor.screen.cell_is_framed(9, Rgb{0, 0, 255}));
    EXPECT_EQ(editor.screen.status, "3 of 4 colors imported");
    EXPECT_TRUE(editor.screen.errors.empty());

    // Nothing selected: from cell 0 up; hex words also set bit 15.
    editor.ctrl_click(5);
    editor.ctrl_click(2);
    editor.ctrl_click(9);
    ASSERT_TRUE(editor.selected().empty());
    editor.screen.open_answers.push_back(dir.write("w.txt", text_bytes("8000\n001F\n")));
    import_colors(editor.state, editor.screen);
    expected[0] = 0x8000;
    expected[1] = 0x001F;
    EXPECT_EQ(words(editor), expected);
    EXPECT_TRUE(editor.screen.cell_is_plain(1, Rgb{255, 0, 0}));

    // A broken file: a message naming it and the line; nothing changes.
    editor.screen.open_answers.push_back(
        dir.write("bad.gpl", text_bytes("GIMP Palette\n1 2 3\n4 5 six\n")));
    import_colors(editor.state, editor.screen);
    ASSERT_EQ(editor.screen.errors.size(), 1u);
    EXPECT_NE(editor.screen.errors[0].find("bad.gpl\": GIMP palette, line 3"), std::string::npos)
        << editor.screen.errors[0];
    EXPECT_EQ(words(editor), expected);
}

TEST(ExportColors, WritesTheFormatOfTheChosenFilterSafely) {
    TempDir dir;
    TestEditor editor;
    load_greys(editor, dir);
    const auto export_as = [&](const std::string& name, int filter) {
        editor.screen.save_answers.push_back(dir.path(name));
        editor.screen.save_filters.push_back(filter);
        export_colors(editor.state, editor.screen);
    };

    // The whole table as hex colour words (filter 4); the extension is added.
    export_as("all", 4);
    const Bytes all = testing::read_bytes(dir.path("all.txt"));
    EXPECT_EQ(std::string(all.begin(), all.end()).substr(0, 15), "0000\n8421\n0842\n");
    EXPECT_EQ(editor.screen.status, "16 colors exported");

    // The selection, in the order it was selected, as GIMP's (filter 0),
    // replacing a file that was there.
    dir.write("sel.gpl", Bytes(4000, 'x'));
    editor.click(3);
    editor.ctrl_click(1);
    export_as("sel.gpl", 0);
    const Bytes gpl = testing::read_bytes(dir.path("sel.gpl"));
    EXPECT_EQ(std::string(gpl.begin(), gpl.end()),
              "GIMP Palette\nName: Tavrin\nColumns: 16\n#\n"
              " 24  24  24\tIndex 0\n  8   8   8\tIndex 1\n");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"all.txt", "greys.clu", "sel.gpl"}));

    // A write that cannot happen is reported; nothing is left behind.
    export_as("missing-folder/x.png", 3);
    ASSERT_EQ(editor.screen.errors.size(), 1u);
    EXPECT_NE(editor.screen.errors[0].find("Could not export colors to"), std::string::npos);
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"all.txt", "greys.clu", "sel.gpl"}));
}

TEST(SystemClipboard, CopyPutsTextAndWordsThatPasteFromClipboardTakesBack) {
    TempDir dir;
    TestEditor editor;
    load_greys(editor, dir);
    const std::vector<std::uint16_t> before = words(editor);

    editor.click(1);
    editor.shift_click(3);  // 1, 2, 3
    editor.command(ids::copy);
    EXPECT_EQ(editor.screen.clipboard_plain, "#080808\n#101010\n#181818\n");
    EXPECT_EQ(editor.screen.clipboard_words, "8421\n0842\n8C63\n");
    EXPECT_TRUE(command_enabled(editor.state, ids::paste));

    // Between Tavrin windows the words come back with bit 15.
    editor.click(10);
    editor.shift_click(12);
    paste_from_clipboard(editor.state, editor.screen);
    std::vector<std::uint16_t> expected = before;
    expected[10] = 0x8421;
    expected[11] = 0x0842;
    expected[12] = 0x8C63;
    EXPECT_EQ(words(editor), expected);
    EXPECT_EQ(editor.screen.status, "3 of 3 colors pasted");

    // Text from elsewhere: #RRGGBB leaves bit 15 as it was.
    editor.screen.clipboard_words.reset();
    editor.screen.clipboard_plain = "; from an image editor\n#FF0000\n";
    editor.click(15);
    paste_from_clipboard(editor.state, editor.screen);
    expected[15] = 0x801F;
    EXPECT_EQ(words(editor), expected);

    // Text that holds no colours changes nothing.
    editor.screen.clipboard_plain = "hello there";
    paste_from_clipboard(editor.state, editor.screen);
    EXPECT_EQ(words(editor), expected);
    EXPECT_EQ(editor.screen.status, "The clipboard holds no colors");
}

}  // namespace
}  // namespace tavrin
