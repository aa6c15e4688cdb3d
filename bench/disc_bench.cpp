// Disc images: listing the files of a 700 MB raw image (2,000 files in 40
// folders; the image is sparse past its folders, which is all a listing
// reads), and reading a raw image's data stream against reading a flat file
// of the same data bytes, both 64 MiB and both through the FileSystem; and
// the finder over the two, side by side.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "disc/disc.h"
#include "disc/sectors.h"
#include "files/file_reads.h"
#include "search/search.h"
#include "tests/support/temp_files.h"

namespace {

using tavrin::testing::Bytes;
using tavrin::testing::TempDir;

constexpr std::uint64_t listed_size = 700ull << 20;
constexpr std::size_t stream_sectors = 32768;  // 64 MiB of data

void write_file(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

Bytes raw_sectors(const Bytes& data) {
    Bytes raw(data.size() / 2048 * 2352);
    for (std::size_t lba = 0; lba < data.size() / 2048; ++lba) {
        tavrin::disc::encode_sector(std::span<std::uint8_t, 2352>(raw.data() + lba * 2352, 2352),
                                    static_cast<std::uint32_t>(lba),
                                    tavrin::disc::SectorType::mode2_form1,
                                    std::span(data).subspan(lba * 2048, 2048));
    }
    return raw;
}

struct Images {
    TempDir dir;
    std::string listed;  // empty without genisoimage
    std::string flat;
    std::string raw;

    Images() {
        const std::string tree = dir.path("tree");
        for (int folder = 0; folder < 40; ++folder) {
            const std::string name = tree + "/F" + std::to_string(folder);
            std::filesystem::create_directories(name);
            for (int file = 0; file < 50; ++file) {
                write_file(name + "/FILE" + std::to_string(file) + ".TEX", Bytes(3000, 1));
            }
        }
        const std::string iso = dir.path("list.iso");
        if (std::system(
                ("genisoimage -quiet -o '" + iso + "' '" + tree + "' 2>/dev/null").c_str()) == 0) {
            listed = dir.write("list.bin", raw_sectors(tavrin::testing::read_bytes(iso)));
            std::filesystem::resize_file(listed, listed_size);
        }
        std::mt19937 rng(7);
        const Bytes data = tavrin::testing::random_bytes(rng, stream_sectors * 2048);
        flat = dir.write("flat.dat", data);
        raw = dir.write("data.bin", raw_sectors(data));
    }
};

Images& images() {
    static Images made;
    return made;
}

void BM_ListDiscFiles(benchmark::State& state) {
    if (images().listed.empty()) {
        state.SkipWithError("genisoimage is not installed");
        return;
    }
    std::vector<tavrin::disc::DiscFile> files;
    for (auto _ : state) {
        if (!tavrin::disc::list_files(tavrin::standard_file_system(), images().listed, files)
                 .ok()) {
            state.SkipWithError("the listing failed");
            return;
        }
        benchmark::DoNotOptimize(files.data());
    }
    state.SetLabel(std::to_string(files.size()) + " files in a 700 MB raw image");
}
BENCHMARK(BM_ListDiscFiles)->Unit(benchmark::kMillisecond);

// 0: the flat file; 1: the raw image's data, through inside_image.
void BM_ReadData(benchmark::State& state) {
    const bool raw = state.range(0) == 1;
    const std::string& path = raw ? images().raw : images().flat;
    auto view = tavrin::disc::inside_image(tavrin::standard_file_system(), path, "");
    tavrin::FileSystem& fs = raw ? *view : tavrin::standard_file_system();
    Bytes chunk(1 << 20);
    for (auto _ : state) {
        std::unique_ptr<tavrin::File> file;
        if (!fs.open(path, tavrin::OpenMode::read, file).ok() || !file->seek(raw ? 24 : 0).ok()) {
            state.SkipWithError("cannot open it");
            return;
        }
        std::size_t total = 0;
        for (std::size_t done = 1; done > 0; total += done) {
            if (!file->read(chunk, done).ok()) {
                state.SkipWithError("a read failed");
                return;
            }
        }
        if (total != stream_sectors * 2048) {
            state.SkipWithError("it read the wrong number of bytes");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream_sectors * 2048));
    state.SetLabel(raw ? "raw image's data stream" : "flat file");
}
BENCHMARK(BM_ReadData)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// 0: the flat file, mapped; 1: the raw image's data as the finder and find
// search it, gathered from the mapped sectors; 2: the same data read through
// the sector view, block by block.
void BM_FindInData(benchmark::State& state) {
    const auto how = state.range(0);
    auto view = tavrin::disc::inside_image(tavrin::standard_file_system(), images().raw, "");
    std::unique_ptr<tavrin::File> file;
    if (!view->open(images().raw, tavrin::OpenMode::read, file).ok()) {
        state.SkipWithError("cannot open it");
        return;
    }
    const tavrin::disc::DataLayout layout{0, 2352, 24};
    tavrin::search::Source source;
    source.size = stream_sectors * 2048;
    source.read = [&](std::uint64_t offset, std::span<std::uint8_t> out, std::string& reason) {
        const tavrin::Status status = tavrin::read_exact(*file, layout.image_offset(offset), out);
        reason = status.reason;
        return status.ok();
    };
    tavrin::search::ClutQuery query;
    query.words = {0x1234, 0x5678, 0x1F2E, 0x3D4C};  // absent from the random data
    for (auto _ : state) {
        const auto result = how == 0 ? tavrin::search::find_clut(images().flat, query, {})
                            : how == 1
                                ? tavrin::search::find_clut(
                                      tavrin::search::Target(
                                          images().raw, tavrin::search::Sectors{0, 2352, 24, 2048}),
                                      query, {})
                                : tavrin::search::find_clut(source, query, {});
        if (result.end != tavrin::search::ScanEnd::done) {
            state.SkipWithError(result.reason.c_str());
            return;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream_sectors * 2048));
    state.SetLabel(how == 0   ? "flat file"
                   : how == 1 ? "raw image's data, mapped sectors"
                              : "raw image's data, through the sector view");
}
BENCHMARK(BM_FindInData)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace
