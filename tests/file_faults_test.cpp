// Every file command run by a user on real files while the file system fails
// one call at a time: each open, size, seek, read, short read, write, short
// write, sync, close, rename, remove and folder flush that the command makes,
// in turn. After each run every file in the folder is checked: a writer either
// completed and reported no error, or said so and left its target byte for
// byte as it was, and the editor as it was; a
// reader either loaded exactly what a clean run loads, or failed with every
// writing command grayed; no other file changes and no stray file stays.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

#include "tests/support/failing_file_system.h"
#include "tests/support/temp_files.h"
#include "tests/support/test_editor.h"

namespace tavrin {
namespace {

using testing::Bytes;
using testing::FailingFileSystem;
using testing::file_exists;
using testing::FileOp;
using testing::read_bytes;
using testing::TempDir;
using testing::TestEditor;
using testing::words_to_bytes;

std::vector<std::uint16_t> kit_words(int count, int seed) {
    std::vector<std::uint16_t> words;
    for (int i = 0; i < count; ++i) {
        words.push_back(static_cast<std::uint16_t>((i + seed) * 0x4F1Bu));
    }
    return words;
}

// The user's folder as it is before each run.
std::map<std::string, Bytes> original_files() {
    std::mt19937 rng(17);
    return {
        {"kit.clu", words_to_bytes(kit_words(16, 1))},
        {"other.clu", words_to_bytes(kit_words(40, 2))},
        {"team.bin", testing::tex_file_bytes(1400, 1, 0x0060, 0x0180, kit_words(256, 3))},
        {"data.dat", testing::random_bytes(rng, 700)},
        {"saved.clu", words_to_bytes(kit_words(8, 4))},
    };
}

std::map<std::string, Bytes> folder_contents(const TempDir& dir) {
    std::map<std::string, Bytes> files;
    for (const auto& name : dir.names()) {
        files[name] = read_bytes(dir.path(name));
    }
    return files;
}

enum class Role { reader, writer };

struct Command {
    std::string name;
    Role role;
    std::string target;  // the one file a writer may change; "" for a reader
    // Puts the editor where the user stands before the command (no fault yet).
    std::function<void(TestEditor&, const TempDir&)> prepare;
    std::function<void(TestEditor&, const TempDir&)> run;
    std::string error_prefix;  // what a writer's report starts with, before the path
};

// Gives the head of a fresh selection a colour no file holds, so every write
// changes its target.
void edit_cell(TestEditor& editor, int index) {
    editor.click(index);
    editor.clear_field(ids::field_hex);
    editor.type(ids::field_hex, "7abc");
    editor.leave_field(ids::field_hex);
}

std::vector<Command> file_commands() {
    return {
        {"209 Load CLUT", Role::reader, "",
         [](TestEditor& e, const TempDir& dir) {
             e.load_clut(dir.path("other.clu"));
             e.click(3);
         },
         [](TestEditor& e, const TempDir& dir) { e.load_clut(dir.path("kit.clu")); }, ""},
        {"200 Extract CLUT from TEX file", Role::reader, "",
         [](TestEditor& e, const TempDir& dir) { e.load_clut(dir.path("other.clu")); },
         [](TestEditor& e, const TempDir& dir) {
             e.extract_tex(dir.path("team.bin"), "Players shirt #2 palette");
         },
         ""},
        {"226 Extract CLUT from file", Role::reader, "",
         [](TestEditor& e, const TempDir& dir) { e.load_clut(dir.path("other.clu")); },
         [](TestEditor& e, const TempDir& dir) {
             e.extract_at(dir.path("data.dat"), "0x40", "16");
         },
         ""},
        {"210 Save CLUT over a file", Role::writer, "saved.clu",
         [](TestEditor& e, const TempDir& dir) {
             e.load_clut(dir.path("kit.clu"));
             edit_cell(e, 2);
         },
         [](TestEditor& e, const TempDir& dir) { e.save_clut(dir.path("saved.clu")); },
         "Could not save \""},
        {"210 Save CLUT as a new file", Role::writer, "new.clu",
         [](TestEditor& e, const TempDir& dir) { e.load_clut(dir.path("kit.clu")); },
         [](TestEditor& e, const TempDir& dir) { e.save_clut(dir.path("new.clu")); },
         "Could not save \""},
        {"201 Inject CLUT in TEX file", Role::writer, "team.bin",
         [](TestEditor& e, const TempDir& dir) {
             e.extract_tex(dir.path("team.bin"), "Players shirt #2 palette");
             edit_cell(e, 200);
         },
         [](TestEditor& e, const TempDir&) { e.inject_tex(); },
         "Could not inject the CLUT into \""},
        {"227 Inject CLUT in file", Role::writer, "data.dat",
         [](TestEditor& e, const TempDir& dir) { e.load_clut(dir.path("kit.clu")); },
         [](TestEditor& e, const TempDir& dir) { e.inject_at(dir.path("data.dat"), "100", "16"); },
         "Could not inject the CLUT into \""},
    };
}

// What a clean run of a command leaves behind.
struct Outcome {
    std::map<std::string, Bytes> files;
    std::array<PaletteEntry, palette_size> palette{};
    int color_count = 0;
    std::map<int, bool> menu;
    std::map<FileOp, int> calls;
};

struct CommandRun {
    TempDir dir;
    FailingFileSystem failing;
    TestEditor editor;

    explicit CommandRun(const Command& command) {
        for (const auto& [name, bytes] : original_files()) {
            dir.write(name, bytes);
        }
        editor.state.file_system = &failing;
        command.prepare(editor, dir);
        editor.screen.errors.clear();
        editor.screen.repaint_requests = 0;
    }

    Outcome outcome() const {
        Outcome result{folder_contents(dir),
                       editor.state.palette,
                       editor.state.color_count,
                       editor.screen.menu,
                       {}};
        for (FileOp op : testing::all_file_ops) {
            result.calls[op] = failing.calls(op);
        }
        return result;
    }
};

TEST(FileFaults, EveryFailureOfEveryFileCommandIsReportedOrHarmless) {
    std::set<FileOp> reported_ops;
    std::set<FileOp> harmless_ops;
    std::set<FileOp> failed_reads;
    int runs = 0;
    for (const Command& command : file_commands()) {
        SCOPED_TRACE(command.name);
        Outcome clean;
        {
            CommandRun run(command);
            const auto before = folder_contents(run.dir);
            run.failing.reset_counts();
            command.run(run.editor, run.dir);
            ASSERT_TRUE(run.editor.screen.errors.empty()) << run.editor.screen.errors[0];
            clean = run.outcome();
            if (command.role == Role::writer) {
                ASSERT_TRUE(clean.files.count(command.target) != 0);
                ASSERT_TRUE(before.count(command.target) == 0 ||
                            before.at(command.target) != clean.files.at(command.target))
                    << "the clean run must change its target";
            }
        }

        for (FileOp op : testing::all_file_ops) {
            for (int nth = 1; nth <= clean.calls[op]; ++nth) {
                const std::string fault =
                    std::string(file_op_name(op)) + " #" + std::to_string(nth);
                SCOPED_TRACE(fault);
                CommandRun run(command);
                const auto before = folder_contents(run.dir);
                const Outcome editor_before = run.outcome();
                run.failing.fail(op, nth);
                command.run(run.editor, run.dir);
                ASSERT_TRUE(run.failing.failed());
                ++runs;
                const auto after = folder_contents(run.dir);
                const auto& errors = run.editor.screen.errors;

                if (command.role == Role::reader) {
                    // Nothing on disk changes; a read that fails says why and
                    // leaves the editor's table, count and menus as they were.
                    EXPECT_EQ(after, before);
                    const bool loaded = run.editor.state.palette == clean.palette &&
                                        run.editor.state.color_count == clean.color_count &&
                                        run.editor.screen.menu == clean.menu;
                    if (loaded) {
                        EXPECT_TRUE(errors.empty()) << errors[0];
                        harmless_ops.insert(op);
                    } else {
                        ASSERT_EQ(errors.size(), 1u);
                        EXPECT_EQ(errors[0].rfind("Could not read a CLUT from \"", 0), 0u)
                            << errors[0];
                        EXPECT_EQ(run.editor.state.palette, editor_before.palette);
                        EXPECT_EQ(run.editor.state.color_count, editor_before.color_count);
                        EXPECT_EQ(run.editor.screen.menu, editor_before.menu);
                        EXPECT_EQ(run.editor.screen.repaint_requests, 0);
                        failed_reads.insert(op);
                    }
                    continue;
                }

                // A writer: nothing but its target changes, and no file is left beside it.
                auto others_after = after;
                auto others_before = before;
                others_after.erase(command.target);
                others_before.erase(command.target);
                EXPECT_EQ(others_after, others_before);
                const std::string path = run.dir.path(command.target);
                const bool existed = before.count(command.target) != 0;
                const bool written = after.count(command.target) != 0 &&
                                     after.at(command.target) == clean.files.at(command.target);
                const bool untouched =
                    existed ? after.count(command.target) != 0 &&
                                  after.at(command.target) == before.at(command.target)
                            : !file_exists(path);
                ASSERT_TRUE(written || untouched) << "the target is damaged";
                if (written) {
                    // The fault did not stop the command, so there is nothing to report.
                    EXPECT_TRUE(errors.empty()) << errors[0];
                    harmless_ops.insert(op);
                } else {
                    ASSERT_EQ(errors.size(), 1u) << "a failed write must be reported";
                    EXPECT_EQ(errors[0].rfind(command.error_prefix + path + "\": ", 0), 0u)
                        << errors[0];
                    EXPECT_GT(errors[0].size(), command.error_prefix.size() + path.size() + 12)
                        << "no reason given: " << errors[0];
                    reported_ops.insert(op);
                }
                // The editor's table, count and menu are as the clean run left
                // them, or after a failed write as they were before it.
                const Outcome& expected = written ? clean : editor_before;
                EXPECT_EQ(run.editor.state.palette, expected.palette);
                EXPECT_EQ(run.editor.state.color_count, expected.color_count);
                EXPECT_EQ(run.editor.screen.menu, expected.menu);
            }
        }
    }
    // The matrix reached every kind of failure the commands can meet.
    for (FileOp op :
         {FileOp::open, FileOp::write, FileOp::short_write, FileOp::sync, FileOp::rename,
          FileOp::close, FileOp::read, FileOp::short_read, FileOp::seek, FileOp::size}) {
        EXPECT_TRUE(reported_ops.count(op) != 0) << file_op_name(op) << " never reported";
    }
    for (FileOp op : {FileOp::open, FileOp::read, FileOp::short_read, FileOp::seek, FileOp::size}) {
        EXPECT_TRUE(failed_reads.count(op) != 0) << file_op_name(op) << " never failed a read";
    }
    // A close that fails once an injection is flushed leaves the new CLUT in
    // place: that failure is harmless, so it is not reported.
    EXPECT_TRUE(harmless_ops.count(FileOp::close) != 0);
    EXPECT_GT(runs, 60);
}

}  // namespace
}  // namespace tavrin
