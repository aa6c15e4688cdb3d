// tavrin-cli as a user runs it: the built binary in a shell, its output, its
// exit status, its one-line errors, and the files it leaves.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "cli/cli.h"
#include "palette/color_adjust.h"
#include "palette/color_vision.h"
#include "palette/palette.h"
#include "png/png.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/run_cli.h"

#include "tests/support/temp_files.h"
#include "tests/support/tim_files.h"

namespace tavrin {
namespace {

using testing::Bytes;
using testing::read_bytes;
using testing::TempDir;
using testing::words_to_bytes;

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

class Cli : public ::testing::Test {
  protected:
    TempDir dir;    // the user's files
    TempDir spool;  // captured output, kept apart so dir holds only the user's files

    CliRun run(const std::vector<std::string>& args) {
        std::string command = quoted(TAVRIN_CLI_PATH);
        for (const auto& arg : args) {
            command += " " + quoted(arg);
        }
        command += " >" + quoted(spool.path("out")) + " 2>" + quoted(spool.path("err"));
        const int raw = std::system(command.c_str());
        CliRun result;
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        const Bytes out = read_bytes(spool.path("out"));
        const Bytes err = read_bytes(spool.path("err"));
        result.out.assign(out.begin(), out.end());
        result.err.assign(err.begin(), err.end());
        return result;
    }

    // A failure: status 1, one line on standard error naming subject.
    void expect_failure(const CliRun& result, const std::string& subject) {
        EXPECT_EQ(result.status, 1) << result.err;
        EXPECT_EQ(result.err.rfind("tavrin-cli: ", 0), 0u) << result.err;
        EXPECT_NE(result.err.find(subject), std::string::npos) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_TRUE(result.out.empty()) << result.out;
    }
};

std::vector<std::uint16_t> words_from(int count, int seed) {
    std::vector<std::uint16_t> words;
    for (int i = 0; i < count; ++i) {
        words.push_back(static_cast<std::uint16_t>((i + 1) * 0x3C5Bu + seed));
    }
    return words;
}

TEST_F(Cli, DumpPrintsIndexWordAndComponents) {
    const std::string raw = dir.write("kit.clu", words_to_bytes({0x7C1F, 0x83E0, 0x1234, 0xFFFF}));
    CliRun result = run({"dump", raw});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "0 7C1F 255 0 255\n1 83E0 0 255 0\n2 1234 164 139 32\n3 FFFF 255 255 255\n");
    EXPECT_TRUE(result.err.empty());

    result = run({"dump", "--offset", "0x2", "--count", "2", raw});
    EXPECT_EQ(result.out, "0 83E0 0 255 0\n1 1234 164 139 32\n");

    const auto words = words_from(256, 1);
    const std::string tex =
        dir.write("team.bin", testing::tex_file_bytes(1200, 4, 0x0100, 0x0200, words));
    const CliRun by_name = run({"dump", "--tex", "TEAM FLAG", tex});
    const CliRun by_number = run({"dump", "--tex", "4", tex});
    EXPECT_EQ(by_name.status, 0) << by_name.err;
    EXPECT_EQ(by_name.out, by_number.out);
    EXPECT_EQ(std::count(by_name.out.begin(), by_name.out.end(), '\n'), 256);
    const PaletteEntry last = decode_bgr555(words[255]);
    char line[64];
    std::snprintf(line, sizeof line, "255 %04X %d %d %d\n", words[255], last.red, last.green,
                  last.blue);
    EXPECT_TRUE(by_name.out.ends_with(line)) << by_name.out.substr(by_name.out.size() - 40);
}

TEST_F(Cli, ExtractThenInjectRoundTrips) {
    const auto words = words_from(256, 2);
    const Bytes tex_bytes = testing::tex_file_bytes(1600, 2, 0x0040, 0x0300, words);
    const std::string tex = dir.write("team.bin", tex_bytes);
    const std::string out = dir.path("keeper.clu");
    CliRun result = run({"extract", "--tex", "Goalkeepers shirt #1 palette", tex, "-o", out});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(read_bytes(out), words_to_bytes(words));

    result = run({"inject", "--tex", "2", tex, "--from", out});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(read_bytes(tex), tex_bytes);

    // New colours land on the CLUT's bytes and nowhere else.
    const auto kit = words_from(16, 9);
    const std::string in = dir.write("new.clu", words_to_bytes(kit));
    result = run({"inject", "--tex", "2", tex, "--from", in});
    EXPECT_EQ(result.status, 0) << result.err;
    Bytes expected = tex_bytes;
    const Bytes kit_bytes = words_to_bytes(kit);
    std::copy(kit_bytes.begin(), kit_bytes.end(), expected.begin() + 0x300);
    EXPECT_EQ(read_bytes(tex), expected);

    result = run({"extract", "--offset", "100", "--count", "16", tex, "-o", out});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(read_bytes(out), Bytes(expected.begin() + 100, expected.begin() + 132));
    result = run({"inject", "--offset", "0x64", tex, "--from", out});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(read_bytes(tex), expected);
}

TEST_F(Cli, FailuresNameTheFileAndTouchNothing) {
    const Bytes target_bytes(300, 0x5A);
    const std::string target = dir.write("target.dat", target_bytes);
    const Bytes previous = words_to_bytes({1, 2, 3});
    const std::string out = dir.write("out.clu", previous);
    const std::string kit = dir.write("kit.clu", words_to_bytes(words_from(16, 3)));
    Bytes big(514, 0);
    const std::string oversized = dir.write("big.clu", big);

    expect_failure(run({"dump", dir.path("missing.clu")}), "missing.clu: cannot open it");
    expect_failure(run({"dump", oversized}), "big.clu: it holds 257 colors");
    expect_failure(run({"dump", "--tex", "Team", target}), "\"Team\" is not a CLUT kind");
    expect_failure(run({"extract", "--tex", "0", target, "-o", out}), "target.dat");
    expect_failure(run({"extract", "--offset", "290", "--count", "16", target, "-o", out}),
                   "target.dat: the CLUT (32 bytes at offset 290)");
    expect_failure(run({"extract", "--offset", "0", "--count", "1", target, "-o", dir.folder()}),
                   dir.folder());
    expect_failure(run({"inject", "--offset", "280", target, "--from", kit}),
                   "target.dat: the CLUT (32 bytes at offset 280) does not fit inside it");
    expect_failure(run({"inject", "--offset", "x10", target, "--from", kit}),
                   "the offset \"x10\" is not a number");
    expect_failure(run({"inject", "--offset", "0", target, "--from", oversized}), "big.clu");
    expect_failure(run({"inject", "--offset", "0", target, "--from", dir.path("none.clu")}),
                   "none.clu");
    expect_failure(run({"inject", target, "--from", kit}), "--tex KIND or --offset OFF");
    expect_failure(run({"inject", "--tex", "0", target, "--from", kit}), "target.dat");
    expect_failure(run({"dump", "--offset", "0", "--count", "300", target}), "--count");
    expect_failure(run({"dump", "--tex", "0", "--offset", "0", target}), "--tex");
    expect_failure(run({}), "subcommand");
    // A name with a line break still makes one line, with the break escaped.
    expect_failure(run({"dump", dir.path("two\nlines.clu")}), "two\\nlines.clu: cannot open it");
    expect_failure(run({"dump", "--tex", "a\rb\x01", target}), "\"a\\rb\\x01\" is not a CLUT kind");

    EXPECT_EQ(read_bytes(target), target_bytes);
    EXPECT_EQ(read_bytes(out), previous);
    EXPECT_EQ(dir.names(),
              (std::vector<std::string>{"big.clu", "kit.clu", "out.clu", "target.dat"}));
}

TEST_F(Cli, TimRowsAndRenderedPictures) {
    testing::TimSpec spec;
    spec.bits_per_pixel = 4;
    spec.clut_rows = {words_from(16, 1), words_from(16, 2), words_from(16, 3)};
    spec.width = 8;
    spec.height = 3;
    for (int i = 0; i < 24; ++i) {
        spec.indices.push_back(static_cast<std::uint8_t>(i * 7 % 16));
    }
    const Bytes tim_bytes = testing::tim_file_bytes(spec);
    const std::string tim = dir.write("kit.tim", tim_bytes);
    const std::string clu = dir.path("row.clu");

    CliRun result = run({"extract", "--tim", "--row", "1", tim, "-o", clu});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(read_bytes(clu), words_to_bytes(spec.clut_rows[1]));
    // Row 1's colours into row 2: only row 2's 32 bytes change.
    result = run({"inject", "--tim", "--row", "2", tim, "--from", clu});
    EXPECT_EQ(result.status, 0) << result.err;
    Bytes expected = tim_bytes;
    const Bytes row_bytes = words_to_bytes(spec.clut_rows[1]);
    std::copy(row_bytes.begin(), row_bytes.end(), expected.begin() + testing::tim_clut_words + 64);
    EXPECT_EQ(read_bytes(tim), expected);
    result = run({"dump", "--tim", tim});
    EXPECT_EQ(result.out.substr(0, result.out.find('\n')),
              "0 " + hex_text(spec.clut_rows[0][0]) + " " +
                  std::to_string(decode_bgr555(spec.clut_rows[0][0]).red) + " " +
                  std::to_string(decode_bgr555(spec.clut_rows[0][0]).green) + " " +
                  std::to_string(decode_bgr555(spec.clut_rows[0][0]).blue));

    const std::string short_clut = dir.write("short.clu", words_to_bytes(words_from(15, 4)));
    expect_failure(run({"inject", "--tim", tim, "--from", short_clut}),
                   "kit.tim: its CLUT rows hold 16 colors, not 15");
    expect_failure(run({"dump", "--tim", "--row", "3", tim}), "kit.tim: it has no CLUT row 3");
    expect_failure(run({"dump", "--row", "1", tim}), "--row");
    EXPECT_EQ(read_bytes(tim), expected);

    // The picture: the TIM's own image through row 2, and the same pixels
    // read raw at their offset through another CLUT file.
    const std::string png = dir.path("kit.png");
    result = run({"render", "--tim", "--row", "2", tim, "-o", png});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string raw_png = dir.path("raw.png");
    const std::string pixel_offset = std::to_string(expected.size() - 12);
    result = run({"render", "--offset", pixel_offset, "--width", "8", "--height", "3", "--bpp", "4",
                  "--clut-file", clu, tim, "-o", raw_png});
    ASSERT_EQ(result.status, 0) << result.err;
    if (std::system("convert -version >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "ImageMagick's convert is missing: the PNG files are not read back";
    }
    for (const std::string& picture : {png, raw_png}) {
        const std::string rgb = spool.path("picture.rgb");
        ASSERT_EQ(
            std::system(("convert " + quoted(picture) + " -depth 8 rgb:" + quoted(rgb)).c_str()),
            0);
        const Bytes pixels = read_bytes(rgb);
        ASSERT_EQ(pixels.size(), 24u * 3);
        for (std::size_t i = 0; i < 24; ++i) {
            const Rgb want = color_of(decode_bgr555(spec.clut_rows[1][spec.indices[i]]));
            EXPECT_EQ((Rgb{pixels[i * 3], pixels[i * 3 + 1], pixels[i * 3 + 2]}), want) << i;
        }
    }
    expect_failure(run({"render", "--offset", "200", "--width", "8", "--height", "3", "--bpp", "4",
                        "--clut-file", clu, tim, "-o", dir.path("none.png")}),
                   "kit.tim: the image (12 bytes at offset 200) reaches past the end");
    expect_failure(run({"render", "--tim", clu, "-o", dir.path("none.png")}),
                   "row.clu: it is not a TIM file");
    expect_failure(run({"render", "--offset", "0", "--width", "8", "--height", "3", "--bpp", "5",
                        "--clut-file", clu, tim, "-o", dir.path("none.png")}),
                   "--bpp");
    EXPECT_EQ(dir.names(),
              (std::vector<std::string>{"kit.png", "kit.tim", "raw.png", "row.clu", "short.clu"}));
}

// A red kit turned blue in three TEX files, the second cut short before its
// CLUT ends: the first is written, the failure names the second and the
// third, which is left as it was.
TEST_F(Cli, AdjustWritesFileAfterFileAndStopsAtTheFirstFailure) {
    std::vector<std::uint16_t> words = words_from(256, 3);
    for (unsigned i = 0; i < 12; ++i) {
        words[16 + i] = static_cast<std::uint16_t>((31 - 2 * i) | (i % 3 == 0 ? 0x8000u : 0u));
    }
    words[40] = 0x0000;
    const Bytes tex = testing::tex_file_bytes(1200, 0, 0x0100, 0x0200, words);
    const std::string a = dir.write("a.tex", tex);
    const Bytes cut(tex.begin(), tex.begin() + 0x210);
    const std::string b = dir.write("b.tex", cut);
    const std::string c = dir.write("c.tex", tex);

    CliRun result = run({"adjust", "--tex", "0", "--cells", "16-27,40", "--hue", "-120", a, b, c});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, a + ": 12 colours adjusted\n");
    EXPECT_EQ(result.err.rfind("tavrin-cli: " + b + ": ", 0), 0u) << result.err;
    EXPECT_NE(result.err.find("not adjusted: " + c), std::string::npos) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    std::vector<std::uint16_t> blue = words;
    for (int i = 16; i < 28; ++i) {
        blue[static_cast<std::size_t>(i)] =
            adjust_color(words[static_cast<std::size_t>(i)], {.hue = -120});
    }
    EXPECT_EQ(blue[16], 0xFC00);  // full red became full blue, bit 15 kept
    Bytes expected = tex;
    const Bytes blue_bytes = words_to_bytes(blue);
    std::copy(blue_bytes.begin(), blue_bytes.end(), expected.begin() + 0x200);
    EXPECT_EQ(read_bytes(a), expected);
    EXPECT_EQ(read_bytes(b), cut);
    EXPECT_EQ(read_bytes(c), tex);

    // Colorize every colour at an offset: each file named as it is written.
    result = run({"adjust", "--offset", "0x200", "--count", "16", "--hue", "120", "--saturation",
                  "100", "--colorize", a, c});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, a + ": 16 colours adjusted\n" + c + ": 16 colours adjusted\n");
    const ColorAdjustment green{.hue = 120, .saturation = 100, .colorize = true};
    for (std::size_t i = 0; i < 16; ++i) {
        const std::size_t at = 0x200 + 2 * i;
        const auto word =
            static_cast<std::uint16_t>(read_bytes(c)[at] | read_bytes(c)[at + 1] << 8);
        EXPECT_EQ(word, adjust_color(words[i], green)) << i;
    }

    // Nothing to change writes nothing; a list that is no list is refused first.
    const Bytes now = read_bytes(a);
    result = run({"adjust", "--tex", "0", a});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, a + ": no colour changed, not written\n");
    expect_failure(run({"adjust", "--tex", "0", "--cells", "27-16", "--hue", "9", a}), "--cells");
    expect_failure(run({"adjust", "--tex", "0", "--hue", "181", a}), "--hue");
    EXPECT_EQ(read_bytes(a), now);
}

// render --simulate draws the same pixels the preview shows for that eye.
TEST_F(Cli, RenderSimulatesColorVision) {
    testing::TimSpec spec{4, {words_from(16, 5)}, 4, 2, {}};
    for (int i = 0; i < 8; ++i) {
        spec.indices.push_back(static_cast<std::uint8_t>(i * 3 % 16));
    }
    const std::string tim = dir.write("kit.tim", testing::tim_file_bytes(spec));
    const std::string png = dir.path("kit.png");
    CliRun result = run({"render", "--tim", tim, "-o", png, "--simulate", "tritanopia"});
    ASSERT_EQ(result.status, 0) << result.err;
    png::Image image;
    std::vector<std::string> warnings;
    std::string reason;
    ASSERT_TRUE(png::decode(read_bytes(png), image, warnings, reason)) << reason;
    ASSERT_EQ(image.pixels.size(), 8u * 4);
    for (std::size_t i = 0; i < 8; ++i) {
        const Rgb want = simulate_color_vision(
            color_of(decode_bgr555(spec.clut_rows[0][spec.indices[i]])), ColorVision::tritanopia);
        EXPECT_EQ((Rgb{image.pixels[i * 4], image.pixels[i * 4 + 1], image.pixels[i * 4 + 2]}),
                  want)
            << i;
    }
    expect_failure(run({"render", "--tim", tim, "-o", png, "--simulate", "colour"}), "--simulate");
}

// Arguments that once misled: empty values, names starting with '-', an
// output that is the input, special files, and offsets beyond 32 bits.
TEST_F(Cli, RefusesWhatItCannotDoExactlyAndSaysWhy) {
    const Bytes kit_bytes = words_to_bytes({0x7C1F, 0x03E0, 0x001F});
    const std::string kit = dir.write("kit.clu", kit_bytes);
    const std::string dash = dir.write("-dash.clu", kit_bytes);
    const Bytes tex_bytes = testing::tex_file_bytes(1200, 0, 0x0100, 0x0200, words_from(256, 1));
    const std::string tex = dir.write("team.bin", tex_bytes);
    ASSERT_EQ(::symlink("team.bin", dir.path("alias.bin").c_str()), 0);

    expect_failure(run({"dump", "-dash.clu"}), "unknown option \"-dash.clu\"");
    CliRun result = run({"dump", "--", dash});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.rfind("0 7C1F 255 0 255\n", 0), 0u) << result.out;
    expect_failure(run({"extract", "--tex", "0", tex, "-o", ""}), "--output: the value is empty");
    expect_failure(run({"dump", "--tex", "", kit}), "--tex: the value is empty");
    expect_failure(run({"dump", "--offset", "", "--count", "1", kit}),
                   "--offset: the value is empty");
    expect_failure(run({"inject", "--offset", "0", tex, "--from", ""}),
                   "--from: the value is empty");
    expect_failure(run({"extract", "--tex", "0", tex, "-o", tex}),
                   "team.bin: it is the file the CLUT is read from");
    expect_failure(run({"extract", "--tex", "0", tex, "-o", dir.path("alias.bin")}),
                   "alias.bin: it is the file the CLUT is read from");
    ASSERT_EQ(::mkfifo(dir.path("fifo").c_str(), 0644), 0);
    expect_failure(run({"dump", dir.path("fifo")}), "fifo: it is a FIFO, not a regular file");
    expect_failure(run({"inject", "--offset", "0", tex, "--from", dir.path("fifo")}),
                   "fifo: it is a FIFO, not a regular file");
    EXPECT_EQ(read_bytes(tex), tex_bytes);

    // A sparse 5 GiB file: every offset is reached exactly or refused as typed.
    const std::string big = dir.path("big.dat");
    std::filesystem::resize_file(dir.write("big.dat", {}), 5ull << 30);
    result = run({"inject", "--offset", "0x100000000", big, "--from", kit});
    EXPECT_EQ(result.status, 0) << result.err;
    result = run({"inject", "--offset", "2147483648", big, "--from", kit});
    EXPECT_EQ(result.status, 0) << result.err;
    for (const std::string offset : {"4294967296", "0x80000000"}) {
        result = run({"dump", "--offset", offset, "--count", "3", big});
        EXPECT_EQ(result.out, "0 7C1F 255 0 255\n1 03E0 0 255 0\n2 001F 255 0 0\n") << offset;
    }
    expect_failure(run({"inject", "--offset", "9223372036854775808", big, "--from", kit}),
                   "big.dat: the offset \"9223372036854775808\" is out of range");
    expect_failure(run({"inject", "--offset", "0x10000000000000000", big, "--from", kit}),
                   "big.dat: the offset \"0x10000000000000000\" is out of range");
    expect_failure(run({"dump", "--offset", "18446744073709551616", "--count", "1", big}),
                   "big.dat: the offset \"18446744073709551616\" is out of range");
    expect_failure(run({"inject", "--offset", "-4294966784", big, "--from", kit}),
                   "big.dat: the offset \"-4294966784\" is negative");
    expect_failure(run({"inject", "--offset", "0x13FFFFFFD", big, "--from", kit}),
                   "does not fit inside it (5368709120 bytes)");
    EXPECT_EQ(std::filesystem::file_size(big), 5ull << 30);
    result = run({"dump", "--offset", "0", "--count", "256", big});
    EXPECT_EQ(result.out.find(" 7C1F "), std::string::npos);  // nothing landed at 0 or 512
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"-dash.clu", "alias.bin", "big.dat", "fifo",
                                                     "kit.clu", "team.bin"}));
}

// The same code in process, over a disk held in memory: what the fuzzer runs.
TEST(CliInProcess, RunsOverTheFileSystemItIsGiven) {
    MemoryFileSystem fs;
    fs.put("kit.clu", words_to_bytes({0x7C1F, 0x83E0}));
    fs.put("any.dat", Bytes(10, 0xAA));
    const auto run = [&](std::vector<std::string> args, std::string& out, std::string& err) {
        return testing::run_cli_in_process(std::move(args), fs, out, err);
    };
    std::string out;
    std::string err;
    EXPECT_EQ(run({"dump", "kit.clu"}, out, err), 0);
    EXPECT_EQ(out, "0 7C1F 255 0 255\n1 83E0 0 255 0\n");
    EXPECT_EQ(run({"inject", "--offset", "4", "any.dat", "--from", "kit.clu"}, out, err), 0);
    EXPECT_EQ(fs.contents("any.dat"),
              (Bytes{0xAA, 0xAA, 0xAA, 0xAA, 0x1F, 0x7C, 0xE0, 0x83, 0xAA, 0xAA}));
    EXPECT_EQ(run({"dump", "line\nbreak"}, out, err), 1);
    EXPECT_EQ(err, "tavrin-cli: line\\nbreak: cannot open it (No such file or directory)\n");
    EXPECT_EQ(run({"--help"}, out, err), 0);
    EXPECT_NE(out.find("dump"), std::string::npos);
    EXPECT_EQ(run({"--version"}, out, err), 0);
    EXPECT_EQ(out, "tavrin-cli 1.0.0\n");
    EXPECT_EQ(fs.paths(), (std::vector<std::string>{"any.dat", "kit.clu"}));
}

}  // namespace
}  // namespace tavrin

namespace tavrin {
namespace {

TEST_F(Cli, FindPrintsOffsetsInBothBasesWithGrepStatuses) {
    const auto kit = words_from(16, 4);
    Bytes disc(8000, 0x00);
    const Bytes kit_bytes = words_to_bytes(kit);
    std::copy(kit_bytes.begin(), kit_bytes.end(), disc.begin() + 0x1A40);
    std::copy(kit_bytes.begin(), kit_bytes.end(), disc.begin() + 4001);
    const Bytes tim = {0x10, 0, 0, 0, 2, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 1, 2, 3, 4};
    std::copy(tim.begin(), tim.end(), disc.begin() + 100);
    const std::string path = dir.write("disc.img", disc);
    const std::string kit_file = dir.write("kit.clu", kit_bytes);
    const std::string empty = dir.write("empty.img", {});

    CliRun result = run({"find", "--clut", kit_file, path});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, path + " 0x1A40 6720 clut matching=16\n");
    EXPECT_TRUE(result.err.empty());
    result = run({"find", "--clut", kit_file, "--align", "1", path, empty});
    EXPECT_EQ(result.out,
              path + " 0xFA1 4001 clut matching=16\n" + path + " 0x1A40 6720 clut matching=16\n");

    result = run({"find", "--tim", path});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, path +
                              " 0x64 100 tim bpp=16 clut_colors=0 clut_rows=0 width=2 height=1 "
                              "size=24\n");

    // None found: 1 and nothing printed.
    result = run({"find", "--palettes", empty});
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_TRUE(result.out.empty());
    EXPECT_TRUE(result.err.empty());

    // Errors: 2, one line each, and the other files are still searched.
    result = run({"find", "--clut", kit_file, dir.folder(), path});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, path + " 0x1A40 6720 clut matching=16\n");
    EXPECT_EQ(result.err, "tavrin-cli: " + dir.folder() + ": it is a folder, not a file\n");
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"find", "--clut", kit_file, "--tolerance", "32", path},
             {"find", "--clut", kit_file, "--align", "4", path},
             {"find", "--tim", "--palettes", path},
             {"find", "--tim", "--tolerance", "2", path},
             {"find", "--tim", "--min", "2", path},
             {"find", path},
             {"find", "--clut", dir.path("missing.clu"), path},
             {"find", "--clut", empty, path}}) {
        result = run(args);
        EXPECT_EQ(result.status, 2) << args[2];
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_TRUE(result.out.empty());
    }
}

TEST_F(Cli, TimsInsideALargerFileAndFindsThatStopAtACount) {
    testing::TimSpec spec;
    spec.bits_per_pixel = 4;
    spec.clut_rows = {words_from(16, 5), words_from(16, 6)};
    spec.width = 8;
    spec.height = 2;
    spec.indices.assign(16, 3);
    const Bytes tim = testing::tim_file_bytes(spec);
    Bytes disc(0x300, 0x00);
    std::copy(tim.begin(), tim.end(), disc.begin() + 0x120);
    std::copy(tim.begin(), tim.end(), disc.begin() + 0x200);
    const std::string path = dir.write("disc.img", disc);

    CliRun result = run({"dump", "--tim", "--at", "0x120", "--row", "1", path});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 16);
    char first[16];
    std::snprintf(first, sizeof first, "0 %04X ", static_cast<unsigned>(spec.clut_rows[1][0]));
    EXPECT_EQ(result.out.rfind(first, 0), 0u) << result.out;

    // Row 1's colours over row 0 of the TIM at 288: only those 32 bytes change.
    const std::string clu = dir.write("row.clu", words_to_bytes(spec.clut_rows[1]));
    result = run({"inject", "--tim", "--at", "288", path, "--from", clu});
    EXPECT_EQ(result.status, 0) << result.err;
    Bytes expected = disc;
    const Bytes row = words_to_bytes(spec.clut_rows[1]);
    std::copy(row.begin(), row.end(), expected.begin() + 0x120 + testing::tim_clut_words);
    EXPECT_EQ(read_bytes(path), expected);
    expect_failure(run({"dump", "--at", "0x120", path}), "--at");
    expect_failure(run({"inject", "--tim", "--at", "0x2FF", path, "--from", clu}),
                   "disc.img: the file ends 1 byte after offset 767, too soon for a TIM");
    expect_failure(run({"dump", "--tim", "--at", "-4", path}), "negative");
    EXPECT_EQ(read_bytes(path), expected);

    result = run({"find", "--tim", path});
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 2) << result.out;
    result = run({"find", "--tim", "--max-hits", "1", path, path});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.find(path + " 0x120 288 tim bpp=4"), 0u) << result.out;
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 1) << result.out;
    EXPECT_TRUE(result.err.empty()) << result.err;
    EXPECT_EQ(run({"find", "--tim", "--max-hits", "0", path}).status, 2);
}

}  // namespace
}  // namespace tavrin
