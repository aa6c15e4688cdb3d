// Reading and writing CLUTs: raw CLUT files, the CLUTs of TEX files, and CLUTs
// at an offset of any file. Offsets and lengths found in a file or typed by
// the user are checked against the file's size before anything is read or
// written; a read that comes up short is a failed read; a whole file is
// replaced only once its new contents are complete; an injection overwrites
// exactly the CLUT's bytes or nothing.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "files/clut_params.h"
#include "files/file_system.h"
#include "palette/palette.h"

namespace tavrin {

inline constexpr std::size_t color_word_size = 2;
inline constexpr int tex_clut_colors = 256;

// The first 48 bytes of a TEX file. Five 16-bit fields, one per CLUT kind,
// give the file offset of that CLUT's TexClutRecord; the rest is not read.
struct TexHeader {
    static constexpr std::size_t size = 48;
    static constexpr std::array<std::size_t, tex_kind_count> record_fields = {4, 12, 16, 20, 32};

    std::array<std::uint8_t, size> bytes{};

    // 0 for a kind outside 0..4.
    std::uint16_t record_offset(int kind) const;
};

// 16 bytes at the offset the header gives; the field at byte 12 is the file
// offset of the CLUT itself (256 colour words).
struct TexClutRecord {
    static constexpr std::size_t size = 16;
    static constexpr std::size_t clut_field = 12;

    std::array<std::uint8_t, size> bytes{};

    std::uint16_t clut_offset() const;
};

// A CLUT as read: entries 0..count-1 decoded, the rest all zero.
struct Clut {
    std::array<PaletteEntry, palette_size> entries{};
    int count = 0;
};

// Decodes little-endian colour words; at most 256, a trailing odd byte ignored.
void decode_clut(std::span<const std::uint8_t> bytes, Clut& clut);

// Encodes entries as little-endian colour words from their components and
// high bit (never from raw).
std::vector<std::uint8_t> encode_clut(std::span<const PaletteEntry> entries);

// Writes the entries' colour words at the file's current position. A write
// that stops short is a failure.
Status write_clut(File& file, std::span<const PaletteEntry> entries);

// A raw CLUT file: size / 2 colours (an odd last byte ignored). More than 256
// is a too_many_colors failure with clut.count 0; any other failure leaves
// clut.count at the number the size gave.
Status read_clut_file(FileSystem& fs, const std::string& path, Clut& clut);

// Writes entries as a raw CLUT file at path, or at the file its symbolic
// links lead to (created if the last link dangles). An existing target must
// be a regular file that is not read-only; it keeps its mode, owner and group
// (as far as the user may set them) and extended attributes. Normally the new
// contents go to a new file beside the target, which then replaces it; a
// target with other names (hard links), in a folder where no new file can be
// made, or on a system that cannot show its links (Windows), is rewritten in
// place instead, after a complete copy of its old
// contents has been written and flushed beside it (or, in a read-only folder,
// in spare_folder()), so that every name sees the new CLUT. On failure the
// target holds its old bytes (or, in place, the reason says whether they
// were written back, and where the copy is if not) and no temporary file is
// left behind (or the reason says which one could not be removed). Once the
// new contents are in place the save succeeds, with a warning when the
// folder could not be flushed or the copy could not be removed (naming it).
Status save_clut_file(FileSystem& fs, const std::string& path,
                      std::span<const PaletteEntry> entries);

// Writes bytes as the whole of path with every safeguard of save_clut_file,
// which is this for a CLUT's colour words.
Status replace_file(FileSystem& fs, const std::string& path, std::span<const std::uint8_t> bytes);

// The whole of a file of at most max_size bytes; a larger one fails before
// anything is read.
Status read_whole_file(FileSystem& fs, const std::string& path, std::uint64_t max_size,
                       std::vector<std::uint8_t>& bytes);

// Follows the header and the record of a TEX file to the offset of the CLUT of
// kind (0..4), checking that the header, the record and the 512 bytes of the
// CLUT all lie within the file.
Status find_tex_clut(FileSystem& fs, const std::string& path, int kind, std::uint32_t& clut_offset);

// The 256 colours of the CLUT of kind; clut_offset receives where they are.
Status read_tex_clut(FileSystem& fs, const std::string& path, int kind, Clut& clut,
                     std::uint32_t& clut_offset);

// count (0..256) colour words at offset. A negative offset, or a CLUT that
// does not end within the file, fails before anything is read.
Status read_clut_at_offset(FileSystem& fs, const std::string& path, std::int64_t offset, int count,
                           Clut& clut);

// Overwrites, in place, the 2 x entries.size() bytes at offset of an existing
// regular file with the entries' colour words, through one open file. A CLUT
// that would reach past the end of the file (or a negative offset) is refused
// with does_not_fit before anything is written: the file never grows and no
// byte outside the CLUT changes. Just before writing, the file is checked
// again: if path now names another file, or the file no longer holds the
// CLUT, nothing is written (changed). If writing fails part way, the bytes
// that were there are written back; the reason says "it may be damaged" only
// when the bytes on disk are known to be neither the old nor the new ones.
Status inject_clut(FileSystem& fs, const std::string& path, std::int64_t offset,
                   std::span<const PaletteEntry> entries);

// inject_clut into the CLUT of kind of a TEX file, located through the same
// open file that is then written. When expected_offset is given, the header
// and record must still lead there (the file may have been replaced since it
// was read), or nothing is written. clut_offset receives where the CLUT is.
Status inject_tex_clut(FileSystem& fs, const std::string& path, int kind,
                       std::optional<std::uint32_t> expected_offset,
                       std::span<const PaletteEntry> entries, std::uint32_t& clut_offset);

}  // namespace tavrin
