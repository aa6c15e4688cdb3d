// CD images as Tavrin reads and writes them: recognised by content (raw
// 2352-byte sectors, 2048-byte ISO images, cue sheets; CHD, ECM and PBP
// refused), their ISO 9660 files listed, and a FileSystem that shows the
// files/ readers and writers either one file inside an image or the data of
// a whole image as a plain file, rebuilding every touched sector's codes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "files/file_system.h"

namespace tavrin::disc {

enum class ImageKind {
    none,  // not a disc image
    raw,   // 2352-byte sectors
    iso,   // 2048-byte sectors
};

struct ImageInfo {
    ImageKind kind = ImageKind::none;
    // The file holding the sectors: path itself, or the data file a cue names.
    std::string data_path;
    // Where sector 0 starts in data_path (a cue's first data track may not
    // start the file).
    std::uint64_t base = 0;
};

// What path holds. A file that is not an image is kind none with success; a
// cue whose file is missing, and a CHD, ECM or PBP image, are failures saying
// what it is.
Status recognise(FileSystem& fs, const std::string& path, ImageInfo& info);

struct DiscFile {
    std::string path;  // from the root, "/" separated, without the ";1"
    std::uint32_t lba = 0;
    std::uint32_t size = 0;
    bool form2 = false;  // stored in Form 2 sectors: listed, never read
};

// Every file of the image's ISO 9660 tree, sorted by path. Reads only the
// volume descriptor and the directories.
Status list_files(FileSystem& fs, const std::string& path, std::vector<DiscFile>& files);

// Where a raw image's data lies in the image file: its data stream holds the
// 2048 data bytes of every sector in turn (of a Form 2 sector, the first 2048
// of its 2324). For an ISO image, offsets in the image itself.
struct DataLayout {
    std::uint64_t base = 0;            // where sector 0 starts
    std::uint64_t sector_size = 2048;  // 2352 for a raw image
    std::uint64_t data_at = 0;         // 16 for Mode 1, 24 for Mode 2

    std::uint64_t image_offset(std::uint64_t stream_offset) const {
        return base + stream_offset / 2048 * sector_size + data_at + stream_offset % 2048;
    }
};

// The layout of the image at path, and the length of its data stream.
Status data_layout(FileSystem& fs, const std::string& path, DataLayout& layout,
                   std::uint64_t& length);

// A FileSystem over another one that presents the image at path image as a
// plain file: the file named inside (compared without case and without
// ";1"), or, when inside is empty, a raw image's data with positions that are
// offsets in the image file: a read or write that starts in a sector's data
// runs on into the next sector's data. Writes go into the sectors in place,
// rebuilding each touched sector's EDC and P/Q parity; a touched sector that
// does not check beforehand refuses the write and nothing is written. For
// the image, identity() and inspect() describe its data file (a cue's .bin);
// every other path goes to fs unchanged.
std::unique_ptr<FileSystem> inside_image(FileSystem& fs, std::string image, std::string inside);

}  // namespace tavrin::disc
