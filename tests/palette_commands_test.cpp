// tavrin-cli export, import and convert over a file system in memory: what
// lands in the files, and that a failed import changes nothing.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "formats/palette_formats.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/temp_files.h"
#include "tests/support/tim_files.h"

namespace tavrin {
namespace {

using testing::Bytes;
using testing::words_to_bytes;

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

CliResult run(MemoryFileSystem& fs, std::vector<std::string> args) {
    args.insert(args.begin(), "tavrin-cli");
    std::ostringstream out;
    std::ostringstream err;
    CliResult result;
    result.status = cli::run(args, fs, out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

Bytes text_bytes(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

std::string text_of(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(PaletteCommands, ExportConvertAndImportCarryTheColors) {
    MemoryFileSystem fs;
    std::vector<std::uint16_t> words(256);
    for (std::size_t i = 0; i < words.size(); ++i) {
        words[i] = static_cast<std::uint16_t>(i * 0x0107u);
    }
    const Bytes tex = testing::tex_file_bytes(2048, 4, 0x40, 0x200, words);
    fs.put("team.bin", tex);
    fs.put("kit.clu", words_to_bytes({0x7C1F, 0x83E0, 0x8000}));

    // export: the format from the extension or --format.
    CliResult result = run(fs, {"export", "kit.clu", "-o", "kit.gpl"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(text_of(fs.contents("kit.gpl")),
              "GIMP Palette\nName: Tavrin\nColumns: 16\n#\n"
              "255   0 255\tIndex 0\n  0 255   0\tIndex 1\n  0   0   0\tIndex 2\n");
    ASSERT_EQ(
        run(fs, {"export", "--tex", "Team flag", "team.bin", "-o", "flag.out", "--format", "hex"})
            .status,
        0);
    PaletteFile flag;
    ASSERT_TRUE(read_palette(fs.contents("flag.out"), flag).ok);
    ASSERT_EQ(flag.colors.size(), 256u);
    EXPECT_EQ(encode_bgr555(imported_entry({}, flag.colors[255])), words[255]);

    // convert keeps a GIMP palette's name and columns.
    fs.put("in.gpl", text_bytes("GIMP Palette\nName: Away\nColumns: 2\n10 20 30\n"));
    ASSERT_EQ(run(fs, {"convert", "in.gpl", "-o", "out.gpl"}).status, 0);
    EXPECT_EQ(text_of(fs.contents("out.gpl")),
              "GIMP Palette\nName: Away\nColumns: 2\n#\n  8  16  24\tIndex 0\n");

    // import into a raw CLUT: colours from entry 0, bit 15 kept, the rest as it was.
    fs.put("two.gpl", text_bytes("GIMP Palette\n0 0 255\n255 255 255\n"));
    result = run(fs, {"import", "two.gpl", "--into", "kit.clu"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "2 colors of 2 imported into kit.clu\n");
    EXPECT_EQ(fs.contents("kit.clu"), words_to_bytes({0x7C00, 0xFFFF, 0x8000}));

    // import into a TEX file's CLUT: only its bytes change.
    result = run(fs, {"import", "two.gpl", "--tex", "4", "--into", "team.bin"});
    ASSERT_EQ(result.status, 0) << result.err;
    Bytes expected = tex;
    const Bytes first =
        words_to_bytes({0x7C00, static_cast<std::uint16_t>(0x7FFF | (words[1] & 0x8000))});
    std::copy(first.begin(), first.end(), expected.begin() + 0x200);
    EXPECT_EQ(fs.contents("team.bin"), expected);

    // import at an offset: as many colours as the palette has.
    fs.put("any.dat", Bytes(16, 0xAA));
    ASSERT_EQ(run(fs, {"import", "two.gpl", "--offset", "0x4", "--into", "any.dat"}).status, 0);
    EXPECT_EQ(fs.contents("any.dat"), (Bytes{0xAA, 0xAA, 0xAA, 0xAA, 0x00, 0xFC, 0xFF, 0xFF, 0xAA,
                                             0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}));

    // A TIM's CLUT row, out and in: only that row's first words change.
    const Bytes tim = testing::tim_file_bytes(
        {4,
         {std::vector<std::uint16_t>(16, 0x0001), std::vector<std::uint16_t>(16, 0x8002)},
         4,
         1,
         {0, 1, 2, 3}});
    fs.put("kit.tim", tim);
    ASSERT_EQ(
        run(fs, {"export", "--tim", "--row", "1", "kit.tim", "-o", "row.hex", "--format", "hex"})
            .status,
        0);
    PaletteFile row;
    ASSERT_TRUE(read_palette(fs.contents("row.hex"), row).ok);
    ASSERT_EQ(row.colors.size(), 16u);
    EXPECT_EQ(row.colors[0].rgb, color_of(decode_bgr555(0x8002)));
    EXPECT_EQ(row.colors[0].high_bit, std::optional<bool>(true));
    ASSERT_EQ(run(fs, {"import", "two.gpl", "--tim", "--row", "1", "--into", "kit.tim"}).status, 0);
    Bytes tim_now = tim;
    const std::size_t row_1 = testing::tim_clut_words + 2 * 16;
    const Bytes imported = words_to_bytes({0xFC00, 0xFFFF});
    std::copy(imported.begin(), imported.end(), tim_now.begin() + row_1);
    EXPECT_EQ(fs.contents("kit.tim"), tim_now);
}

TEST(PaletteCommands, FailuresNameTheFileAndChangeNothing) {
    MemoryFileSystem fs;
    const Bytes kit = words_to_bytes({0x1111, 0x2222});
    fs.put("kit.clu", kit);
    fs.put("bad.gpl", text_bytes("GIMP Palette\n1 2 3\n4 5\n"));
    fs.put("good.gpl", text_bytes("GIMP Palette\n1 2 3\n"));
    fs.put("small.dat", Bytes(3, 0));

    const struct {
        std::vector<std::string> args;
        const char* expected;
    } cases[] = {
        {{"import", "bad.gpl", "--into", "kit.clu"}, "bad.gpl: GIMP palette, line 3"},
        {{"import", "good.gpl", "--into", "none.clu"}, "none.clu: cannot open"},
        {{"import", "good.gpl", "--offset", "2", "--into", "small.dat"}, "small.dat: the CLUT"},
        {{"import", "good.gpl", "--tex", "Home", "--into", "kit.clu"}, "not a CLUT kind"},
        {{"export", "kit.clu", "-o", "kit.bmp"}, "kit.bmp: the extension names no palette"},
        {{"export", "kit.clu", "-o", "kit.x", "--format", "bmp"}, "bmp: is not a palette format"},
        {{"convert", "missing.act", "-o", "x.gpl"}, "missing.act: cannot open"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1]);
        const CliResult result = run(fs, c.args);
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.err.find(c.expected), std::string::npos) << result.err;
        EXPECT_TRUE(result.out.empty()) << result.out;
    }
    EXPECT_EQ(fs.contents("kit.clu"), kit);
    EXPECT_EQ(fs.contents("small.dat"), Bytes(3, 0));
    EXPECT_EQ(fs.paths(),
              (std::vector<std::string>{"bad.gpl", "good.gpl", "kit.clu", "small.dat"}));
}

}  // namespace
}  // namespace tavrin
