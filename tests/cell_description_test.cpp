// The names a screen reader reads for the cells follow the palette, the
// colour count and the selection.
#include <gtest/gtest.h>

#include "tests/support/temp_files.h"
#include "tests/support/test_editor.h"
#include "ui/cell_description.h"

namespace tavrin {
namespace {

using testing::TempDir;
using testing::TestEditor;
using testing::words_to_bytes;

TEST(CellDescription, NamesTheColourAndFollowsEditsAndSelection) {
    TempDir dir;
    TestEditor editor;
    EXPECT_EQ(cell_accessible_name(editor.state, 0), "Color 0: empty");

    std::vector<std::uint16_t> words(18, 0x0000);
    words[17] = 0x7C1F;
    words[2] = 0x03E0;
    editor.load_clut(dir.write("kit.clu", words_to_bytes(words)));
    EXPECT_EQ(cell_accessible_name(editor.state, 17),
              "Color 17: red 255, green 0, blue 255, hex 7C1F");
    EXPECT_EQ(cell_accessible_name(editor.state, 2), "Color 2: red 0, green 255, blue 0, hex 03E0");
    EXPECT_EQ(cell_accessible_name(editor.state, 18), "Color 18: empty");  // beyond the count
    EXPECT_EQ(cell_accessible_name(editor.state, 256), "Color 256: empty");

    editor.click(17);
    editor.ctrl_click(2);
    EXPECT_TRUE(cell_selected(editor.state, 17));
    EXPECT_TRUE(cell_selected(editor.state, 2));
    EXPECT_FALSE(cell_selected(editor.state, 3));

    editor.clear_field(ids::field_hex);
    editor.type(ids::field_hex, "001F");  // the last cell selected, 2
    EXPECT_EQ(cell_accessible_name(editor.state, 2), "Color 2: red 255, green 0, blue 0, hex 001F");
    editor.ctrl_click(17);
    EXPECT_FALSE(cell_selected(editor.state, 17));
}

}  // namespace
}  // namespace tavrin
