// The searches of search/ over real files: planted CLUTs, TIM images and
// palettes are found exactly where they are and nowhere else, whether the
// file is mapped or read, across the scanner's block boundaries, and files
// that are empty, too short, special or shrinking end cleanly.
#include "search/search.h"
#include "search/file_scan.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "tests/support/temp_files.h"

namespace tavrin::search {
namespace {

using testing::Bytes;
using testing::TempDir;

std::vector<std::uint16_t> kit_words() {
    std::vector<std::uint16_t> words;
    for (int i = 0; i < 16; ++i) {
        words.push_back(static_cast<std::uint16_t>(0x8000 | (i * 2) << 10 | (31 - i) << 5 | 9));
    }
    return words;
}

void plant(Bytes& bytes, std::size_t at, const std::vector<std::uint16_t>& words) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        bytes.at(at + 2 * i) = static_cast<std::uint8_t>(words[i]);
        bytes.at(at + 2 * i + 1) = static_cast<std::uint8_t>(words[i] >> 8);
    }
}

// The offsets (and matching words) a search reports, in the order reported.
struct Found {
    std::vector<std::uint64_t> offsets;
    std::vector<Hit> hits;
    ScanResult result;
};

// Every way the scanner can see the file: mapped or read, small blocks whose
// boundaries fall between planted bytes, and the program's default.
const std::vector<ScanSettings> all_settings = {
    {4096, true}, {4096, false}, {1000, true}, {ScanSettings{}.block_size, true}};

template <typename Search>
Found collect(Search search, const ScanSettings& settings) {
    Found found;
    Observer observer;
    observer.hit = [&](const Hit& hit) {
        found.offsets.push_back(hit.offset);
        found.hits.push_back(hit);
    };
    found.result = search(observer, settings);
    return found;
}

Found find(const std::string& path, const ClutQuery& query, const ScanSettings& settings = {}) {
    return collect(
        [&](const Observer& o, const ScanSettings& s) { return find_clut(path, query, o, s); },
        settings);
}

TEST(SearchClut, ExactFindsEveryPlantedCopyAndNothingElse) {
    std::mt19937 rng(16);
    Bytes bytes = testing::random_bytes(rng, 3 * 4096 + 78);
    const auto kit = kit_words();
    // Overlapping copies: a period of two words repeated gives hits 4 bytes apart.
    std::vector<std::uint16_t> periodic;
    for (int i = 0; i < 10; ++i) {
        periodic.push_back(i % 2 == 0 ? 0x1357 : 0x2468);
    }
    const std::vector<std::uint16_t> periodic_query(periodic.begin(), periodic.begin() + 6);
    plant(bytes, 0, kit);
    plant(bytes, 1001, kit);               // odd
    plant(bytes, 4096 - 10, kit);          // across a 4096-byte block boundary
    plant(bytes, 8000, periodic);          // hits at 8000, 8004, 8008
    plant(bytes, bytes.size() - 32, kit);  // ends at the end of the file
    TempDir dir;
    const std::string path = dir.write("disc.img", bytes);

    for (const auto& settings : all_settings) {
        SCOPED_TRACE(settings.block_size);
        ClutQuery query;
        query.words = kit;
        Found found = find(path, query, settings);
        EXPECT_EQ(found.result.end, ScanEnd::done) << found.result.reason;
        EXPECT_EQ(found.offsets, (std::vector<std::uint64_t>{0, 4086, bytes.size() - 32}));
        EXPECT_EQ(found.result.hits, 3u);
        EXPECT_EQ(found.hits[0].words, 16);

        query.align = 1;
        found = find(path, query, settings);
        EXPECT_EQ(found.offsets, (std::vector<std::uint64_t>{0, 1001, 4086, bytes.size() - 32}));

        query.words = periodic_query;
        found = find(path, query, settings);
        EXPECT_EQ(found.offsets, (std::vector<std::uint64_t>{8000, 8004, 8008}));
    }
}

TEST(SearchClut, ToleranceBit15AndPartialMatchesFindAnEditedCopyOnly) {
    std::mt19937 rng(5);
    Bytes bytes = testing::random_bytes(rng, 20000);
    const auto kit = kit_words();
    auto edited = kit;
    edited[0] = static_cast<std::uint16_t>(edited[0] + 2);          // red + 2
    edited[7] = static_cast<std::uint16_t>(edited[7] - (2 << 10));  // blue - 2
    edited[9] = static_cast<std::uint16_t>(edited[9] & 0x7FFF);     // bit 15 cleared
    auto other = kit;  // another team: every colour far off
    for (auto& word : other) {
        word = static_cast<std::uint16_t>(word ^ 0x4210);
    }
    auto patched = kit;  // three colours repainted
    patched[3] = patched[10] = patched[15] = 0x0000;
    plant(bytes, 4095, edited);  // odd, across a block boundary
    plant(bytes, 9000, other);
    plant(bytes, 12000, patched);
    TempDir dir;
    const std::string path = dir.write("disc.img", bytes);

    for (const auto& settings : all_settings) {
        SCOPED_TRACE(settings.block_size);
        ClutQuery query;
        query.words = kit;
        query.align = 1;
        query.tolerance = 2;
        query.ignore_bit15 = true;
        EXPECT_EQ(find(path, query, settings).offsets, (std::vector<std::uint64_t>{4095}));
        query.ignore_bit15 = false;
        EXPECT_TRUE(find(path, query, settings).offsets.empty());
        query.ignore_bit15 = true;
        query.tolerance = 1;
        EXPECT_TRUE(find(path, query, settings).offsets.empty());
        query.align = 2;
        query.tolerance = 2;
        EXPECT_TRUE(find(path, query, settings).offsets.empty());

        ClutQuery partial;
        partial.words = kit;
        partial.min_matching = 13;
        Found found = find(path, partial, settings);
        EXPECT_EQ(found.offsets, (std::vector<std::uint64_t>{12000}));
        ASSERT_EQ(found.hits.size(), 1u);
        EXPECT_EQ(found.hits[0].words, 13);
        partial.min_matching = 14;
        EXPECT_TRUE(find(path, partial, settings).offsets.empty());
    }
}

// A TIM image: header, an optional CLUT block, a pixel block of words x rows.
Bytes tim_bytes(int mode, int clut_colors, int clut_rows, int words, int rows) {
    Bytes bytes;
    auto u32 = [&](std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    };
    auto u16 = [&](int value) {
        bytes.push_back(static_cast<std::uint8_t>(value));
        bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    };
    u32(0x10);
    u32(static_cast<std::uint32_t>(mode | (clut_rows > 0 ? 8 : 0)));
    if (clut_rows > 0) {
        u32(static_cast<std::uint32_t>(12 + clut_colors * clut_rows * 2));
        u16(0), u16(480), u16(clut_colors), u16(clut_rows);
        bytes.resize(bytes.size() + static_cast<std::size_t>(clut_colors * clut_rows * 2), 0x21);
    }
    u32(static_cast<std::uint32_t>(12 + words * rows * 2));
    u16(320), u16(0), u16(words), u16(rows);
    bytes.resize(bytes.size() + static_cast<std::size_t>(words * rows * 2), 0x43);
    return bytes;
}

void place(Bytes& bytes, std::size_t at, const Bytes& part) {
    std::copy(part.begin(), part.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

TEST(SearchTim, FindsWellFormedHeadersWithTheirShape) {
    std::mt19937 rng(7);
    Bytes bytes = testing::random_bytes(rng, 3 * 4096);
    const Bytes four_bit = tim_bytes(0, 16, 2, 8, 10);    // 32 x 10 pixels
    const Bytes eight_bit = tim_bytes(1, 256, 1, 16, 4);  // 32 x 4, crosses 4096
    const Bytes direct = tim_bytes(2, 0, 0, 5, 3);        // 5 x 3, no CLUT
    Bytes wrong_length = tim_bytes(2, 0, 0, 5, 3);
    wrong_length[8] -= 1;  // too short for its pixels
    place(bytes, 101, four_bit);
    place(bytes, 3900, eight_bit);
    place(bytes, 6000, wrong_length);
    place(bytes, 7001, tim_bytes(1, 0, 0, 4, 4));  // 8-bit pixels with no colours
    place(bytes, bytes.size() - direct.size(), direct);
    const Bytes cut = tim_bytes(2, 0, 0, 5, 3);  // its pixels pass the end of the file
    bytes.insert(bytes.end(), cut.begin(), cut.end() - 1);
    TempDir dir;
    const std::string path = dir.write("disc.img", bytes);
    const std::uint64_t direct_at = bytes.size() - (cut.size() - 1) - direct.size();

    for (const auto& settings : all_settings) {
        SCOPED_TRACE(settings.block_size);
        const Found found =
            collect([&](const Observer& o, const ScanSettings& s) { return find_tim(path, o, s); },
                    settings);
        EXPECT_EQ(found.result.end, ScanEnd::done);
        ASSERT_EQ(found.offsets, (std::vector<std::uint64_t>{101, 3900, direct_at}));
        const TimInfo& first = found.hits[0].tim;
        EXPECT_EQ(first.bits_per_pixel, 4);
        EXPECT_EQ(first.clut_colors, 16);
        EXPECT_EQ(first.clut_rows, 2);
        EXPECT_EQ(first.width, 32);
        EXPECT_EQ(first.height, 10);
        EXPECT_EQ(first.size, four_bit.size());
        EXPECT_EQ(found.hits[1].tim.width, 32);
        EXPECT_EQ(found.hits[1].tim.clut_colors, 256);
        EXPECT_FALSE(found.hits[2].tim.has_clut());
        EXPECT_EQ(found.hits[2].tim.width, 5);
    }
}

// A 16-colour ramp from one colour towards another, as kit palettes hold.
std::vector<std::uint16_t> ramp(int red, int green, int blue, int step) {
    std::vector<std::uint16_t> words;
    for (int i = 0; i < 16; ++i) {
        auto level = [&](int base) { return std::clamp(base + i * step, 0, 31); };
        words.push_back(
            static_cast<std::uint16_t>(level(blue) << 10 | level(green) << 5 | level(red)));
    }
    return words;
}

TEST(SearchPalettes, FindsPlantedRampsAsWholeRuns) {
    std::mt19937 rng(3);
    Bytes bytes = testing::random_bytes(rng, 4 * 4096);
    std::fill(bytes.begin() + 8192, bytes.begin() + 9216, 0);  // zeros
    const char* text = "Kickvale United: home kit, away kit, keeper. ";
    for (std::size_t i = 9216; i < 10240; ++i) {
        bytes[i] = static_cast<std::uint8_t>(text[i % std::strlen(text)]);
    }
    for (std::size_t i = 10240; i < 11264; i += 2) {  // a table of small counters
        bytes[i] = static_cast<std::uint8_t>(i / 2 % 32);
        bytes[i + 1] = 0;
    }
    std::vector<std::uint16_t> big;  // 256 colours: 16 ramps across a block boundary
    for (int r = 0; r < 16; ++r) {
        const auto row = ramp(r, 31 - r, r % 7, 1 + r % 2);
        big.insert(big.end(), row.begin(), row.end());
    }
    plant(bytes, 4096 - 256, big);
    plant(bytes, 12288 + 64, ramp(4, 2, 20, 1));
    TempDir dir;
    const std::string path = dir.write("disc.img", bytes);

    for (const auto& settings : all_settings) {
        SCOPED_TRACE(settings.block_size);
        const Found found = collect(
            [&](const Observer& o, const ScanSettings& s) {
                return find_palettes(path, PaletteQuery{}, o, s);
            },
            settings);
        ASSERT_EQ(found.offsets, (std::vector<std::uint64_t>{4096 - 256, 12288 + 64}));
        EXPECT_EQ(found.hits[0].words, 256);
        EXPECT_EQ(found.hits[1].words, 16);
        EXPECT_GE(found.hits[1].score, 60);
        const Found long_only = collect(
            [&](const Observer& o, const ScanSettings& s) {
                return find_palettes(path, PaletteQuery{32, 60}, o, s);
            },
            settings);
        EXPECT_EQ(long_only.offsets, (std::vector<std::uint64_t>{4096 - 256}));
    }
}

TEST(SearchFiles, EmptyShortSpecialAndMissingFilesEndCleanly) {
    TempDir dir;
    ClutQuery query;
    query.words = kit_words();
    for (const auto& settings : all_settings) {
        Found found = find(dir.write("empty.bin", {}), query, settings);
        EXPECT_EQ(found.result.end, ScanEnd::done);
        EXPECT_EQ(found.result.hits, 0u);
        found = find(dir.write("short.bin", Bytes(31, 0x11)), query, settings);
        EXPECT_EQ(found.result.end, ScanEnd::done);
        EXPECT_EQ(found.result.hits, 0u);
    }
    const std::string fifo = dir.path("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    Found found = find(fifo, query);  // no writer: a blocking open would hang here
    EXPECT_EQ(found.result.end, ScanEnd::failed);
    EXPECT_NE(found.result.reason.find("not a regular file"), std::string::npos);
    found = find(dir.folder(), query);
    EXPECT_EQ(found.result.end, ScanEnd::failed);
    EXPECT_NE(found.result.reason.find("folder"), std::string::npos);
    found = find(dir.path("missing.bin"), query);
    EXPECT_EQ(found.result.end, ScanEnd::failed);
    EXPECT_FALSE(found.result.reason.empty());
    // The Windows build's size query: a failure is its reason, never a size.
    std::uint64_t size = 0;
    std::string reason;
    EXPECT_TRUE(detail::filesystem_size(dir.path("short.bin"), size, reason));
    EXPECT_EQ(size, 31u);
    EXPECT_FALSE(detail::filesystem_size(dir.path("missing.bin"), size, reason));
    EXPECT_EQ(reason, "cannot get its size (No such file or directory)");

    ClutQuery bad = query;
    bad.words.clear();
    EXPECT_EQ(find(dir.path("empty.bin"), bad).result.end, ScanEnd::failed);
    bad = query;
    bad.tolerance = 32;
    EXPECT_EQ(find(dir.path("empty.bin"), bad).result.end, ScanEnd::failed);
    bad.tolerance = 0;
    bad.align = 4;
    EXPECT_EQ(find(dir.path("empty.bin"), bad).result.end, ScanEnd::failed);
}

TEST(SearchFiles, ProgressCancelAndAFileThatShrinksMidScan) {
    TempDir dir;
    Bytes bytes(64 * 4096, 0);
    const auto kit = kit_words();
    for (std::size_t at = 0; at + 32 <= bytes.size(); at += 4096) {
        plant(bytes, at, kit);
    }
    const std::string path = dir.write("disc.img", bytes);
    ClutQuery query;
    query.words = kit;

    for (bool mapping : {true, false}) {
        SCOPED_TRACE(mapping);
        const ScanSettings settings{8192, mapping};
        std::vector<std::uint64_t> progress;
        std::atomic<bool> cancel{false};
        Observer observer;
        std::uint64_t hits = 0;
        observer.hit = [&](const Hit&) { ++hits; };
        observer.progress = [&](std::uint64_t done, std::uint64_t total) {
            EXPECT_EQ(total, bytes.size());
            progress.push_back(done);
        };
        ScanResult result = find_clut(path, query, observer, settings);
        EXPECT_EQ(result.end, ScanEnd::done);
        EXPECT_EQ(hits, 64u);
        ASSERT_EQ(progress.size(), 32u);
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
        EXPECT_EQ(progress.back(), bytes.size());

        hits = 0;
        observer.progress = [&](std::uint64_t done, std::uint64_t) {
            if (done >= 4 * 8192) {
                cancel = true;
            }
        };
        observer.cancel = &cancel;
        result = find_clut(path, query, observer, settings);
        EXPECT_EQ(result.end, ScanEnd::cancelled);
        EXPECT_EQ(hits, 8u);

        // Cut the file to just over two blocks after the second block: the
        // next window's pages are gone.
        const std::string shrinking = dir.write("shrinking.img", bytes);
        cancel = false;
        hits = 0;
        observer.progress = [&](std::uint64_t done, std::uint64_t) {
            if (done == 2 * 8192) {
                ASSERT_EQ(truncate(shrinking.c_str(), 2 * 8192 + 100), 0);
            }
        };
        result = find_clut(shrinking, query, observer, settings);
        EXPECT_EQ(result.end, ScanEnd::failed);
        EXPECT_NE(result.reason.find("shorter"), std::string::npos);
        EXPECT_EQ(hits, 4u);
    }
}

}  // namespace
}  // namespace tavrin::search
