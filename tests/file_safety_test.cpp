// What a save or an injection does to real files on a Linux disk: links,
// modes, owners, attributes, special files, long names, read-only folders,
// large offsets, files changed while being written, and the size limit.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <future>

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

constexpr uid_t unprivileged = 65534;  // "nobody"

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

const std::vector<std::uint16_t> new_words = {0x7C1F, 0x83E0, 0x1234};
const Bytes new_bytes = words_to_bytes(new_words);
const Bytes old_bytes = words_to_bytes({1, 2, 3, 4, 5, 6, 7, 8});

Status save(const std::string& path) {
    return save_clut_file(disk(), path, entries_of(new_words));
}

struct stat stat_of(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Runs check as an ordinary user: in a child that gave up root when the tests
// run as root. check returns "" or what went wrong, printed by the child.
::testing::AssertionResult as_ordinary_user(const std::function<std::string()>& check) {
    if (::geteuid() != 0) {
        const std::string problem = check();
        return problem.empty() ? ::testing::AssertionSuccess()
                               : ::testing::AssertionFailure() << problem;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(unprivileged) != 0 || ::setuid(unprivileged) != 0) {
            std::fprintf(stderr, "cannot become an ordinary user\n");
            ::_exit(2);
        }
        const std::string problem = check();
        if (!problem.empty()) {
            std::fprintf(stderr, "%s\n", problem.c_str());
        }
        ::_exit(problem.empty() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0
               ? ::testing::AssertionSuccess()
               : ::testing::AssertionFailure() << "the ordinary user's check failed (see above)";
}

// A folder the ordinary user owns, for the cases that run as that user.
void give_to_ordinary_user(const std::string& path) {
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(path.c_str(), unprivileged, unprivileged), 0) << path;
    }
}

TEST(SaveSafety, WritesThroughSymbolicLinksEvenDanglingOnes) {
    TempDir dir;
    std::filesystem::create_directory(dir.path("real"));
    const std::string real = dir.write("real/t.clu", old_bytes);
    ASSERT_EQ(::symlink("real/t.clu", dir.path("link.clu").c_str()), 0);
    ASSERT_EQ(::symlink("real/new.clu", dir.path("dangling.clu").c_str()), 0);
    ASSERT_EQ(::symlink("link.clu", dir.path("chain.clu").c_str()), 0);

    ASSERT_TRUE(save(dir.path("link.clu")).ok());
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path("link.clu")));
    EXPECT_EQ(read_bytes(real), new_bytes);

    ASSERT_TRUE(save(dir.path("dangling.clu")).ok());
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path("dangling.clu")));
    EXPECT_EQ(read_bytes(dir.path("real/new.clu")), new_bytes);

    dir.write("real/t.clu", old_bytes);
    ASSERT_TRUE(save(dir.path("chain.clu")).ok());
    EXPECT_EQ(read_bytes(real), new_bytes);
    EXPECT_EQ(dir.names(),
              (std::vector<std::string>{"chain.clu", "dangling.clu", "link.clu", "real"}));
    EXPECT_EQ(TempDir::names_in(dir.path("real")), (std::vector<std::string>{"new.clu", "t.clu"}));
}

// Every name of a hard-linked file sees the new CLUT, also when any one call
// of the save fails: then the file holds its old or its new bytes, and the
// copy kept while it was rewritten is gone.
TEST(SaveSafety, RewritesAHardLinkedFileInPlaceWhateverFails) {
    TempDir dir;
    const std::string path = dir.write("a.clu", old_bytes);
    ASSERT_EQ(::link(path.c_str(), dir.path("b.clu").c_str()), 0);
    const ino_t inode = stat_of(path).st_ino;

    FailingFileSystem failing;
    ASSERT_TRUE(save_clut_file(failing, path, entries_of(new_words)).ok());
    EXPECT_EQ(read_bytes(dir.path("b.clu")), new_bytes);
    EXPECT_EQ(stat_of(path).st_ino, inode);
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"a.clu", "b.clu"}));

    std::map<FileOp, int> counts;
    for (FileOp op : testing::all_file_ops) {
        counts[op] = failing.calls(op);
    }
    for (FileOp op : testing::all_file_ops) {
        for (int nth = 1; nth <= counts[op]; ++nth) {
            dir.write("a.clu", old_bytes);  // in place: b.clu follows
            failing.fail(op, nth);
            const Status status = save_clut_file(failing, path, entries_of(new_words));
            ASSERT_TRUE(failing.failed()) << file_op_name(op) << " " << nth;
            const Bytes now = read_bytes(dir.path("b.clu"));
            if (op == FileOp::remove) {
                // The copy could not be removed: the save stands and says where it is.
                EXPECT_TRUE(status.ok());
                EXPECT_EQ(now, new_bytes);
                EXPECT_TRUE(contains(status.reason,
                                     "it was saved, but the copy of its old "
                                     "contents \"" +
                                         dir.folder()))
                    << status.reason;
                for (const auto& name : dir.names()) {
                    if (name != "a.clu" && name != "b.clu") {
                        ::unlink(dir.path(name).c_str());
                    }
                }
            }
            EXPECT_EQ(now, status.ok() || op == FileOp::remove ? new_bytes : old_bytes)
                << file_op_name(op) << " " << nth << ": " << status.reason;
            EXPECT_EQ(read_bytes(path), now);
            EXPECT_FALSE(contains(status.reason, "may be damaged")) << status.reason;
            EXPECT_EQ(dir.names(), (std::vector<std::string>{"a.clu", "b.clu"}))
                << file_op_name(op) << " " << nth << ": " << status.reason;
        }
    }
}

TEST(SaveSafety, KeepsModesAndAttributesAndRefusesReadOnlyFiles) {
    TempDir dir;
    for (mode_t mode : {0600, 0640, 0644, 0755, 0604}) {
        const std::string path = dir.write("kit.clu", old_bytes);
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        ASSERT_TRUE(save(path).ok());
        EXPECT_EQ(stat_of(path).st_mode & 07777, mode);
        EXPECT_EQ(read_bytes(path), new_bytes);
    }

    const std::string path = dir.write("kit.clu", old_bytes);
    ASSERT_EQ(::setxattr(path.c_str(), "user.tavrin.note", "kit", 3, 0), 0)
        << "this folder's file system keeps no user attributes";
    ASSERT_TRUE(save(path).ok());
    char value[8] = {};
    EXPECT_EQ(::getxattr(path.c_str(), "user.tavrin.note", value, sizeof value), 3);
    EXPECT_EQ(std::string(value), "kit");

    // Read-only for everyone: refused, also for an administrator.
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    Status status = save(path);
    EXPECT_EQ(status.code, Code::read_only);
    EXPECT_EQ(status.reason, "it is read-only");
    EXPECT_EQ(read_bytes(path), new_bytes);
    EXPECT_EQ(stat_of(path).st_mode & 07777, 0444u);

    // Writable by its owner only, saved by someone else: refused.
    const std::string others = dir.write("others.clu", old_bytes);
    ASSERT_EQ(::chmod(others.c_str(), 0644), 0);
    EXPECT_TRUE(as_ordinary_user([&] {
        if (::geteuid() == stat_of(others).st_uid) {
            return std::string();  // not root: the case needs another user's file
        }
        const Status refused = save(others);
        return refused.code == Code::read_only ? std::string() : "saved: " + refused.reason;
    }));
    EXPECT_EQ(read_bytes(others), old_bytes);
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"kit.clu", "others.clu"}));
}

TEST(SaveSafety, KeepsTheOwnerAndGroupOfAnotherUsersFile) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "giving a file to another owner needs root";
    }
    TempDir dir;
    const std::string path = dir.write("kit.clu", old_bytes);
    ASSERT_EQ(::chown(path.c_str(), 4321, 4322), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0660), 0);
    ASSERT_TRUE(save(path).ok());
    EXPECT_EQ(stat_of(path).st_uid, 4321u);
    EXPECT_EQ(stat_of(path).st_gid, 4322u);
    EXPECT_EQ(stat_of(path).st_mode & 07777, 0660u);
}

TEST(SaveSafety, AWritableFileInAReadOnlyFolderIsWrittenInPlace) {
    TempDir dir;
    TempDir spare;  // the user's home, where the copy goes meanwhile
    std::filesystem::create_directory(dir.path("locked"));
    const std::string path = dir.write("locked/kit.clu", old_bytes);
    give_to_ordinary_user(path);
    give_to_ordinary_user(spare.folder());
    ASSERT_EQ(::chmod(dir.path("locked").c_str(), 0555), 0);
    const ino_t inode = stat_of(path).st_ino;
    EXPECT_TRUE(as_ordinary_user([&] {
        ::setenv("HOME", spare.folder().c_str(), 1);
        const Status status = save(path);
        return status.ok() ? std::string() : status.reason;
    }));
    EXPECT_EQ(read_bytes(path), new_bytes);
    EXPECT_EQ(stat_of(path).st_ino, inode);
    EXPECT_TRUE(spare.names().empty());
    EXPECT_EQ(TempDir::names_in(dir.path("locked")), std::vector<std::string>{"kit.clu"});
    ::chmod(dir.path("locked").c_str(), 0755);
}

TEST(SaveSafety, ATwoHundredFiftyFiveByteNameCanBeSaved) {
    TempDir dir;
    const std::string name = std::string(251, 'k') + ".clu";
    ASSERT_TRUE(save(dir.path(name)).ok());
    ASSERT_TRUE(save(dir.path(name)).ok());
    EXPECT_EQ(read_bytes(dir.path(name)), new_bytes);
    EXPECT_EQ(dir.names(), std::vector<std::string>{name});
}

// A FIFO, socket or device is refused at once, by readers and writers alike,
// and stays what it was.
TEST(SpecialFiles, AFifoIsRefusedWithinASecond) {
    TempDir dir;
    const std::string fifo = dir.path("f");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    auto attempts = std::async(std::launch::async, [&] {
        std::vector<Status> results;
        Clut clut;
        std::uint32_t offset = 0;
        results.push_back(read_clut_file(disk(), fifo, clut));
        results.push_back(read_tex_clut(disk(), fifo, 0, clut, offset));
        results.push_back(read_clut_at_offset(disk(), fifo, 0, 1, clut));
        results.push_back(inject_clut(disk(), fifo, 0, entries_of(new_words)));
        results.push_back(
            inject_tex_clut(disk(), fifo, 0, std::nullopt, entries_of(new_words), offset));
        results.push_back(save(fifo));
        return results;
    });
    if (attempts.wait_for(std::chrono::seconds(1)) != std::future_status::ready) {
        ADD_FAILURE() << "a read or write waited on the FIFO";
        const int unblock = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
        attempts.wait();
        ::close(unblock);
        return;
    }
    const std::vector<Status> results = attempts.get();
    for (std::size_t i = 0; i + 1 < results.size(); ++i) {
        EXPECT_EQ(results[i].code, Code::not_regular) << i;
        EXPECT_EQ(results[i].reason, "it is a FIFO, not a regular file") << i;
    }
    EXPECT_EQ(results.back().code, Code::not_regular);
    EXPECT_TRUE(S_ISFIFO(stat_of(fifo).st_mode));
    EXPECT_EQ(dir.names(), std::vector<std::string>{"f"});
}

TEST(SpecialFiles, ADeviceNodeIsNeitherReadNorReplaced) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "making a device node needs root";
    }
    TempDir dir;
    const std::string device = dir.path("null");
    ASSERT_EQ(::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    EXPECT_EQ(save(device).code, Code::not_regular);
    Clut clut;
    const Status read = read_clut_file(disk(), device, clut);
    EXPECT_EQ(read.reason, "it is a character device, not a regular file");
    EXPECT_EQ(inject_clut(disk(), device, 0, {}).code, Code::not_regular);
    EXPECT_TRUE(S_ISCHR(stat_of(device).st_mode));
    EXPECT_EQ(dir.names(), std::vector<std::string>{"null"});
}

// A file shortened, or replaced by another one, between the checks and the
// write: nothing is written past its end and nothing into a file that no
// longer has the name.
TEST(InjectionRaces, AChangedFileIsNeverGrownNorWrittenUnderAnotherName) {
    TempDir dir;
    std::mt19937 rng(5);
    const Bytes original = testing::random_bytes(rng, 600);
    const Bytes other = testing::random_bytes(rng, 600);
    const std::string path = dir.path("game.bin");
    const auto entries = entries_of(new_words);
    FailingFileSystem racing;

    // Shortened after it was opened and measured.
    dir.write("game.bin", original);
    racing.before(FileOp::identity, 1, [&] { std::filesystem::resize_file(path, 100); });
    Status status = inject_clut(racing, path, 400, entries);
    EXPECT_EQ(status.code, Code::changed);
    EXPECT_EQ(status.reason,
              "it was shortened to 100 bytes while the CLUT was being written; "
              "nothing was written");
    EXPECT_EQ(read_bytes(path), Bytes(original.begin(), original.begin() + 100));

    // Shortened after the last check, as the CLUT is stored: the store cannot
    // grow it, the bytes still in it are the old ones, and the file's end is
    // named as the reason. Below, in and beyond the CLUT's page.
    const Bytes large = testing::random_bytes(rng, 3 * 4096);
    for (auto [at, cut] : {std::pair{400, 100}, std::pair{400, 403}, std::pair{9000, 100}}) {
        dir.write("game.bin", large);
        racing.before(FileOp::write, 1,
                      [&, cut = cut] { std::filesystem::resize_file(path, cut); });
        status = inject_clut(racing, path, at, entries);
        EXPECT_EQ(status.code, Code::changed) << at << " " << cut;
        EXPECT_TRUE(contains(status.reason, "became shorter")) << status.reason;
        EXPECT_EQ(read_bytes(path), Bytes(large.begin(), large.begin() + cut)) << at << " " << cut;
    }

    // Another file renamed over it; the old one stays reachable by a link.
    dir.write("game.bin", original);
    ::unlink(dir.path("old.bin").c_str());
    ASSERT_EQ(::link(path.c_str(), dir.path("old.bin").c_str()), 0);
    racing.before(FileOp::identity, 1, [&] {
        dir.write("swap.bin", other);
        std::filesystem::rename(dir.path("swap.bin"), path);
    });
    status = inject_clut(racing, path, 400, entries);
    EXPECT_EQ(status.code, Code::changed);
    EXPECT_TRUE(contains(status.reason, "another file took its name")) << status.reason;
    EXPECT_EQ(read_bytes(path), other);
    EXPECT_EQ(read_bytes(dir.path("old.bin")), original);

    // A TEX file swapped after its CLUT was located: the same.
    const Bytes tex = testing::tex_file_bytes(1200, 1, 0x0100, 0x0200, {});
    dir.write("team.bin", tex);
    racing.before(FileOp::identity, 1, [&] {
        dir.write("swap.bin", other);
        std::filesystem::rename(dir.path("swap.bin"), dir.path("team.bin"));
    });
    std::uint32_t offset = 0;
    status = inject_tex_clut(racing, dir.path("team.bin"), 1, 512u, entries, offset);
    EXPECT_EQ(status.code, Code::changed);
    EXPECT_EQ(read_bytes(dir.path("team.bin")), other);

    // Left alone, the same injections write.
    dir.write("team.bin", tex);
    ASSERT_TRUE(inject_tex_clut(racing, dir.path("team.bin"), 1, 512u, entries, offset).ok());
    const Bytes injected = read_bytes(dir.path("team.bin"));
    EXPECT_EQ(Bytes(injected.begin() + 512, injected.begin() + 518), new_bytes);
    // Whose header now leads elsewhere: refused before anything is written.
    EXPECT_EQ(inject_tex_clut(racing, dir.path("team.bin"), 1, 514u, entries, offset).code,
              Code::changed);
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"game.bin", "old.bin", "team.bin"}));
}

// "May be damaged" only when the disk holds neither the old nor the new bytes.
TEST(InjectionRaces, AFailedWriteSaysWhatTheFileHolds) {
    TempDir dir;
    const Bytes original(64, 0xAB);
    const std::string path = dir.write("target.dat", original);
    FailingFileSystem failing;
    failing.fail(FileOp::write, 1);  // refused whole, as on a full disk
    Status status = inject_clut(failing, path, 8, entries_of(new_words));
    EXPECT_EQ(status.reason,
              "writing failed (Input/output error, injected); nothing in it changed");
    failing.fail(FileOp::short_write, 1);
    status = inject_clut(failing, path, 8, entries_of(new_words));
    EXPECT_TRUE(contains(status.reason, "; its previous bytes were written back")) << status.reason;
    failing.fail(FileOp::sync, 1);
    status = inject_clut(failing, path, 8, entries_of(new_words));
    EXPECT_TRUE(contains(status.reason, "; its previous bytes were written back")) << status.reason;
    EXPECT_EQ(read_bytes(path), original);
}

// Past `ulimit -f` a write fails with a message; the process lives on and
// leaves no temporary file.
TEST(SaveSafety, TheFileSizeLimitIsAFailureNotADeath) {
    TempDir dir;
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit limit{100, 100};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::vector<PaletteEntry> entries(256);
        const Status status = save_clut_file(disk(), dir.path("kit.clu"), entries);
        const bool expected = !status.ok() && contains(status.reason, "File too large");
        if (!expected) {
            std::fprintf(stderr, "%s\n", status.reason.c_str());
        }
        ::_exit(expected ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(dir.names().empty());
}

}  // namespace
}  // namespace tavrin
