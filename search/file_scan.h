// Internal to search/: walks a file block by block through a memory map (or
// buffered reads) and runs a block scanner over each block under a guard that
// turns a fault from a shrinking file into a failed scan.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "search/search.h"

namespace tavrin::search::detail {

// The bytes visible while scanning one block: data[0] is the file's byte at
// offset; candidates start in [0, starts) and may read up to length.
struct Window {
    const std::uint8_t* data = nullptr;
    std::size_t length = 0;
    std::size_t starts = 0;
    std::uint64_t offset = 0;
    std::uint64_t file_size = 0;
};

// Scans window for starts from `from` on, writing at most capacity hits to
// out; returns how many it wrote and sets next to where to resume (starts
// when the block is finished). Runs under the fault guard: it must not
// allocate, throw or call out of search/.
class BlockScanner {
  public:
    virtual ~BlockScanner() = default;
    virtual std::size_t scan(const Window& window, std::size_t from, Hit* out, std::size_t capacity,
                             std::size_t& next) = 0;
    // Starts scanned between two looks at the cancel flag: a few milliseconds'
    // worth at most, even for the slowest query, and too few looks to cost speed.
    virtual std::size_t starts_per_check() const { return std::size_t{64} << 10; }
};

// Opens the target's path (refusing what is not a regular file or a block
// device), or reads its source, then scans each block with overlap extra
// bytes visible past its end, delivering hits to deliver in order, outside
// the guard. Block offsets are multiples of the block size, which is rounded
// up to a multiple of 32.
ScanResult scan_file(const Target& target, std::size_t overlap, BlockScanner& scanner,
                     const std::function<void(const Hit&)>& deliver, const Observer& observer,
                     const ScanSettings& settings);

// The size of path as std::filesystem gives it (the Windows build's way to
// it), or false with the reason.
bool filesystem_size(const std::string& path, std::uint64_t& size, std::string& reason);

}  // namespace tavrin::search::detail
