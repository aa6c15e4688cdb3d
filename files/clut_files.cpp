// Raw CLUT, TEX and at-offset readers and writers over a FileSystem.
#include "files/clut_files.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace tavrin {

namespace {

using Code = Status::Code;

std::uint16_t word_at(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

std::string bytes_text(std::uint64_t count) {
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

// True when [offset, offset + length) lies within a file of size bytes.
bool within(std::uint64_t size, std::uint64_t offset, std::uint64_t length) {
    return offset <= size && length <= size - offset;
}

Status open_sized(FileSystem& fs, const std::string& path, OpenMode mode,
                  std::unique_ptr<File>& file, std::uint64_t& size) {
    Status status = fs.open(path, mode, file);
    if (status.ok()) {
        status = file->size(size);
    }
    return status;
}

// Reads exactly out.size() bytes at offset; anything less is a failure.
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
        return Status::failure(Code::not_in_file, "it ended early: only " + bytes_text(done) +
                                                      " of the " + std::to_string(out.size()) +
                                                      " at offset " + std::to_string(offset) +
                                                      " could be read");
    }
    return Status::success();
}

Status write_exact(File& file, std::span<const std::uint8_t> data) {
    if (data.empty()) {
        return Status::success();
    }
    std::size_t done = 0;
    Status status = file.write(data, done);
    if (status.ok() && done < data.size()) {
        status =
            Status::failure(Code::io_error, "only " + bytes_text(done) + " of " +
                                                std::to_string(data.size()) + " could be written");
    }
    return status;
}

// A region a reader needs, named for the message when it is not in the file.
Status require_within(std::uint64_t size, std::uint64_t offset, std::uint64_t length,
                      const std::string& what) {
    if (within(size, offset, length)) {
        return Status::success();
    }
    return Status::failure(Code::not_in_file, what + " (" + bytes_text(length) + " at offset " +
                                                  std::to_string(offset) +
                                                  ") reaches past the end of the file (" +
                                                  bytes_text(size) + ")");
}

// A name beside target for the new contents, so that the final rename stays on
// one file system and replaces target in one step.
std::string temporary_name(const std::string& target, unsigned attempt, unsigned seed) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".tavrin-%08x.tmp", seed + attempt * 2654435761u);
    return target + suffix;
}

}  // namespace

std::uint16_t TexHeader::record_offset(int kind) const {
    if (kind < 0 || kind >= tex_kind_count) {
        return 0;
    }
    return word_at(bytes, record_fields[static_cast<std::size_t>(kind)]);
}

std::uint16_t TexClutRecord::clut_offset() const {
    return word_at(bytes, clut_field);
}

void decode_clut(std::span<const std::uint8_t> bytes, Clut& clut) {
    clut.entries.fill(PaletteEntry{});
    const std::size_t words = std::min<std::size_t>(bytes.size() / color_word_size, palette_size);
    for (std::size_t i = 0; i < words; ++i) {
        clut.entries[i] = decode_bgr555(word_at(bytes, i * color_word_size));
    }
    clut.count = static_cast<int>(words);
}

std::vector<std::uint8_t> encode_clut(std::span<const PaletteEntry> entries) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(entries.size() * color_word_size);
    for (const PaletteEntry& entry : entries) {
        const std::uint16_t word = encode_bgr555(entry);
        bytes.push_back(static_cast<std::uint8_t>(word & 0xFFu));
        bytes.push_back(static_cast<std::uint8_t>(word >> 8));
    }
    return bytes;
}

Status write_clut(File& file, std::span<const PaletteEntry> entries) {
    return write_exact(file, encode_clut(entries));
}

Status read_clut_file(FileSystem& fs, const std::string& path, Clut& clut) {
    clut = Clut{};
    std::unique_ptr<File> file;
    std::uint64_t size = 0;
    Status status = open_sized(fs, path, OpenMode::read, file, size);
    if (!status.ok()) {
        return status;
    }
    const std::uint64_t words = size / color_word_size;
    if (words > static_cast<std::uint64_t>(palette_size)) {
        return Status::failure(
            Code::too_many_colors,
            "it holds " + std::to_string(words) + " colours, more than the 256 a CLUT can have");
    }
    clut.count = static_cast<int>(words);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(words) * color_word_size);
    status = read_exact(*file, 0, bytes);
    if (!status.ok()) {
        return status;
    }
    decode_clut(bytes, clut);
    return Status::success();
}

Status save_clut_file(FileSystem& fs, const std::string& path,
                      std::span<const PaletteEntry> entries) {
    return replace_file(fs, path, encode_clut(entries));
}

Status replace_file(FileSystem& fs, const std::string& path, std::span<const std::uint8_t> bytes) {
    const unsigned seed = static_cast<unsigned>(
        std::chrono::steady_clock::now().time_since_epoch().count() & 0xFFFFFFFFu);
    std::unique_ptr<File> file;
    std::string temporary;
    Status status;
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        temporary = temporary_name(path, attempt, seed);
        status = fs.open(temporary, OpenMode::create_new, file);
        if (status.code != Code::already_exists) {
            break;
        }
    }
    if (!status.ok()) {
        return Status::failure(status.code, "cannot create a new file beside it: " + status.reason);
    }
    status = write_exact(*file, bytes);
    if (status.ok()) {
        status = file->sync();
    }
    // Close in every case: a file that failed to close may not hold what was written.
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

Status read_whole_file(FileSystem& fs, const std::string& path, std::uint64_t max_size,
                       std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    std::unique_ptr<File> file;
    std::uint64_t size = 0;
    Status status = open_sized(fs, path, OpenMode::read, file, size);
    if (!status.ok()) {
        return status;
    }
    if (size > max_size) {
        return Status::failure(Code::not_in_file, "it is too large (" + bytes_text(size) +
                                                      ", at most " + bytes_text(max_size) +
                                                      " are read)");
    }
    std::vector<std::uint8_t> contents(static_cast<std::size_t>(size));
    status = read_exact(*file, 0, contents);
    if (status.ok()) {
        bytes = std::move(contents);
    }
    return status;
}

Status find_tex_clut(FileSystem& fs, const std::string& path, int kind,
                     std::uint32_t& clut_offset) {
    if (kind < 0 || kind >= tex_kind_count) {
        return Status::failure(Code::invalid_argument,
                               "there is no CLUT kind " + std::to_string(kind));
    }
    std::unique_ptr<File> file;
    std::uint64_t size = 0;
    Status status = open_sized(fs, path, OpenMode::read, file, size);
    if (!status.ok()) {
        return status;
    }
    if (size < TexHeader::size) {
        return Status::failure(Code::not_in_file, "it is too short for a TEX file (" +
                                                      bytes_text(size) + ", the header needs " +
                                                      std::to_string(TexHeader::size) + ")");
    }
    TexHeader header;
    status = read_exact(*file, 0, header.bytes);
    if (!status.ok()) {
        return status;
    }
    const std::uint64_t record_at = header.record_offset(kind);
    status = require_within(size, record_at, TexClutRecord::size, "the CLUT record");
    if (!status.ok()) {
        return status;
    }
    TexClutRecord record;
    status = read_exact(*file, record_at, record.bytes);
    if (!status.ok()) {
        return status;
    }
    const std::uint64_t clut_at = record.clut_offset();
    status = require_within(size, clut_at, tex_clut_colors * color_word_size, "the CLUT");
    if (!status.ok()) {
        return status;
    }
    clut_offset = static_cast<std::uint32_t>(clut_at);
    return Status::success();
}

Status read_tex_clut(FileSystem& fs, const std::string& path, int kind, Clut& clut,
                     std::uint32_t& clut_offset) {
    clut = Clut{};
    std::uint32_t found = 0;
    Status status = find_tex_clut(fs, path, kind, found);
    if (!status.ok()) {
        return status;
    }
    status = read_clut_at_offset(fs, path, found, tex_clut_colors, clut);
    if (status.ok()) {
        clut_offset = found;
    }
    return status;
}

Status read_clut_at_offset(FileSystem& fs, const std::string& path, std::int64_t offset, int count,
                           Clut& clut) {
    clut = Clut{};
    if (count < 0 || count > palette_size) {
        return Status::failure(Code::invalid_argument,
                               std::to_string(count) + " is not a number of colours from 0 to 256");
    }
    clut.count = count;
    if (offset < 0) {
        return Status::failure(Code::not_in_file,
                               "the offset " + std::to_string(offset) + " is negative");
    }
    std::unique_ptr<File> file;
    std::uint64_t size = 0;
    Status status = open_sized(fs, path, OpenMode::read, file, size);
    if (!status.ok()) {
        return status;
    }
    const std::uint64_t length = static_cast<std::uint64_t>(count) * color_word_size;
    status = require_within(size, static_cast<std::uint64_t>(offset), length, "the CLUT");
    if (!status.ok()) {
        return status;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    status = read_exact(*file, static_cast<std::uint64_t>(offset), bytes);
    if (!status.ok()) {
        return status;
    }
    decode_clut(bytes, clut);
    return Status::success();
}

Status inject_clut(FileSystem& fs, const std::string& path, std::int64_t offset,
                   std::span<const PaletteEntry> entries) {
    if (entries.size() > static_cast<std::size_t>(palette_size)) {
        return Status::failure(Code::invalid_argument,
                               std::to_string(entries.size()) + " colours are more than 256");
    }
    const std::vector<std::uint8_t> bytes = encode_clut(entries);
    std::unique_ptr<File> file;
    std::uint64_t size = 0;
    Status status = open_sized(fs, path, OpenMode::update, file, size);
    if (!status.ok()) {
        return status;
    }
    if (offset < 0 || !within(size, static_cast<std::uint64_t>(offset), bytes.size())) {
        return Status::failure(Code::does_not_fit, "the CLUT (" + bytes_text(bytes.size()) +
                                                       " at offset " + std::to_string(offset) +
                                                       ") does not fit inside it (" +
                                                       bytes_text(size) + ")");
    }
    if (bytes.empty()) {
        return Status::success();
    }
    const auto at = static_cast<std::uint64_t>(offset);
    // Kept to put back if the new bytes cannot all be written.
    std::vector<std::uint8_t> previous(bytes.size());
    status = read_exact(*file, at, previous);
    if (!status.ok()) {
        return status;
    }
    status = file->seek(at);
    if (!status.ok()) {
        return status;
    }
    status = write_exact(*file, bytes);
    if (status.ok()) {
        status = file->sync();
    }
    if (!status.ok()) {
        const bool restored =
            file->seek(at).ok() && write_exact(*file, previous).ok() && file->sync().ok();
        status.reason +=
            restored ? "; its previous bytes were written back" : "; it may be damaged";
        file->close();
        return status;
    }
    // The bytes are on the disk once sync succeeded; a close that fails now
    // changes nothing in the file, so the injection stands.
    file->close();
    return Status::success();
}

}  // namespace tavrin
