// TIM files and raw pixels as the preview reads them: checked against
// ImageMagick's own TIM decoder, against files whose lengths lie, and for
// injections that must touch one CLUT row only.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "image/image.h"
#include "search/search.h"
#include "tests/support/temp_files.h"
#include "tests/support/tim_files.h"

namespace tavrin {
namespace {

using testing::Bytes;
using testing::read_bytes;
using testing::TempDir;
using testing::tim_file_bytes;
using testing::TimSpec;
using Code = Status::Code;

FileSystem& disk() {
    return standard_file_system();
}

TimSpec random_tim(std::mt19937& rng, int bits_per_pixel, int rows, int width, int height) {
    TimSpec spec;
    spec.bits_per_pixel = bits_per_pixel;
    const int colors = bits_per_pixel == 4 ? 16 : 256;
    std::uniform_int_distribution<int> word(0, 0xFFFF);
    std::uniform_int_distribution<int> index(0, colors - 1);
    spec.clut_rows.assign(static_cast<std::size_t>(rows), {});
    for (auto& row : spec.clut_rows) {
        for (int i = 0; i < colors; ++i) {
            row.push_back(static_cast<std::uint16_t>(word(rng)));
        }
    }
    spec.width = width;
    spec.height = height;
    for (int i = 0; i < width * height; ++i) {
        spec.indices.push_back(static_cast<std::uint8_t>(index(rng)));
    }
    return spec;
}

bool image_magick_reads_tim() {
    return std::system("convert -list format 2>/dev/null | grep -Eq '^ *TIM\\*? +TIM +r'") == 0;
}

// ImageMagick's RGB bytes for a file; empty when it fails.
Bytes image_magick_rgb(const TempDir& dir, const std::string& path) {
    const std::string out = dir.path("magick.rgb");
    const std::string command = "convert '" + path + "' -depth 8 'rgb:" + out + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0) {
        return {};
    }
    return read_bytes(out);
}

// The TIM's image through its row as the preview draws it.
std::vector<Argb> tavrin_pixels(const std::string& path, int row, IndexedImage& image) {
    TimInfo info;
    Clut clut;
    EXPECT_TRUE(read_tim_image(disk(), path, image, info).ok());
    const Status read = read_tim_clut(disk(), path, row, clut, info);
    EXPECT_TRUE(read.ok()) << read.reason;
    std::vector<Argb> pixels;
    draw_indexed(image, pixel_colors(clut.entries, clut.count), pixels);
    return pixels;
}

TEST(TimImages, MatchImageMagickPixelForPixel) {
    if (!image_magick_reads_tim()) {
        GTEST_SKIP() << "ImageMagick's convert is missing or cannot read PSX TIM files";
    }
    TempDir dir;
    std::mt19937 rng(14);
    struct Case {
        int bits_per_pixel;
        int rows;
        int width;
        int height;
    };
    for (const Case c :
         {Case{4, 1, 16, 8}, Case{4, 3, 12, 7}, Case{8, 1, 10, 9}, Case{8, 2, 6, 5}}) {
        const TimSpec spec = random_tim(rng, c.bits_per_pixel, c.rows, c.width, c.height);
        const std::string path = dir.write("image.tim", tim_file_bytes(spec));
        for (int row = 0; row < c.rows; ++row) {
            SCOPED_TRACE(std::to_string(c.bits_per_pixel) + " bits, row " + std::to_string(row) +
                         " of " + std::to_string(c.rows));
            // ImageMagick reads only a TIM's first CLUT row; it sees row N as
            // the only row of an otherwise identical file.
            TimSpec alone = spec;
            alone.clut_rows = {spec.clut_rows[static_cast<std::size_t>(row)]};
            const Bytes theirs =
                image_magick_rgb(dir, dir.write("alone.tim", tim_file_bytes(alone)));
            IndexedImage image;
            const std::vector<Argb> ours = tavrin_pixels(path, row, image);
            ASSERT_EQ(image.width, c.width);
            ASSERT_EQ(image.height, c.height);
            ASSERT_EQ(theirs.size(), ours.size() * 3);
            // ImageMagick widens 5 bits to 8 by repeating the top bits, the
            // grid by 255 * v / 31: the same 5-bit colour either way.
            for (std::size_t i = 0; i < ours.size(); ++i) {
                const Rgb rgb = rgb_of(ours[i]);
                ASSERT_EQ((std::array{rgb.red >> 3, rgb.green >> 3, rgb.blue >> 3}),
                          (std::array{theirs[i * 3] >> 3, theirs[i * 3 + 1] >> 3,
                                      theirs[i * 3 + 2] >> 3}))
                    << "pixel " << i % c.width << ", " << i / c.width;
                ASSERT_EQ(rgb,
                          color_of(decode_bgr555(
                              spec.clut_rows[static_cast<std::size_t>(row)][spec.indices[i]])));
            }
        }
    }
}

void put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

void put16(Bytes& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

TEST(TimImages, LyingLengthsFailCleanly) {
    TempDir dir;
    std::mt19937 rng(3);
    const Bytes good = tim_file_bytes(random_tim(rng, 4, 2, 8, 4));
    // Header 8, CLUT block 12 + 64, image block at 84: 12 + 16.
    ASSERT_EQ(good.size(), 112u);
    const std::size_t image_block = 84;

    struct Lie {
        const char* what;
        std::function<void(Bytes&)> change;
        const char* reason;
    };
    const std::vector<Lie> lies = {
        {"id", [](Bytes& b) { put32(b, 0, 0x11); }, "it is not a TIM file"},
        {"mode", [](Bytes& b) { put32(b, 4, 8 | 5); }, "pixel mode 5"},
        {"CLUT length past the end", [](Bytes& b) { put32(b, 8, 0xFFFFFFF0u); }, "past the end"},
        {"CLUT length under its header", [](Bytes& b) { put32(b, 8, 4); }, "12-byte header"},
        {"CLUT width", [](Bytes& b) { put16(b, 16, 17); }, "too short for the 17 x 2"},
        {"CLUT rows", [](Bytes& b) { put16(b, 18, 0xFFFF); }, "too short"},
        {"no CLUT colors", [](Bytes& b) { put16(b, 18, 0); }, "holds no colors"},
        {"image length past the end", [&](Bytes& b) { put32(b, image_block, 29); }, "past the end"},
        {"image width", [&](Bytes& b) { put16(b, image_block + 8, 3); }, "too short for the 3 x 4"},
        {"image height", [&](Bytes& b) { put16(b, image_block + 10, 0xFFFF); }, "too short"},
        {"CLUT length hides the image", [](Bytes& b) { put32(b, 8, 100); }, "image block"},
    };
    for (const Lie& lie : lies) {
        SCOPED_TRACE(lie.what);
        Bytes bytes = good;
        lie.change(bytes);
        const std::string path = dir.write("lie.tim", bytes);
        TimInfo info;
        Clut clut;
        IndexedImage image;
        const Status status = read_tim_info(disk(), path, info);
        EXPECT_FALSE(status.ok());
        EXPECT_NE(status.reason.find(lie.reason), std::string::npos) << status.reason;
        EXPECT_FALSE(read_tim_clut(disk(), path, 0, clut, info).ok());
        EXPECT_EQ(clut.count, 0);
        EXPECT_FALSE(read_tim_image(disk(), path, image, info).ok());
        EXPECT_TRUE(image.indices.empty());
        EXPECT_FALSE(inject_tim_clut(disk(), path, 0, std::span(clut.entries).first(16)).ok());
        EXPECT_EQ(read_bytes(path), bytes);
    }
    // Every cut short of the whole file fails too, and the whole file reads.
    for (std::size_t size = 0; size < good.size(); ++size) {
        TimInfo info;
        EXPECT_FALSE(read_tim_info(disk(),
                                   dir.write("cut.tim", Bytes(good.begin(), good.begin() + size)),
                                   info)
                         .ok())
            << size;
    }
    TimInfo info;
    ASSERT_TRUE(read_tim_info(disk(), dir.write("good.tim", good), info).ok());
    EXPECT_EQ(info.bits_per_pixel, 4);
    EXPECT_EQ(info.clut_colors, 16);
    EXPECT_EQ(info.clut_rows, 2);
    EXPECT_EQ(info.width, 8);
    EXPECT_EQ(info.height, 4);
    EXPECT_EQ(info.pixel_offset, 96u);
}

// The reader and the finder run one parser: a block may be longer than its
// data, but one that runs past the end of the file is no TIM to either.
TEST(TimImages, ReaderAndFinderAgreeOnPaddedBlocksAndBlocksPastTheEnd) {
    TempDir dir;
    std::mt19937 rng(9);
    const TimSpec spec = random_tim(rng, 8, 2, 6, 3);
    const Bytes padded = testing::padded_tim_bytes(spec, 30, 10);
    constexpr std::uint64_t at = 700;
    const auto tims_in = [&](const std::string& path) {
        std::vector<std::uint64_t> offsets;
        search::Observer observer;
        observer.hit = [&](const search::Hit& hit) { offsets.push_back(hit.offset); };
        EXPECT_EQ(search::find_tim(path, observer).end, search::ScanEnd::done);
        return offsets;
    };
    // Ends exactly at the end of the file, then one byte past it.
    for (const std::size_t cut : {0, 1}) {
        SCOPED_TRACE(cut);
        Bytes file(at + padded.size() - cut, 0xEE);
        std::copy(padded.begin(), padded.end() - static_cast<std::ptrdiff_t>(cut),
                  file.begin() + static_cast<std::ptrdiff_t>(at));
        const std::string path = dir.write("disc.img", file);
        TimInfo info;
        Clut clut;
        IndexedImage image;
        const Status status = read_tim_info(disk(), path, info, at);
        if (cut == 0) {
            ASSERT_TRUE(status.ok()) << status.reason;
            EXPECT_EQ(tims_in(path), std::vector<std::uint64_t>{at});
            EXPECT_EQ(info.size, padded.size());
            ASSERT_TRUE(read_tim_clut(disk(), path, 1, clut, info, at).ok());
            EXPECT_EQ(clut.entries[7], decode_bgr555(spec.clut_rows[1][7]));
            ASSERT_TRUE(read_tim_image(disk(), path, image, info, at).ok());
            EXPECT_EQ(image.indices, spec.indices);
        } else {
            EXPECT_NE(status.reason.find("says it is 40 bytes from offset " +
                                         std::to_string(at + padded.size() - 40) +
                                         ", which reaches past the end of the file"),
                      std::string::npos)
                << status.reason;
            EXPECT_TRUE(tims_in(path).empty());
            EXPECT_FALSE(read_tim_clut(disk(), path, 0, clut, info, at).ok());
            EXPECT_FALSE(read_tim_image(disk(), path, image, info, at).ok());
        }
    }
}

TEST(TimImages, InjectChangesOnlyThatRowOrNothing) {
    TempDir dir;
    std::mt19937 rng(5);
    const TimSpec spec = random_tim(rng, 4, 3, 8, 2);
    const Bytes original = tim_file_bytes(spec);
    const std::string path = dir.write("kit.tim", original);

    Clut clut;
    TimInfo info;
    ASSERT_TRUE(read_tim_clut(disk(), path, 1, clut, info).ok());
    ASSERT_EQ(clut.count, 16);
    EXPECT_EQ(clut.entries[3], decode_bgr555(spec.clut_rows[1][3]));
    for (int i = 0; i < clut.count; ++i) {
        clut.entries[static_cast<std::size_t>(i)] = decode_bgr555(static_cast<std::uint16_t>(i));
    }
    const auto row = std::span(clut.entries).first(16);
    ASSERT_TRUE(inject_tim_clut(disk(), path, 1, row).ok());
    Bytes expected = original;
    for (std::size_t i = 0; i < 16; ++i) {
        put16(expected, testing::tim_clut_words + 32 + 2 * i, static_cast<std::uint16_t>(i));
    }
    EXPECT_EQ(read_bytes(path), expected);

    // Refused before a byte is written: a row it lacks, a row of another
    // length, a file that is no longer a TIM.
    EXPECT_EQ(inject_tim_clut(disk(), path, 3, row).code, Code::invalid_argument);
    EXPECT_EQ(inject_tim_clut(disk(), path, -1, row).code, Code::invalid_argument);
    const Status wrong_count = inject_tim_clut(disk(), path, 0, row.first(15));
    EXPECT_NE(wrong_count.reason.find("hold 16 colors, not 15"), std::string::npos);
    EXPECT_EQ(read_bytes(path), expected);
    Bytes shrunk = expected;
    put16(shrunk, testing::tim_clut_block + 10, 1);  // now only one row, which must not be row 1
    dir.write("kit.tim", shrunk);
    EXPECT_FALSE(inject_tim_clut(disk(), path, 1, row).ok());
    EXPECT_EQ(read_bytes(path), shrunk);
    EXPECT_FALSE(inject_tim_clut(disk(), dir.path("gone.tim"), 0, row).ok());
    EXPECT_EQ(dir.names(), std::vector<std::string>{"kit.tim"});
}

TEST(IndexedDrawing, GridColorsNoColorPatternAndHighlight) {
    std::array<PaletteEntry, palette_size> palette{};
    palette[0] = decode_bgr555(0x001F);
    palette[1] = decode_bgr555(0x7C00);
    palette[2] = decode_bgr555(0x03E0);
    IndexedImage image{8, 8, std::vector<std::uint8_t>(64, 2)};
    image.indices[0] = 0;
    image.indices[1] = 1;
    std::vector<Argb> pixels;

    draw_indexed(image, pixel_colors(palette, 2), pixels);
    ASSERT_EQ(pixels.size(), 64u);
    EXPECT_EQ(rgb_of(pixels[0]), color_of(palette[0]));
    EXPECT_EQ(rgb_of(pixels[1]), color_of(palette[1]));
    EXPECT_EQ(pixels[0] >> 24, 0xFFu);
    // Index 2 is past the two live colours: 4 x 4 squares alternating.
    EXPECT_EQ(pixels[2], no_color_light);
    EXPECT_EQ(pixels[4], no_color_dark);
    EXPECT_EQ(pixels[4 * 8], no_color_dark);
    EXPECT_EQ(pixels[4 * 8 + 4], no_color_light);

    std::array<bool, palette_size> selected{};
    selected[1] = true;
    draw_indexed(image, pixel_colors(palette, 3, &selected), pixels);
    EXPECT_EQ(rgb_of(pixels[1]), color_of(palette[1]));
    const Rgb faded = rgb_of(pixels[0]);
    EXPECT_NE(faded, color_of(palette[0]));
    EXPECT_LT(faded.red, 255);
    EXPECT_GT(faded.blue, 0);
    EXPECT_EQ(pixels[2], pixels[5]);  // index 2 is live now: no pattern
}

TEST(RawPixels, ReadAtAnOffsetAndOnlyWithinTheFile) {
    TempDir dir;
    Bytes bytes(64);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 17);
    }
    const std::string path = dir.write("data.bin", bytes);
    IndexedImage image;
    // 4 bits, an odd width: every row starts on a byte, low nibble first.
    ASSERT_TRUE(read_raw_pixels(disk(), path, {10, 3, 2, 4}, image).ok());
    EXPECT_EQ(image.indices, (std::vector<std::uint8_t>{0xA, 0xA, 0xB, 0xC, 0xC, 0xD}));
    ASSERT_TRUE(read_raw_pixels(disk(), path, {0x3C, 2, 2, 8}, image).ok());
    EXPECT_EQ(image.indices, (std::vector<std::uint8_t>{0xFC, 0x0D, 0x1E, 0x2F}));

    const Status past = read_raw_pixels(disk(), path, {61, 2, 2, 8}, image);
    EXPECT_EQ(past.code, Code::not_in_file);
    EXPECT_NE(past.reason.find("(4 bytes at offset 61) reaches past the end"), std::string::npos);
    EXPECT_TRUE(image.indices.empty());
    EXPECT_FALSE(read_raw_pixels(disk(), path, {-1, 2, 2, 8}, image).ok());
    EXPECT_FALSE(read_raw_pixels(disk(), path, {0, 0, 2, 8}, image).ok());
    EXPECT_FALSE(read_raw_pixels(disk(), path, {0, 2, 2, 16}, image).ok());
    EXPECT_FALSE(read_raw_pixels(disk(), path, {0, 8192, 8192, 8}, image).ok());
    EXPECT_FALSE(read_raw_pixels(disk(), dir.path("none.bin"), {0, 1, 1, 8}, image).ok());
}

}  // namespace
}  // namespace tavrin
