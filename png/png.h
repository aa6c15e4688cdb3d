// PNG in memory, both ways: libpng on Linux, the Windows Imaging Component in
// the Win32 build (part of Windows, so the one static executable needs no DLL
// of its own). Callers put the bytes on disk with files/' safe replace.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tavrin::png {

struct Rgba {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 255;

    friend bool operator==(const Rgba&, const Rgba&) = default;
};

inline constexpr std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Larger images are refused before their pixels are decoded.
inline constexpr std::uint64_t max_pixels = 1u << 24;

// Rows top to bottom. Indexed: the palette in its order (duplicates kept) and
// one index a pixel. Otherwise the palette is empty and a pixel is four bytes,
// red, green, blue, alpha.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<Rgba> palette;
    std::vector<std::uint8_t> pixels;

    bool indexed() const { return !palette.empty(); }
};

// An indexed PNG gives its palette (alpha from tRNS) and indices; any other,
// its pixels as RGBA, even when it suggests a palette. warnings receives what
// the decoder noticed but read past; on failure, reason says why.
bool decode(std::span<const std::uint8_t> bytes, Image& image, std::vector<std::string>& warnings,
            std::string& reason);

// An indexed image becomes an 8-bit indexed PNG (PLTE in order, tRNS while an
// entry is not opaque); any other an 8-bit RGB PNG, or RGBA when a pixel is
// not opaque.
bool encode(const Image& image, std::vector<std::uint8_t>& bytes, std::string& reason);

// Shared by both implementations: whether image can be encoded, else why not.
bool encodable(const Image& image, std::string& reason);
// Whether every pixel of a direct-colour image is opaque.
bool opaque(const Image& image);
// Refuses more than max_pixels, with a reason.
bool within_limit(std::uint64_t width, std::uint64_t height, std::string& reason);

}  // namespace tavrin::png
