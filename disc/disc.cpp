// Recognising images, the ISO 9660 tree, and the sector view behind
// inside_image.
#include "disc/disc.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <set>
#include <string_view>

#include "disc/sectors.h"
#include "files/file_reads.h"

namespace tavrin::disc {

namespace {

using Code = Status::Code;

constexpr std::uint32_t descriptor_lba = 16;
// Reads go to the image in runs of this many sectors.
constexpr std::uint32_t run_sectors = 448;  // about 1 MiB
// A cue sheet is a short text; anything larger is not one.
constexpr std::uint64_t max_cue_size = 64 * 1024;

bool starts_with(std::span<const std::uint8_t> bytes, std::string_view magic) {
    return bytes.size() >= magic.size() &&
           std::memcmp(bytes.data(), magic.data(), magic.size()) == 0;
}

std::string upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

std::string folder_of(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool absolute(const std::string& path) {
    return (!path.empty() && (path[0] == '/' || path[0] == '\\')) ||
           (path.size() > 1 && path[1] == ':');
}

// The data track a cue sheet starts with: its file and where its INDEX 01 is.
struct CueTrack {
    std::string file;
    std::uint64_t sector_size = 0;
    std::uint64_t start_frames = 0;
};

// Words of a cue line; a quoted file name is one word.
std::vector<std::string> cue_words(std::string_view line) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
            ++i;
        } else if (line[i] == '"') {
            const auto end = line.find('"', i + 1);
            const auto stop = end == std::string_view::npos ? line.size() : end;
            words.emplace_back(line.substr(i + 1, stop - i - 1));
            i = stop + 1;
        } else {
            auto end = line.find_first_of(" \t\r", i);
            if (end == std::string_view::npos) {
                end = line.size();
            }
            words.emplace_back(line.substr(i, end - i));
            i = end;
        }
    }
    return words;
}

std::uint64_t msf_frames(const std::string& text) {
    unsigned m = 0;
    unsigned s = 0;
    unsigned f = 0;
    if (std::sscanf(text.c_str(), "%u:%u:%u", &m, &s, &f) != 3) {
        return 0;
    }
    return (std::uint64_t{m} * 60 + s) * 75 + f;
}

// Whether bytes are a cue sheet (text with a FILE line and a TRACK line);
// has_data says whether it has a data track, track which comes first.
bool parse_cue(std::span<const std::uint8_t> bytes, bool& has_data, CueTrack& track) {
    if (starts_with(bytes, "\xEF\xBB\xBF")) {
        bytes = bytes.subspan(3);  // a byte order mark, as some editors write
    }
    for (const std::uint8_t byte : bytes) {
        if (byte == 0 || (byte < 0x20 && byte != '\n' && byte != '\r' && byte != '\t')) {
            return false;
        }
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::string file;
    bool saw_file = false;
    bool saw_track = false;
    bool in_data_track = false;
    has_data = false;
    std::size_t at = 0;
    while (at < text.size()) {
        auto end = text.find('\n', at);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const auto words = cue_words(text.substr(at, end - at));
        at = end + 1;
        if (words.empty()) {
            continue;
        }
        const std::string keyword = upper(words[0]);
        if (keyword == "FILE" && words.size() >= 2) {
            saw_file = true;
            file = words[1];
        } else if (keyword == "TRACK" && words.size() >= 3) {
            saw_track = true;
            const std::string mode = upper(words[2]);
            in_data_track = false;
            if (!has_data && (mode == "MODE1/2352" || mode == "MODE2/2352" ||
                              mode == "MODE1/2048" || mode == "MODE2/2048")) {
                in_data_track = true;
                has_data = true;
                track.file = file;
                track.sector_size = mode.ends_with("2352") ? raw_sector_size : data_sector_size;
            }
        } else if (keyword == "INDEX" && words.size() >= 3 && in_data_track && words[1] == "01") {
            track.start_frames = msf_frames(words[2]);
        }
    }
    return saw_file && saw_track;
}

// What the first bytes of a file say about it.
Status recognise_data(File& file, std::uint64_t size, std::uint64_t base, ImageKind& kind) {
    kind = ImageKind::none;
    std::array<std::uint8_t, 16> head{};
    if (size < base + head.size()) {
        return Status::success();
    }
    Status status = read_exact(file, base, head);
    if (!status.ok()) {
        return status;
    }
    const auto refuse = [](const char* what) {
        return Status::failure(Code::invalid_argument,
                               std::string("it is a ") + what +
                                   ", which Tavrin does not read; convert it to a .bin and .cue "
                                   "(or an .iso) first");
    };
    if (starts_with(head, "MComprHD")) {
        return refuse("CHD image (compressed)");
    }
    if (starts_with(head, std::string_view("ECM\0", 4))) {
        return refuse("ECM image (error codes stripped)");
    }
    if (starts_with(head, std::string_view("\0PBP", 4))) {
        return refuse("PBP image (a packed disc for handhelds)");
    }
    if (has_sync(head)) {
        kind = ImageKind::raw;
        return Status::success();
    }
    std::array<std::uint8_t, 6> descriptor{};
    const std::uint64_t at = base + descriptor_lba * data_sector_size;
    if (within(size, at, descriptor.size())) {
        status = read_exact(file, at, descriptor);
        if (!status.ok()) {
            return status;
        }
        if (std::memcmp(descriptor.data() + 1, "CD001", 5) == 0) {
            kind = ImageKind::iso;
        }
    }
    return Status::success();
}

// An image opened for reading or for writing in place.
struct Image {
    ImageInfo info;
    SizedFile data;
    std::uint32_t sectors = 0;

    std::uint64_t sector_size() const {
        return info.kind == ImageKind::raw ? raw_sector_size : data_sector_size;
    }
    std::uint64_t sector_at(std::uint32_t lba) const { return info.base + lba * sector_size(); }
};

Status open_image(FileSystem& fs, const std::string& path, OpenMode mode, Image& image) {
    Status status = recognise(fs, path, image.info);
    if (!status.ok()) {
        return status;
    }
    if (image.info.kind == ImageKind::none) {
        return Status::failure(Code::invalid_argument,
                               "it is not a disc image (no CD sectors, no ISO 9660 volume, not a "
                               "cue sheet)");
    }
    status = open_sized(fs, image.info.data_path, mode, image.data);
    if (!status.ok()) {
        return status;
    }
    const std::uint64_t after_base =
        image.data.size - std::min(image.data.size, image.info.base);  // a cue may point past it
    image.sectors = static_cast<std::uint32_t>(after_base / image.sector_size());
    return Status::success();
}

std::string sector_name(const Image& image, std::uint32_t lba) {
    return "sector " + std::to_string(lba) + " (at offset " + std::to_string(image.sector_at(lba)) +
           " of the image)";
}

Status not_data(const Image& image, std::uint32_t lba) {
    return Status::failure(Code::not_in_file,
                           sector_name(image, lba) + " is not a data sector (no sync or mode)");
}

// count sectors from lba as they are in the image file.
Status read_sectors(Image& image, std::uint32_t lba, std::uint32_t count,
                    std::vector<std::uint8_t>& out) {
    if (lba > image.sectors || count > image.sectors - lba) {
        return Status::failure(Code::not_in_file, "sectors " + std::to_string(lba) + " to " +
                                                      std::to_string(lba + count - 1) +
                                                      " lie past the end of the image (" +
                                                      std::to_string(image.sectors) + " sectors)");
    }
    out.resize(count * image.sector_size());
    return read_exact(*image.data.file, image.sector_at(lba), out);
}

SectorType type_of(std::span<const std::uint8_t> raw) {
    return sector_type(std::span<const std::uint8_t, raw_sector_size>(raw.data(), raw_sector_size));
}

// The 2048 data bytes of count sectors from lba, one after the other.
Status read_data(Image& image, std::uint32_t lba, std::uint32_t count,
                 std::vector<std::uint8_t>& out) {
    std::vector<std::uint8_t> raw;
    Status status = read_sectors(image, lba, count, raw);
    if (!status.ok() || image.info.kind != ImageKind::raw) {
        out = std::move(raw);
        return status;
    }
    out.resize(count * data_sector_size);
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto sector = std::span(raw).subspan(i * raw_sector_size, raw_sector_size);
        const SectorType type = type_of(sector);
        if (type == SectorType::not_data) {
            return not_data(image, lba + i);
        }
        std::copy_n(sector.begin() + static_cast<std::ptrdiff_t>(data_start(type)),
                    data_sector_size, out.begin() + i * data_sector_size);
    }
    return Status::success();
}

std::uint32_t le32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) |
           (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[at + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

// A directory record's name as listed: no ";1", no empty extension's dot.
std::string record_name(std::span<const std::uint8_t> name) {
    std::string text(name.begin(), name.end());
    if (const auto semicolon = text.find(';'); semicolon != std::string::npos) {
        text.resize(semicolon);
    }
    if (!text.empty() && text.back() == '.') {
        text.pop_back();
    }
    return text;
}

// The CD-XA attributes of a record (0 without them): 0x1000 Form 2,
// 0x2000 interleaved, 0x4000 audio.
unsigned xa_attributes(std::span<const std::uint8_t> system_use) {
    if (system_use.size() < 14 || system_use[6] != 'X' || system_use[7] != 'A') {
        return 0;
    }
    return (unsigned{system_use[4]} << 8) | system_use[5];
}

Status walk_tree(Image& image, std::vector<DiscFile>& files) {
    std::vector<std::uint8_t> sector;
    std::uint32_t root_lba = 0;
    std::uint32_t root_size = 0;
    for (std::uint32_t lba = descriptor_lba;; ++lba) {
        Status status = read_data(image, lba, 1, sector);
        if (!status.ok()) {
            return Status::failure(Code::not_in_file,
                                   "it has no ISO 9660 volume: " + status.reason);
        }
        if (std::memcmp(sector.data() + 1, "CD001", 5) != 0 || sector[0] == 255) {
            return Status::failure(Code::not_in_file,
                                   "it has no ISO 9660 primary volume descriptor");
        }
        if (sector[0] == 1) {
            if ((sector[128] | (sector[129] << 8)) != data_sector_size) {
                return Status::failure(Code::invalid_argument,
                                       "its ISO 9660 volume uses blocks of other than 2048 bytes");
            }
            root_lba = le32(sector, 156 + 2);
            root_size = le32(sector, 156 + 10);
            break;
        }
    }
    struct Folder {
        std::string path;
        std::uint32_t lba;
        std::uint32_t size;
    };
    std::vector<Folder> folders{{"", root_lba, root_size}};
    std::set<std::uint32_t> seen{root_lba};
    std::vector<std::uint8_t> records;
    for (std::size_t next = 0; next < folders.size(); ++next) {
        const Folder folder = folders[next];
        const auto count = static_cast<std::uint32_t>(
            (std::uint64_t{folder.size} + data_sector_size - 1) / data_sector_size);
        Status status = read_data(image, folder.lba, count, records);
        if (!status.ok()) {
            return Status::failure(status.code,
                                   "the folder \"/" + folder.path + "\": " + status.reason);
        }
        std::size_t at = 0;
        while (at < records.size()) {
            const std::size_t length = records[at];
            // Records never cross a sector; a zero length pads to the next.
            if (length == 0) {
                at = (at / data_sector_size + 1) * data_sector_size;
                continue;
            }
            if (length < 34 || at % data_sector_size + length > data_sector_size) {
                return Status::failure(Code::invalid_argument,
                                       "the folder \"/" + folder.path + "\" has a damaged record");
            }
            const auto record = std::span(records).subspan(at, length);
            at += length;
            const std::size_t name_length = record[32];
            if (33 + name_length > length) {
                return Status::failure(Code::invalid_argument,
                                       "the folder \"/" + folder.path + "\" has a damaged record");
            }
            if (name_length == 1 && record[33] <= 1) {
                continue;  // the folder itself and its parent
            }
            const std::string name = record_name(record.subspan(33, name_length));
            if (name.empty()) {
                continue;  // nothing could name it
            }
            const std::string path = folder.path.empty() ? name : folder.path + "/" + name;
            const std::uint32_t lba = le32(record, 2);
            const std::uint32_t size = le32(record, 10);
            if (record[25] & 0x02) {
                if (seen.insert(lba).second) {
                    folders.push_back({path, lba, size});
                }
                continue;
            }
            const std::size_t system_use = 33 + name_length + (name_length % 2 == 0 ? 1 : 0);
            const unsigned xa = system_use < length ? xa_attributes(record.subspan(system_use)) : 0;
            files.push_back({path, lba, size, (xa & 0x7000u) != 0});
        }
    }
    std::sort(files.begin(), files.end(),
              [](const DiscFile& a, const DiscFile& b) { return a.path < b.path; });
    return Status::success();
}

// A name as typed, in the form listed names are compared in.
std::string comparable(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    path.erase(0, path.find_first_not_of('/'));
    return upper(
        record_name(std::span(reinterpret_cast<const std::uint8_t*>(path.data()), path.size())));
}

// A run of data bytes inside an image, as one file: one file's extent, or
// all of a raw image's sectors with positions that are offsets in the image
// file (a position in a sector's data runs on into the next sector's data).
class SectorView : public File {
  public:
    SectorView(Image image, std::uint32_t first, std::uint64_t length, bool image_offsets)
        : image_(std::move(image)), first_(first), length_(length), image_offsets_(image_offsets) {}

    Status size(std::uint64_t& bytes) override {
        bytes = image_offsets_ ? image_.data.size : length_;
        return Status::success();
    }
    Status seek(std::uint64_t offset) override {
        position_ = offset;
        return Status::success();
    }
    Status read(std::span<std::uint8_t> buffer, std::size_t& done) override;
    Status write(std::span<const std::uint8_t> data, std::size_t& done) override;
    // The image file's own overwrite does the storing, so a view can no more
    // grow its image than a write into a plain file can.
    Status overwrite(std::uint64_t offset, std::span<const std::uint8_t> data,
                     std::size_t& done) override {
        position_ = offset;
        return write(data, done);
    }
    Status truncate(std::uint64_t) override {
        return Status::failure(Code::read_only, "a file inside a disc image keeps its size");
    }
    Status sync() override { return image_.data.file->sync(); }
    Status close() override { return image_.data.file->close(); }
    Status identity(FileId& id) override { return image_.data.file->identity(id); }

  private:
    // The sector and data byte the position is at, and the data bytes from
    // there to the end of the view.
    // Where the position lies: its sector, the byte within that sector's
    // data, and how many data bytes follow it to the end of the stream.
    struct Place {
        std::uint32_t lba = 0;
        std::size_t within = 0;
        std::uint64_t remaining = 0;
    };
    Status locate(Place& place);
    Status write_raw(std::uint32_t lba, std::size_t within, std::span<const std::uint8_t> data);

    Image image_;
    std::uint32_t first_;
    std::uint64_t length_;
    bool image_offsets_;
    std::uint64_t position_ = 0;
};

Status SectorView::locate(Place& place) {
    std::uint32_t& lba = place.lba;
    std::size_t& within = place.within;
    std::uint64_t& remaining = place.remaining;
    if (!image_offsets_) {
        lba = static_cast<std::uint32_t>(first_ + position_ / data_sector_size);
        within = position_ % data_sector_size;
        remaining = position_ < length_ ? length_ - position_ : 0;
        return Status::success();
    }
    remaining = 0;
    if (position_ < image_.info.base || position_ >= image_.sector_at(image_.sectors)) {
        return Status::success();
    }
    lba = static_cast<std::uint32_t>((position_ - image_.info.base) / raw_sector_size);
    std::vector<std::uint8_t> raw;
    Status status = read_sectors(image_, lba, 1, raw);
    if (!status.ok()) {
        return status;
    }
    const SectorType type = type_of(raw);
    const std::uint64_t in_sector = position_ - image_.sector_at(lba);
    if (type == SectorType::not_data || in_sector < data_start(type) ||
        in_sector >= data_start(type) + data_sector_size) {
        return Status::failure(Code::not_in_file, "the offset " + std::to_string(position_) +
                                                      " is in the sync, header or checksums of " +
                                                      sector_name(image_, lba) +
                                                      ", not in its data");
    }
    within = static_cast<std::size_t>(in_sector - data_start(type));
    remaining = std::uint64_t{image_.sectors - lba} * data_sector_size - within;
    return Status::success();
}

Status SectorView::read(std::span<std::uint8_t> buffer, std::size_t& done) {
    done = 0;
    if (image_.info.kind != ImageKind::raw) {
        const std::uint64_t left = position_ < length_ ? length_ - position_ : 0;
        const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), left));
        Status status = image_.data.file->seek(image_.sector_at(first_) + position_);
        if (status.ok() && wanted > 0) {
            status = image_.data.file->read(buffer.first(wanted), done);
        }
        position_ += done;
        return status;
    }
    Place place;
    Status status = locate(place);
    if (!status.ok()) {
        return status;
    }
    std::uint32_t lba = place.lba;
    std::size_t within = place.within;
    const auto wanted =
        static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), place.remaining));
    std::vector<std::uint8_t> raw;
    SectorType type = SectorType::not_data;
    while (done < wanted) {
        const auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(
            run_sectors, (within + wanted - done - 1) / data_sector_size + 1));
        status = read_sectors(image_, lba, count, raw);
        if (!status.ok()) {
            return status;
        }
        for (std::uint32_t i = 0; i < count; ++i) {
            const auto sector = std::span(raw).subspan(i * raw_sector_size, raw_sector_size);
            type = type_of(sector);
            if (type == SectorType::not_data) {
                return not_data(image_, lba);
            }
            const std::size_t part = std::min(data_sector_size - within, wanted - done);
            std::copy_n(sector.begin() + static_cast<std::ptrdiff_t>(data_start(type) + within),
                        part, buffer.begin() + static_cast<std::ptrdiff_t>(done));
            done += part;
            within += part;
            if (within == data_sector_size && done < wanted) {
                within = 0;
                ++lba;
            }
        }
    }
    if (!image_offsets_) {
        position_ += done;
    } else if (done > 0) {
        position_ = within == data_sector_size ? image_.sector_at(lba + 1) + data_start(type)
                                               : image_.sector_at(lba) + data_start(type) + within;
    }
    return Status::success();
}

Status SectorView::write(std::span<const std::uint8_t> data, std::size_t& done) {
    done = 0;
    if (image_.info.kind != ImageKind::raw) {
        if (position_ > length_ || data.size() > length_ - position_) {
            return Status::failure(Code::does_not_fit,
                                   "it would reach past the end of the file "
                                   "inside the image; nothing was written");
        }
        Status status = Status::success();
        if (!data.empty()) {
            status = image_.data.file->overwrite(image_.sector_at(first_) + position_, data, done);
        }
        position_ += done;
        return status;
    }
    Place place;
    Status status = locate(place);
    if (status.ok() && data.size() > place.remaining) {
        status = Status::failure(Code::does_not_fit, bytes_text(data.size()) +
                                                         " would reach past the end of the "
                                                         "image's data; nothing was written");
    }
    if (status.ok() && !data.empty()) {
        status = write_raw(place.lba, place.within, data);
    }
    if (status.ok()) {
        done = data.size();
        if (!image_offsets_) {
            position_ += done;
        }
    }
    return status;
}

// Every touched sector is read and checked first, then changed in memory with
// its codes rebuilt, then the run is written in one piece. If that write
// fails the run's old bytes go back, so that done = 0 stays true.
Status SectorView::write_raw(std::uint32_t lba, std::size_t within,
                             std::span<const std::uint8_t> data) {
    const auto last =
        static_cast<std::uint32_t>(lba + (within + data.size() - 1) / data_sector_size);
    std::vector<std::uint8_t> before;
    Status status = read_sectors(image_, lba, last - lba + 1, before);
    if (!status.ok()) {
        return status;
    }
    std::vector<std::uint8_t> after = before;
    std::size_t taken = 0;
    for (std::uint32_t i = 0; i <= last - lba; ++i) {
        const auto sector = std::span<std::uint8_t, raw_sector_size>(
            after.data() + i * raw_sector_size, raw_sector_size);
        const SectorType type = sector_type(sector);
        if (type == SectorType::not_data) {
            return not_data(image_, lba + i);
        }
        if (!edc_checks(sector, type)) {
            return Status::failure(Code::changed, sector_name(image_, lba + i) +
                                                      " is damaged (its EDC does not check); "
                                                      "nothing was written");
        }
        const std::size_t part = std::min(data_sector_size - within, data.size() - taken);
        std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(taken), part,
                    sector.begin() + static_cast<std::ptrdiff_t>(data_start(type) + within));
        rebuild_codes(sector, type);
        taken += part;
        within = 0;
    }
    const std::uint64_t start = image_.sector_at(lba);
    std::size_t written = 0;
    status = image_.data.file->overwrite(start, after, written);
    if (status.ok() && written < after.size()) {
        status =
            Status::failure(Code::io_error, "only " + bytes_text(written) + " of " +
                                                std::to_string(after.size()) + " could be written");
    }
    if (!status.ok() && written > 0) {
        std::size_t restored = 0;
        if (!image_.data.file->overwrite(start, before, restored).ok() ||
            restored < before.size()) {
            status.reason += "; sectors " + std::to_string(lba) + " to " + std::to_string(last) +
                             " may be damaged";
        }
    }
    return status;
}

class ImageFileSystem : public FileSystem {
  public:
    ImageFileSystem(FileSystem& fs, std::string image, std::string inside)
        : fs_(fs), image_(std::move(image)), inside_(std::move(inside)) {}

    Status open(const std::string& path, OpenMode mode, std::unique_ptr<File>& file) override;
    Status rename(const std::string& from, const std::string& to) override {
        return fs_.rename(from, to);
    }
    Status remove(const std::string& path) override { return fs_.remove(path); }
    Status inspect(const std::string& path, PathInfo& info) override {
        return fs_.inspect(data_path(path), info);
    }
    Status identity(const std::string& path, FileId& id) override {
        return fs_.identity(data_path(path), id);
    }
    Status copy_attributes(const std::string& from, const std::string& to) override {
        return fs_.copy_attributes(from, to);
    }
    Status sync_folder(const std::string& path) override { return fs_.sync_folder(path); }
    std::string spare_folder() override { return fs_.spare_folder(); }

  private:
    std::string data_path(const std::string& path) {
        ImageInfo info;
        return path == image_ && recognise(fs_, path, info).ok() && info.kind != ImageKind::none
                   ? info.data_path
                   : path;
    }

    FileSystem& fs_;
    std::string image_;
    std::string inside_;
};

Status ImageFileSystem::open(const std::string& path, OpenMode mode, std::unique_ptr<File>& file) {
    if (path != image_) {
        return fs_.open(path, mode, file);
    }
    if (mode != OpenMode::read && mode != OpenMode::update) {
        return Status::failure(Code::read_only, "a disc image only takes writes in place");
    }
    Image image;
    Status status = open_image(fs_, path, mode, image);
    if (!status.ok()) {
        return status;
    }
    if (inside_.empty()) {
        const std::uint64_t length = std::uint64_t{image.sectors} * data_sector_size;
        const bool raw = image.info.kind == ImageKind::raw;
        file = std::make_unique<SectorView>(std::move(image), 0, length, raw);
        return Status::success();
    }
    std::vector<DiscFile> files;
    status = walk_tree(image, files);
    if (!status.ok()) {
        return status;
    }
    const std::string wanted = comparable(inside_);
    const auto found = std::find_if(files.begin(), files.end(),
                                    [&](const DiscFile& f) { return upper(f.path) == wanted; });
    if (found == files.end()) {
        return Status::failure(Code::not_in_file, "it holds no file \"" + inside_ + "\"");
    }
    bool form2 = found->form2;
    if (!form2 && image.info.kind == ImageKind::raw && found->size > 0) {
        std::vector<std::uint8_t> raw;
        status = read_sectors(image, found->lba, 1, raw);
        if (!status.ok()) {
            return status;
        }
        form2 = type_of(raw) == SectorType::mode2_form2;
    }
    if (form2) {
        return Status::failure(Code::invalid_argument,
                               "\"" + found->path +
                                   "\" in it is stored in Form 2 sectors (video or sound), "
                                   "which Tavrin does not read");
    }
    if (found->size > 0 &&
        !within(image.sectors, found->lba,
                (std::uint64_t{found->size} + data_sector_size - 1) / data_sector_size)) {
        return Status::failure(Code::not_in_file,
                               "\"" + found->path + "\" in it reaches past the end of the image");
    }
    file = std::make_unique<SectorView>(std::move(image), found->lba, found->size, false);
    return Status::success();
}

}  // namespace

Status recognise(FileSystem& fs, const std::string& path, ImageInfo& info) {
    info = ImageInfo{};
    SizedFile opened;
    Status status = open_sized(fs, path, OpenMode::read, opened);
    if (!status.ok()) {
        return status;
    }
    status = recognise_data(*opened.file, opened.size, 0, info.kind);
    if (!status.ok() || info.kind != ImageKind::none || opened.size > max_cue_size) {
        info.data_path = path;
        return status;
    }
    std::vector<std::uint8_t> text(static_cast<std::size_t>(opened.size));
    status = read_exact(*opened.file, 0, text);
    if (!status.ok()) {
        return status;
    }
    opened.file.reset();
    bool has_data = false;
    CueTrack track;
    if (!parse_cue(text, has_data, track)) {
        return Status::success();
    }
    if (!has_data) {
        return Status::failure(Code::invalid_argument, "it is a cue sheet without a data track");
    }
    const std::string data_path = absolute(track.file) ? track.file : folder_of(path) + track.file;
    status = open_sized(fs, data_path, OpenMode::read, opened);
    if (status.ok()) {
        info.base = track.start_frames * track.sector_size;
        status = recognise_data(*opened.file, opened.size, info.base, info.kind);
    }
    if (status.ok() && info.kind == ImageKind::none) {
        status = Status::failure(Code::invalid_argument, "its data track is not a disc image");
    }
    if (!status.ok()) {
        info = ImageInfo{};
        return Status::failure(status.code,
                               "its data track \"" + data_path + "\": " + status.reason);
    }
    info.data_path = data_path;
    return Status::success();
}

Status list_files(FileSystem& fs, const std::string& path, std::vector<DiscFile>& files) {
    files.clear();
    Image image;
    Status status = open_image(fs, path, OpenMode::read, image);
    if (status.ok()) {
        status = walk_tree(image, files);
    }
    return status;
}

Status data_layout(FileSystem& fs, const std::string& path, DataLayout& layout,
                   std::uint64_t& length) {
    Image image;
    Status status = open_image(fs, path, OpenMode::read, image);
    if (!status.ok()) {
        return status;
    }
    layout = DataLayout{image.info.base, image.sector_size(), 0};
    length = std::uint64_t{image.sectors} * data_sector_size;
    if (image.info.kind == ImageKind::raw && image.sectors > 0) {
        std::vector<std::uint8_t> raw;
        status = read_sectors(image, 0, 1, raw);
        if (status.ok() && type_of(raw) == SectorType::not_data) {
            status = not_data(image, 0);
        }
        layout.data_at = status.ok() ? data_start(type_of(raw)) : 0;
    }
    return status;
}

std::unique_ptr<FileSystem> inside_image(FileSystem& fs, std::string image, std::string inside) {
    return std::make_unique<ImageFileSystem>(fs, std::move(image), std::move(inside));
}

}  // namespace tavrin::disc
