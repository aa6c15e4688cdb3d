// A FileSystem held in memory: files are byte vectors by path. For the
// fuzzers, the benchmarks and tests that need many files quickly; it behaves
// like a disk that never fails, with no links, folders or special files.
// Test support only: no shipped program links it.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "files/file_system.h"

namespace tavrin {

class MemoryFileSystem final : public FileSystem {
  public:
    using Bytes = std::vector<std::uint8_t>;

    Status open(const std::string& path, OpenMode mode, std::unique_ptr<File>& file) override;
    Status rename(const std::string& from, const std::string& to) override;
    Status remove(const std::string& path) override;
    Status inspect(const std::string& path, PathInfo& info) override;
    Status identity(const std::string& path, FileId& id) override;
    Status copy_attributes(const std::string&, const std::string&) override {
        return Status::success();
    }
    Status sync_folder(const std::string&) override { return Status::success(); }
    std::string spare_folder() override { return {}; }

    void put(const std::string& path, Bytes bytes);
    bool exists(const std::string& path) const;
    // The file's bytes; empty when there is no such file.
    Bytes contents(const std::string& path) const;
    // Every path, sorted.
    std::vector<std::string> paths() const;

  private:
    // Shared with open files, so a file removed or renamed while open stays
    // readable through its handle, as on a POSIX disk.
    std::map<std::string, std::shared_ptr<Bytes>> files_;
};

}  // namespace tavrin
