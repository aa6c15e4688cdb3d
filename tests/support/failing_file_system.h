// A FileSystem that passes every call to another one (the real disk by
// default) except the one a test chose to fail: the nth open, size, seek,
// read, write, sync, close, rename, remove or folder flush, or a read or
// write that moves only half of its bytes. Counts every call, so a test can first run a command
// to learn how many calls of each kind it makes, then fail each in turn. It
// can also run an action just before the nth call of a kind (another program
// shortening or replacing the file), which makes races deterministic.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <string>

#include "files/file_system.h"

namespace tavrin::testing {

enum class FileOp {
    open,
    size,
    seek,
    read,
    short_read,  // a read that returns half the bytes asked, with no error
    write,
    short_write,  // a write that stores half the bytes given, with no error
    sync,
    close,
    rename,
    remove,
    sync_folder,
    identity,  // of an open file or of a path; never failed, for before() only
};

inline constexpr std::array<FileOp, 12> all_file_ops = {
    FileOp::open,       FileOp::size,   FileOp::seek,        FileOp::read,
    FileOp::short_read, FileOp::write,  FileOp::short_write, FileOp::sync,
    FileOp::close,      FileOp::rename, FileOp::remove,      FileOp::sync_folder};

const char* file_op_name(FileOp op);

class FailingFileSystem final : public FileSystem {
  public:
    explicit FailingFileSystem(FileSystem& inner = standard_file_system()) : inner_(inner) {}

    // The nth call (from 1) of op's kind fails; short_read and short_write
    // count reads and writes. One planned failure at a time.
    void fail(FileOp op, int nth = 1);
    void clear_plan();
    // Calls of each kind so far (reads and writes count once however they end).
    int calls(FileOp op) const;
    void reset_counts() { counts_.clear(); }
    // True once the planned failure has happened.
    bool failed() const { return fired_; }
    // Runs action once, just before the nth call (from 1, counted from now)
    // of op's kind reaches the wrapped file system.
    void before(FileOp op, int nth, std::function<void()> action);

    Status open(const std::string& path, OpenMode mode, std::unique_ptr<File>& file) override;
    Status rename(const std::string& from, const std::string& to) override;
    Status remove(const std::string& path) override;
    Status inspect(const std::string& path, PathInfo& info) override {
        return inner_.inspect(path, info);
    }
    Status identity(const std::string& path, FileId& id) override;
    Status copy_attributes(const std::string& from, const std::string& to) override {
        return inner_.copy_attributes(from, to);
    }
    Status sync_folder(const std::string& path) override;
    std::string spare_folder() override { return inner_.spare_folder(); }

    // For the wrapped files: counts the call and says whether it must fail.
    bool next(FileOp op);
    bool next_short(FileOp op);  // op is read or write

  private:
    FileSystem& inner_;
    std::map<FileOp, int> counts_;
    FileOp planned_op_ = FileOp::open;
    int planned_nth_ = 0;  // 0: nothing planned
    bool fired_ = false;
    FileOp action_op_ = FileOp::open;
    int action_nth_ = 0;  // 0: no action waiting
    std::function<void()> action_;
};

}  // namespace tavrin::testing
