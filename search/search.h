// Finding CLUTs, TIM images and palette-like runs in files of any size. A file
// is read through a sliding memory map (buffered reads where mapping is not
// possible), never whole into memory; hits are streamed to a callback in
// offset order as they are found, with progress between blocks and
// cancellation within them. Safe to run on any thread: it touches nothing
// but its arguments.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "search/tim_header.h"

namespace tavrin::search {

// A sequence of colour words to look for.
struct ClutQuery {
    std::vector<std::uint16_t> words;  // 1 or more
    bool ignore_bit15 = false;         // compare only the 15 colour bits
    int tolerance = 0;                 // levels each 5-bit channel may differ by, 0 to 31
    int align = 2;                     // 1: any byte offset, 2: even offsets only
    int min_matching = 0;              // words that must match; 0 or more than words: all
};

// Palette-like runs: rows of 16 colour words at even offsets that each score
// at least min_score, joined while each row starts where the last one ends.
struct PaletteQuery {
    int min_words = 16;  // shortest run reported, rounded up to whole rows
    int min_score = 60;  // 0 to 100
};

enum class HitKind { clut, tim, palette };

struct Hit {
    HitKind kind = HitKind::clut;
    std::uint64_t offset = 0;
    int words = 0;  // clut: words matching; palette: words in the run
    int score = 0;  // palette: 0 to 100, the run's lowest row score
    TimInfo tim;    // tim only
};

// How a scan reports back. Every member may be empty. hit and progress are
// called on the scanning thread, in order; cancel is read every 64 KiB of
// starts (and every 1,024 hits), so setting it, even from hit, ends the scan
// within milliseconds, however dense the hits.
struct Observer {
    std::function<void(const Hit&)> hit;
    std::function<void(std::uint64_t done, std::uint64_t total)> progress;
    const std::atomic<bool>* cancel = nullptr;
};

// Knobs for tests and benchmarks; the defaults are what the program uses.
struct ScanSettings {
    std::size_t block_size = std::size_t{16} << 20;  // bytes between progress reports
    bool allow_mapping = true;                       // false: buffered reads only
};

// Bytes to search that are not one plain file, such as the data of a disc
// image: size bytes, read(offset, out) fills out or returns false with a reason.
struct Source {
    std::uint64_t size = 0;
    std::function<bool(std::uint64_t offset, std::span<std::uint8_t> out, std::string& reason)>
        read;
};

// A file whose bytes to search lie in fixed-size sectors, such as a raw CD
// image: data_size bytes at data_at of every sector_size bytes from base,
// searched as one stream. Hit offsets are offsets in that stream.
struct Sectors {
    std::uint64_t base = 0;
    std::uint64_t sector_size = 2352;
    std::uint64_t data_at = 24;
    std::uint64_t data_size = 2048;
};

// What a scan reads: a file by its path, the data of its sectors, or a
// Source (read block by block).
struct Target {
    Target(std::string file) : path(std::move(file)) {}
    Target(const char* file) : path(file) {}
    Target(std::string file, const Sectors& layout)
        : path(std::move(file)), sectored(true), sectors(layout) {}
    Target(const Source& bytes) : source(&bytes) {}

    std::string path;
    const Source* source = nullptr;
    bool sectored = false;
    Sectors sectors;
};

enum class ScanEnd { done, cancelled, failed };

struct ScanResult {
    ScanEnd end = ScanEnd::done;
    std::string reason;  // why it failed, for the user
    std::uint64_t hits = 0;
    std::uint64_t bytes = 0;  // the file's size
};

// Each checks its query first (a failed result with the reason when it is
// unusable), then scans the target. Directories, FIFOs and other special files are
// refused without blocking; a file that shrinks during the scan ends it with
// a failure rather than a crash.
ScanResult find_clut(const Target& target, const ClutQuery& query, const Observer& observer,
                     const ScanSettings& settings = {});
ScanResult find_tim(const Target& target, const Observer& observer,
                    const ScanSettings& settings = {});
ScanResult find_palettes(const Target& target, const PaletteQuery& query, const Observer& observer,
                         const ScanSettings& settings = {});

// The score (0 to 100) of 16 colour words as a palette row; the heuristic is
// described in the README.
int palette_row_score(const std::uint16_t (&words)[16]);

}  // namespace tavrin::search
