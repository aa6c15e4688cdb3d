// EDC and P/Q parity of raw sectors, from the polynomials of ECMA-130.
#include "disc/sectors.h"

#include <algorithm>
#include <array>

namespace tavrin::disc {

namespace {

constexpr std::array<std::uint8_t, sync_size> sync_pattern = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                              0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

constexpr std::size_t header_at = 12;
constexpr std::size_t subheader_at = 16;
constexpr std::size_t mode1_edc_at = 2064;
constexpr std::size_t form1_edc_at = 2072;
constexpr std::size_t form2_edc_at = 2348;
constexpr std::size_t p_at = 2076;
constexpr std::size_t q_at = 2248;
constexpr std::uint8_t form2_submode_bit = 0x20;

constexpr std::array<std::uint32_t, 256> edc_table = [] {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit) {
            value = (value >> 1) ^ ((value & 1u) ? 0xD8018001u : 0u);
        }
        table[i] = value;
    }
    return table;
}();

// GF(2^8) over x^8+x^4+x^3+x^2+1: powers of alpha and their logarithms.
struct Field {
    std::array<std::uint8_t, 512> exp{};
    std::array<int, 256> log{};
};

constexpr Field field = [] {
    Field f{};
    unsigned value = 1;
    for (int i = 0; i < 255; ++i) {
        f.exp[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value);
        f.log[value] = i;
        value <<= 1;
        if (value & 0x100u) {
            value ^= 0x11Du;
        }
    }
    for (std::size_t i = 255; i < f.exp.size(); ++i) {
        f.exp[i] = f.exp[i - 255];
    }
    return f;
}();

std::uint8_t multiply(std::uint8_t a, int alpha_power) {
    if (a == 0) {
        return 0;
    }
    return field.exp[static_cast<std::size_t>((field.log[a] + alpha_power) % 255)];
}

// One parity pass over the 2064 bytes from the header (P) or the 2236 from
// the header through P (Q): vectors of n bytes, the last two of each the
// parity, weighted so that both syndromes (sum c_i and sum c_i a^(n-1-i)) are
// zero. Vector v starts at byte (v / 2) * start_step + v % 2 and steps by step
// bytes, wrapping around the covered area.
void parity(std::span<std::uint8_t> covered, std::size_t vectors, std::size_t data_count,
            std::size_t start_step, std::size_t step, std::span<std::uint8_t> out) {
    const std::size_t n = data_count + 2;
    const std::size_t area = vectors * data_count;
    // 1 / (alpha + 1), as a power of alpha.
    const int inverse = 255 - field.log[field.exp[1] ^ 1u];
    for (std::size_t v = 0; v < vectors; ++v) {
        std::size_t at = (v / 2) * start_step + v % 2;
        std::uint8_t sum = 0;
        std::uint8_t weighted = 0;
        for (std::size_t i = 0; i < data_count; ++i) {
            const std::uint8_t byte = covered[at];
            sum ^= byte;
            weighted ^= multiply(byte, static_cast<int>(n - 1 - i));
            at = (at + step) % area;
        }
        const std::uint8_t first = multiply(static_cast<std::uint8_t>(sum ^ weighted), inverse);
        out[v] = first;
        out[v + vectors] = static_cast<std::uint8_t>(first ^ sum);
    }
}

void store_le(std::span<std::uint8_t> at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::uint32_t load_le(std::span<const std::uint8_t> at) {
    return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
           (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

// The first covered byte, and where the EDC is stored.
std::size_t edc_from(SectorType type) {
    return type == SectorType::mode1 ? 0 : subheader_at;
}

std::size_t edc_field(SectorType type) {
    switch (type) {
        case SectorType::mode1:
            return mode1_edc_at;
        case SectorType::mode2_form1:
            return form1_edc_at;
        default:
            return form2_edc_at;
    }
}

std::uint8_t bcd(std::uint32_t value) {
    return static_cast<std::uint8_t>((value / 10) * 16 + value % 10);
}

}  // namespace

bool has_sync(std::span<const std::uint8_t> sector) {
    return sector.size() >= sync_size &&
           std::equal(sync_pattern.begin(), sync_pattern.end(), sector.begin());
}

SectorType sector_type(std::span<const std::uint8_t, raw_sector_size> sector) {
    if (!has_sync(sector)) {
        return SectorType::not_data;
    }
    switch (sector[15]) {
        case 1:
            return SectorType::mode1;
        case 2:
            return (sector[subheader_at + 2] & form2_submode_bit) ? SectorType::mode2_form2
                                                                  : SectorType::mode2_form1;
        default:
            return SectorType::not_data;
    }
}

std::size_t data_start(SectorType type) {
    switch (type) {
        case SectorType::mode1:
            return 16;
        case SectorType::mode2_form1:
        case SectorType::mode2_form2:
            return 24;
        default:
            return 0;
    }
}

std::uint32_t edc(std::span<const std::uint8_t> bytes) {
    std::uint32_t crc = 0;
    for (const std::uint8_t byte : bytes) {
        crc = (crc >> 8) ^ edc_table[(crc ^ byte) & 0xFFu];
    }
    return crc;
}

bool edc_checks(std::span<const std::uint8_t, raw_sector_size> sector, SectorType type) {
    if (type == SectorType::not_data) {
        return false;
    }
    const std::size_t field_at = edc_field(type);
    const std::uint32_t stored = load_le(sector.subspan(field_at, 4));
    if (type == SectorType::mode2_form2 && stored == 0) {
        return true;
    }
    const std::size_t from = edc_from(type);
    return stored == edc(sector.subspan(from, field_at - from));
}

void rebuild_codes(std::span<std::uint8_t, raw_sector_size> sector, SectorType type) {
    if (type == SectorType::not_data) {
        return;
    }
    const std::size_t field_at = edc_field(type);
    const auto field_bytes = sector.subspan(field_at, 4);
    if (type == SectorType::mode2_form2) {
        if (load_le(field_bytes) != 0) {
            store_le(field_bytes, edc(sector.subspan(subheader_at, field_at - subheader_at)));
        }
        return;
    }
    const std::size_t from = edc_from(type);
    store_le(field_bytes, edc(sector.subspan(from, field_at - from)));
    // The parity of Mode 2 is computed as if the header were zero, so that a
    // sector keeps its parity wherever it is placed.
    std::array<std::uint8_t, 4> header{};
    std::copy_n(sector.begin() + header_at, 4, header.begin());
    if (type == SectorType::mode2_form1) {
        std::fill_n(sector.begin() + header_at, 4, std::uint8_t{0});
    }
    const auto covered = sector.subspan(header_at, q_at - header_at);
    parity(covered, 86, 24, 2, 86, sector.subspan(p_at, 172));
    parity(covered, 52, 43, 86, 88, sector.subspan(q_at, 104));
    std::copy(header.begin(), header.end(), sector.begin() + header_at);
}

void encode_sector(std::span<std::uint8_t, raw_sector_size> sector, std::uint32_t lba,
                   SectorType type, std::span<const std::uint8_t> data) {
    std::fill(sector.begin(), sector.end(), std::uint8_t{0});
    std::copy(sync_pattern.begin(), sync_pattern.end(), sector.begin());
    const std::uint32_t frames = lba + 150;
    sector[12] = bcd(frames / (60 * 75));
    sector[13] = bcd(frames / 75 % 60);
    sector[14] = bcd(frames % 75);
    sector[15] = type == SectorType::mode1 ? 1 : 2;
    std::size_t room = data_sector_size;
    if (type == SectorType::mode2_form1 || type == SectorType::mode2_form2) {
        const std::uint8_t submode = type == SectorType::mode2_form2 ? 0x28 : 0x08;  // data
        for (std::size_t copy : {std::size_t{16}, std::size_t{20}}) {
            sector[copy + 2] = submode;
        }
        if (type == SectorType::mode2_form2) {
            room = form2_data_size;
            store_le(sector.subspan(form2_edc_at, 4), 1);  // computed below, not left zero
        }
    }
    const std::size_t count = std::min(room, data.size());
    std::copy_n(data.begin(), count,
                sector.begin() + static_cast<std::ptrdiff_t>(data_start(type)));
    rebuild_codes(sector, type);
}

}  // namespace tavrin::disc
