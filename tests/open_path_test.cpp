// Opening a file from the command line or by dropping it on the window: the
// content picks the command, the command reads as from the menu, and a file
// that cannot be read leaves the window as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/temp_files.h"
#include "tests/support/test_editor.h"
#include "tests/support/tim_files.h"
#include "ui/open_path.h"

namespace tavrin {
namespace {

using testing::Bytes;
using testing::TempDir;
using testing::TestEditor;
using testing::words_to_bytes;

std::vector<std::uint16_t> words_from(std::uint16_t first, int count) {
    std::vector<std::uint16_t> words;
    for (int i = 0; i < count; ++i) {
        words.push_back(static_cast<std::uint16_t>((first + i * 0x0421) & 0x7FFF));
    }
    return words;
}

void put_word(Bytes& bytes, std::size_t at, std::uint16_t word) {
    bytes[at] = static_cast<std::uint8_t>(word & 0xFF);
    bytes[at + 1] = static_cast<std::uint8_t>(word >> 8);
}

// A TEX file whose five header fields each lead, through a record, to a CLUT
// of its own; CLUT k starts with the word 0x1000 + k.
Bytes five_clut_tex() {
    Bytes bytes(48 + 5 * 16 + 5 * 512, 0);
    constexpr std::size_t header_fields[] = {4, 12, 16, 20, 32};
    for (std::size_t kind = 0; kind < 5; ++kind) {
        const std::size_t record = 48 + kind * 16;
        const std::size_t clut = 48 + 5 * 16 + kind * 512;
        put_word(bytes, header_fields[kind], static_cast<std::uint16_t>(record));
        put_word(bytes, record + 12, static_cast<std::uint16_t>(clut));
        const auto words = words_from(static_cast<std::uint16_t>(0x1000 + kind), 256);
        for (std::size_t i = 0; i < 256; ++i) {
            put_word(bytes, clut + 2 * i, words[i]);
        }
    }
    return bytes;
}

std::vector<std::uint16_t> palette_words(const EditorState& state, int count) {
    std::vector<std::uint16_t> words;
    for (int i = 0; i < count; ++i) {
        words.push_back(state.palette[static_cast<std::size_t>(i)].raw);
    }
    return words;
}

TEST(OpenPath, RawClutLoadsAsLoadClutWithoutItsDialog) {
    TempDir dir;
    TestEditor editor;
    const auto words = words_from(0x7C1F, 16);
    const std::string path = dir.write("kit.CLUT", testing::words_to_bytes(words));

    EXPECT_TRUE(open_path(editor.state, editor.screen, path));
    editor.settle();
    EXPECT_TRUE(editor.screen.open_requests.empty());
    EXPECT_TRUE(editor.screen.errors.empty());
    EXPECT_EQ(editor.state.color_count, 16);
    EXPECT_EQ(palette_words(editor.state, 16), words);
    EXPECT_TRUE(editor.screen.cell_is_plain(3, color_of(editor.state.palette[3])));
    EXPECT_TRUE(editor.screen.menu_enabled(ids::save_clut));
    EXPECT_TRUE(editor.screen.menu_enabled(ids::zone_shorts));
    EXPECT_FALSE(editor.screen.menu_enabled(ids::inject_tex));

    // The next Load CLUT... opens on the file that was opened.
    editor.screen.open_answers.push_back(std::nullopt);
    editor.command(ids::load_clut);
    ASSERT_EQ(editor.screen.open_requests.size(), 1u);
    EXPECT_EQ(editor.screen.open_requests[0].path, path);
}

TEST(OpenPath, TexFileAsksForTheClutAndExtractsIt) {
    TempDir dir;
    TestEditor editor;
    const std::string path = dir.write("team.bin", five_clut_tex());
    FileKind kind = FileKind::raw_clut;
    ASSERT_TRUE(detect_file_kind(*editor.state.file_system, path, kind).ok());
    EXPECT_EQ(kind, FileKind::tex);

    editor.screen.clut_texts.push_back("team flag");
    EXPECT_TRUE(open_path(editor.state, editor.screen, path));
    editor.settle();
    EXPECT_TRUE(editor.screen.open_requests.empty());
    ASSERT_EQ(editor.screen.clut_dialog_entries.size(), 1u);
    EXPECT_EQ(editor.screen.clut_dialog_entries[0].back(), "Team flag");
    EXPECT_EQ(palette_words(editor.state, 256), words_from(0x1004, 256));
    EXPECT_TRUE(editor.screen.menu_enabled(ids::inject_tex));
    EXPECT_FALSE(editor.screen.menu_enabled(ids::zone_shorts));  // the flag has no kit zones

    // Injecting writes back into the opened file.
    const Bytes before = testing::read_bytes(path);
    editor.click(0);
    editor.clear_field(ids::field_hex);
    editor.type(ids::field_hex, "7FFF");
    editor.inject_tex();
    Bytes after = testing::read_bytes(path);
    EXPECT_EQ(after[48 + 80 + 4 * 512], 0xFF);
    EXPECT_EQ(after[48 + 80 + 4 * 512 + 1], 0x7F);
    after[48 + 80 + 4 * 512] = before[48 + 80 + 4 * 512];
    after[48 + 80 + 4 * 512 + 1] = before[48 + 80 + 4 * 512 + 1];
    EXPECT_EQ(after, before);
}

TEST(OpenPath, TimImageReadsItsClutAsTheTimCommandWould) {
    TempDir dir;
    TestEditor editor;
    const auto row = words_from(0x0400, 16);
    const std::string path =
        dir.write("kit.tim", testing::tim_file_bytes({4, {row}, 4, 1, {0, 1, 2, 3}}));
    EXPECT_TRUE(open_path(editor.state, editor.screen, path));
    EXPECT_TRUE(editor.screen.errors.empty());
    EXPECT_TRUE(editor.screen.open_requests.empty());
    EXPECT_EQ(editor.state.origin.source.kind, ClutSource::Kind::tim_file);
    EXPECT_EQ(editor.state.color_count, 16);
    EXPECT_EQ(palette_words(editor.state, 16), row);
    EXPECT_TRUE(editor.screen.menu_enabled(ids::inject_tim));
}

TEST(OpenPath, FileThatCannotBeReadIsReportedAndChangesNothing) {
    TempDir dir;
    TestEditor editor;
    const auto words = words_from(0x0123, 8);
    editor.load_clut(dir.write("kit.clu", words_to_bytes(words)));
    const auto menu_before = editor.screen.menu;
    const std::size_t dialogs_before = editor.screen.open_requests.size();
    editor.screen.calls.clear();

    Bytes tim = {0x10, 0, 0, 0, 0x08, 0, 0, 0};
    tim.resize(64, 0x11);
    Bytes big(2048, 0x5A);  // neither TEX nor TIM, and too long for a CLUT
    std::filesystem::create_directory(dir.path("folder.clu"));
    const std::vector<std::pair<std::string, std::string>> cases = {
        {dir.path("missing.clu"), "cannot open it"},
        {dir.write("image.tim", tim), "it is a TIM image that cannot be read"},
        {dir.write("big.dat", big), "neither a TEX file nor a TIM image"},
        {dir.path("folder.clu"), ""},
    };
    for (const auto& [path, reason] : cases) {
        editor.screen.errors.clear();
        EXPECT_FALSE(open_path(editor.state, editor.screen, path)) << path;
        ASSERT_EQ(editor.screen.errors.size(), 1u) << path;
        EXPECT_EQ(editor.screen.errors[0].rfind("Could not open \"" + path + "\": ", 0), 0u)
            << editor.screen.errors[0];
        EXPECT_NE(editor.screen.errors[0].find(reason), std::string::npos)
            << editor.screen.errors[0];
    }
    EXPECT_EQ(palette_words(editor.state, 8), words);
    EXPECT_EQ(editor.state.color_count, 8);
    EXPECT_EQ(editor.screen.menu, menu_before);
    EXPECT_EQ(editor.screen.open_requests.size(), dialogs_before);
    EXPECT_TRUE(editor.screen.clut_dialog_entries.empty());
    EXPECT_EQ(editor.screen.repaint_requests, 0);
    EXPECT_TRUE(editor.screen.calls.empty());  // nothing on the screen but the error boxes
}

}  // namespace
}  // namespace tavrin
