// The in-memory FileSystem.
#include "tests/support/memory_file_system.h"

#include <algorithm>
#include <cstdint>

namespace tavrin {

namespace {

// A file's number is where its bytes live, so a file renamed over another
// gets another id, as on a disk.
FileId id_of(const MemoryFileSystem::Bytes* bytes) {
    return {true, 1, reinterpret_cast<std::uintptr_t>(bytes)};
}

class MemoryFile final : public File {
  public:
    MemoryFile(std::shared_ptr<MemoryFileSystem::Bytes> bytes, bool readable, bool writable)
        : bytes_(std::move(bytes)), readable_(readable), writable_(writable) {}

    Status size(std::uint64_t& bytes) override {
        bytes = bytes_->size();
        return Status::success();
    }

    Status seek(std::uint64_t offset) override {
        position_ = offset;
        return Status::success();
    }

    Status read(std::span<std::uint8_t> buffer, std::size_t& done) override {
        done = 0;
        if (!readable_) {
            return Status::failure(Status::Code::io_error, "reading failed (not open for reading)");
        }
        if (position_ < bytes_->size()) {
            const std::uint64_t available = bytes_->size() - position_;
            done = static_cast<std::size_t>(std::min<std::uint64_t>(available, buffer.size()));
            std::copy_n(bytes_->begin() + static_cast<std::ptrdiff_t>(position_), done,
                        buffer.begin());
            position_ += done;
        }
        return Status::success();
    }

    Status write(std::span<const std::uint8_t> data, std::size_t& done) override {
        done = 0;
        if (!writable_) {
            return Status::failure(Status::Code::io_error, "writing failed (not open for writing)");
        }
        const std::uint64_t end = position_ + data.size();
        if (end > bytes_->size()) {
            bytes_->resize(static_cast<std::size_t>(end));
        }
        std::copy(data.begin(), data.end(),
                  bytes_->begin() + static_cast<std::ptrdiff_t>(position_));
        position_ = end;
        done = data.size();
        return Status::success();
    }

    Status overwrite(std::uint64_t offset, std::span<const std::uint8_t> data,
                     std::size_t& done) override {
        done = 0;
        if (!writable_) {
            return Status::failure(Status::Code::io_error, "writing failed (not open for writing)");
        }
        const std::uint64_t size = bytes_->size();
        done = static_cast<std::size_t>(
            offset < size ? std::min<std::uint64_t>(size - offset, data.size()) : 0);
        if (done > 0) {
            std::copy_n(data.begin(), done, bytes_->begin() + static_cast<std::ptrdiff_t>(offset));
        }
        if (done < data.size()) {
            return Status::failure(Status::Code::changed,
                                   "it became shorter while it was being written");
        }
        return Status::success();
    }

    Status truncate(std::uint64_t size) override {
        if (size < bytes_->size()) {
            bytes_->resize(static_cast<std::size_t>(size));
        }
        return Status::success();
    }
    Status sync() override { return Status::success(); }
    Status close() override { return Status::success(); }
    Status identity(FileId& id) override {
        id = id_of(bytes_.get());
        return Status::success();
    }

  private:
    std::shared_ptr<MemoryFileSystem::Bytes> bytes_;
    bool readable_;
    bool writable_;
    std::uint64_t position_ = 0;
};

}  // namespace

Status MemoryFileSystem::open(const std::string& path, OpenMode mode, std::unique_ptr<File>& file) {
    auto found = files_.find(path);
    if (mode == OpenMode::create_new || mode == OpenMode::create_private) {
        if (found != files_.end()) {
            return Status::failure(Status::Code::already_exists, "cannot create it (File exists)");
        }
        found = files_.emplace(path, std::make_shared<Bytes>()).first;
    } else if (found == files_.end()) {
        return Status::failure(Status::Code::io_error,
                               "cannot open it (No such file or directory)");
    }
    const bool created = mode == OpenMode::create_new || mode == OpenMode::create_private;
    file = std::make_unique<MemoryFile>(found->second, !created, mode != OpenMode::read);
    return Status::success();
}

Status MemoryFileSystem::rename(const std::string& from, const std::string& to) {
    auto found = files_.find(from);
    if (found == files_.end()) {
        return Status::failure(Status::Code::io_error,
                               "cannot replace it (No such file or directory)");
    }
    auto bytes = found->second;
    files_.erase(found);
    files_[to] = std::move(bytes);
    return Status::success();
}

Status MemoryFileSystem::remove(const std::string& path) {
    if (files_.erase(path) == 0) {
        return Status::failure(Status::Code::io_error,
                               "cannot remove it (No such file or directory)");
    }
    return Status::success();
}

Status MemoryFileSystem::inspect(const std::string& path, PathInfo& info) {
    info = PathInfo{};
    info.resolved = path;
    info.folder_writable = true;
    auto found = files_.find(path);
    if (found != files_.end()) {
        info.exists = info.regular = info.writable = true;
        info.id = id_of(found->second.get());
    }
    return Status::success();
}

Status MemoryFileSystem::identity(const std::string& path, FileId& id) {
    auto found = files_.find(path);
    if (found == files_.end()) {
        return Status::failure(Status::Code::io_error,
                               "cannot look at it (No such file or directory)");
    }
    id = id_of(found->second.get());
    return Status::success();
}

void MemoryFileSystem::put(const std::string& path, Bytes bytes) {
    files_[path] = std::make_shared<Bytes>(std::move(bytes));
}

bool MemoryFileSystem::exists(const std::string& path) const {
    return files_.contains(path);
}

MemoryFileSystem::Bytes MemoryFileSystem::contents(const std::string& path) const {
    auto found = files_.find(path);
    return found == files_.end() ? Bytes{} : *found->second;
}

std::vector<std::string> MemoryFileSystem::paths() const {
    std::vector<std::string> names;
    for (const auto& [path, bytes] : files_) {
        names.push_back(path);
    }
    return names;
}

}  // namespace tavrin
