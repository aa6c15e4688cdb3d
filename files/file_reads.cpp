// Opening, range checks and whole reads shared by every reader.
#include "files/file_reads.h"

namespace tavrin {

std::string bytes_text(std::uint64_t count) {
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

bool within(std::uint64_t size, std::uint64_t offset, std::uint64_t length) {
    return offset <= size && length <= size - offset;
}

Status open_sized(FileSystem& fs, const std::string& path, OpenMode mode, SizedFile& opened) {
    Status status = fs.open(path, mode, opened.file);
    if (status.ok()) {
        status = opened.file->size(opened.size);
    }
    return status;
}

Status read_exact(File& file, std::uint64_t offset, std::span<std::uint8_t> out) {
    Status status = file.seek(offset);
    if (!status.ok()) {
        return status;
    }
    std::size_t done = 0;
    status = file.read(out, done);
    if (!status.ok()) {
        return status;
    }
    if (done < out.size()) {
        return Status::failure(Status::Code::not_in_file,
                               "it ended early: only " + bytes_text(done) + " of the " +
                                   std::to_string(out.size()) + " at offset " +
                                   std::to_string(offset) + " could be read");
    }
    return Status::success();
}

}  // namespace tavrin
