// Raw CLUT, TEX and at-offset readers and writers over a FileSystem.
#include "files/clut_files.h"

#include "files/file_reads.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace tavrin {

namespace {

using Code = Status::Code;

std::uint16_t word_at(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
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

std::string folder_of(const std::string& path) {
#if defined(_WIN32)
    const auto slash = path.find_last_of("/\\");
#else
    const auto slash = path.find_last_of('/');
#endif
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

// Creates a new file in folder with a short name of its own (20 bytes, so
// that no name limit is reached whatever the target is called).
Status create_beside(FileSystem& fs, const std::string& folder, const char* suffix, OpenMode mode,
                     std::unique_ptr<File>& file, std::string& name) {
    const auto seed = static_cast<std::uint32_t>(
        std::chrono::steady_clock::now().time_since_epoch().count() & 0xFFFFFFFFu);
    Status status;
    for (std::uint32_t attempt = 0; attempt < 100; ++attempt) {
        char base[32];
        std::snprintf(base, sizeof base, ".tavrin-%08x%s",
                      static_cast<unsigned>(seed + attempt * 2654435761u), suffix);
        name = folder + "/" + base;
        status = fs.open(name, mode, file);
        if (status.code != Code::already_exists) {
            break;
        }
    }
    return status;
}

// Removes a file of ours; a failure is added to the reason already given.
void remove_ours(FileSystem& fs, const std::string& name, const char* what, Status& status) {
    const Status removed = fs.remove(name);
    if (!removed.ok()) {
        status.reason += std::string("; ") + what + " \"" + name + "\" could not be removed (" +
                         removed.reason + ")";
    }
}

// Copies length bytes from the start of one file to the start of another.
Status copy_contents(File& from, File& to, std::uint64_t length) {
    Status status = from.seek(0);
    if (status.ok()) {
        status = to.seek(0);
    }
    std::vector<std::uint8_t> chunk(64 * 1024);
    while (status.ok() && length > 0) {
        const auto part = static_cast<std::size_t>(std::min<std::uint64_t>(length, chunk.size()));
        std::size_t done = 0;
        status = from.read(std::span(chunk).first(part), done);
        if (status.ok() && done < part) {
            status = Status::failure(Code::not_in_file, "it ended early");
        }
        if (status.ok()) {
            status = write_exact(to, std::span(chunk).first(part));
        }
        length -= part;
    }
    return status;
}

// The usual save: a new file beside the target, renamed over it once complete.
Status replace_by_rename(FileSystem& fs, const PathInfo& target,
                         std::span<const std::uint8_t> bytes) {
    std::unique_ptr<File> file;
    std::string temporary;
    Status status = create_beside(fs, folder_of(target.resolved), ".tmp",
                                  target.exists ? OpenMode::create_private : OpenMode::create_new,
                                  file, temporary);
    if (!status.ok()) {
        return Status::failure(status.code, "cannot create a new file beside it: " + status.reason);
    }
    if (target.exists) {
        status = fs.copy_attributes(target.resolved, temporary);
    }
    if (status.ok()) {
        status = write_exact(*file, bytes);
    }
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
        status = fs.rename(temporary, target.resolved);
    }
    if (!status.ok()) {
        remove_ours(fs, temporary, "the temporary file", status);
        return status;
    }
    status = fs.sync_folder(target.resolved);
    if (!status.ok()) {
        // The new contents are in place; only their name may not last.
        return Status::warning("it was saved, but its folder was not flushed to the disk (" +
                               status.reason + "), so the change may not survive a power cut");
    }
    return status;
}

// For a file with other names, or in a folder where no new file can be made:
// its old contents first go to a backup copy, flushed to the disk; then the
// file itself is rewritten. Whatever happens, a complete copy of the old or
// the new contents exists.
Status rewrite_in_place(FileSystem& fs, const PathInfo& target,
                        std::span<const std::uint8_t> bytes) {
    SizedFile target_file;
    Status status = open_sized(fs, target.resolved, OpenMode::update, target_file);
    FileId opened;
    if (status.ok()) {
        status = target_file.file->identity(opened);
    }
    if (!status.ok()) {
        return status;
    }
    if (other_file(opened, target.id)) {
        return Status::failure(Code::changed,
                               "it was replaced while it was being saved; "
                               "nothing was written");
    }
    const std::string folder =
        target.folder_writable ? folder_of(target.resolved) : fs.spare_folder();
    if (folder.empty()) {
        return Status::failure(Code::read_only,
                               "its folder is read-only and there is no other folder for a copy "
                               "of it to keep while it is rewritten");
    }
    std::unique_ptr<File> backup;
    std::string backup_name;
    status = create_beside(fs, folder, ".bak", OpenMode::create_private, backup, backup_name);
    if (!status.ok()) {
        return Status::failure(status.code,
                               "cannot create a copy of it to keep while it is "
                               "rewritten: " +
                                   status.reason);
    }
    status = copy_contents(*target_file.file, *backup, target_file.size);
    if (status.ok()) {
        status = backup->sync();
    }
    const Status closed = backup->close();
    if (status.ok()) {
        status = closed;
    }
    if (status.ok()) {
        status = fs.sync_folder(backup_name);
    }
    if (!status.ok()) {
        status.reason = "cannot keep a copy of it while it is rewritten: " + status.reason +
                        "; nothing was written";
        remove_ours(fs, backup_name, "the copy", status);
        return status;
    }
    status = target_file.file->seek(0);
    if (status.ok()) {
        status = write_exact(*target_file.file, bytes);
    }
    if (status.ok()) {
        status = target_file.file->truncate(bytes.size());
    }
    if (status.ok()) {
        status = target_file.file->sync();
    }
    if (status.ok()) {
        target_file.file->close();  // flushed already; a failing close changes nothing on disk
        // The file holds the new contents whether or not the copy goes.
        remove_ours(fs, backup_name, "it was saved, but the copy of its old contents", status);
        if (!status.reason.empty()) {
            status.reason.erase(0, 2);  // the "; " that joins a reason
        }
        return status;
    }
    std::unique_ptr<File> copy;
    const bool restored = fs.open(backup_name, OpenMode::read, copy).ok() &&
                          copy_contents(*copy, *target_file.file, target_file.size).ok() &&
                          target_file.file->truncate(target_file.size).ok() &&
                          target_file.file->sync().ok();
    copy.reset();
    target_file.file->close();
    if (restored) {
        status.reason += "; its previous contents were written back";
        remove_ours(fs, backup_name, "the copy", status);
    } else {
        status.reason +=
            "; it may be damaged: a copy of its previous contents is in \"" + backup_name + "\"";
    }
    return status;
}

// Follows the header and record of the open TEX file to its CLUT of kind.
Status locate_tex_clut(File& file, std::uint64_t size, int kind, std::uint32_t& clut_offset) {
    if (kind < 0 || kind >= tex_kind_count) {
        return Status::failure(Code::invalid_argument,
                               "there is no CLUT kind " + std::to_string(kind));
    }
    if (size < TexHeader::size) {
        return Status::failure(Code::not_in_file, "it is too short for a TEX file (" +
                                                      bytes_text(size) + ", the header needs " +
                                                      std::to_string(TexHeader::size) + ")");
    }
    TexHeader header;
    Status status = read_exact(file, 0, header.bytes);
    if (!status.ok()) {
        return status;
    }
    const std::uint64_t record_at = header.record_offset(kind);
    status = require_within(size, record_at, TexClutRecord::size, "the CLUT record");
    if (!status.ok()) {
        return status;
    }
    TexClutRecord record;
    status = read_exact(file, record_at, record.bytes);
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

Status does_not_fit(std::int64_t offset, std::size_t length, std::uint64_t size) {
    return Status::failure(Code::does_not_fit, "the CLUT (" + bytes_text(length) + " at offset " +
                                                   std::to_string(offset) +
                                                   ") does not fit inside it (" + bytes_text(size) +
                                                   ")");
}

// Just before a write: path must still name the open file, and the file must
// still hold the whole region.
Status still_holds(FileSystem& fs, const std::string& path, File& file, std::uint64_t at,
                   std::size_t length, std::uint64_t& size) {
    FileId opened;
    FileId named;
    Status status = file.identity(opened);
    if (status.ok() && !fs.identity(path, named).ok()) {
        return Status::failure(Code::changed,
                               "it was moved or removed while the CLUT was being written; "
                               "nothing was written");
    }
    if (status.ok() && other_file(opened, named)) {
        return Status::failure(Code::changed,
                               "another file took its name while the CLUT was being written; "
                               "nothing was written");
    }
    if (status.ok()) {
        status = file.size(size);
    }
    if (status.ok() && !within(size, at, length)) {
        return Status::failure(Code::changed,
                               "it was shortened to " + bytes_text(size) +
                                   " while the CLUT was being written; nothing was written");
    }
    return status;
}

// Overwrites length bytes at at of the open file that path names; see inject_clut.
Status overwrite_in_place(FileSystem& fs, const std::string& path, File& file, std::uint64_t at,
                          std::span<const std::uint8_t> bytes) {
    // Kept to put back if the new bytes cannot all be written.
    std::vector<std::uint8_t> previous(bytes.size());
    Status status = read_exact(file, at, previous);
    std::uint64_t size = 0;
    if (status.ok()) {
        status = still_holds(fs, path, file, at, bytes.size(), size);
    }
    if (!status.ok()) {
        file.close();
        return status;
    }
    // Never grows the file, even one shortened since still_holds looked.
    std::size_t done = 0;
    status = file.overwrite(at, bytes, done);
    if (status.ok() && done < bytes.size()) {
        status =
            Status::failure(Code::io_error, "only " + bytes_text(done) + " of " +
                                                std::to_string(bytes.size()) + " could be written");
    }
    const bool written = status.ok();
    if (written) {
        status = file.sync();
    }
    if (!status.ok()) {
        // After a failed flush the disk may hold anything; after a failed
        // write, only the bytes reported written can differ from the old ones.
        const bool unchanged =
            !written && std::equal(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(done),
                                   previous.begin());
        if (unchanged) {
            status.reason += "; nothing in it changed";
        } else {
            // Only the first done bytes can differ: past them the file may have ended.
            const auto changed = std::span(previous).first(std::min(done, previous.size()));
            std::size_t put = 0;
            const bool restored =
                file.overwrite(at, changed, put).ok() && put == changed.size() && file.sync().ok();
            status.reason +=
                restored ? "; its previous bytes were written back" : "; it may be damaged";
        }
        file.close();
        return status;
    }
    // The bytes are on the disk once sync succeeded; a close that fails now
    // changes nothing in the file, so the injection stands.
    file.close();
    return Status::success();
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
    SizedFile opened;
    Status status = open_sized(fs, path, OpenMode::read, opened);
    if (!status.ok()) {
        return status;
    }
    const std::uint64_t words = opened.size / color_word_size;
    if (words > static_cast<std::uint64_t>(palette_size)) {
        return Status::failure(
            Code::too_many_colors,
            "it holds " + std::to_string(words) + " colors, more than the 256 a CLUT can have");
    }
    clut.count = static_cast<int>(words);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(words) * color_word_size);
    status = read_exact(*opened.file, 0, bytes);
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

Status read_whole_file(FileSystem& fs, const std::string& path, std::uint64_t max_size,
                       std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    SizedFile opened;
    Status status = open_sized(fs, path, OpenMode::read, opened);
    if (!status.ok()) {
        return status;
    }
    if (opened.size > max_size) {
        return Status::failure(Code::not_in_file, "it is too large (" + bytes_text(opened.size) +
                                                      ", at most " + bytes_text(max_size) +
                                                      " are read)");
    }
    std::vector<std::uint8_t> contents(static_cast<std::size_t>(opened.size));
    status = read_exact(*opened.file, 0, contents);
    if (status.ok()) {
        bytes = std::move(contents);
    }
    return status;
}

Status replace_file(FileSystem& fs, const std::string& path, std::span<const std::uint8_t> bytes) {
    PathInfo target;
    Status status = fs.inspect(path, target);
    if (!status.ok()) {
        return status;
    }
    if (target.exists && !target.regular) {
        return Status::failure(Code::not_regular, "it is not a regular file");
    }
    if (target.exists && !target.writable) {
        return Status::failure(Code::read_only, "it is read-only");
    }
    if (target.exists && (target.links > 1 || !target.folder_writable || !target.may_replace)) {
        return rewrite_in_place(fs, target, bytes);
    }
    return replace_by_rename(fs, target, bytes);
}

namespace {

// A TEX file opened with where its CLUT of one kind starts, found through
// the one open file that a later write then uses.
struct TexClutFile : SizedFile {
    std::uint32_t clut_offset = 0;
};

Status open_tex_clut(FileSystem& fs, const std::string& path, OpenMode mode, int kind,
                     TexClutFile& tex) {
    Status status = open_sized(fs, path, mode, tex);
    if (!status.ok()) {
        return status;
    }
    return locate_tex_clut(*tex.file, tex.size, kind, tex.clut_offset);
}

}  // namespace

Status find_tex_clut(FileSystem& fs, const std::string& path, int kind,
                     std::uint32_t& clut_offset) {
    TexClutFile tex;
    const Status status = open_tex_clut(fs, path, OpenMode::read, kind, tex);
    clut_offset = tex.clut_offset;
    return status;
}

Status read_tex_clut(FileSystem& fs, const std::string& path, int kind, Clut& clut,
                     std::uint32_t& clut_offset) {
    clut = Clut{};
    TexClutFile tex;
    Status status = open_tex_clut(fs, path, OpenMode::read, kind, tex);
    if (!status.ok()) {
        return status;
    }
    clut.count = tex_clut_colors;
    std::vector<std::uint8_t> bytes(tex_clut_colors * color_word_size);
    status = read_exact(*tex.file, tex.clut_offset, bytes);
    if (!status.ok()) {
        return status;
    }
    decode_clut(bytes, clut);
    clut_offset = tex.clut_offset;
    return Status::success();
}

Status read_clut_at_offset(FileSystem& fs, const std::string& path, std::int64_t offset, int count,
                           Clut& clut) {
    clut = Clut{};
    if (count < 0 || count > palette_size) {
        return Status::failure(Code::invalid_argument,
                               std::to_string(count) + " is not a number of colors from 0 to 256");
    }
    clut.count = count;
    if (offset < 0) {
        return Status::failure(Code::not_in_file,
                               "the offset " + std::to_string(offset) + " is negative");
    }
    SizedFile opened;
    Status status = open_sized(fs, path, OpenMode::read, opened);
    if (!status.ok()) {
        return status;
    }
    const std::uint64_t length = static_cast<std::uint64_t>(count) * color_word_size;
    status = require_within(opened.size, static_cast<std::uint64_t>(offset), length, "the CLUT");
    if (!status.ok()) {
        return status;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    status = read_exact(*opened.file, static_cast<std::uint64_t>(offset), bytes);
    if (!status.ok()) {
        return status;
    }
    decode_clut(bytes, clut);
    return Status::success();
}

namespace {

std::optional<Status> too_many(std::span<const PaletteEntry> entries) {
    if (entries.size() > static_cast<std::size_t>(palette_size)) {
        return Status::failure(Code::invalid_argument,
                               std::to_string(entries.size()) + " colors are more than 256");
    }
    return std::nullopt;
}

}  // namespace

Status inject_clut(FileSystem& fs, const std::string& path, std::int64_t offset,
                   std::span<const PaletteEntry> entries) {
    if (auto refused = too_many(entries)) {
        return *refused;
    }
    const std::vector<std::uint8_t> bytes = encode_clut(entries);
    SizedFile opened;
    Status status = open_sized(fs, path, OpenMode::update, opened);
    if (!status.ok()) {
        return status;
    }
    if (offset < 0 || !within(opened.size, static_cast<std::uint64_t>(offset), bytes.size())) {
        return does_not_fit(offset, bytes.size(), opened.size);
    }
    if (bytes.empty()) {
        return Status::success();
    }
    return overwrite_in_place(fs, path, *opened.file, static_cast<std::uint64_t>(offset), bytes);
}

Status inject_tex_clut(FileSystem& fs, const std::string& path, int kind,
                       std::optional<std::uint32_t> expected_offset,
                       std::span<const PaletteEntry> entries, std::uint32_t& clut_offset) {
    if (auto refused = too_many(entries)) {
        return *refused;
    }
    const std::vector<std::uint8_t> bytes = encode_clut(entries);
    TexClutFile tex;
    const Status status = open_tex_clut(fs, path, OpenMode::update, kind, tex);
    if (!status.ok()) {
        return status;
    }
    const std::uint32_t found = tex.clut_offset;
    if (expected_offset && found != *expected_offset) {
        return Status::failure(Code::changed, "its CLUT is no longer at offset " +
                                                  std::to_string(*expected_offset) +
                                                  ", where it was read");
    }
    if (!within(tex.size, found, bytes.size())) {
        return does_not_fit(found, bytes.size(), tex.size);
    }
    clut_offset = found;
    if (bytes.empty()) {
        return Status::success();
    }
    return overwrite_in_place(fs, path, *tex.file, found, bytes);
}

}  // namespace tavrin
