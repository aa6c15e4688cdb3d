// The File menu's commands driven like a user on the fake screen, with real
// files on disk: dialogs, menu states after every read, round trips, and the
// safety of the user's files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <tuple>

#include "files/clut_params.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/temp_files.h"
#include "tests/support/test_editor.h"
#include "ui/file_commands.h"
#include "ui/history_commands.h"

namespace tavrin {
namespace {

using testing::Bytes;
using testing::read_bytes;
using testing::TempDir;
using testing::TestEditor;
using testing::words_to_bytes;

std::vector<std::uint16_t> sample_words(int count, int seed = 1) {
    std::vector<std::uint16_t> words;
    for (int i = 0; i < count; ++i) {
        words.push_back(static_cast<std::uint16_t>((i + seed) * 0x9E37u));
    }
    return words;
}

struct MenuRow {
    bool inject_tex;
    bool inject_offset;
    bool save;
    bool zones;
};

void expect_menu(const TestEditor& editor, MenuRow row, const std::string& context) {
    const auto& screen = editor.screen;
    EXPECT_EQ(screen.menu_enabled(ids::inject_tex), row.inject_tex) << context;
    EXPECT_EQ(screen.menu_enabled(ids::inject_offset), row.inject_offset) << context;
    EXPECT_EQ(screen.menu_enabled(ids::save_clut), row.save) << context;
    for (int id : ids::zone_items) {
        EXPECT_EQ(screen.menu_enabled(id), row.zones) << context << ", zone item " << id;
    }
    for (int id = ids::first_command; id <= ids::last_command; ++id) {
        EXPECT_EQ(screen.menu_enabled(id), command_enabled(editor.state, id)) << id;
    }
}

void expect_palette_words(const EditorState& state, const std::vector<std::uint16_t>& words) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        ASSERT_EQ(state.palette[i].raw, words[i]) << "entry " << i;
        ASSERT_EQ(encode_bgr555(state.palette[i]), words[i]) << "entry " << i;
    }
    for (std::size_t i = words.size(); i < 256; ++i) {
        ASSERT_EQ(state.palette[i], PaletteEntry{}) << "entry " << i;
    }
}

// Everything a command could change, to prove one changed nothing.
struct Snapshot {
    std::array<PaletteEntry, 256> palette;
    std::int16_t color_count;
    ClutSource source;
    std::int32_t palette_loaded;
    std::map<int, bool> menu;
    std::map<int, bool> enabled;

    explicit Snapshot(const TestEditor& editor)
        : palette(editor.state.palette),
          color_count(editor.state.color_count),
          source(editor.state.origin.source),
          palette_loaded(editor.state.palette_loaded),
          menu(editor.screen.menu),
          enabled(editor.screen.enabled_flags) {}
    bool operator==(const Snapshot&) const = default;
};

TEST(LoadClut, DialogReopensOnTheLastPathAndCancelChangesNothing) {
    TempDir dir;
    TestEditor editor;
    editor.screen.open_answers.push_back(std::nullopt);
    editor.command(ids::load_clut);
    EXPECT_EQ(editor.screen.calls, std::vector<std::string>{"open-dialog"});
    ASSERT_EQ(editor.screen.open_requests.size(), 1u);
    const FileDialogRequest& first = editor.screen.open_requests[0];
    ASSERT_EQ(first.filters.size(), 2u);
    EXPECT_EQ(first.filters[0].label, "CLUT files");
    EXPECT_EQ(first.filters[0].pattern, "*.CLU;*.CLUT;*.PAL");
    EXPECT_EQ(first.filters[1].label, "All Files (*.*)");
    EXPECT_EQ(first.filters[1].pattern, "*.*");
    EXPECT_EQ(first.path, "");
    EXPECT_EQ(first.initial_dir, editor.screen.program_folder);
    EXPECT_TRUE(first.must_exist);

    const std::string path = dir.write("kit.clu", words_to_bytes({0x7C1F}));
    editor.load_clut(path);
    editor.screen.save_answers.push_back(std::nullopt);
    editor.command(ids::save_clut);
    editor.load_clut(path);
    ASSERT_EQ(editor.screen.save_requests.size(), 1u);
    EXPECT_EQ(editor.screen.save_requests[0].path, path);
    EXPECT_FALSE(editor.screen.save_requests[0].must_exist);
    EXPECT_EQ(editor.screen.save_requests[0].filters.size(), 2u);
    EXPECT_EQ(editor.screen.open_requests.back().path, path);
}

TEST(LoadClut, SuccessMakesThePaletteLiveInOrder) {
    TempDir dir;
    TestEditor editor;
    const auto words = sample_words(256);
    editor.screen.open_answers.push_back(dir.write("full.clu", words_to_bytes(words)));
    editor.command(ids::load_clut);
    const std::vector<std::string> activation = {"enable 300 on", "enable 301 on", "enable 302 on",
                                                 "slider 300 0",  "slider 301 0",  "slider 302 0",
                                                 "box 303",       "box 304",       "focus 9000"};
    const auto& calls = editor.screen.calls;
    auto start = std::find(calls.begin(), calls.end(), activation.front());
    ASSERT_NE(start, calls.end());
    EXPECT_EQ(std::vector<std::string>(start, start + activation.size()), activation);
    EXPECT_EQ(editor.screen.repaint_requests, 1);
    editor.settle();

    EXPECT_EQ(editor.state.palette_loaded, 1);
    EXPECT_EQ(editor.state.color_count, 256);
    expect_palette_words(editor.state, words);
    expect_menu(editor, {false, true, true, true}, "after a load");
    EXPECT_EQ(editor.screen.focused_control(), ids::first_swatch);
    EXPECT_EQ(editor.screen.box(ids::current_box), testing::fake_scrollbar_color);
    EXPECT_TRUE(editor.screen.cell_is_plain(200, color_of(decode_bgr555(words[200]))));
    EXPECT_TRUE(editor.screen.errors.empty());
}

TEST(LoadClut, SizesDecideTheColorCount) {
    TempDir dir;
    TestEditor editor;
    Bytes bytes = words_to_bytes(sample_words(256));
    bytes.push_back(0x42);
    editor.load_clut(dir.write("513.clu", bytes));
    EXPECT_EQ(editor.state.color_count, 256);
    expect_menu(editor, {false, true, true, true}, "513 bytes");

    // An empty file loads no colour: every cell grey and disabled, and a save
    // writes an empty file.
    editor.load_clut(dir.write("empty.clu", {}));
    EXPECT_EQ(editor.state.color_count, 0);
    expect_menu(editor, {false, true, true, true}, "empty file");
    for (int i = 0; i < 256; ++i) {
        ASSERT_TRUE(editor.screen.cell_is_plain(i, testing::fake_button_face_color)) << i;
        ASSERT_FALSE(editor.screen.enabled(ids::first_swatch + i)) << i;
    }
    const std::string saved = dir.write("saved.clu", Bytes(40, 1));
    editor.save_clut(saved);
    EXPECT_TRUE(read_bytes(saved).empty());
    EXPECT_TRUE(testing::file_exists(saved));

    bytes.push_back(0x42);
    editor.load_clut(dir.write("514.clu", bytes));
    EXPECT_EQ(editor.screen.errors,
              std::vector<std::string>{"CLUT can't have more than 256 colors."});
    EXPECT_EQ(editor.state.color_count, 0);  // the empty CLUT stays
    expect_menu(editor, {false, true, true, true}, "514 bytes");
    EXPECT_EQ(editor.state.palette_loaded, 1);

    editor.load_clut(dir.path("missing.clu"));
    EXPECT_EQ(editor.screen.errors.size(), 2u);
    expect_menu(editor, {false, true, true, true}, "missing file");
}

TEST(SaveClut, UneditedLoadAndSaveIsByteIdentical) {
    TempDir dir;
    TestEditor editor;
    const Bytes original = words_to_bytes(sample_words(100, 9));
    editor.load_clut(dir.write("kit.clu", original));
    const std::string copy = dir.path("copy.clu");
    editor.save_clut(copy);
    EXPECT_EQ(read_bytes(copy), original);
    EXPECT_EQ(editor.state.dialogs.clut_path, copy);
    EXPECT_TRUE(editor.screen.errors.empty());
}

// kit.clu's 16 colours loaded through failing, which the editor then writes through.
void load_over(TestEditor& editor, testing::FailingFileSystem& failing, const TempDir& dir) {
    editor.state.file_system = &failing;
    editor.load_clut(dir.write("kit.clu", words_to_bytes(sample_words(16))));
}

// A save that fails must leave the old file as it was and say so.
TEST(SaveClut, FailureKeepsTheOldFileAndIsReported) {
    TempDir dir;
    TestEditor editor;
    testing::FailingFileSystem failing;
    load_over(editor, failing, dir);
    const Bytes previous = words_to_bytes(sample_words(40, 5));
    const std::string target = dir.write("target.clu", previous);

    for (auto op : {testing::FileOp::open, testing::FileOp::write, testing::FileOp::short_write,
                    testing::FileOp::sync, testing::FileOp::close, testing::FileOp::rename}) {
        editor.screen.errors.clear();
        failing.fail(op);
        editor.save_clut(target);
        EXPECT_EQ(read_bytes(target), previous) << file_op_name(op);
        ASSERT_EQ(editor.screen.errors.size(), 1u) << file_op_name(op);
        const std::string& message = editor.screen.errors[0];
        EXPECT_EQ(message.rfind("Could not save \"" + target + "\": ", 0), 0u) << message;
        EXPECT_GT(message.size(), target.size() + 20) << message;  // a reason follows
        EXPECT_EQ(dir.names(), (std::vector<std::string>{"kit.clu", "target.clu"}));
    }
    failing.clear_plan();
    editor.screen.errors.clear();
    editor.save_clut(target);
    EXPECT_TRUE(editor.screen.errors.empty());
    EXPECT_EQ(read_bytes(target), words_to_bytes(sample_words(16)));
}

// The new words are on the disk but something after them failed: the save
// stands, says what is left to see to, and the words count as saved.
TEST(SaveClut, WrittenButNotTidiedUpIsSavedWithAWarning) {
    TempDir dir;
    TestEditor editor;
    testing::FailingFileSystem failing;
    load_over(editor, failing, dir);
    const std::string target = dir.write("target.clu", words_to_bytes(sample_words(40, 5)));
    const std::string linked = dir.path("linked.clu");
    ASSERT_EQ(::link(target.c_str(), linked.c_str()), 0);  // rewritten in place, after a copy
    const std::string renamed = dir.write("renamed.clu", Bytes(8, 1));

    for (auto [op, path, words] :
         {std::tuple{testing::FileOp::sync_folder, renamed, "its folder"},
          std::tuple{testing::FileOp::remove, target, "the copy of its old contents \""}}) {
        editor.screen.errors.clear();
        editor.screen.messages.clear();
        editor.click(3);
        editor.move_slider(ids::slider_green, editor.entry(3).green < 128 ? 200 : 10);
        failing.fail(op);
        editor.save_clut(path);
        ASSERT_TRUE(failing.failed());
        EXPECT_TRUE(editor.screen.errors.empty()) << editor.screen.errors[0];
        EXPECT_EQ(read_bytes(path), encode_clut(live_entries(editor.state)));
        ASSERT_EQ(editor.screen.messages.size(), 1u) << file_op_name(op);
        const std::string& message = editor.screen.messages[0];
        EXPECT_EQ(message.rfind("\"" + path + "\": it was saved, but ", 0), 0u) << message;
        EXPECT_NE(message.find(words), std::string::npos) << message;
        editor.command(ids::select_changed);
        EXPECT_EQ(editor.screen.messages.back(), nothing_changed_message);
    }
}

TEST(ExtractFromTex, ReadsTheClutTheHeaderLeadsTo) {
    TempDir dir;
    TestEditor editor;
    const auto words = sample_words(256, 3);
    const Bytes bytes = testing::tex_file_bytes(1500, 3, 0x0100, 0x0200, words);
    const std::string path = dir.write("team.bin", bytes);
    editor.extract_tex(path, "goalkeepers SHIRT #2 palette");

    ASSERT_EQ(editor.screen.open_requests.size(), 1u);
    const auto& request = editor.screen.open_requests[0];
    ASSERT_EQ(request.filters.size(), 2u);
    EXPECT_EQ(request.filters[0].label, "Kickvale 2000 TEX graphic file (*.bin)");
    EXPECT_EQ(request.filters[0].pattern, "*.BIN");
    EXPECT_EQ(request.filters[1].pattern, "*.*");
    EXPECT_TRUE(request.must_exist);
    ASSERT_EQ(editor.screen.clut_dialog_entries.size(), 1u);
    EXPECT_EQ(editor.screen.clut_dialog_entries[0],
              std::vector<std::string>(tex_clut_names.begin(), tex_clut_names.end()));

    EXPECT_EQ(editor.state.origin.source.tex_kind, 3);
    EXPECT_EQ(editor.state.origin.source.offset, 512u);
    EXPECT_EQ(editor.state.color_count, 256);
    EXPECT_EQ(editor.state.palette_loaded, 1);
    expect_palette_words(editor.state, words);
    expect_menu(editor, {true, true, true, true}, "shirt CLUT");
    EXPECT_EQ(editor.screen.focused_control(), ids::first_swatch);

    const std::string flag_path =
        dir.write("flag.bin", testing::tex_file_bytes(1500, 4, 0x0100, 0x0200, words));
    editor.extract_tex(flag_path, "Team flag");
    expect_menu(editor, {true, true, true, false}, "flag");
    EXPECT_EQ(editor.screen.open_requests.back().path, path);
}

TEST(ExtractFromTex, DialogAcceptsOnlyAListedNameAndChangesNothingItself) {
    TestEditor editor;
    const Snapshot before(editor);
    EXPECT_FALSE(select_clut_dialog_ok("Team").has_value());
    EXPECT_FALSE(select_clut_dialog_ok("").has_value());
    EXPECT_EQ(select_clut_dialog_ok("team flag"), 4);
    EXPECT_EQ(select_clut_dialog_ok("Players shirt #2 palette"), 1);
    EXPECT_TRUE(editor.screen.calls.empty());
    EXPECT_TRUE(Snapshot(editor) == before);
}

// A read that fails, whatever the command, says why and keeps the edited
// table, its count, its source, the cells and every menu state.
TEST(FailedRead, KeepsTheEditedClutAndSaysWhy) {
    TempDir dir;
    TestEditor editor;
    editor.load_clut(dir.write("kit.clu", words_to_bytes(sample_words(8))));
    const Snapshot loaded(editor);
    editor.click(3);
    editor.type(ids::field_red, "200");
    editor.leave_field(ids::field_red);
    const Snapshot edited(editor);
    ASSERT_FALSE(edited == loaded);
    const ClutSource source = editor.state.origin.source;

    Bytes tex = testing::tex_file_bytes(1024, 0, 0x0100, 0x0200, sample_words(256));
    tex.resize(1000);  // ends inside the CLUT
    const std::string cut = dir.write("cut.bin", tex);
    const std::string small = dir.write("small.dat", Bytes(100, 7));
    const std::string big = dir.write("big.clu", Bytes(514, 1));
    editor.extract_tex(cut);
    editor.extract_at(small, "200", "16");
    editor.load_clut(big);
    editor.extract_at(dir.path("gone.dat"), "0", "16");

    ASSERT_EQ(editor.screen.errors.size(), 4u);
    EXPECT_EQ(editor.screen.errors[0].rfind("Could not read a CLUT from \"" + cut + "\": ", 0), 0u)
        << editor.screen.errors[0];
    EXPECT_EQ(editor.screen.errors[1].rfind("Could not read a CLUT from \"" + small + "\": ", 0),
              0u)
        << editor.screen.errors[1];
    EXPECT_EQ(editor.screen.errors[2], too_many_colors_message);
    EXPECT_NE(editor.screen.errors[3].find("gone.dat"), std::string::npos);
    EXPECT_TRUE(Snapshot(editor) == edited);
    EXPECT_EQ(editor.state.origin.source, source);
}

TEST(ExtractAndInjectTex, UneditedRoundTripLeavesTheFileIdentical) {
    TempDir dir;
    TestEditor editor;
    const Bytes bytes = testing::tex_file_bytes(2048, 1, 0x0040, 0x0300, sample_words(256, 4));
    const std::string path = dir.write("team.bin", bytes);
    editor.extract_tex(path, "Players shirt #2 palette");
    editor.inject_tex();
    EXPECT_EQ(read_bytes(path), bytes);
    EXPECT_TRUE(editor.screen.errors.empty());

    // An edit reaches exactly its word.
    editor.state.palette[5].red = 255;
    editor.inject_tex();
    Bytes expected = bytes;
    const std::uint16_t word = encode_bgr555(editor.state.palette[5]);
    expected[0x300 + 10] = static_cast<std::uint8_t>(word & 0xFF);
    expected[0x300 + 11] = static_cast<std::uint8_t>(word >> 8);
    EXPECT_EQ(read_bytes(path), expected);
}

TEST(ParamsDialog, PrefillsOnlyForAnInjectionAndReadsWhatWasTyped) {
    TempDir dir;
    TestEditor editor;
    std::mt19937 rng(5);
    const Bytes data = testing::random_bytes(rng, 1100);
    const std::string path = dir.write("data.dat", data);
    for (std::string offset_text : {"0x200", "0X200", "512", "512abc"}) {
        editor.extract_at(path, offset_text, "16");
        EXPECT_EQ(editor.state.origin.source.offset, 512u) << offset_text;
        EXPECT_EQ(editor.state.palette[0].raw, data[512] | (data[513] << 8)) << offset_text;
    }
    EXPECT_EQ(editor.screen.params_initial_counts.back(), "");
    expect_menu(editor, {false, true, true, false}, "after extraction at an offset");
    for (int i = 0; i < 16; ++i) {
        EXPECT_TRUE(editor.screen.enabled_flags.at(ids::first_swatch + i));
    }

    editor.extract_at(path, "0", "300");
    EXPECT_EQ(editor.state.color_count, 256);
    editor.extract_at(path, "0", "");
    EXPECT_EQ(editor.state.color_count, 0);
    expect_menu(editor, {false, true, true, false}, "0 colors");

    editor.extract_at(path, "0", "16");
    editor.inject_at(path, "0", "16");
    EXPECT_EQ(editor.screen.params_initial_counts.back(), "16");
    EXPECT_EQ(editor.screen.save_requests.back().path, path);
    EXPECT_TRUE(editor.screen.save_requests.back().must_exist);
    ASSERT_EQ(editor.screen.save_requests.back().filters.size(), 1u);
    EXPECT_EQ(editor.screen.save_requests.back().filters[0].label, "All Files (*.*)");
    EXPECT_EQ(read_bytes(path), data);
}

TEST(ParamsDialog, AnOffsetThatIsNoNumberOrOutOfRangeIsReportedAndChangesNothing) {
    TempDir dir;
    TestEditor editor;
    const std::string path = dir.write("data.dat", Bytes(600, 0x11));
    editor.load_clut(dir.write("kit.clu", words_to_bytes(sample_words(16))));
    for (std::string text : {"", "x10", "0x"}) {
        const Snapshot before(editor);
        editor.screen.errors.clear();
        editor.extract_at(path, text, "16");
        editor.inject_at(path, text, "16");
        ASSERT_EQ(editor.screen.errors.size(), 2u) << text;
        EXPECT_EQ(editor.screen.errors[0], "The offset \"" + text +
                                               "\" is not a number. Type it in decimal, or in "
                                               "hexadecimal after 0x.");
        EXPECT_TRUE(Snapshot(editor) == before) << text;
        EXPECT_EQ(read_bytes(path), Bytes(600, 0x11));
    }
    for (std::string text : {"9223372036854775808", "18446744073709551616", "0x8000000000000000",
                             "0x10000000000000200"}) {
        const Snapshot before(editor);
        editor.screen.errors.clear();
        editor.extract_at(path, text, "16");
        editor.inject_at(path, text, "16");
        ASSERT_EQ(editor.screen.errors.size(), 2u) << text;
        EXPECT_EQ(editor.screen.errors[1],
                  "The offset \"" + text +
                      "\" is out of range (an offset is at most 9223372036854775807, "
                      "0x7FFFFFFFFFFFFFFF).");
        EXPECT_TRUE(Snapshot(editor) == before) << text;
        EXPECT_EQ(read_bytes(path), Bytes(600, 0x11));
    }
    // Beyond 32 bits an offset is what was typed, never a wrapped one that
    // would land inside this file.
    for (std::string text : {"4294967808", "0x100000200", "2147484160"}) {
        editor.screen.errors.clear();
        editor.extract_at(path, text, "16");
        editor.inject_at(path, text, "16");
        const std::string at = "(32 bytes at offset " + std::to_string(parse_offset(text).value);
        ASSERT_EQ(editor.screen.errors.size(), 2u) << text;
        EXPECT_NE(editor.screen.errors[0].find(at + ") reaches past the end"), std::string::npos)
            << editor.screen.errors[0];
        EXPECT_NE(editor.screen.errors[1].find(at + ") does not fit"), std::string::npos)
            << editor.screen.errors[1];
        EXPECT_EQ(read_bytes(path), Bytes(600, 0x11));
    }
}

TEST(ExtractAndInjectAtOffset, RoundTripsAndPadsWithZeroWords) {
    TempDir dir;
    TestEditor editor;
    std::mt19937 rng(8);
    const Bytes data = testing::random_bytes(rng, 4096);
    const std::string path = dir.write("any.dat", data);
    editor.extract_at(path, "0x100", "16");
    editor.inject_at(path, "0x100", "16");
    EXPECT_EQ(read_bytes(path), data);

    // A 16-colour CLUT injected as 256 colours: its 16 words, then 240 zero words.
    const auto words = sample_words(16, 2);
    editor.load_clut(dir.write("kit.clu", words_to_bytes(words)));
    editor.inject_at(path, "1000", "256");
    EXPECT_EQ(editor.state.color_count, 256);
    Bytes expected = data;
    const Bytes clut = words_to_bytes(words);
    std::copy(clut.begin(), clut.end(), expected.begin() + 1000);
    std::fill(expected.begin() + 1032, expected.begin() + 1512, 0);
    EXPECT_EQ(read_bytes(path), expected);
    EXPECT_TRUE(editor.screen.errors.empty());
}

// Inject CLUT in TEX file writes only into the TEX file that was read, at the
// CLUT offset found in it, whatever offsets were typed or read since.
TEST(InjectTex, WritesOnlyWhereTheTexFileKeepsItsClut) {
    TempDir dir;
    TestEditor editor;
    const Bytes tex = testing::tex_file_bytes(1536, 0, 0x0080, 0x0400, sample_words(256, 6));
    const std::string tex_path = dir.write("team.bin", tex);
    std::mt19937 rng(9);
    const Bytes other = testing::random_bytes(rng, 800);
    const std::string other_path = dir.write("other.dat", other);

    // Without a TEX file read in this run, a successful extract_offset leaves
    // inject_tex grayed.
    editor.extract_at(other_path, "0x20", "16");
    expect_menu(editor, {false, true, true, false}, "226 before any TEX");
    editor.inject_tex();
    EXPECT_EQ(read_bytes(other_path), other);

    editor.extract_tex(tex_path);
    const auto kit = sample_words(16, 7);
    editor.load_clut(dir.write("kit.clu", words_to_bytes(kit)));
    editor.inject_at(other_path, "0x10", "16");
    EXPECT_EQ(editor.state.origin.source.path, dir.path("kit.clu"));  // an injection is no read
    Bytes other_now = other;
    const Bytes kit_bytes = words_to_bytes(kit);
    std::copy(kit_bytes.begin(), kit_bytes.end(), other_now.begin() + 16);
    EXPECT_EQ(read_bytes(other_path), other_now);

    editor.extract_at(other_path, "0x10", "16");  // inject_tex enabled again, offset 16
    expect_menu(editor, {true, true, true, false}, "226 after a TEX read");
    editor.inject_tex();
    Bytes tex_now = tex;
    std::copy(kit_bytes.begin(), kit_bytes.end(), tex_now.begin() + 0x400);
    EXPECT_EQ(read_bytes(tex_path), tex_now);
    EXPECT_EQ(read_bytes(other_path), other_now);
    EXPECT_TRUE(editor.screen.errors.empty());

    // A failed TEX read changes nothing: the TEX file read before stays the target.
    editor.extract_tex(dir.write("broken.bin", Bytes(20, 0)));
    editor.extract_at(other_path, "0", "4");
    expect_menu(editor, {true, true, true, false}, "226 after a failed TEX read");
}

TEST(InjectTex, RefusesWhenTheFileNoLongerHoldsTheClutThere) {
    TempDir dir;
    TestEditor editor;
    Bytes tex = testing::tex_file_bytes(1536, 0, 0x0080, 0x0400, sample_words(256));
    const std::string path = dir.write("team.bin", tex);
    editor.extract_tex(path);

    tex.resize(1100);  // the CLUT at 1024 no longer fits
    dir.write("team.bin", tex);
    editor.inject_tex();
    EXPECT_EQ(read_bytes(path), tex);
    ASSERT_EQ(editor.screen.errors.size(), 1u);
    EXPECT_EQ(editor.screen.errors[0].rfind("Could not inject the CLUT into \"" + path + "\": ", 0),
              0u);

    tex = testing::tex_file_bytes(1536, 0, 0x0080, 0x0200, sample_words(256));
    dir.write("team.bin", tex);
    editor.inject_tex();
    EXPECT_EQ(read_bytes(path), tex);
    ASSERT_EQ(editor.screen.errors.size(), 2u);
    EXPECT_NE(editor.screen.errors[1].find("no longer at offset 1024"), std::string::npos);
}

// Cancel in "CLUT parameters" leaves the editor, the files and the menu as
// they were, for an extraction and for an injection.
TEST(ParamsDialog, CancelChangesNothing) {
    TempDir dir;
    TestEditor editor;
    std::mt19937 rng(4);
    const Bytes data = testing::random_bytes(rng, 700);
    const std::string path = dir.write("data.dat", data);
    editor.extract_tex(dir.write("team.bin", testing::tex_file_bytes(1024, 0, 64, 512, {})));
    editor.load_clut(dir.write("kit.clu", words_to_bytes(sample_words(16))));
    editor.settle();
    const Snapshot before(editor);
    const auto loaded = editor.state.palette;
    editor.screen.calls.clear();

    editor.extract_at(path, std::nullopt);
    editor.inject_at(path, std::nullopt);
    EXPECT_TRUE(Snapshot(editor) == before);
    EXPECT_EQ(editor.state.palette, loaded);
    EXPECT_EQ(read_bytes(path), data);
    EXPECT_EQ(editor.screen.calls, (std::vector<std::string>{"open-dialog", "params-dialog",
                                                             "save-dialog", "params-dialog"}));
    editor.save_clut(dir.path("after.clu"));
    EXPECT_EQ(read_bytes(dir.path("after.clu")), words_to_bytes(sample_words(16)));
}

TEST(ExtractAtOffset, OffsetsOutsideTheFileFailTheExtraction) {
    TempDir dir;
    TestEditor editor;
    const std::string path = dir.write("data.dat", Bytes(100, 0x22));
    editor.load_clut(dir.write("kit.clu", words_to_bytes(sample_words(4))));
    for (auto [offset, count] : std::vector<std::pair<std::string, std::string>>{
             {"-2", "1"}, {"0xFFFFFFFE", "1"}, {"101", "0"}, {"90", "6"}, {"2147483647", "256"}}) {
        editor.extract_at(dir.path("kit.clu"), "0", "4");
        editor.extract_at(path, offset, count);
        expect_menu(editor, {false, true, true, false}, offset + " " + count);
        EXPECT_EQ(editor.state.color_count, 4) << offset;
    }
    EXPECT_EQ(editor.screen.errors.size(), 5u);
    editor.extract_at(path, "100", "0");
    expect_menu(editor, {false, true, true, false}, "empty CLUT at the very end");
    EXPECT_EQ(editor.state.color_count, 0);
    EXPECT_EQ(editor.screen.errors.size(), 5u);
}

TEST(InjectAtOffset, AClutThatDoesNotFitIsRefusedAndNothingIsWritten) {
    TempDir dir;
    TestEditor editor;
    editor.load_clut(dir.write("kit.clu", words_to_bytes(sample_words(16))));
    const Bytes data(100, 0x33);
    const std::string path = dir.write("short.dat", data);
    editor.inject_at(path, "80", "16");
    EXPECT_EQ(read_bytes(path), data);
    ASSERT_EQ(editor.screen.errors.size(), 1u);
    EXPECT_EQ(editor.screen.errors[0],
              "Could not inject the CLUT into \"" + path +
                  "\": the CLUT (32 bytes at offset 80) does not fit inside it (100 bytes).");

    editor.inject_at(path, "68", "16");  // ends exactly at the end
    EXPECT_EQ(read_bytes(path).size(), 100u);
    EXPECT_EQ(editor.screen.errors.size(), 1u);

    // A count typed for an injection that fails changes nothing in the editor.
    const Bytes injected = read_bytes(path);
    const Snapshot before(editor);
    const std::string undo_text = editor.screen.menu_texts[ids::undo];
    editor.inject_at(path, "0", "64");
    EXPECT_EQ(editor.screen.errors.size(), 2u);
    EXPECT_TRUE(Snapshot(editor) == before);
    EXPECT_EQ(editor.screen.menu_texts[ids::undo], undo_text);
    EXPECT_FALSE(editor.screen.menu_enabled(ids::undo));
    EXPECT_EQ(read_bytes(path), injected);
}

TEST(InjectAtOffset, WriteFailuresAreReportedAndTheFileKeptIntact) {
    TempDir dir;
    TestEditor editor;
    testing::FailingFileSystem failing;
    editor.load_clut(dir.write("kit.clu", words_to_bytes(sample_words(16))));
    editor.state.file_system = &failing;
    const Bytes data(200, 0x44);
    const std::string path = dir.write("game.dat", data);
    for (auto op : {testing::FileOp::open, testing::FileOp::write, testing::FileOp::short_write,
                    testing::FileOp::sync}) {
        editor.screen.errors.clear();
        failing.fail(op);
        editor.inject_at(path, "10", "16");
        EXPECT_EQ(read_bytes(path), data) << file_op_name(op);
        ASSERT_EQ(editor.screen.errors.size(), 1u) << file_op_name(op);
        EXPECT_EQ(
            editor.screen.errors[0].rfind("Could not inject the CLUT into \"" + path + "\": ", 0),
            0u);
    }
}

// A modal window takes the focus from the field being typed in: the value the
// field settles on is the one the command sees and writes.
TEST(ModalWindow, LeavesTheFocusedFieldBeforeItOpens) {
    TempDir dir;
    TestEditor editor;
    editor.load_clut(dir.write("kit.clu", words_to_bytes({0x0000, 0x7FFF})));
    editor.click(0);
    editor.type(ids::field_red, "300");
    const std::string saved = dir.path("saved.clu");
    editor.save_clut(saved);
    EXPECT_EQ(editor.screen.field_text(ids::field_red), "255");
    EXPECT_EQ(read_bytes(saved), words_to_bytes({0x001F, 0x7FFF}));
    EXPECT_EQ(editor.screen.focused_control(), ids::field_red);

    // Cancelled or failing, the dialogs leave the field just the same.
    editor.type(ids::field_green, "999");
    editor.screen.open_answers.push_back(std::nullopt);
    editor.command(ids::load_clut);
    EXPECT_EQ(editor.screen.field_text(ids::field_green), "255");
    EXPECT_EQ(editor.state.palette[0].green, 255);
}

}  // namespace
}  // namespace tavrin
