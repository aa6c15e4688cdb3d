// The replace-by-rename write for files other than raw CLUTs (PNG pictures).
#include "files/whole_file.h"

#include <chrono>
#include <cstdio>
#include <memory>

namespace tavrin {

Status save_whole_file(FileSystem& fs, const std::string& path,
                       std::span<const std::uint8_t> bytes) {
    const unsigned seed = static_cast<unsigned>(
        std::chrono::steady_clock::now().time_since_epoch().count() & 0xFFFFFFFFu);
    std::unique_ptr<File> file;
    std::string temporary;
    Status status;
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".tavrin-%08x.tmp", seed + attempt * 2654435761u);
        temporary = path + suffix;
        status = fs.open(temporary, OpenMode::create_new, file);
        if (status.code != Status::Code::already_exists) {
            break;
        }
    }
    if (!status.ok()) {
        return Status::failure(status.code, "cannot create a new file beside it: " + status.reason);
    }
    std::size_t done = 0;
    if (!bytes.empty()) {
        status = file->write(bytes, done);
        if (status.ok() && done < bytes.size()) {
            status = Status::failure(Status::Code::io_error,
                                     "only " + std::to_string(done) + " of " +
                                         std::to_string(bytes.size()) + " bytes could be written");
        }
    }
    if (status.ok()) {
        status = file->sync();
    }
    // Closed in every case: a file that failed to close may not hold what was written.
    const Status closed = file->close();
    file.reset();
    if (status.ok()) {
        status = closed;
    }
    if (status.ok()) {
        status = fs.rename(temporary, path);
    }
    if (!status.ok()) {
        fs.remove(temporary);
    }
    return status;
}

}  // namespace tavrin
