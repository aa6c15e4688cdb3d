// The layout of a raw 2352-byte CD sector (ECMA-130, with the CD-XA
// subheader for Mode 2) and the codes that protect it: the EDC and, for
// Mode 1 and Mode 2 Form 1, the P and Q Reed-Solomon parity.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tavrin::disc {

inline constexpr std::size_t raw_sector_size = 2352;
inline constexpr std::size_t data_sector_size = 2048;
inline constexpr std::size_t form2_data_size = 2324;
inline constexpr std::size_t sync_size = 12;

enum class SectorType {
    not_data,     // no sync pattern, or a mode other than 1 and 2
    mode1,        // 2048 data bytes at 16, EDC at 2064, P at 2076, Q at 2248
    mode2_form1,  // subheader at 16, 2048 data bytes at 24, EDC at 2072, P and Q as Mode 1
    mode2_form2,  // subheader at 16, 2324 data bytes at 24, EDC at 2348 (0: not computed)
};

bool has_sync(std::span<const std::uint8_t> sector);
SectorType sector_type(std::span<const std::uint8_t, raw_sector_size> sector);
// Where the data of a sector of that type starts (0 for not_data).
std::size_t data_start(SectorType type);

// CRC-32 with the reflected polynomial 0xD8018001, starting from zero.
std::uint32_t edc(std::span<const std::uint8_t> bytes);

// The EDC field holds the EDC of the bytes it covers (a Form 2 sector's
// zero field counts as correct: it was never computed).
bool edc_checks(std::span<const std::uint8_t, raw_sector_size> sector, SectorType type);

// Rebuilds the EDC and, where the type has them, the P and Q parity from the
// sync, header, subheader and data. A Form 2 sector with a zero EDC keeps it.
void rebuild_codes(std::span<std::uint8_t, raw_sector_size> sector, SectorType type);

// Writes a whole sector: sync, header for lba (two seconds of lead-in added,
// in BCD), the subheader for Mode 2, data (as many bytes as the form holds,
// zero-padded) and its codes.
void encode_sector(std::span<std::uint8_t, raw_sector_size> sector, std::uint32_t lba,
                   SectorType type, std::span<const std::uint8_t> data);

}  // namespace tavrin::disc
