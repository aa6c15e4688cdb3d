// The transparency bit as a modder meets it: marks on the cells, the panel's
// box and Edit > Toggle transparency bit, the two selections, the guard
// against edits that make the word 0000, and the preview and `render`
// drawing a texture over its background as the console does.
#include <gtest/gtest.h>

#include "formats/palette_formats.h"
#include "png/png.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/run_cli.h"
#include "tests/support/temp_files.h"
#include "tests/support/test_editor.h"
#include "tests/support/tim_files.h"
#include "ui/cell_description.h"
#include "ui/menu_table.h"
#include "ui/preview.h"
#include "ui/transparency_commands.h"

namespace tavrin {
namespace {

using testing::TempDir;
using testing::TestEditor;
using testing::words_to_bytes;

constexpr Rgb black{0, 0, 0};
constexpr Rgb white{255, 255, 255};
constexpr Rgb red{255, 0, 0};

// 0: white, 1: transparent, 2: semi-transparent red, 3: red, 4: opaque black
// (bit 15 set), 5: green, 6: semi-transparent white, 7..15: dark colours.
std::vector<std::uint16_t> kit_words() {
    std::vector<std::uint16_t> words = {0x7FFF, 0x0000, 0x801F, 0x001F, 0x8000, 0x03E0, 0xFFFF};
    for (int i = 7; i < 16; ++i) {
        words.push_back(static_cast<std::uint16_t>(0x1000 + i));
    }
    return words;
}

struct Kit {
    TempDir dir;
    TestEditor editor;

    Kit() { editor.load_clut(dir.write("kit.clu", words_to_bytes(kit_words()))); }

    std::uint16_t word(int index) const { return encode_bgr555(editor.entry(index)); }
};

TEST(Transparency, ShowTransparencyMarksBit15AndZeroWithoutHidingTheColor) {
    Kit kit;
    testing::FakeWindowLayer& screen = kit.editor.screen;
    // Off, as it starts: every cell exactly its colour.
    EXPECT_FALSE(screen.checks.at(ids::show_transparency));
    for (int i = 0; i < 16; ++i) {
        EXPECT_TRUE(screen.cell_is_plain(i, color_of(kit.editor.entry(i)))) << i;
    }

    kit.editor.command(ids::show_transparency);
    EXPECT_TRUE(screen.checks.at(ids::show_transparency));
    // Semi-transparent: a triangle of 15 pixels in the centre's top-left
    // corner, white on a dark colour, black on a light one.
    EXPECT_EQ(screen.pixel(2, 4, 4), white);
    EXPECT_EQ(screen.pixel(2, 8, 4), white);
    EXPECT_EQ(screen.pixel(2, 4, 8), white);
    EXPECT_EQ(screen.pixel(2, 9, 4), red);
    EXPECT_EQ(screen.pixel(2, 5, 8), red);
    EXPECT_EQ(screen.pixel(2, 13, 13), red);
    EXPECT_EQ(screen.pixel(2, 0, 0), red);
    EXPECT_EQ(screen.pixel(6, 4, 4), black);
    EXPECT_EQ(screen.pixel(4, 4, 4), white);
    // Transparent: white and grey squares in the bottom-right corner.
    EXPECT_EQ(screen.pixel(1, 13, 13), white);
    EXPECT_EQ(screen.pixel(1, 12, 13), (Rgb{128, 128, 128}));
    EXPECT_EQ(screen.pixel(1, 10, 10), white);
    EXPECT_EQ(screen.pixel(1, 9, 9), black);
    EXPECT_EQ(screen.pixel(1, 4, 4), black);
    for (int i : {0, 3, 5, 7, 15}) {
        EXPECT_TRUE(screen.cell_is_plain(i, color_of(kit.editor.entry(i)))) << i;
    }

    // The frame goes round the mark; the panel's box shows the head's bit.
    kit.editor.click(2);
    EXPECT_EQ(screen.pixel(2, 1, 1), black);
    EXPECT_EQ(screen.pixel(2, 2, 2), white);
    EXPECT_EQ(screen.pixel(2, 4, 4), white);
    EXPECT_EQ(screen.pixel(2, 9, 4), red);
    EXPECT_TRUE(screen.checks.at(ids::check_semi_transparent));
    EXPECT_TRUE(screen.enabled(ids::check_semi_transparent));
    kit.editor.click(3);
    EXPECT_FALSE(screen.checks.at(ids::check_semi_transparent));

    EXPECT_EQ(cell_accessible_name(kit.editor.state, 2),
              "Color 2: red 255, green 0, blue 0, hex 801F, semi-transparent");
    EXPECT_EQ(cell_accessible_name(kit.editor.state, 1),
              "Color 1: red 0, green 0, blue 0, hex 0000, transparent");
    EXPECT_EQ(cell_accessible_name(kit.editor.state, 3),
              "Color 3: red 255, green 0, blue 0, hex 001F");

    kit.editor.command(ids::show_transparency);
    EXPECT_TRUE(screen.cell_is_plain(2, red));
    EXPECT_TRUE(screen.cell_is_plain(1, black));
}

TEST(Transparency, TheBoxAndTheToggleSetBit15OnEverySelectedCellAsOneStep) {
    Kit kit;
    TestEditor& editor = kit.editor;
    EXPECT_EQ(shortcut_command('J', true, false, false), ids::toggle_transparency);
    EXPECT_FALSE(editor.screen.menu_enabled(ids::toggle_transparency));
    editor.click(3);
    editor.ctrl_click(5);
    ASSERT_EQ(editor.head(), 5);

    on_semi_transparent_checked(editor.state, editor.screen, true);
    EXPECT_EQ(kit.word(3), 0x801F);
    EXPECT_EQ(kit.word(5), 0x83E0);
    EXPECT_EQ(kit.word(2), 0x801F);  // not selected, as it was
    EXPECT_EQ(editor.screen.field_text(ids::field_hex), "83E0");
    EXPECT_TRUE(editor.screen.checks.at(ids::check_semi_transparent));
    EXPECT_EQ(editor.state.history.undo_text, "&Undo Set transparency bit\tCtrl+Z");
    editor.command(ids::undo);
    EXPECT_EQ(kit.word(3), 0x001F);
    EXPECT_EQ(kit.word(5), 0x03E0);
    EXPECT_FALSE(editor.screen.checks.at(ids::check_semi_transparent));

    // The toggle follows the head: set on both, then cleared on both.
    editor.command(ids::toggle_transparency);
    EXPECT_EQ(kit.word(3), 0x801F);
    EXPECT_EQ(kit.word(5), 0x83E0);
    EXPECT_EQ(editor.state.history.undo_text, "&Undo Toggle transparency bit\tCtrl+Z");
    editor.command(ids::toggle_transparency);
    EXPECT_EQ(kit.word(3), 0x001F);
    EXPECT_EQ(kit.word(5), 0x03E0);
    editor.command(ids::undo);
    EXPECT_EQ(kit.word(5), 0x83E0);

    // Clearing the bit of opaque black makes a hole on purpose: no guard.
    editor.command(ids::keep_black_opaque);
    editor.click(4);
    editor.command(ids::toggle_transparency);
    EXPECT_EQ(kit.word(4), 0x0000);
    EXPECT_EQ(editor.screen.status, "");
}

TEST(Transparency, SelectTransparentAndSemiTransparentColorsInIndexOrder) {
    Kit kit;
    TestEditor& editor = kit.editor;
    editor.command(ids::select_transparent);
    EXPECT_EQ(editor.selected(), (std::vector<int>{1}));
    editor.command(ids::select_semi_transparent);
    EXPECT_EQ(editor.selected(), (std::vector<int>{6, 4, 2}));  // the last one is the head
    EXPECT_TRUE(editor.screen.cell_is_framed(2, red));
    EXPECT_TRUE(editor.screen.messages.empty());

    editor.command(ids::toggle_transparency);  // the head has bit 15: cleared on all three
    EXPECT_EQ(kit.word(2), 0x001F);
    EXPECT_EQ(kit.word(4), 0x0000);
    EXPECT_EQ(kit.word(6), 0x7FFF);
    editor.command(ids::select_semi_transparent);
    EXPECT_TRUE(editor.selected().empty());
    EXPECT_EQ(editor.screen.messages,
              (std::vector<std::string>{std::string(no_semi_transparent_message)}));
    editor.command(ids::select_transparent);
    EXPECT_EQ(editor.selected(), (std::vector<int>{4, 1}));
}

TEST(TransparencyGuard, EditsThatMakeAColorTransparentSaySoOrKeepItOpaque) {
    {
        // A slider to black on red with bit 15 clear: the word 0000.
        Kit kit;
        TestEditor& editor = kit.editor;
        editor.click(3);
        editor.move_slider(ids::slider_red, 0);
        EXPECT_EQ(kit.word(3), 0x0000);
        EXPECT_EQ(editor.screen.status,
                  "1 color became transparent (0000): the game will not draw it");
        // A copy of that hole pasted over another colour.
        editor.command(ids::copy);
        editor.click(5);
        editor.screen.status.clear();
        editor.command(ids::paste);
        EXPECT_EQ(kit.word(5), 0x0000);
        EXPECT_EQ(editor.screen.status,
                  "1 color became transparent (0000): the game will not draw it");
        // Typing 001F passes through the word 0000 on its way: once it is
        // red again, no hole is left to report.
        editor.click(7);
        editor.clear_field(ids::field_hex);
        editor.type(ids::field_hex, "0");
        EXPECT_EQ(editor.screen.status,
                  "1 color became transparent (0000): the game will not draw it");
        editor.type(ids::field_hex, "01F");
        EXPECT_EQ(kit.word(7), 0x001F);
        EXPECT_EQ(editor.screen.status, "");
    }
    {
        Kit kit;
        TestEditor& editor = kit.editor;
        editor.command(ids::keep_black_opaque);
        EXPECT_TRUE(editor.screen.checks.at(ids::keep_black_opaque));
        editor.click(3);
        editor.move_slider(ids::slider_red, 0);
        EXPECT_EQ(kit.word(3), 0x8000);
        EXPECT_EQ(editor.screen.field_text(ids::field_hex), "8000");
        EXPECT_EQ(editor.screen.status,
                  "1 color kept opaque black (8000) instead of transparent (0000)");
        // Further in the same drag the colour is opaque again as it was.
        editor.move_slider(ids::slider_red, 128);
        EXPECT_EQ(kit.word(3), 0x0010);
        EXPECT_EQ(editor.screen.status, "");
        EXPECT_FALSE(editor.screen.checks.at(ids::check_semi_transparent));
        editor.command(ids::undo);
        EXPECT_EQ(kit.word(3), 0x001F);

        // Typing a hole into the hex field.
        editor.clear_field(ids::field_hex);
        editor.type(ids::field_hex, "0000");
        editor.leave_field(ids::field_hex);
        EXPECT_EQ(kit.word(3), 0x8000);
        EXPECT_EQ(editor.screen.field_text(ids::field_hex), "8000");

        // A palette file: its transparent colour is 0000 as the file says;
        // its opaque black is kept opaque over a colour with bit 15 clear.
        const std::vector<PaletteEntry> colors = {decode_bgr555(0x0000), decode_bgr555(0x8000),
                                                  decode_bgr555(0x001F)};
        std::vector<std::uint8_t> png;
        ASSERT_TRUE(write_palette(PaletteFormat::png, colors, {}, png).ok);
        editor.click(0);
        editor.ctrl_click(5);
        editor.ctrl_click(7);
        editor.screen.open_answers.push_back(kit.dir.write("colors.png", png));
        editor.command(ids::import_colors);
        EXPECT_EQ(kit.word(0), 0x0000);
        EXPECT_EQ(kit.word(5), 0x8000);
        EXPECT_EQ(kit.word(7), 0x001F);
        EXPECT_EQ(editor.screen.status,
                  "3 of 3 colors imported; 1 color kept opaque black (8000) instead of "
                  "transparent (0000)");
        // Exported again, the hole is the PNG's transparent colour and the
        // kept black an opaque one.
        std::vector<std::uint8_t> again;
        std::vector<PaletteEntry> now = {editor.entry(0), editor.entry(5)};
        ASSERT_TRUE(write_palette(PaletteFormat::png, now, {}, again).ok);
        PaletteFile read;
        ASSERT_TRUE(read_palette(again, read).ok);
        EXPECT_EQ(read.colors[0].high_bit, std::optional<bool>(false));
        EXPECT_EQ(read.colors[1].high_bit, std::nullopt);
    }
}

// An 8 x 1 image through [0000, 8010, 0010]: a hole, red 16 with bit 15, and
// red 16 without it, on the light (x 0..3) and dark (x 4..7) squares.
testing::TimSpec backdrop_tim() {
    testing::TimSpec spec;
    spec.bits_per_pixel = 4;
    spec.clut_rows = {{0x0000, 0x8010, 0x0010, 0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF,
                       0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF}};
    spec.width = 8;
    spec.height = 1;
    spec.indices = {0, 1, 2, 0, 0, 1, 2, 0};
    return spec;
}

std::vector<Rgb> rendered(const std::vector<std::string>& options) {
    MemoryFileSystem fs;
    fs.put("kit.tim", testing::tim_file_bytes(backdrop_tim()));
    std::vector<std::string> args = {"render", "--tim", "kit.tim", "-o", "kit.png"};
    args.insert(args.end(), options.begin(), options.end());
    std::string out;
    std::string err;
    EXPECT_EQ(testing::run_cli_in_process(args, fs, out, err), 0) << err;
    png::Image image;
    std::vector<std::string> warnings;
    std::string reason;
    EXPECT_TRUE(png::decode(fs.contents("kit.png"), image, warnings, reason)) << reason;
    std::vector<Rgb> pixels;
    for (int i = 0; i < image.width * image.height; ++i) {
        const auto at = static_cast<std::size_t>(i);
        if (image.indexed()) {
            const png::Rgba c = image.palette.at(image.pixels.at(at));
            pixels.push_back(Rgb{c.red, c.green, c.blue});
        } else {
            pixels.push_back(Rgb{image.pixels.at(at * 4), image.pixels.at(at * 4 + 1),
                                 image.pixels.at(at * 4 + 2)});
        }
    }
    return pixels;
}

TEST(PreviewBackdrop, PixelsBlendOverTheBackgroundAsTheConsoleDrawsThem) {
    TempDir dir;
    TestEditor editor;
    editor.screen.open_answers.push_back(
        dir.write("kit.tim", testing::tim_file_bytes(backdrop_tim())));
    editor.screen.list_answers.push_back(0);
    editor.command(ids::extract_tim);
    editor.command(ids::texture_preview);
    const auto row = [&] {
        std::vector<Rgb> pixels;
        for (int x = 0; x < 8; ++x) {
            pixels.push_back(editor.screen.preview_pixel(x, 0));
        }
        return pixels;
    };
    const Rgb light{0xCC, 0xCC, 0xCC};
    const Rgb dark{0x88, 0x88, 0x88};
    const Rgb red16{131, 0, 0};  // 255 * 16 / 31
    // By default the hole shows the checkerboard and bit 15 is not drawn.
    EXPECT_EQ(row(), (std::vector<Rgb>{light, red16, red16, light, dark, red16, red16, dark}));

    // Over 404040 (8 in five bits): B/2+F/2, B+F, B-F, B+F/4 on each channel.
    const Rgb grey{0x40, 0x40, 0x40};
    struct Case {
        BlendMode mode;
        const char* name;
        Rgb blended;
    };
    const Case cases[] = {
        {BlendMode::half, "half", {98, 32, 32}},         // (8+16)/2 = 12, 8/2 = 4
        {BlendMode::add, "add", {197, 65, 65}},          // 24, 8
        {BlendMode::subtract, "subtract", {0, 65, 65}},  // 8-16 clamped to 0, 8
        {BlendMode::quarter, "quarter", {98, 65, 65}},   // 8+16/4 = 12, 8
    };
    for (const Case& c : cases) {
        on_preview_backdrop(editor.state, editor.screen, Backdrop{grey, c.mode});
        const std::vector<Rgb> want = {grey, c.blended, red16, grey, grey, c.blended, red16, grey};
        EXPECT_EQ(row(), want) << c.name;
        EXPECT_EQ(rendered({"--background", "404040", "--blend", c.name}), want) << c.name;
    }
    // Half over the checkerboard: light squares are 25, dark ones 17.
    on_preview_backdrop(editor.state, editor.screen, Backdrop{std::nullopt, BlendMode::half});
    const std::vector<Rgb> checker = {light, {164, 98, 98}, red16, light,
                                      dark,  {131, 65, 65}, red16, dark};
    EXPECT_EQ(row(), checker);
    EXPECT_EQ(rendered({"--blend", "half"}), checker);
    // Without either option, render draws as it always has: the hole black.
    const Rgb hole{0, 0, 0};
    EXPECT_EQ(rendered({}), (std::vector<Rgb>{hole, red16, red16, hole, hole, red16, red16, hole}));
    EXPECT_EQ(rendered({"--background", "#00FF00"})[0], (Rgb{0, 255, 0}));
    MemoryFileSystem fs;
    fs.put("kit.tim", testing::tim_file_bytes(backdrop_tim()));
    std::string out;
    std::string err;
    EXPECT_NE(testing::run_cli_in_process(
                  {"render", "--tim", "kit.tim", "-o", "kit.png", "--background", "00FF0G"}, fs,
                  out, err),
              0);
    EXPECT_NE(err.find("--background takes six hex digits"), std::string::npos) << err;
    EXPECT_FALSE(fs.exists("kit.png"));

    editor.screen.preview_status.clear();
    on_preview_hover(editor.state, editor.screen, 1, 0);
    EXPECT_EQ(editor.screen.preview_status,
              "x 1, y 0: index 1, RGB 131,0,0, hex 0x8010, semi-transparent");
}

}  // namespace
}  // namespace tavrin
