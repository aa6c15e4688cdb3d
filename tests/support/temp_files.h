// Real files for tests: a fresh folder under the system's temporary folder,
// removed with everything in it when the test ends, and builders for the
// bytes of raw CLUT and TEX files.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

namespace tavrin::testing {

using Bytes = std::vector<std::uint8_t>;

class TempDir {
  public:
    TempDir();
    // Inside base instead, for instance a folder in memory where writing and
    // flushing cost little; the system's temporary folder when base is empty
    // or not a folder.
    explicit TempDir(const std::string& base);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& folder() const { return folder_; }
    // The full path of name inside the folder (the file need not exist).
    std::string path(const std::string& name) const;
    // Creates or replaces name with bytes; returns its full path.
    std::string write(const std::string& name, const Bytes& bytes) const;
    // The names in the folder, sorted: to prove no stray file was left.
    std::vector<std::string> names() const { return names_in(folder_); }
    static std::vector<std::string> names_in(const std::string& folder);

  private:
    std::string folder_;
};

// The whole file; empty when it cannot be read.
Bytes read_bytes(const std::string& path);
bool file_exists(const std::string& path);

// Little-endian colour words, as a raw CLUT file holds them.
Bytes words_to_bytes(std::initializer_list<std::uint16_t> words);
Bytes words_to_bytes(const std::vector<std::uint16_t>& words);
Bytes random_bytes(std::mt19937& rng, std::size_t count);

// A TEX file of size bytes of filler (a seeded pattern) whose header field of
// kind points at a record at record_offset, whose field at byte 12 points at
// clut_offset, where the 256 words of clut (zero-padded) are stored.
Bytes tex_file_bytes(std::size_t size, int kind, std::uint16_t record_offset,
                     std::uint16_t clut_offset, const std::vector<std::uint16_t>& clut);

}  // namespace tavrin::testing
