// Fuzzes the ISO 9660 reader and the sector view. The input's first byte
// picks the image's form (even: 2048-byte sectors; odd: raw Mode 2 Form 1
// sectors encoded from them); the rest is the image from its volume
// descriptor on (sector 16), after 16 empty sectors. Every listed file is
// read, the first one that can be is overwritten in place with its own
// bytes reversed, and then every sector must still check, the image keep its
// size, and the file read back reversed.
#include <algorithm>

#include "disc/disc.h"
#include "disc/sectors.h"
#include "files/clut_files.h"
#include "fuzz/fuzz_check.h"
#include "tests/support/memory_file_system.h"

namespace {

using Bytes = tavrin::MemoryFileSystem::Bytes;
namespace disc = tavrin::disc;

bool every_sector_checks(const Bytes& image) {
    for (std::size_t at = 0; at + disc::raw_sector_size <= image.size();
         at += disc::raw_sector_size) {
        const auto sector = std::span<const std::uint8_t, disc::raw_sector_size>(
            image.data() + at, disc::raw_sector_size);
        if (!disc::edc_checks(sector, disc::sector_type(sector))) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > (1u << 20)) {
        return 0;
    }
    const bool raw = data[0] & 1u;
    Bytes sectors(16 * disc::data_sector_size, 0);
    sectors.insert(sectors.end(), data + 1, data + size);
    sectors.resize((sectors.size() + disc::data_sector_size - 1) / disc::data_sector_size *
                   disc::data_sector_size);
    Bytes image = sectors;
    if (raw) {
        image.assign(sectors.size() / disc::data_sector_size * disc::raw_sector_size, 0);
        for (std::size_t lba = 0; lba * disc::data_sector_size < sectors.size(); ++lba) {
            disc::encode_sector(
                std::span<std::uint8_t, disc::raw_sector_size>(
                    image.data() + lba * disc::raw_sector_size, disc::raw_sector_size),
                static_cast<std::uint32_t>(lba), disc::SectorType::mode2_form1,
                std::span(sectors).subspan(lba * disc::data_sector_size, disc::data_sector_size));
        }
    }
    tavrin::MemoryFileSystem fs;
    fs.put("disc.bin", image);
    std::vector<disc::DiscFile> files;
    if (!disc::list_files(fs, "disc.bin", files).ok()) {
        FUZZ_CHECK(fs.contents("disc.bin") == image);
        return 0;
    }
    FUZZ_CHECK(std::is_sorted(files.begin(), files.end(),
                              [](const auto& a, const auto& b) { return a.path < b.path; }));
    for (const auto& file : files) {
        const auto view = disc::inside_image(fs, "disc.bin", file.path);
        Bytes bytes;
        if (!tavrin::read_whole_file(*view, "disc.bin", 1u << 20, bytes).ok() || bytes.empty()) {
            continue;
        }
        // The first file of that name in any case (a damaged folder may repeat one).
        const auto upper = [](std::string text) {
            std::transform(text.begin(), text.end(), text.begin(),
                           [](char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; });
            return text;
        };
        const auto first = std::find_if(files.begin(), files.end(), [&](const auto& other) {
            return upper(other.path) == upper(file.path);
        });
        FUZZ_CHECK(bytes.size() == first->size);
        Bytes reversed(bytes.rbegin(), bytes.rend());
        std::unique_ptr<tavrin::File> open;
        std::size_t done = 0;
        FUZZ_CHECK(view->open("disc.bin", tavrin::OpenMode::update, open).ok());
        FUZZ_CHECK(open->write(reversed, done).ok() && done == reversed.size());
        // Through the same open file: the write may have hit the folders.
        Bytes back(reversed.size());
        FUZZ_CHECK(open->seek(0).ok() && open->read(back, done).ok() && done == back.size());
        FUZZ_CHECK(back == reversed);
        FUZZ_CHECK(fs.contents("disc.bin").size() == image.size());
        FUZZ_CHECK(!raw || every_sector_checks(fs.contents("disc.bin")));
        break;
    }
    return 0;
}
