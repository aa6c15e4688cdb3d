// What the fuzz targets share: a check that stops the run on a broken
// invariant (asserts vanish in optimised builds), and the input split into
// parameters and file bytes, the bytes put in a file in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/memory_file_system.h"

#define FUZZ_CHECK(condition)                                                    \
    do {                                                                         \
        if (!(condition)) {                                                      \
            std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                        \
        }                                                                        \
    } while (false)

namespace tavrin::fuzz {

// Takes the first n bytes of the input as a little-endian number.
inline std::uint32_t take(const std::uint8_t*& data, std::size_t& size, std::size_t n) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < n && size > 0; ++i, ++data, --size) {
        value |= static_cast<std::uint32_t>(*data) << (8 * i);
    }
    return value;
}

inline std::uint16_t word_at(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

// Puts the file bytes of the input in fs at path; returns a copy for
// comparing the file with afterwards.
inline std::vector<std::uint8_t> put_input(MemoryFileSystem& fs, const std::string& path,
                                           const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> bytes(data, data + size);
    fs.put(path, bytes);
    return bytes;
}

}  // namespace tavrin::fuzz
