// Disc images: images made by genisoimage from files chosen here, encoded as
// raw Mode 1 and Mode 2 Form 1 sectors; listings compared with iso-info, data
// with bchunk's conversion, and every sector checked after every write by
// checks written apart from the encoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "disc/disc.h"
#include "disc/sectors.h"
#include "files/clut_files.h"
#include "search/search.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/run_cli.h"
#include "tests/support/temp_files.h"
#include "tests/support/test_editor.h"
#include "tests/support/tim_files.h"
#include "ui/file_commands.h"
#include "ui/history_commands.h"
#include "ui/open_path.h"

namespace tavrin {
namespace {

using disc::SectorType;
using testing::Bytes;
using testing::read_bytes;
using testing::TempDir;

bool have(const char* tool) {
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// The EDC as ECMA-130 defines it, one bit at a time.
std::uint32_t crc_by_bits(const std::uint8_t* bytes, std::size_t count) {
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1u) ? (crc >> 1) ^ 0xD8018001u : crc >> 1;
        }
    }
    return crc;
}

std::uint8_t gf_times(std::uint8_t a, std::uint8_t b) {
    unsigned product = 0;
    unsigned x = a;
    for (; b != 0; b >>= 1) {
        if (b & 1u) {
            product ^= x;
        }
        x <<= 1;
        if (x & 0x100u) {
            x ^= 0x11Du;
        }
    }
    return static_cast<std::uint8_t>(product);
}

// Both syndromes of one code word: sum c_i and sum c_i alpha^(n-1-i).
bool syndromes_zero(const std::vector<std::uint8_t>& word) {
    std::uint8_t s0 = 0;
    std::uint8_t s1 = 0;
    for (const std::uint8_t c : word) {
        s0 ^= c;
        s1 = static_cast<std::uint8_t>(gf_times(s1, 2) ^ c);  // Horner: highest power first
    }
    return s0 == 0 && s1 == 0;
}

// Whether a raw sector's EDC, and for Mode 1 and Form 1 its P and Q, check.
bool sector_checks(const std::uint8_t* sector) {
    const bool mode2 = sector[15] == 2;
    const bool form2 = mode2 && (sector[18] & 0x20);
    const std::size_t from = mode2 ? 16 : 0;
    const std::size_t edc_at = form2 ? 2348 : mode2 ? 2072 : 2064;
    std::uint32_t stored = 0;
    for (int i = 3; i >= 0; --i) {
        stored = (stored << 8) | sector[edc_at + static_cast<std::size_t>(i)];
    }
    if (form2) {
        return stored == 0 || stored == crc_by_bits(sector + from, edc_at - from);
    }
    if (stored != crc_by_bits(sector + from, edc_at - from)) {
        return false;
    }
    std::vector<std::uint8_t> covered(sector + 12, sector + 2352);
    if (mode2) {
        std::fill_n(covered.begin(), 4, std::uint8_t{0});
    }
    for (std::size_t column = 0; column < 86; ++column) {  // P: 26 bytes down each column
        std::vector<std::uint8_t> word;
        for (std::size_t i = 0; i < 26; ++i) {
            word.push_back(covered[column + 86 * i]);
        }
        if (!syndromes_zero(word)) {
            return false;
        }
    }
    for (std::size_t diagonal = 0; diagonal < 52; ++diagonal) {  // Q: 43 bytes and 2 parity
        std::vector<std::uint8_t> word;
        for (std::size_t i = 0; i < 43; ++i) {
            word.push_back(covered[((diagonal / 2) * 86 + diagonal % 2 + 88 * i) % 2236]);
        }
        word.push_back(covered[2236 + diagonal]);
        word.push_back(covered[2236 + 52 + diagonal]);
        if (!syndromes_zero(word)) {
            return false;
        }
    }
    return true;
}

// The first sector that does not check, or -1.
long first_bad_sector(const Bytes& image) {
    for (std::size_t at = 0; at + 2352 <= image.size(); at += 2352) {
        if (!sector_checks(image.data() + at)) {
            return static_cast<long>(at / 2352);
        }
    }
    return -1;
}

// The ISO's sectors as raw sectors of type; those in form2 become Form 2.
Bytes raw_image(const Bytes& iso, SectorType type,
                std::pair<std::uint32_t, std::uint32_t> form2 = {}) {
    Bytes raw(iso.size() / 2048 * 2352);
    for (std::uint32_t lba = 0; lba < iso.size() / 2048; ++lba) {
        const bool in_form2 = lba >= form2.first && lba < form2.second;
        disc::encode_sector(std::span<std::uint8_t, 2352>(raw.data() + lba * 2352, 2352), lba,
                            in_form2 ? SectorType::mode2_form2 : type,
                            std::span(iso).subspan(lba * 2048, 2048));
    }
    return raw;
}

constexpr std::size_t tex_size = 6000;
constexpr std::uint16_t clut_in_tex = 1800;  // 512 bytes across the file's first sector's end
constexpr int tex_kind = 2;

std::vector<std::uint16_t> kit_words(std::uint16_t seed) {
    std::vector<std::uint16_t> words(256);
    for (std::size_t i = 0; i < words.size(); ++i) {
        words[i] = static_cast<std::uint16_t>((seed + i * 97) & 0x7FFF);
    }
    return words;
}

std::string dump_lines(const std::vector<std::uint16_t>& words) {
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const PaletteEntry entry = decode_bgr555(words[i]);
        char line[48];
        std::snprintf(line, sizeof line, "%zu %04X %d %d %d\n", i, static_cast<unsigned>(words[i]),
                      entry.red, entry.green, entry.blue);
        text += line;
    }
    return text;
}

int run_cli(std::vector<std::string> args, std::string& out, std::string& err,
            FileSystem& fs = standard_file_system()) {
    return testing::run_cli_in_process(std::move(args), fs, out, err);
}

// A small game disc: a TEX file whose kit CLUT crosses a sector's end, a
// video file, a note; as an .iso and as raw Mode 1 and Mode 2 images with cues.
class DiscImages : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!have("genisoimage")) {
            GTEST_SKIP() << "genisoimage is not installed (scripts/deps.sh core)";
        }
        const std::string tree = dir.path("tree");
        std::filesystem::create_directories(tree + "/data/movies");
        tex = testing::tex_file_bytes(tex_size, tex_kind, 64, clut_in_tex, kit_words(0x1234));
        // The other four CLUTs, so that the file is a TEX file to the editor.
        constexpr std::size_t header_fields[] = {4, 12, 16, 20, 32};
        for (int kind = 0, other = 0; kind < tex_kind_count; ++kind) {
            if (kind != tex_kind) {
                const auto record = static_cast<std::uint16_t>(80 + 16 * other);
                const auto clut = static_cast<std::uint16_t>(2400 + 512 * other++);
                tex[header_fields[kind]] = static_cast<std::uint8_t>(record);
                tex[header_fields[kind] + 1] = static_cast<std::uint8_t>(record >> 8);
                tex[record + 12u] = static_cast<std::uint8_t>(clut);
                tex[record + 13u] = static_cast<std::uint8_t>(clut >> 8);
            }
        }
        write_file(tree + "/data/kit.tex", tex);
        write_file(tree + "/data/movies/intro.str", Bytes(3 * 2048 + 100, 0x5A));
        write_file(tree + "/readme.txt", Bytes{'h', 'i', '\n'});
        iso = dir.path("game.iso");
        ASSERT_EQ(std::system(("genisoimage -quiet -o '" + iso + "' '" + tree + "'").c_str()), 0);
        const Bytes iso_bytes = read_bytes(iso);
        std::vector<disc::DiscFile> files;
        ASSERT_TRUE(disc::list_files(standard_file_system(), iso, files).ok());
        ASSERT_EQ(files.size(), 3u);
        const auto& movie = files[1];
        ASSERT_EQ(movie.path, "DATA/MOVIES/INTRO.STR");
        tex_lba = files[0].lba;
        const std::pair<std::uint32_t, std::uint32_t> movie_sectors{movie.lba, movie.lba + 4};
        mode1 = dir.write("mode1.bin", raw_image(iso_bytes, SectorType::mode1));
        mode2 =
            dir.write("mode2.bin", raw_image(iso_bytes, SectorType::mode2_form1, movie_sectors));
        mode1_cue = write_cue("mode1", "MODE1/2352");
        mode2_cue = write_cue("mode2", "MODE2/2352");
    }

    static void write_file(const std::string& path, const Bytes& bytes) {
        FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }

    std::string write_cue(const std::string& name, const std::string& mode) {
        const std::string text =
            "FILE \"" + name + ".bin\" BINARY\n  TRACK 01 " + mode + "\n    INDEX 01 00:00:00\n";
        return dir.write(name + ".cue", Bytes(text.begin(), text.end()));
    }

    // Where byte offset of the TEX file lies in a raw image.
    std::uint64_t raw_offset(std::uint64_t offset, std::size_t data_at) const {
        return (tex_lba + offset / 2048) * 2352 + data_at + offset % 2048;
    }

    TempDir dir;
    Bytes tex;
    std::string iso, mode1, mode2, mode1_cue, mode2_cue;
    std::uint32_t tex_lba = 0;
};

TEST_F(DiscImages, ListsEveryFileAsIsoInfoDoes) {
    if (!have("iso-info")) {
        GTEST_SKIP() << "iso-info is not installed (libcdio-utils)";
    }
    // iso-info -l: "/DIR/:" heads, then "- [LSN  n]  size date time name" per file.
    std::string listing_file = dir.path("iso-info.txt");
    ASSERT_EQ(std::system(("iso-info -q -l '" + iso + "' > '" + listing_file + "'").c_str()), 0);
    const Bytes listing = read_bytes(listing_file);
    std::istringstream lines(std::string(listing.begin(), listing.end()));
    std::vector<std::string> expected;
    std::string folder;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line[0] == '/' && line.back() == ':') {
            folder = line.substr(1, line.size() - 2);
        } else if (line.rfind("  - [LSN", 0) == 0) {
            std::istringstream fields(line.substr(line.find(']') + 1));
            std::string size, date_m, date_d, date_y, time, name;
            fields >> size >> date_m >> date_d >> date_y >> time >> name;
            const std::string lsn = line.substr(8, line.find(']') - 8);
            std::string path = folder + name;
            std::transform(path.begin(), path.end(), path.begin(), ::toupper);
            expected.push_back(path + " " + std::to_string(std::stoul(lsn)) + " " + size + "\n");
        }
    }
    std::sort(expected.begin(), expected.end());
    std::string want;
    for (const auto& line : expected) {
        want += line;
    }
    ASSERT_EQ(expected.size(), 3u);
    for (const auto& image : {iso, mode1, mode2_cue}) {
        std::string out, err;
        EXPECT_EQ(run_cli({"ls", image}, out, err), 0) << err;
        EXPECT_EQ(out, want) << image;
    }
    std::string out, err;
    EXPECT_EQ(run_cli({"ls", dir.path("tree/readme.txt")}, out, err), 1);
    EXPECT_NE(err.find("it is not a disc image"), std::string::npos) << err;
}

TEST_F(DiscImages, DataStreamIsBchunksConversion) {
    if (!have("bchunk")) {
        GTEST_SKIP() << "bchunk is not installed";
    }
    for (const auto& [bin, cue, data_at] :
         {std::tuple{mode1, mode1_cue, 16}, std::tuple{mode2, mode2_cue, 24}}) {
        const std::string base = dir.path("track");
        ASSERT_EQ(
            std::system(("bchunk '" + bin + "' '" + cue + "' '" + base + "' >/dev/null").c_str()),
            0);
        const Bytes converted = read_bytes(base + "01.iso");
        ASSERT_EQ(converted.size(), read_bytes(iso).size());
        // Read from the first sector's data, the whole image's data runs on as one stream.
        const auto view = disc::inside_image(standard_file_system(), bin, "");
        std::unique_ptr<File> file;
        ASSERT_TRUE(view->open(bin, OpenMode::read, file).ok());
        Bytes stream(converted.size());
        std::size_t done = 0;
        ASSERT_TRUE(file->seek(static_cast<std::uint64_t>(data_at)).ok());
        ASSERT_TRUE(file->read(stream, done).ok());
        EXPECT_EQ(done, stream.size());
        EXPECT_TRUE(stream == converted) << bin;
        // One file of it, by a name in another case, from the raw image and its cue.
        for (const auto& image : {bin, cue, iso}) {
            const auto inside =
                disc::inside_image(standard_file_system(), image, "/Data/Kit.tex;1");
            std::vector<std::uint8_t> bytes;
            ASSERT_TRUE(read_whole_file(*inside, image, 1 << 20, bytes).ok()) << image;
            EXPECT_TRUE(bytes == tex) << image;
        }
    }
}

TEST_F(DiscImages, RefusesWhatItCannotRead) {
    std::string out, err;
    EXPECT_EQ(run_cli({"dump", "--inside", "DATA/MOVIES/INTRO.STR", mode2, "--offset", "0",
                       "--count", "16"},
                      out, err),
              1);
    EXPECT_NE(err.find("\"DATA/MOVIES/INTRO.STR\" in it is stored in Form 2 sectors"),
              std::string::npos)
        << err;
    EXPECT_EQ(run_cli({"dump", "--inside", "DATA/NONE.TEX", "--tex", "0", mode2}, out, err), 1);
    EXPECT_NE(err.find("it holds no file \"DATA/NONE.TEX\""), std::string::npos) << err;
    for (const auto& [magic, what] : {std::pair<std::string, std::string>{"MComprHD", "CHD image"},
                                      {std::string("ECM\0", 4), "ECM image"},
                                      {std::string("\0PBP", 4), "PBP image"}}) {
        Bytes bytes(4096, 0);
        std::copy(magic.begin(), magic.end(), bytes.begin());
        const std::string path = dir.write("packed", bytes);
        EXPECT_EQ(run_cli({"ls", path}, out, err), 1);
        EXPECT_NE(err.find("it is a " + what), std::string::npos) << err;
        EXPECT_NE(err.find("convert it to a .bin and .cue"), std::string::npos) << err;
    }
    const std::string text = "FILE \"gone.bin\" BINARY\n  TRACK 01 MODE2/2352\n";
    const std::string cue = dir.write("gone.cue", Bytes(text.begin(), text.end()));
    EXPECT_EQ(run_cli({"ls", cue}, out, err), 1);
    EXPECT_NE(err.find("its data track \"" + dir.path("gone.bin") + "\": cannot open it"),
              std::string::npos)
        << err;
}

// The kit CLUT crosses the end of the TEX file's first sector: read and
// written inside the image and at the image's own offsets, every sector still
// checks, and only the CLUT's bytes and the two sectors' codes change.
TEST_F(DiscImages, SplitClutIsReadAndWrittenInPlace) {
    const std::string clu = dir.write("new.clu", testing::words_to_bytes(kit_words(0x0421)));
    for (const auto& [bin, data_at, edc_at] :
         {std::tuple{mode2, std::size_t{24}, std::size_t{2072}},
          std::tuple{mode1, std::size_t{16}, std::size_t{2064}}}) {
        const std::uint64_t clut_at = raw_offset(clut_in_tex, data_at);
        const std::string offset = std::to_string(clut_at);
        std::string out, err;
        ASSERT_EQ(run_cli({"dump", "--inside", "data/kit.tex", "--tex", "2", bin}, out, err), 0)
            << err;
        EXPECT_EQ(out, dump_lines(kit_words(0x1234)));
        ASSERT_EQ(run_cli({"dump", "--offset", offset, "--count", "256", bin}, out, err), 0) << err;
        EXPECT_EQ(out, dump_lines(kit_words(0x1234)));

        const Bytes before = read_bytes(bin);
        ASSERT_EQ(first_bad_sector(before), -1) << bin;
        ASSERT_EQ(run_cli({"inject", "--inside", "DATA/KIT.TEX", "--tex", "2", bin, "--from", clu},
                          out, err),
                  0)
            << err;
        const Bytes after = read_bytes(bin);
        ASSERT_EQ(after.size(), before.size());
        EXPECT_EQ(first_bad_sector(after), -1) << bin;
        const std::uint64_t split = (tex_lba + 1) * 2352 + data_at;  // the second part's start
        for (std::size_t i = 0; i < after.size(); ++i) {
            const std::size_t sector = i / 2352;
            const bool clut_byte = (i >= clut_at && i < clut_at + (2048 - clut_in_tex)) ||
                                   (i >= split && i < split + (512 - (2048 - clut_in_tex)));
            const bool codes = (sector == tex_lba || sector == tex_lba + 1) && i % 2352 >= edc_at;
            if (!clut_byte && !codes) {
                ASSERT_EQ(after[i], before[i]) << bin << " byte " << i;
            }
        }
        EXPECT_NE(after[split], before[split]);
        ASSERT_EQ(run_cli({"dump", "--offset", offset, "--count", "256", bin}, out, err), 0) << err;
        EXPECT_EQ(out, dump_lines(kit_words(0x0421)));

        // At the image's own offset, back to the old colours.
        const std::string old_clu =
            dir.write("old.clu", testing::words_to_bytes(kit_words(0x1234)));
        ASSERT_EQ(run_cli({"inject", "--offset", offset, bin, "--from", old_clu}, out, err), 0)
            << err;
        EXPECT_TRUE(read_bytes(bin) == before) << bin;
        // The finder sees the split CLUT, at the image's offset or in the file.
        ASSERT_EQ(run_cli({"find", "--clut", old_clu, bin}, out, err), 0) << err;
        EXPECT_NE(out.find(" " + offset + " clut matching=256\n"), std::string::npos) << out;
        ASSERT_EQ(run_cli({"find", "--inside", "data/kit.tex", "--clut", old_clu, bin}, out, err),
                  0)
            << err;
        EXPECT_EQ(out, bin + " 0x708 1800 clut matching=256\n");
        EXPECT_EQ(run_cli({"dump", "--offset", std::to_string(std::uint64_t{tex_lba} * 2352 + 4),
                           "--count", "1", bin},
                          out, err),
                  1);
        EXPECT_NE(
            err.find("is in the sync, header or checksums of sector " + std::to_string(tex_lba)),
            std::string::npos)
            << err;
    }
}

// The video's Form 2 sectors, written at the image's offsets: an EDC left
// uncomputed (zero) stays zero, a computed one is computed again.
TEST_F(DiscImages, Form2SectorsKeepAnUncomputedEdc) {
    std::vector<disc::DiscFile> files;
    ASSERT_TRUE(disc::list_files(standard_file_system(), mode2, files).ok());
    const std::uint64_t first = std::uint64_t{files[1].lba} * 2352;
    Bytes image = read_bytes(mode2);
    std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(first + 2348), 4, std::uint8_t{0});
    dir.write("mode2.bin", image);
    const std::string clu = dir.write("new.clu", testing::words_to_bytes(kit_words(0x0421)));
    for (const std::uint64_t sector : {first, first + 2352}) {
        std::string out, err;
        ASSERT_EQ(
            run_cli({"inject", "--offset", std::to_string(sector + 24 + 100), mode2, "--from", clu},
                    out, err),
            0)
            << err;
    }
    const Bytes after = read_bytes(mode2);
    EXPECT_EQ(first_bad_sector(after), -1);
    EXPECT_TRUE(std::all_of(after.begin() + static_cast<std::ptrdiff_t>(first + 2348),
                            after.begin() + static_cast<std::ptrdiff_t>(first + 2352),
                            [](std::uint8_t byte) { return byte == 0; }));
    EXPECT_FALSE(std::equal(after.begin() + static_cast<std::ptrdiff_t>(first + 2352 + 2348),
                            after.begin() + static_cast<std::ptrdiff_t>(first + 2352 * 2),
                            image.begin() + static_cast<std::ptrdiff_t>(first + 2352 + 2348)));
    EXPECT_EQ(after[first + 24 + 100], 0x21);
}

TEST_F(DiscImages, WriteIntoADamagedSectorOrFailingDiskChangesNothing) {
    const std::string clu = dir.write("new.clu", testing::words_to_bytes(kit_words(0x0421)));
    const std::vector<std::string> inject = {"inject", "--inside", "DATA/KIT.TEX", "--tex",
                                             "2",      mode2,      "--from",       clu};
    // A failed write, flush or short write: the old bytes go back.
    const Bytes before = read_bytes(mode2);
    for (const testing::FileOp op :
         {testing::FileOp::write, testing::FileOp::short_write, testing::FileOp::sync}) {
        testing::FailingFileSystem failing;
        failing.fail(op);
        std::string out, err;
        EXPECT_EQ(run_cli(inject, out, err, failing), 1) << testing::file_op_name(op);
        EXPECT_TRUE(failing.failed()) << testing::file_op_name(op);
        EXPECT_TRUE(read_bytes(mode2) == before) << testing::file_op_name(op) << ": " << err;
    }
    // One byte off in the second sector's data, away from the CLUT.
    Bytes damaged = before;
    damaged[(tex_lba + 1) * 2352 + 24 + 1000] ^= 0x01;
    dir.write("mode2.bin", damaged);
    std::string out, err;
    EXPECT_EQ(run_cli(inject, out, err), 1);
    EXPECT_NE(err.find("sector " + std::to_string(tex_lba + 1) + " (at offset " +
                       std::to_string((tex_lba + 1) * 2352) +
                       " of the image) is damaged (its EDC does not check); nothing was written"),
              std::string::npos)
        << err;
    EXPECT_TRUE(read_bytes(mode2) == damaged);
}

// Bytes that differ between two images of one size, other than those of
// the sectors' codes (EDC on) in the sectors listed.
std::vector<std::size_t> changed_data(const Bytes& before, const Bytes& after,
                                      std::vector<std::uint32_t> coded, std::size_t edc_at) {
    std::vector<std::size_t> changed;
    for (std::size_t i = 0; i < after.size(); ++i) {
        const auto sector = static_cast<std::uint32_t>(i / 2352);
        const bool code =
            i % 2352 >= edc_at && std::find(coded.begin(), coded.end(), sector) != coded.end();
        if (after[i] != before[i] && !code) {
            changed.push_back(i);
        }
    }
    return changed;
}

// Where the bytes of changed colour words of the kit CLUT lie in the image.
std::vector<std::size_t> changed_clut_bytes(const std::vector<std::uint16_t>& before,
                                            const std::vector<std::uint16_t>& after,
                                            const std::function<std::size_t(std::size_t)>& at) {
    std::vector<std::size_t> changed;
    for (std::size_t i = 0; i < after.size(); ++i) {
        for (std::size_t byte = 0; byte < 2; ++byte) {
            if (((before[i] ^ after[i]) >> (8 * byte)) & 0xFF) {
                changed.push_back(at(clut_in_tex + 2 * i + byte));
            }
        }
    }
    return changed;
}

std::vector<std::uint16_t> live_words(const EditorState& state) {
    std::vector<std::uint16_t> words;
    for (const PaletteEntry& entry : live_entries(state)) {
        words.push_back(encode_bgr555(entry));
    }
    return words;
}

// File > "Open file in disc image...": the kit TEX file picked from the
// narrowed list, recoloured on both sides of its sectors' end, written back
// into the image and opened again; a video and a packed image refused.
TEST_F(DiscImages, EditorOpensATexFileInsideAnImageAndWritesItBack) {
    testing::TestEditor editor;
    const auto open_inside = [&](testing::TestEditor& e, const std::string& image,
                                 const std::string& filter, int row) {
        e.screen.open_answers.push_back(image);
        e.screen.list_filters.push_back(filter);
        e.screen.list_answers.push_back(row);
        e.screen.clut_texts.push_back(std::string(tex_clut_names[tex_kind]));
        e.command(ids::open_in_disc);
        e.settle();
    };
    open_inside(editor, mode2, "kit TEX", 0);
    ASSERT_TRUE(editor.screen.errors.empty()) << editor.screen.errors[0];
    EXPECT_EQ(editor.screen.open_requests.back().filters[0].pattern, "*.bin;*.img;*.iso;*.cue");
    ASSERT_EQ(editor.screen.list_entries.back().size(), 3u);
    EXPECT_TRUE(editor.screen.list_filtered.back());
    EXPECT_EQ(editor.screen.list_entries.back()[1], "DATA/MOVIES/INTRO.STR  6,244 bytes");
    EXPECT_EQ(editor.screen.list_shown, std::vector<std::string>{"DATA/KIT.TEX  6,000 bytes"});
    EXPECT_EQ(live_words(editor.state), kit_words(0x1234));
    EXPECT_EQ(editor.screen.status, "KIT.TEX in mode2.bin");
    ASSERT_TRUE(editor.screen.menu_enabled(ids::inject_tex));

    // Colour 3 lies before the sector's end, colour 200 after it.
    editor.click(3);
    editor.ctrl_click(200);
    editor.move_slider(ids::slider_green, 100);
    const auto edited = live_words(editor.state);
    ASSERT_NE(edited[3], kit_words(0x1234)[3]);
    ASSERT_NE(edited[200], kit_words(0x1234)[200]);
    const Bytes before = read_bytes(mode2);
    editor.command(ids::inject_tex);
    ASSERT_TRUE(editor.screen.errors.empty()) << editor.screen.errors[0];
    const Bytes after = read_bytes(mode2);
    EXPECT_EQ(first_bad_sector(after), -1);
    const auto in_image = [&](std::size_t offset) { return raw_offset(offset, 24); };
    EXPECT_EQ(changed_data(before, after, {tex_lba, tex_lba + 1}, 2072),
              changed_clut_bytes(kit_words(0x1234), edited, in_image));
    editor.command(ids::select_changed);
    EXPECT_EQ(editor.screen.messages.back(), nothing_changed_message);

    testing::TestEditor reopened;
    open_inside(reopened, mode2, "", 0);
    EXPECT_EQ(live_words(reopened.state), edited);
    // Named on the command line, the cue sheet lists the same files; the
    // title follows an undo of that read.
    reopened.screen.list_answers.push_back(0);
    reopened.screen.clut_texts.push_back(std::string(tex_clut_names[tex_kind]));
    EXPECT_TRUE(open_path(reopened.state, reopened.screen, mode2_cue));
    EXPECT_EQ(reopened.screen.list_entries.back().size(), 3u);
    EXPECT_EQ(live_words(reopened.state), edited);
    EXPECT_EQ(reopened.screen.status, "KIT.TEX in mode2.cue");
    reopened.command(ids::undo);
    EXPECT_EQ(reopened.screen.status, "KIT.TEX in mode2.bin");

    // Undone and written again, the image is as it was, byte for byte.
    editor.command(ids::undo);
    EXPECT_EQ(live_words(editor.state), kit_words(0x1234));
    editor.command(ids::inject_tex);
    EXPECT_TRUE(read_bytes(mode2) == before);

    open_inside(reopened, mode2, "intro", 0);
    ASSERT_EQ(reopened.screen.errors.size(), 1u);
    EXPECT_NE(reopened.screen.errors[0].find(
                  "\"DATA/MOVIES/INTRO.STR\" in it is stored in Form 2 sectors"),
              std::string::npos)
        << reopened.screen.errors[0];
    Bytes packed(4096, 0);
    std::copy_n("MComprHD", 8, packed.begin());
    open_inside(reopened, dir.write("game.chd", packed), "", 0);
    ASSERT_EQ(reopened.screen.errors.size(), 2u);
    EXPECT_NE(reopened.screen.errors[1].find("it is a CHD image"), std::string::npos)
        << reopened.screen.errors[1];
    EXPECT_EQ(live_words(reopened.state), edited);
}

// The raw image itself: the finder's hit on the split kit CLUT is at the
// image's offset, "Extract CLUT from file..." there reads exactly its
// colours, and "Inject CLUT in file..." writes them back with valid codes.
TEST_F(DiscImages, SplitClutAtAnImageOffsetIsReadAndWrittenInTheEditor) {
    const std::uint64_t clut_at = raw_offset(clut_in_tex, 24);
    testing::TestEditor editor;
    editor.load_clut(dir.write("kit.clu", testing::words_to_bytes(kit_words(0x1234))));
    editor.screen.open_answers.push_back(mode2);
    using Step = testing::FakeWindowLayer::FinderStep;
    editor.screen.finder_scripts.push_back({Step::just(Step::Kind::find),
                                            Step::just(Step::Kind::wait_end),
                                            Step::on_row(Step::Kind::choose, 0)});
    editor.command(ids::find_clut);
    editor.settle();
    ASSERT_EQ(editor.screen.finder_rows.size(), 1u) << editor.screen.finder_status;
    EXPECT_EQ(editor.screen.finder_rows[0].rfind(
                  "0x" +
                      [&] {
                          char hex[24];
                          std::snprintf(hex, sizeof hex, "%llX",
                                        static_cast<unsigned long long>(clut_at));
                          return std::string(hex);
                      }() +
                      " (" + std::to_string(clut_at) + ")",
                  0),
              0u)
        << editor.screen.finder_rows[0];
    EXPECT_EQ(editor.state.origin.source.offset, clut_at);
    EXPECT_EQ(live_words(editor.state), kit_words(0x1234));
    // Read instead of mapped, in blocks shorter than the CLUT: the same stream.
    search::ClutQuery query;
    query.words = kit_words(0x1234);
    std::vector<std::uint64_t> found;
    search::Observer observer;
    observer.hit = [&](const search::Hit& hit) { found.push_back(hit.offset); };
    const auto result = search::find_clut(search::Target(mode2, search::Sectors{}), query, observer,
                                          search::ScanSettings{320, false});
    EXPECT_EQ(result.end, search::ScanEnd::done) << result.reason;
    EXPECT_EQ(found, std::vector<std::uint64_t>{std::uint64_t{tex_lba} * 2048 + clut_in_tex});

    editor.extract_at(mode2, std::to_string(clut_at), "256");
    ASSERT_TRUE(editor.screen.errors.empty()) << editor.screen.errors[0];
    EXPECT_EQ(live_words(editor.state), kit_words(0x1234));
    editor.click(250);
    editor.move_slider(ids::slider_red, 100);
    const auto edited = live_words(editor.state);
    const Bytes before = read_bytes(mode2);
    editor.inject_at(mode2, std::to_string(clut_at), "256");
    ASSERT_TRUE(editor.screen.errors.empty()) << editor.screen.errors[0];
    const Bytes after = read_bytes(mode2);
    EXPECT_EQ(first_bad_sector(after), -1);
    const auto in_image = [&](std::size_t offset) { return raw_offset(offset, 24); };
    const auto changed = changed_data(before, after, {tex_lba + 1}, 2072);
    EXPECT_FALSE(changed.empty());
    EXPECT_EQ(changed, changed_clut_bytes(kit_words(0x1234), edited, in_image));
    const auto inside = disc::inside_image(standard_file_system(), mode2, "DATA/KIT.TEX");
    Clut clut;
    ASSERT_TRUE(read_clut_at_offset(*inside, mode2, clut_in_tex, 256, clut).ok());
    EXPECT_EQ(clut.entries[250], editor.entry(250));
    EXPECT_EQ(encode_bgr555(clut.entries[250]), edited[250]);
}

// A TIM the finder finds across a sector's end of a raw image opens in the
// disc's file that holds it, and its row is written back there.
TEST(DiscFinder, TimHitInARawImageOpensInItsFile) {
    if (!have("genisoimage")) {
        GTEST_SKIP() << "genisoimage is not installed (scripts/deps.sh core)";
    }
    testing::TimSpec spec;
    spec.clut_rows = {kit_words(0x0100), kit_words(0x2200)};
    spec.width = 16;
    spec.height = 16;
    spec.indices.assign(256, 7);
    Bytes pack(1500, 0xEE);
    const Bytes tim = testing::tim_file_bytes(spec);
    pack.insert(pack.end(), tim.begin(), tim.end());
    pack.resize(pack.size() + 1000, 0xEE);
    TempDir dir;
    std::filesystem::create_directories(dir.path("tree/DATA"));
    dir.write("tree/DATA/PACK.BIN", pack);
    const std::string iso = dir.path("game.iso");
    ASSERT_EQ(
        std::system(("genisoimage -quiet -o '" + iso + "' '" + dir.path("tree") + "'").c_str()), 0);
    const std::string image =
        dir.write("game.bin", raw_image(read_bytes(iso), SectorType::mode2_form1));

    testing::TestEditor editor;
    editor.screen.open_answers.push_back(image);
    FinderOptions options;
    options.target = FinderTarget::tim;
    using Step = testing::FakeWindowLayer::FinderStep;
    editor.screen.finder_scripts.push_back({Step::set(options), Step::just(Step::Kind::find),
                                            Step::just(Step::Kind::wait_end),
                                            Step::on_row(Step::Kind::choose, 0)});
    editor.screen.list_answers.push_back(1);
    editor.command(ids::find_clut);
    editor.settle();
    ASSERT_TRUE(editor.screen.errors.empty()) << editor.screen.errors[0];
    const ClutSource& source = editor.state.origin.source;
    EXPECT_EQ(source.inside, "DATA/PACK.BIN");
    EXPECT_EQ(source.tim_at, 1500u);
    EXPECT_EQ(source.tim_row, 1);
    EXPECT_EQ(live_words(editor.state), kit_words(0x2200));
    EXPECT_EQ(editor.screen.preview_width, 16);

    editor.click(255);
    editor.move_slider(ids::slider_blue, 100);
    editor.command(ids::inject_tim);
    ASSERT_TRUE(editor.screen.errors.empty()) << editor.screen.errors[0];
    EXPECT_EQ(first_bad_sector(read_bytes(image)), -1);
    const auto inside = disc::inside_image(standard_file_system(), image, "DATA/PACK.BIN");
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(read_whole_file(*inside, image, 1 << 20, bytes).ok());
    const std::size_t last = 1500 + testing::tim_clut_words + 2 * (256 + 255);
    EXPECT_EQ(bytes[last] | bytes[last + 1] << 8, live_words(editor.state)[255]);
    EXPECT_NE(live_words(editor.state)[255], kit_words(0x2200)[255]);
}

}  // namespace
}  // namespace tavrin
