// The failure-injecting file system.
#include "tests/support/failing_file_system.h"

namespace tavrin::testing {

namespace {

Status injected(const char* what) {
    return Status::failure(Status::Code::io_error,
                           std::string(what) + " (Input/output error, injected)");
}

class FailingFile final : public File {
  public:
    FailingFile(FailingFileSystem& owner, std::unique_ptr<File> inner)
        : owner_(owner), inner_(std::move(inner)) {}

    Status size(std::uint64_t& bytes) override {
        return owner_.next(FileOp::size) ? injected("cannot get its size") : inner_->size(bytes);
    }
    Status seek(std::uint64_t offset) override {
        return owner_.next(FileOp::seek) ? injected("cannot seek in it") : inner_->seek(offset);
    }
    Status read(std::span<std::uint8_t> buffer, std::size_t& done) override {
        done = 0;
        if (owner_.next(FileOp::read)) {
            return injected("reading failed");
        }
        if (owner_.next_short(FileOp::read)) {
            return inner_->read(buffer.first(buffer.size() / 2), done);
        }
        return inner_->read(buffer, done);
    }
    Status write(std::span<const std::uint8_t> data, std::size_t& done) override {
        done = 0;
        if (owner_.next(FileOp::write)) {
            return injected("writing failed");
        }
        if (owner_.next_short(FileOp::write)) {
            return inner_->write(data.first(data.size() / 2), done);
        }
        return inner_->write(data, done);
    }
    // Counted and failed as a write.
    Status overwrite(std::uint64_t offset, std::span<const std::uint8_t> data,
                     std::size_t& done) override {
        done = 0;
        if (owner_.next(FileOp::write)) {
            return injected("writing failed");
        }
        if (owner_.next_short(FileOp::write)) {
            return inner_->overwrite(offset, data.first(data.size() / 2), done);
        }
        return inner_->overwrite(offset, data, done);
    }
    Status sync() override {
        return owner_.next(FileOp::sync) ? injected("flushing to disk failed") : inner_->sync();
    }
    Status truncate(std::uint64_t size) override { return inner_->truncate(size); }
    Status identity(FileId& id) override {
        owner_.next(FileOp::identity);
        return inner_->identity(id);
    }
    Status close() override {
        // The descriptor is released either way, as a failing close does.
        const Status status = inner_->close();
        return owner_.next(FileOp::close) ? injected("closing failed") : status;
    }

  private:
    FailingFileSystem& owner_;
    std::unique_ptr<File> inner_;
};

}  // namespace

const char* file_op_name(FileOp op) {
    switch (op) {
        case FileOp::open:
            return "open";
        case FileOp::size:
            return "size";
        case FileOp::seek:
            return "seek";
        case FileOp::read:
            return "read";
        case FileOp::short_read:
            return "short read";
        case FileOp::write:
            return "write";
        case FileOp::short_write:
            return "short write";
        case FileOp::sync:
            return "sync";
        case FileOp::close:
            return "close";
        case FileOp::rename:
            return "rename";
        case FileOp::remove:
            return "remove";
        case FileOp::sync_folder:
            return "folder sync";
        case FileOp::identity:
            return "identity";
    }
    return "?";
}

void FailingFileSystem::fail(FileOp op, int nth) {
    planned_op_ = op;
    planned_nth_ = nth;
    fired_ = false;
    counts_.clear();
}

void FailingFileSystem::clear_plan() {
    planned_nth_ = 0;
    fired_ = false;
}

int FailingFileSystem::calls(FileOp op) const {
    if (op == FileOp::short_read) {
        op = FileOp::read;
    } else if (op == FileOp::short_write) {
        op = FileOp::write;
    }
    auto found = counts_.find(op);
    return found == counts_.end() ? 0 : found->second;
}

void FailingFileSystem::before(FileOp op, int nth, std::function<void()> action) {
    action_op_ = op;
    action_nth_ = counts_[op] + nth;
    action_ = std::move(action);
}

bool FailingFileSystem::next(FileOp op) {
    const int n = ++counts_[op];
    if (action_nth_ != 0 && action_op_ == op && n == action_nth_) {
        action_nth_ = 0;
        action_();
    }
    if (planned_nth_ != 0 && !fired_ && planned_op_ == op && n == planned_nth_) {
        fired_ = true;
        return true;
    }
    return false;
}

bool FailingFileSystem::next_short(FileOp op) {
    // Counted already by next(op); only the plan is consulted here.
    const FileOp shortened = op == FileOp::read ? FileOp::short_read : FileOp::short_write;
    if (planned_nth_ != 0 && !fired_ && planned_op_ == shortened && counts_[op] == planned_nth_) {
        fired_ = true;
        return true;
    }
    return false;
}

Status FailingFileSystem::open(const std::string& path, OpenMode mode,
                               std::unique_ptr<File>& file) {
    if (next(FileOp::open)) {
        return injected(mode == OpenMode::create_new ? "cannot create it" : "cannot open it");
    }
    std::unique_ptr<File> inner;
    Status status = inner_.open(path, mode, inner);
    if (status.ok()) {
        file = std::make_unique<FailingFile>(*this, std::move(inner));
    }
    return status;
}

Status FailingFileSystem::rename(const std::string& from, const std::string& to) {
    return next(FileOp::rename) ? injected("cannot replace it") : inner_.rename(from, to);
}

Status FailingFileSystem::identity(const std::string& path, FileId& id) {
    next(FileOp::identity);
    return inner_.identity(path, id);
}

Status FailingFileSystem::remove(const std::string& path) {
    return next(FileOp::remove) ? injected("cannot remove it") : inner_.remove(path);
}

Status FailingFileSystem::sync_folder(const std::string& path) {
    return next(FileOp::sync_folder) ? injected("cannot flush its folder to disk")
                                     : inner_.sync_folder(path);
}

}  // namespace tavrin::testing
