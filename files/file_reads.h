// The small steps every reader in Tavrin shares: a file opened with its size,
// a range checked against that size, and a read that must come back whole.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "files/file_system.h"

namespace tavrin {

// "1 byte", "512 bytes": for messages.
std::string bytes_text(std::uint64_t count);

// True when [offset, offset + length) lies within a file of size bytes.
bool within(std::uint64_t size, std::uint64_t offset, std::uint64_t length);

// An open file with the size it had when it was opened: what a reader checks
// every offset against.
struct SizedFile {
    std::unique_ptr<File> file;
    std::uint64_t size = 0;
};

Status open_sized(FileSystem& fs, const std::string& path, OpenMode mode, SizedFile& opened);

// Reads exactly out.size() bytes at offset; anything less is a not_in_file
// failure that says how much came.
Status read_exact(File& file, std::uint64_t offset, std::span<std::uint8_t> out);

}  // namespace tavrin
