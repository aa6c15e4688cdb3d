// Temporary folders and file builders for tests.
#include "tests/support/temp_files.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace tavrin::testing {

namespace fs = std::filesystem;

namespace {

void put_word(Bytes& bytes, std::size_t at, std::uint16_t word) {
    bytes.at(at) = static_cast<std::uint8_t>(word & 0xFFu);
    bytes.at(at + 1) = static_cast<std::uint8_t>(word >> 8);
}

}  // namespace

TempDir::TempDir() : TempDir(std::string()) {}

TempDir::TempDir(const std::string& base_folder) {
    std::random_device entropy;
    std::error_code error;
    const fs::path base = !base_folder.empty() && fs::is_directory(base_folder, error)
                              ? fs::path(base_folder)
                              : fs::temp_directory_path(error);
    for (int attempt = 0; attempt < 100 && folder_.empty(); ++attempt) {
        const fs::path candidate = base / ("tavrin-test-" + std::to_string(entropy()));
        if (fs::create_directory(candidate, error)) {
            folder_ = candidate.string();
        }
    }
}

TempDir::~TempDir() {
    if (!folder_.empty()) {
        std::error_code error;
        fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, error);
        fs::remove_all(folder_, error);
    }
}

std::string TempDir::path(const std::string& name) const {
    return (fs::path(folder_) / name).string();
}

std::string TempDir::write(const std::string& name, const Bytes& bytes) const {
    const std::string full = path(name);
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return full;
}

std::vector<std::string> TempDir::names_in(const std::string& folder) {
    std::vector<std::string> found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        found.push_back(entry.path().filename().string());
    }
    std::sort(found.begin(), found.end());
    return found;
}

Bytes read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool file_exists(const std::string& path) {
    std::error_code error;
    return fs::exists(path, error);
}

Bytes words_to_bytes(std::initializer_list<std::uint16_t> words) {
    return words_to_bytes(std::vector<std::uint16_t>(words));
}

Bytes words_to_bytes(const std::vector<std::uint16_t>& words) {
    Bytes bytes(words.size() * 2);
    for (std::size_t i = 0; i < words.size(); ++i) {
        put_word(bytes, i * 2, words[i]);
    }
    return bytes;
}

Bytes random_bytes(std::mt19937& rng, std::size_t count) {
    std::uniform_int_distribution<int> byte(0, 255);
    Bytes bytes(count);
    for (auto& b : bytes) {
        b = static_cast<std::uint8_t>(byte(rng));
    }
    return bytes;
}

Bytes tex_file_bytes(std::size_t size, int kind, std::uint16_t record_offset,
                     std::uint16_t clut_offset, const std::vector<std::uint16_t>& clut) {
    std::mt19937 rng(static_cast<unsigned>(size) * 31u + static_cast<unsigned>(kind));
    Bytes bytes = random_bytes(rng, size);
    constexpr std::size_t header_fields[] = {4, 12, 16, 20, 32};
    put_word(bytes, header_fields[kind], record_offset);
    put_word(bytes, record_offset + 12u, clut_offset);
    for (std::size_t i = 0; i < 256; ++i) {
        put_word(bytes, clut_offset + i * 2, i < clut.size() ? clut[i] : 0);
    }
    return bytes;
}

}  // namespace tavrin::testing
