// The CLUT readers and writers on real files, the typed-parameter parsers, and
// every file operation failing in turn under a save and an injection.
#include <gtest/gtest.h>

#include "files/clut_files.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/temp_files.h"

namespace tavrin {
namespace {

using testing::Bytes;
using testing::FailingFileSystem;
using testing::FileOp;
using testing::read_bytes;
using testing::TempDir;
using testing::words_to_bytes;
using Code = Status::Code;

FileSystem& disk() {
    return standard_file_system();
}

std::vector<PaletteEntry> entries_of(const std::vector<std::uint16_t>& words) {
    std::vector<PaletteEntry> entries;
    for (auto word : words) {
        entries.push_back(decode_bgr555(word));
    }
    return entries;
}

TEST(ParseOffset, ReadsDecimalAndHexToSixtyFourBitsAndRefusesWhatDoesNotFit) {
    constexpr std::int64_t max = INT64_MAX;
    const std::vector<std::pair<std::string, std::int64_t>> cases = {
        {"0x200", 512},
        {"0X200", 512},
        {"512", 512},
        {"512abc", 512},
        {"0x200zz", 512},
        {"  12", 12},
        {"\t-4", -4},
        {"+7", 7},
        {" 0x10", 0},
        {"-0x10", 0},
        {"0", 0},
        {"2147483648", 2147483648LL},  // 2^31
        {"0x80000000", 2147483648LL},
        {"4294967296", 4294967296LL},  // 2^32
        {"0x100000000", 4294967296LL},
        {"4294967808", 4294967808LL},    // once read as 512
        {"0xFFFFFFFF", 4294967295LL},    // once read as -1
        {"-4294966784", -4294966784LL},  // once read as 512
        {"9223372036854775807", max},    // 2^63 - 1
        {"0x7FFFFFFFFFFFFFFF", max},
        {"0x000000007FFFFFFFFFFFFFFF", max},  // leading zeros are no digits of value
        {"-9223372036854775808", INT64_MIN},  // -2^63
        {"00000000000000000000000000000016", 16},
    };
    for (const auto& [text, expected] : cases) {
        const TypedOffset parsed = parse_offset(text);
        ASSERT_TRUE(parsed.ok()) << '"' << text << '"';
        EXPECT_EQ(parsed.value, expected) << '"' << text << '"';
    }
    for (std::string text : {"", "x10", "0x", "0xg", "abc", "-", " ", "+x"}) {
        EXPECT_EQ(parse_offset(text).error, TypedOffset::Error::not_a_number) << '"' << text << '"';
        EXPECT_EQ(offset_problem(text, parse_offset(text)),
                  "the offset \"" + text + "\" is not a number");
    }
    for (std::string text :
         {"9223372036854775808", "18446744073709551616", "18446744073709551617",
          "0x8000000000000000", "0xFFFFFFFFFFFFFFFF", "0x10000000000000000",
          "0x1000000000000000200", "-9223372036854775809", "99999999999999999999x"}) {
        const TypedOffset parsed = parse_offset(text);
        EXPECT_EQ(parsed.error, TypedOffset::Error::out_of_range) << '"' << text << '"';
        EXPECT_EQ(
            offset_problem(text, parsed).rfind("the offset \"" + text + "\" is out of range", 0),
            0u);
    }
}

TEST(ParseCount, UnsignedDecimalClampedTo256) {
    const std::vector<std::pair<std::string, int>> cases = {
        {"16", 16}, {"300", 256},        {"256", 256},      {"0", 0},
        {"", 0},    {" 16 ", 16},        {"abc", 0},        {"12abc", 0},
        {"-5", 0},  {"4294967295", 256}, {"4294967296", 0}, {"00000000000000000016", 16},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(parse_count(text), expected) << '"' << text << '"';
    }
}

TEST(FindTexKind, WholeNameAnyCase) {
    EXPECT_EQ(find_tex_kind("team flag"), 4);
    EXPECT_EQ(find_tex_kind("PLAYERS SHIRT #2 PALETTE"), 1);
    EXPECT_EQ(find_tex_kind("Goalkeepers shirt #1 palette"), 2);
    EXPECT_EQ(find_tex_kind("goalkeepers shirt #2 PALETTE"), 3);
    EXPECT_FALSE(find_tex_kind("Team").has_value());
    EXPECT_FALSE(find_tex_kind("Team flag ").has_value());
    EXPECT_FALSE(find_tex_kind("").has_value());
}

TEST(RawClutFile, ColorCountComesFromTheSize) {
    TempDir dir;
    Clut clut;
    EXPECT_TRUE(read_clut_file(disk(), dir.write("empty.clu", {}), clut).ok());
    EXPECT_EQ(clut.count, 0);

    EXPECT_TRUE(read_clut_file(disk(), dir.write("three.clu", {0x1F, 0x7C, 0xAA}), clut).ok());
    EXPECT_EQ(clut.count, 1);
    EXPECT_EQ(clut.entries[0], decode_bgr555(0x7C1F));
    EXPECT_EQ(clut.entries[1], PaletteEntry{});

    std::mt19937 rng(7);
    Bytes full = testing::random_bytes(rng, 512);
    ASSERT_TRUE(read_clut_file(disk(), dir.write("512.clu", full), clut).ok());
    EXPECT_EQ(clut.count, 256);
    EXPECT_EQ(clut.entries[255].raw, full[510] | (full[511] << 8));
    full.push_back(0x55);
    EXPECT_TRUE(read_clut_file(disk(), dir.write("513.clu", full), clut).ok());
    EXPECT_EQ(clut.count, 256);
    full.push_back(0x55);
    const Status too_big = read_clut_file(disk(), dir.write("514.clu", full), clut);
    EXPECT_EQ(too_big.code, Code::too_many_colors);
    EXPECT_EQ(clut.count, 0);
    EXPECT_EQ(clut.entries[0], PaletteEntry{});

    const Status missing = read_clut_file(disk(), dir.path("none.clu"), clut);
    EXPECT_EQ(missing.code, Code::io_error);
    EXPECT_NE(missing.reason.find("No such file"), std::string::npos) << missing.reason;
}

TEST(RawClutFile, SavedFileIsExactlyTheWordsAndReplacesWhateverWasThere) {
    TempDir dir;
    const Bytes original = words_to_bytes({0x7C1F, 0x83E0, 0x1234, 0xFFFF, 0x0000, 0x8000});
    const std::string path = dir.write("kit.clu", original);
    Clut clut;
    ASSERT_TRUE(read_clut_file(disk(), path, clut).ok());
    const std::string copy = dir.path("copy.pal");
    ASSERT_TRUE(save_clut_file(disk(), copy, std::span(clut.entries).first(6)).ok());
    EXPECT_EQ(read_bytes(copy), original);

    // Over a larger file: exactly 2 x count bytes remain.
    dir.write("big.clu", Bytes(1000, 0xEE));
    ASSERT_TRUE(save_clut_file(disk(), dir.path("big.clu"), std::span(clut.entries).first(2)).ok());
    EXPECT_EQ(read_bytes(dir.path("big.clu")), words_to_bytes({0x7C1F, 0x83E0}));

    ASSERT_TRUE(save_clut_file(disk(), dir.path("none.clu"), {}).ok());
    EXPECT_TRUE(testing::file_exists(dir.path("none.clu")));
    EXPECT_TRUE(read_bytes(dir.path("none.clu")).empty());
    EXPECT_EQ(dir.names(),
              (std::vector<std::string>{"big.clu", "copy.pal", "kit.clu", "none.clu"}));

    // A folder cannot be replaced; nothing is left behind.
    const Status status = save_clut_file(disk(), dir.folder(), std::span(clut.entries).first(2));
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(dir.names().size(), 4u);
}

TEST(TexFile, FollowsHeaderAndRecordToTheClut) {
    TempDir dir;
    std::vector<std::uint16_t> words;
    for (int i = 0; i < 256; ++i) {
        words.push_back(static_cast<std::uint16_t>(i * 257));
    }
    for (int kind = 0; kind < tex_kind_count; ++kind) {
        const Bytes bytes = testing::tex_file_bytes(1100, kind, 0x0100, 0x0200, words);
        const std::string path = dir.write("team.bin", bytes);
        Clut clut;
        std::uint32_t offset = 0;
        ASSERT_TRUE(read_tex_clut(disk(), path, kind, clut, offset).ok()) << kind;
        EXPECT_EQ(offset, 512u);
        EXPECT_EQ(clut.count, 256);
        for (int i = 0; i < 256; ++i) {
            ASSERT_EQ(clut.entries[i].raw, bytes[512 + 2 * i] | (bytes[513 + 2 * i] << 8));
        }
    }
}

TEST(TexFile, OffsetsReachingPastTheEndFailBeforeReading) {
    TempDir dir;
    Clut clut;
    std::uint32_t offset = 77;
    // CLUT ending exactly at the end of the file is fine; one byte less is not.
    Bytes bytes = testing::tex_file_bytes(1024, 0, 0x0100, 0x0200, {});
    EXPECT_TRUE(read_tex_clut(disk(), dir.write("exact.bin", bytes), 0, clut, offset).ok());
    offset = 77;
    bytes.pop_back();
    Status status = read_tex_clut(disk(), dir.write("short.bin", bytes), 0, clut, offset);
    EXPECT_EQ(status.code, Code::not_in_file);
    EXPECT_EQ(clut.count, 0);

    // Header field pointing past the end; record field pointing past the end.
    bytes = testing::tex_file_bytes(600, 1, 0x0030, 0x0040, {});
    bytes[12] = 0xF0;
    bytes[13] = 0x02;  // record at 0x2F0, beyond 600 bytes
    status = read_tex_clut(disk(), dir.write("record.bin", bytes), 1, clut, offset);
    EXPECT_EQ(status.code, Code::not_in_file);
    EXPECT_NE(status.reason.find("record"), std::string::npos) << status.reason;
    bytes = testing::tex_file_bytes(600, 1, 0x0030, 0x0040, {});
    bytes[0x30 + 12] = 0xFF;
    bytes[0x30 + 13] = 0xFF;
    status = read_tex_clut(disk(), dir.write("clut.bin", bytes), 1, clut, offset);
    EXPECT_EQ(status.code, Code::not_in_file);

    status = read_tex_clut(disk(), dir.write("tiny.bin", Bytes(47, 0)), 0, clut, offset);
    EXPECT_EQ(status.code, Code::not_in_file);
    status = read_tex_clut(disk(), dir.write("kind.bin", Bytes(1024, 0)), 5, clut, offset);
    EXPECT_EQ(status.code, Code::invalid_argument);
    EXPECT_EQ(offset, 77u);
}

TEST(ClutAtOffset, ReadsOnlyWithinTheFile) {
    TempDir dir;
    std::mt19937 rng(3);
    const Bytes bytes = testing::random_bytes(rng, 100);
    const std::string path = dir.write("any.dat", bytes);
    Clut clut;
    ASSERT_TRUE(read_clut_at_offset(disk(), path, 10, 16, clut).ok());
    EXPECT_EQ(clut.count, 16);
    EXPECT_EQ(clut.entries[15].raw, bytes[40] | (bytes[41] << 8));
    EXPECT_EQ(clut.entries[16], PaletteEntry{});

    EXPECT_TRUE(read_clut_at_offset(disk(), path, 68, 16, clut).ok());  // ends at the end
    EXPECT_TRUE(read_clut_at_offset(disk(), path, 100, 0, clut).ok());
    EXPECT_EQ(read_clut_at_offset(disk(), path, 69, 16, clut).code, Code::not_in_file);
    EXPECT_EQ(clut.count, 16);
    EXPECT_EQ(read_clut_at_offset(disk(), path, 101, 0, clut).code, Code::not_in_file);
    EXPECT_EQ(read_clut_at_offset(disk(), path, -2, 1, clut).code, Code::not_in_file);
    EXPECT_EQ(read_clut_at_offset(disk(), path, 0, 257, clut).code, Code::invalid_argument);
}

TEST(Injection, RefusesWhatDoesNotFitAndNeverGrowsTheFile) {
    TempDir dir;
    const Bytes original(64, 0xAB);
    const std::string path = dir.write("target.dat", original);
    const auto entries = entries_of({0x1111, 0x2222, 0x3333, 0x4444});

    for (std::int64_t offset : {57, 60, 64, 1000, -1}) {
        const Status status = inject_clut(disk(), path, offset, entries);
        EXPECT_EQ(status.code, Code::does_not_fit) << offset;
        EXPECT_EQ(read_bytes(path), original) << offset;
    }
    ASSERT_TRUE(inject_clut(disk(), path, 56, entries).ok());
    Bytes expected = original;
    const Bytes words = words_to_bytes({0x1111, 0x2222, 0x3333, 0x4444});
    std::copy(words.begin(), words.end(), expected.begin() + 56);
    EXPECT_EQ(read_bytes(path), expected);

    EXPECT_EQ(inject_clut(disk(), dir.path("absent.dat"), 0, entries).code, Code::io_error);
    EXPECT_FALSE(testing::file_exists(dir.path("absent.dat")));
    EXPECT_EQ(dir.names(), std::vector<std::string>{"target.dat"});
}

// Each call of each kind that a save makes, failed in turn: the target holds
// either its old bytes with a failure reported, or the new bytes with success,
// and no temporary file stays behind.
TEST(FailureInjection, SaveNeverDamagesTheTarget) {
    TempDir dir;
    const Bytes old_bytes = words_to_bytes({1, 2, 3, 4, 5, 6, 7, 8});
    const auto entries = entries_of({0x7C1F, 0x83E0, 0x1234});
    const Bytes new_bytes = words_to_bytes({0x7C1F, 0x83E0, 0x1234});
    FailingFileSystem failing;
    const std::string path = dir.write("kit.clu", old_bytes);
    ASSERT_TRUE(save_clut_file(failing, path, entries).ok());
    std::map<FileOp, int> counts;
    for (FileOp op : testing::all_file_ops) {
        counts[op] = failing.calls(op);
    }
    int failures = 0;
    for (FileOp op : testing::all_file_ops) {
        for (int nth = 1; nth <= counts[op]; ++nth) {
            dir.write("kit.clu", old_bytes);
            failing.fail(op, nth);
            const Status status = save_clut_file(failing, path, entries);
            ASSERT_TRUE(failing.failed()) << file_op_name(op) << " " << nth;
            if (op == FileOp::sync_folder) {
                // Replaced already: saved, with a word about the folder.
                EXPECT_TRUE(status.ok()) << status.reason;
                EXPECT_NE(status.reason.find("folder"), std::string::npos) << status.reason;
            }
            if (status.ok()) {
                EXPECT_EQ(read_bytes(path), new_bytes) << file_op_name(op);
            } else {
                ++failures;
                EXPECT_EQ(read_bytes(path), old_bytes) << file_op_name(op);
                EXPECT_FALSE(status.reason.empty());
            }
            EXPECT_EQ(dir.names(), std::vector<std::string>{"kit.clu"}) << file_op_name(op);
        }
    }
    // open, write, short write, sync, close and rename each fail the save.
    EXPECT_GE(failures, 6);
}

TEST(FailureInjection, InjectionChangesTheWholeClutOrNothing) {
    TempDir dir;
    std::mt19937 rng(11);
    const Bytes original = testing::random_bytes(rng, 300);
    const auto entries = entries_of({0x0001, 0x0002, 0x0003, 0x0004, 0x0005, 0x0006, 0x0007});
    Bytes injected = original;
    const Bytes words = words_to_bytes({1, 2, 3, 4, 5, 6, 7});
    std::copy(words.begin(), words.end(), injected.begin() + 101);

    FailingFileSystem failing;
    const std::string path = dir.write("game.bin", original);
    ASSERT_TRUE(inject_clut(failing, path, 101, entries).ok());
    ASSERT_EQ(read_bytes(path), injected);
    std::map<FileOp, int> counts;
    for (FileOp op : testing::all_file_ops) {
        counts[op] = failing.calls(op);
    }
    for (FileOp op : testing::all_file_ops) {
        for (int nth = 1; nth <= counts[op]; ++nth) {
            dir.write("game.bin", original);
            failing.fail(op, nth);
            const Status status = inject_clut(failing, path, 101, entries);
            ASSERT_TRUE(failing.failed()) << file_op_name(op) << " " << nth;
            EXPECT_EQ(read_bytes(path), status.ok() ? injected : original)
                << file_op_name(op) << " " << nth << ": " << status.reason;
        }
    }
}

TEST(FailureInjection, ReadersFailOnAnyFailedOrShortRead) {
    TempDir dir;
    const std::string raw = dir.write("kit.clu", words_to_bytes({1, 2, 3}));
    const std::string tex = dir.write("team.bin", testing::tex_file_bytes(1024, 2, 64, 512, {9}));
    FailingFileSystem failing;
    for (FileOp op : {FileOp::open, FileOp::size, FileOp::seek, FileOp::read, FileOp::short_read}) {
        for (int nth = 1; nth <= 3; ++nth) {
            Clut clut;
            std::uint32_t offset = 0;
            failing.fail(op, nth);
            const bool raw_ok = read_clut_file(failing, raw, clut).ok();
            EXPECT_EQ(raw_ok, !failing.failed()) << file_op_name(op) << nth;
            failing.fail(op, nth);
            const bool tex_ok = read_tex_clut(failing, tex, 2, clut, offset).ok();
            EXPECT_EQ(tex_ok, !failing.failed()) << file_op_name(op) << nth;
            failing.fail(op, nth);
            const bool at_ok = read_clut_at_offset(failing, tex, 512, 3, clut).ok();
            EXPECT_EQ(at_ok, !failing.failed()) << file_op_name(op) << nth;
        }
    }
}

}  // namespace
}  // namespace tavrin
