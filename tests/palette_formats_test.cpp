// Palette files in and out: every format gives back every colour's bits,
// reads what ImageMagick writes, and refuses broken files naming the place.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <random>

#include "formats/palette_formats.h"
#include "tests/support/png_checks.h"
#include "tests/support/temp_files.h"

namespace tavrin {
namespace {

using testing::Bytes;

Bytes text_bytes(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

PaletteFile read_ok(const Bytes& bytes) {
    PaletteFile file;
    const FormatStatus status = read_palette(bytes, file);
    EXPECT_TRUE(status.ok) << status.reason;
    return file;
}

std::vector<std::uint16_t> words_of(const PaletteFile& file, std::uint16_t target_high_bit) {
    PaletteEntry target;
    target.high_bit = target_high_bit;
    std::vector<std::uint16_t> words;
    for (const PaletteColor& color : file.colors) {
        words.push_back(encode_bgr555(imported_entry(target, color)));
    }
    return words;
}

constexpr PaletteFormat all_formats[] = {
    PaletteFormat::gimp,      PaletteFormat::jasc,    PaletteFormat::act,     PaletteFormat::png,
    PaletteFormat::hex_words, PaletteFormat::hex_rgb, PaletteFormat::raw_clut};

// Bit 15 after export and import into an entry whose bit 15 is target_bit:
// kept by raw and word text, a word 0x0000 comes back as 0x0000 from PNG (and
// from ACT for the first such entry, its transparent index), otherwise the
// target keeps its own.
std::uint16_t expected_high_bit(PaletteFormat format, std::span<const std::uint16_t> words,
                                std::size_t i, std::uint16_t target_bit) {
    if (format == PaletteFormat::raw_clut || format == PaletteFormat::hex_words) {
        return words[i] & high_bit_mask;
    }
    if (words[i] == 0) {
        if (format == PaletteFormat::png) {
            return 0;
        }
        if (format == PaletteFormat::act &&
            std::find(words.begin(), words.end(), 0) == words.begin() + static_cast<long>(i)) {
            return 0;
        }
    }
    return target_bit;
}

TEST(PaletteFormats, ExportThenImportGivesBackEveryColorBitOfEveryWord) {
    std::mt19937 rng(1515);
    std::vector<std::uint16_t> values(32768);
    std::iota(values.begin(), values.end(), 0);
    for (PaletteFormat format : all_formats) {
        SCOPED_TRACE(std::string(format_name(format)));
        std::shuffle(values.begin(), values.end(), rng);
        // Runs of every length up to 256 until all 32768 colours went through.
        for (std::size_t start = 0; start < values.size();) {
            const std::size_t length = std::min<std::size_t>(
                std::uniform_int_distribution<std::size_t>(1, 256)(rng), values.size() - start);
            std::vector<std::uint16_t> words;
            std::vector<PaletteEntry> entries;
            for (std::size_t i = 0; i < length; ++i) {
                const auto word =
                    static_cast<std::uint16_t>(values[start + i] | (rng() & 1 ? high_bit_mask : 0));
                words.push_back(word);
                entries.push_back(decode_bgr555(word));
            }
            start += length;

            Bytes bytes;
            const FormatStatus written = write_palette(format, entries, {}, bytes);
            ASSERT_TRUE(written.ok) << written.reason;
            PaletteFile file;
            const FormatStatus read = read_palette(bytes, file);
            ASSERT_TRUE(read.ok) << read.reason;
            ASSERT_EQ(file.format, format);
            ASSERT_EQ(file.colors.size(), length);
            for (std::uint16_t target_bit : {std::uint16_t{0}, high_bit_mask}) {
                const auto back = words_of(file, target_bit);
                for (std::size_t i = 0; i < length; ++i) {
                    ASSERT_EQ(back[i] & 0x7FFF, words[i] & 0x7FFF) << "entry " << i;
                    ASSERT_EQ(back[i] & high_bit_mask,
                              expected_high_bit(format, words, i, target_bit))
                        << "entry " << i << " word " << hex_text(words[i]);
                }
            }
        }
    }
}

TEST(PaletteFormats, RecognisedByContentWhateverTheLayoutOfTheText) {
    // GIMP: a byte order mark, CRLF, a name, columns, comments, colour names.
    PaletteFile gimp = read_ok(
        text_bytes("\xEF\xBB\xBFGIMP Palette\r\nName: Kit\r\nColumns: 4\r\n# comment\r\n\r\n"
                   "255   0 128\tShirt\r\n  8  16  24\r\n"));
    EXPECT_EQ(gimp.format, PaletteFormat::gimp);
    EXPECT_EQ(gimp.name, "Kit");
    EXPECT_EQ(gimp.columns, 4);
    EXPECT_EQ(gimp.colors, (std::vector<PaletteColor>{{Rgb{255, 0, 128}, std::nullopt},
                                                      {Rgb{8, 16, 24}, std::nullopt}}));

    PaletteFile jasc = read_ok(text_bytes("JASC-PAL\r\n0100\r\n2\r\n1 2 3\r\n250 251 252\r\n"));
    EXPECT_EQ(jasc.format, PaletteFormat::jasc);
    EXPECT_EQ(jasc.colors[1].rgb, (Rgb{250, 251, 252}));

    // Hex text: words carry bit 15, #RRGGBB does not; comments and blanks skipped.
    PaletteFile hex =
        read_ok(text_bytes("; kit\n\n# shirt\n7c1f\n  83E0  ; with bit 15\n#FF8000\n"));
    EXPECT_EQ(hex.format, PaletteFormat::hex_words);
    EXPECT_EQ(words_of(hex, 0), (std::vector<std::uint16_t>{0x7C1F, 0x83E0, 0x021F}));
    EXPECT_EQ(words_of(hex, high_bit_mask), (std::vector<std::uint16_t>{0x7C1F, 0x83E0, 0x821F}));
    EXPECT_EQ(read_ok(text_bytes("#000000\n#ffffff")).format, PaletteFormat::hex_rgb);

    // 768 bytes of binary are an Adobe colour table; 772 carry a count and a
    // transparent index, which becomes the word 0x0000 whatever the bit was.
    Bytes act(772, 0x10);
    act[768] = 0;
    act[769] = 3;
    act[770] = 0;
    act[771] = 1;
    PaletteFile extended = read_ok(act);
    EXPECT_EQ(extended.format, PaletteFormat::act);
    EXPECT_EQ(words_of(extended, high_bit_mask),
              (std::vector<std::uint16_t>{0x8842, 0x0000, 0x8842}));
    act.resize(768);
    EXPECT_EQ(read_ok(act).colors.size(), 256u);

    // Anything else is a raw CLUT, as a .pal without JASC's header always was.
    const Bytes raw = testing::words_to_bytes({0x7C1F, 0x8000});
    PaletteFile clut = read_ok(raw);
    EXPECT_EQ(clut.format, PaletteFormat::raw_clut);
    EXPECT_EQ(words_of(clut, 0), (std::vector<std::uint16_t>{0x7C1F, 0x8000}));

    // More colours than a CLUT holds: the first 256, and a warning.
    std::string many = "GIMP Palette\n";
    for (int i = 0; i < 300; ++i) {
        many += "1 2 3\n";
    }
    PaletteFile truncated = read_ok(text_bytes(many));
    EXPECT_EQ(truncated.colors.size(), 256u);
    ASSERT_EQ(truncated.warnings.size(), 1u);
    EXPECT_NE(truncated.warnings[0].find("300"), std::string::npos);
}

TEST(PaletteFormats, ExportWritesTheColorsTheGridShows) {
    // Typed into the decimal fields: 200, 100, 50; the grid shows 205, 98, 49.
    PaletteEntry typed;
    typed.red = 200;
    typed.green = 100;
    typed.blue = 50;
    typed.high_bit = high_bit_mask;
    const std::vector<PaletteEntry> entries = {typed};
    const auto text = [&](PaletteFormat format, const PaletteWriteOptions& options = {}) {
        Bytes bytes;
        EXPECT_TRUE(write_palette(format, entries, options, bytes).ok);
        return std::string(bytes.begin(), bytes.end());
    };
    EXPECT_EQ(text(PaletteFormat::gimp, {"Home kit", 8}),
              "GIMP Palette\nName: Home kit\nColumns: 8\n#\n205  98  49\tIndex 0\n");
    EXPECT_EQ(text(PaletteFormat::jasc), "JASC-PAL\r\n0100\r\n1\r\n205 98 49\r\n");
    EXPECT_EQ(text(PaletteFormat::hex_rgb), "#CD6231\n");
    EXPECT_EQ(text(PaletteFormat::hex_words), "9999\n");
}

TEST(PaletteFormats, BrokenFilesFailNamingTheLineOrByte) {
    Bytes good_png;
    ASSERT_TRUE(write_palette(PaletteFormat::png, std::vector<PaletteEntry>(4), {}, good_png).ok);
    Bytes cut_png(good_png.begin(), good_png.begin() + 40);
    Bytes bad_crc = good_png;
    bad_crc[29] ^= 0xFF;  // the CRC of IHDR
    Bytes act(772, 0);
    act[768] = 0x01;
    act[769] = 0x2C;  // 300 colours

    const struct {
        const char* what;
        Bytes bytes;
        const char* expected;
    } cases[] = {
        {"GIMP, two numbers", text_bytes("GIMP Palette\nName: x\n255 0\n"), "line 3"},
        {"GIMP, out of range", text_bytes("GIMP Palette\n0 0 0\n256 0 0\n"), "line 3"},
        {"GIMP, columns", text_bytes("GIMP Palette\nColumns: many\n"), "line 2"},
        {"JASC, version", text_bytes("JASC-PAL\n0200\n1\n0 0 0\n"), "line 2"},
        {"JASC, count", text_bytes("JASC-PAL\n0100\nlots\n"), "line 3"},
        {"JASC, short", text_bytes("JASC-PAL\n0100\n3\n0 0 0\n1 1 1\n"), "line 6"},
        {"JASC, four numbers", text_bytes("JASC-PAL\n0100\n1\n0 0 0 0\n"), "line 4"},
        {"hex text", text_bytes("7C1F\n03E0\n#12345\n"), "line 3"},
        {"hex comments only", text_bytes("; nothing\n"), "no color"},
        {"ACT count", act, "byte 768"},
        {"PNG cut short", cut_png, "byte"},
        {"PNG bad CRC", bad_crc, "byte"},
        {"raw, too long", Bytes(514, 0xFF), "257 color words"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PaletteFile file;
        file.colors.resize(3);
        const FormatStatus status = read_palette(c.bytes, file);
        EXPECT_FALSE(status.ok);
        EXPECT_NE(status.reason.find(c.expected), std::string::npos) << status.reason;
        EXPECT_TRUE(file.colors.empty());
    }

    // Writers refuse what a format cannot hold.
    Bytes out;
    EXPECT_FALSE(write_palette(PaletteFormat::gimp, std::vector<PaletteEntry>(257), {}, out).ok);
    EXPECT_FALSE(write_palette(PaletteFormat::png, {}, {}, out).ok);
    EXPECT_TRUE(out.empty());
}

// ImageMagick, a second and independent writer, makes the files at run time.
class ImageMagickFiles : public ::testing::Test {
  protected:
    testing::TempDir dir;

    void SetUp() override {
        if (std::system("command -v convert >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "ImageMagick's convert is not installed (Debian: imagemagick)";
        }
    }

    // Runs convert ARGUMENTS OUTPUT_FORMAT:FILE and gives the file's bytes.
    Bytes make(const std::string& arguments, const std::string& output_format,
               const std::string& name) {
        const std::string command =
            "convert " + arguments + " '" + output_format + ":" + dir.path(name) + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return testing::read_bytes(dir.path(name));
    }
};

TEST_F(ImageMagickFiles, AreReadWithTheirColors) {
    const std::string strip = "xc:'#FF0000' xc:'#00FF00' xc:'#FF0000' xc:'#0000FF' +append";
    const std::vector<Rgb> three = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};

    // An indexed PNG: its palette, whatever order ImageMagick chose.
    PaletteFile indexed = read_ok(make(strip, "PNG8", "indexed.png"));
    EXPECT_EQ(indexed.format, PaletteFormat::png);
    std::vector<Rgb> colors;
    for (const PaletteColor& color : indexed.colors) {
        colors.push_back(color.rgb);
    }
    for (const Rgb& color : three) {
        EXPECT_NE(std::find(colors.begin(), colors.end(), color), colors.end());
    }

    // A true-colour PNG: colours in order of first appearance, once each.
    PaletteFile direct = read_ok(make(strip, "PNG24", "direct.png"));
    ASSERT_EQ(direct.colors.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(direct.colors[i].rgb, three[i]);
        EXPECT_EQ(direct.colors[i].high_bit, std::nullopt);
    }

    // Transparent pixels are one colour, the word 0x0000.
    PaletteFile alpha = read_ok(make("xc:none xc:'#FFFFFF' xc:none +append", "PNG32", "alpha.png"));
    ASSERT_EQ(alpha.colors.size(), 2u);
    EXPECT_EQ(words_of(alpha, high_bit_mask), (std::vector<std::uint16_t>{0x0000, 0xFFFF}));

    // 289 colours: too many for a CLUT.
    PaletteFile file;
    const FormatStatus status =
        read_palette(make("-size 17x17 gradient:red-blue '(' -size 17x17 gradient:black-lime "
                          "-rotate 90 ')' -compose plus -composite",
                          "PNG24", "many.png"),
                     file);
    EXPECT_FALSE(status.ok);
    EXPECT_NE(status.reason.find("more than 256"), std::string::npos) << status.reason;

    // 256 grey levels as bare RGB bytes: an Adobe colour table of 768 bytes.
    PaletteFile greys =
        read_ok(make("-size 1x256 gradient:black-white -rotate -90 -depth 8", "rgb", "grey.act"));
    EXPECT_EQ(greys.format, PaletteFormat::act);
    ASSERT_EQ(greys.colors.size(), 256u);
    EXPECT_EQ(greys.colors.front().rgb, (Rgb{0, 0, 0}));
    EXPECT_EQ(greys.colors.back().rgb, (Rgb{255, 255, 255}));
    for (std::size_t i = 1; i < 256; ++i) {
        EXPECT_GE(greys.colors[i].rgb.red, greys.colors[i - 1].rgb.red);
    }
}

// The cases the Windows build's check runs under Wine, so both read alike.
TEST(PngCodec, ReadsAndWritesEveryKindOfPng) {
    EXPECT_EQ(testing::png_codec_failures(), std::vector<std::string>{});
}

TEST_F(ImageMagickFiles, ReadTheIndexedPngTavrinWrites) {
    std::vector<PaletteEntry> entries = {decode_bgr555(0x7C1F), decode_bgr555(0x0000),
                                         decode_bgr555(0x03E0)};
    Bytes png;
    ASSERT_TRUE(write_palette(PaletteFormat::png, entries, {}, png).ok);
    dir.write("tavrin.png", png);
    const std::string command = "convert '" + dir.path("tavrin.png") +
                                "' -format '%w %h %[type]' info: >'" + dir.path("info") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const Bytes info = testing::read_bytes(dir.path("info"));
    EXPECT_EQ(std::string(info.begin(), info.end()), "48 16 PaletteAlpha");
}

}  // namespace
}  // namespace tavrin
