// tavrin_search_bench: the searches of search/ over one large file, side by
// side with glibc's memmem for the same 32 bytes in the same run, plus the
// precision of the palette-run heuristic on generated test images. The file
// and the CLUT come from TAVRIN_SEARCH_FILE and TAVRIN_SEARCH_CLUT (see
// bench/search_bench.sh, which makes a 1 GiB file and prints the ratios).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "search/search.h"
#include "tests/support/temp_files.h"

namespace {

using tavrin::search::ClutQuery;
using tavrin::search::Observer;
using tavrin::search::ScanEnd;

std::string file_path() {
    const char* path = std::getenv("TAVRIN_SEARCH_FILE");
    return path != nullptr ? path : "";
}

std::vector<std::uint8_t> clut_bytes() {
    const char* path = std::getenv("TAVRIN_SEARCH_CLUT");
    std::ifstream in(path != nullptr ? path : "", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint64_t file_size(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

bool ready(benchmark::State& state, const std::string& path,
           const std::vector<std::uint8_t>& clut) {
    if (file_size(path) == 0 || clut.size() < 2) {
        state.SkipWithError(
            "set TAVRIN_SEARCH_FILE and TAVRIN_SEARCH_CLUT (bench/search_bench.sh)");
        return false;
    }
    return true;
}

// The hits and bytes of the last run, as every benchmark here reports them.
void report(benchmark::State& state, std::uint64_t hits, std::uint64_t bytes_per_run) {
    state.counters["hits"] = static_cast<double>(hits);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes_per_run));
}

// Every place needle starts at, overlapping ones too, as find_clut counts them.
std::uint64_t memmem_hits(const char* data, std::uint64_t size,
                          const std::vector<std::uint8_t>& needle) {
    std::uint64_t hits = 0;
    for (const char* at = data; at < data + size;) {
        const void* found =
            ::memmem(at, static_cast<std::size_t>(data + size - at), needle.data(), needle.size());
        if (found == nullptr) {
            break;
        }
        ++hits;
        at = static_cast<const char*>(found) + 1;
    }
    return hits;
}

// memmem over the file mapped in this iteration, as a plain program would.
void BM_MemmemMapped(benchmark::State& state) {
    const std::string path = file_path();
    const auto needle = clut_bytes();
    if (!ready(state, path, needle)) {
        return;
    }
    const std::uint64_t size = file_size(path);
    std::uint64_t hits = 0;
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY);
        void* map = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
        ::madvise(map, size, MADV_SEQUENTIAL);
        hits = memmem_hits(static_cast<const char*>(map), size, needle);
        ::munmap(map, size);
        ::close(fd);
    }
    report(state, hits, size);
}
BENCHMARK(BM_MemmemMapped)->Unit(benchmark::kMillisecond)->UseRealTime();

// memmem alone: the file is mapped and in memory before the clock starts.
void BM_MemmemResident(benchmark::State& state) {
    const std::string path = file_path();
    const auto needle = clut_bytes();
    if (!ready(state, path, needle)) {
        return;
    }
    const std::uint64_t size = file_size(path);
    const int fd = ::open(path.c_str(), O_RDONLY);
    void* map = ::mmap(nullptr, size, PROT_READ, MAP_SHARED | MAP_POPULATE, fd, 0);
    std::uint64_t hits = 0;
    for (auto _ : state) {
        hits = memmem_hits(static_cast<const char*>(map), size, needle);
    }
    ::munmap(map, size);
    ::close(fd);
    report(state, hits, size);
}
BENCHMARK(BM_MemmemResident)->Unit(benchmark::kMillisecond)->UseRealTime();

// Scans the file in every iteration; scan gives a run's hits, or nothing once
// it has stopped the benchmark with an error.
template <typename Scan>
void run_scan(benchmark::State& state, Scan scan) {
    const std::string path = file_path();
    if (!ready(state, path, clut_bytes())) {
        return;
    }
    std::uint64_t hits = 0;
    for (auto _ : state) {
        const std::optional<std::uint64_t> found = scan(path);
        if (!found) {
            return;
        }
        hits = *found;
    }
    report(state, hits, file_size(path));
}

// find_clut for the CLUT of TAVRIN_SEARCH_CLUT; a tolerant search also
// ignores bit 15.
void run_clut(benchmark::State& state, int tolerance, int align) {
    const auto bytes = clut_bytes();
    ClutQuery query;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        query.words.push_back(static_cast<std::uint16_t>(bytes[i] | bytes[i + 1] << 8));
    }
    query.tolerance = tolerance;
    query.ignore_bit15 = tolerance > 0;
    query.align = align;
    run_scan(state, [&](const std::string& path) -> std::optional<std::uint64_t> {
        const auto result = tavrin::search::find_clut(path, query, Observer{});
        if (result.end != ScanEnd::done) {
            state.SkipWithError(result.reason.c_str());
            return std::nullopt;
        }
        return result.hits;
    });
}

// Align 1: memmem looks at every byte offset too.
void BM_FindClutExact(benchmark::State& state) {
    run_clut(state, 0, 1);
}
BENCHMARK(BM_FindClutExact)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FindClutExactAlign2(benchmark::State& state) {
    run_clut(state, 0, 2);
}
BENCHMARK(BM_FindClutExactAlign2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FindClutTolerance2(benchmark::State& state) {
    run_clut(state, 2, 1);
}
BENCHMARK(BM_FindClutTolerance2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FindClutTolerance2Align2(benchmark::State& state) {
    run_clut(state, 2, 2);
}
BENCHMARK(BM_FindClutTolerance2Align2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FindTim(benchmark::State& state) {
    run_scan(state, [](const std::string& path) -> std::optional<std::uint64_t> {
        return tavrin::search::find_tim(path, Observer{}).hits;
    });
}
BENCHMARK(BM_FindTim)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FindPalettes(benchmark::State& state) {
    run_scan(state, [](const std::string& path) -> std::optional<std::uint64_t> {
        return tavrin::search::find_palettes(path, {}, Observer{}).hits;
    });
}
BENCHMARK(BM_FindPalettes)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- The palette heuristic on generated test images -------------------

std::uint16_t color(int red, int green, int blue) {
    return static_cast<std::uint16_t>(std::clamp(blue, 0, 31) << 10 |
                                      std::clamp(green, 0, 31) << 5 | std::clamp(red, 0, 31));
}

// A CLUT row as artists lay them out: transparent black, then two or three
// shaded ramps of a random hue, with bit 15 on every colour or on none.
std::vector<std::uint16_t> generated_clut_row(std::mt19937& rng) {
    std::uniform_int_distribution<int> level(0, 31);
    std::uniform_int_distribution<int> ramps(2, 3);
    const std::uint16_t stp = rng() % 4 == 0 ? 0x8000 : 0;
    std::vector<std::uint16_t> row{0};
    const int count = ramps(rng);
    for (int r = 0; r < count && row.size() < 16; ++r) {
        const int red = level(rng), green = level(rng), blue = level(rng);
        const int length = r + 1 == count ? 16 - static_cast<int>(row.size()) : 15 / count;
        for (int i = 0; i < length; ++i) {
            const int shade = i * 24 / std::max(length, 1) - 8;
            row.push_back(
                static_cast<std::uint16_t>(color(red * (shade + 16) / 24, green * (shade + 16) / 24,
                                                 blue * (shade + 16) / 24) |
                                           stp));
        }
    }
    row.resize(16, row.back());
    return row;
}

// One generated "disc": TIM images of 4- and 8-bit pixels with their CLUTs,
// 16-bit images of smooth gradients, text, zero fill and noise, in random
// order. truth holds the byte ranges of the CLUTs.
std::vector<std::uint8_t> generated_disc(
    std::mt19937& rng, std::vector<std::pair<std::uint64_t, std::uint64_t>>& truth) {
    std::vector<std::uint8_t> disc;
    auto align = [&](std::size_t to) { disc.resize((disc.size() + to - 1) / to * to, 0); };
    auto put_words = [&](const std::vector<std::uint16_t>& words) {
        for (std::uint16_t word : words) {
            disc.push_back(static_cast<std::uint8_t>(word));
            disc.push_back(static_cast<std::uint8_t>(word >> 8));
        }
    };
    const char* text = "KICKVALE FC HOME KIT  stadium.tex  player_%02d.tim  LOADING... ";
    for (int item = 0; item < 4000; ++item) {
        switch (rng() % 6) {
            case 0:
            case 1: {  // an indexed TIM: header, CLUT rows, pixels
                align(32);
                const int rows = rng() % 2 == 0 ? 1 : 16;
                const std::size_t clut_at = disc.size() + 20;
                disc.resize(disc.size() + 20, 0);
                std::vector<std::uint16_t> clut;
                for (int r = 0; r < rows; ++r) {
                    const auto row = generated_clut_row(rng);
                    clut.insert(clut.end(), row.begin(), row.end());
                }
                put_words(clut);
                truth.emplace_back(clut_at, clut_at + 2 * clut.size());
                disc.resize(disc.size() + 12, 0);
                const int pixels = 64 * 64 / 2;
                for (int p = 0; p < pixels; ++p) {
                    disc.push_back(
                        static_cast<std::uint8_t>((p / 7 + p / 64) % 16 * 17 ^ (rng() % 3)));
                }
                break;
            }
            case 2: {  // a 16-bit image: a smooth gradient with a little noise
                const int red = static_cast<int>(rng() % 32), blue = static_cast<int>(rng() % 32);
                for (int y = 0; y < 32; ++y) {
                    for (int x = 0; x < 64; ++x) {
                        put_words({color(red + x / 8, y / 2 + static_cast<int>(rng() % 2),
                                         blue - x / 16)});
                    }
                }
                break;
            }
            case 3:  // text
                for (int i = 0; i < 512; ++i) {
                    disc.push_back(static_cast<std::uint8_t>(text[(i + item) % std::strlen(text)]));
                }
                break;
            case 4:  // zero fill
                disc.resize(disc.size() + 1024 + rng() % 2048, 0);
                break;
            default:  // compressed data
                for (int i = 0; i < 2048; ++i) {
                    disc.push_back(static_cast<std::uint8_t>(rng()));
                }
                break;
        }
    }
    return disc;
}

// Reported runs inside a CLUT are true; recall counts CLUTs touched by one.
void BM_PaletteRunPrecision(benchmark::State& state) {
    std::mt19937 rng(2026);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> truth;
    const auto disc = generated_disc(rng, truth);
    tavrin::testing::TempDir dir;
    const std::string path = dir.write("generated.img", disc);
    std::vector<tavrin::search::Hit> hits;
    for (auto _ : state) {
        hits.clear();
        Observer observer;
        observer.hit = [&](const tavrin::search::Hit& hit) { hits.push_back(hit); };
        tavrin::search::find_palettes(path, {}, observer);
    }
    std::size_t correct = 0;
    std::vector<bool> touched(truth.size(), false);
    for (const auto& hit : hits) {
        const std::uint64_t end = hit.offset + 2 * static_cast<std::uint64_t>(hit.words);
        bool inside = false;
        for (std::size_t i = 0; i < truth.size(); ++i) {
            if (hit.offset < truth[i].second && end > truth[i].first) {
                touched[i] = true;
                inside = inside || (hit.offset >= truth[i].first && end <= truth[i].second);
            }
        }
        correct += inside ? 1 : 0;
    }
    state.counters["cluts"] = static_cast<double>(truth.size());
    state.counters["runs"] = static_cast<double>(hits.size());
    state.counters["precision"] =
        hits.empty() ? 0.0 : static_cast<double>(correct) / static_cast<double>(hits.size());
    state.counters["recall"] =
        static_cast<double>(std::count(touched.begin(), touched.end(), true)) /
        static_cast<double>(truth.size());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * disc.size()));
}
BENCHMARK(BM_PaletteRunPrecision)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
