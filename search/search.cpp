// The three searches as block scanners. Each finds candidates with a cheap
// filter that the compiler or SSE2/AVX2 runs over 16 or 32 bytes at a time and checks
// only those: an exact CLUT by two of its rarest bytes, a CLUT within a
// tolerance by channel ranges over whole words, a TIM by its 4-byte id.
#include "search/search.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "search/file_scan.h"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace tavrin::search {

namespace {

using detail::BlockScanner;
using detail::Window;

std::uint16_t word_at(const std::uint8_t* at) {
    std::uint16_t word;
    std::memcpy(&word, at, 2);
    return word;  // little-endian hosts only, like the rest of the program
}

// Two bytes at fixed distances from a start, each compared under a mask: the
// prefilter of a pattern.
struct BytePair {
    std::size_t first = 0;
    std::size_t second = 0;
    std::uint8_t byte1 = 0;
    std::uint8_t byte2 = 0;
    std::uint8_t mask1 = 0xFF;
    std::uint8_t mask2 = 0xFF;
};

// The vector passes of the prefilter: each calls take(start) for the starts
// in [at, end) (even ones only when even is set) whose pair matches, in order,
// until take returns false, and returns where it stopped: the refused start
// plus one, or the first start it left to the caller's scalar loop. A start
// needs bytes up to start + pair.second + 1 below end + pair.second + 16.
#if defined(__SSE2__)
template <typename Take>
std::size_t pair_pass_sse2(const std::uint8_t* data, std::size_t at, std::size_t end,
                           const BytePair& pair, bool even, Take take) {
    const __m128i byte1 = _mm_set1_epi8(static_cast<char>(pair.byte1));
    const __m128i byte2 = _mm_set1_epi8(static_cast<char>(pair.byte2));
    const __m128i mask1 = _mm_set1_epi8(static_cast<char>(pair.mask1));
    const __m128i mask2 = _mm_set1_epi8(static_cast<char>(pair.mask2));
    for (; at + 16 <= end; at += 16) {
        const __m128i a = _mm_and_si128(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at + pair.first)), mask1);
        const __m128i b = _mm_and_si128(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at + pair.second)), mask2);
        unsigned bits = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, byte1), _mm_cmpeq_epi8(b, byte2))));
        if (even) {
            bits &= at % 2 == 0 ? 0x5555u : 0xAAAAu;
        }
        while (bits != 0) {
            const std::size_t start = at + static_cast<std::size_t>(__builtin_ctz(bits));
            bits &= bits - 1;
            if (!take(start)) {
                return start + 1;
            }
        }
    }
    return at;
}
#endif

#if defined(__x86_64__) && defined(__GNUC__)
#define TAVRIN_SEARCH_AVX2 1
template <typename Take>
__attribute__((target("avx2"))) std::size_t pair_pass_avx2(const std::uint8_t* data, std::size_t at,
                                                           std::size_t end, const BytePair& pair,
                                                           bool even, Take take) {
    const __m256i byte1 = _mm256_set1_epi8(static_cast<char>(pair.byte1));
    const __m256i byte2 = _mm256_set1_epi8(static_cast<char>(pair.byte2));
    const __m256i mask1 = _mm256_set1_epi8(static_cast<char>(pair.mask1));
    const __m256i mask2 = _mm256_set1_epi8(static_cast<char>(pair.mask2));
    for (; at + 32 <= end; at += 32) {
        const __m256i a = _mm256_and_si256(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + at + pair.first)), mask1);
        const __m256i b = _mm256_and_si256(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + at + pair.second)), mask2);
        unsigned bits = static_cast<unsigned>(_mm256_movemask_epi8(
            _mm256_and_si256(_mm256_cmpeq_epi8(a, byte1), _mm256_cmpeq_epi8(b, byte2))));
        if (even) {
            bits &= at % 2 == 0 ? 0x55555555u : 0xAAAAAAAAu;
        }
        while (bits != 0) {
            const std::size_t start = at + static_cast<std::size_t>(__builtin_ctz(bits));
            bits &= bits - 1;
            if (!take(start)) {
                return start + 1;
            }
        }
    }
    return at;
}

bool has_avx2() {
    static const bool supported = __builtin_cpu_supports("avx2");
    return supported;
}
#endif

// The widest vector pass this processor runs; at is returned unchanged when
// there is none.
template <typename Take>
std::size_t pair_pass(const std::uint8_t* data, std::size_t at, std::size_t end,
                      const BytePair& pair, bool even, Take take) {
#if defined(TAVRIN_SEARCH_AVX2)
    if (has_avx2()) {
        return pair_pass_avx2(data, at, end, pair, even, take);
    }
#endif
#if defined(__SSE2__)
    return pair_pass_sse2(data, at, end, pair, even, take);
#else
    (void)data, (void)end, (void)pair, (void)even, (void)take;
    return at;
#endif
}

// How common a byte value tends to be in game data: 0 most common.
int byte_rarity(std::uint8_t byte) {
    if (byte == 0x00) {
        return 0;
    }
    if (byte == 0xFF || byte == 0x7F || byte == 0x80) {
        return 1;
    }
    if (byte < 0x10 || byte == 0x20) {
        return 2;
    }
    if (byte >= 0x61 && byte <= 0x7A) {
        return 3;  // lower-case text
    }
    return 4;
}

// Last candidate start in the window plus one: a start needs need bytes.
std::size_t start_end(const Window& window, std::size_t need) {
    if (window.length < need) {
        return 0;
    }
    return std::min(window.starts, window.length - need + 1);
}

// Exact matches of all words, by two prefilter bytes then a full compare.
class ExactScanner : public BlockScanner {
  public:
    explicit ExactScanner(const ClutQuery& query) : align_(query.align) {
        for (std::uint16_t word : query.words) {
            const std::uint16_t masked = query.ignore_bit15 ? word & 0x7FFF : word;
            pattern_.push_back(static_cast<std::uint8_t>(masked));
            pattern_.push_back(static_cast<std::uint8_t>(masked >> 8));
            masks_.push_back(0xFF);
            masks_.push_back(query.ignore_bit15 ? 0x7F : 0xFF);
        }
        masked_ = query.ignore_bit15;
        words_ = static_cast<int>(query.words.size());
        // The two rarest bytes, different in value where possible.
        std::array<std::size_t, 2> best{0, pattern_.size() - 1};
        int best_score = -1;
        for (std::size_t i = 0; i < pattern_.size(); ++i) {
            for (std::size_t j = i + 1; j < pattern_.size(); ++j) {
                const int score = 2 * (byte_rarity(pattern_[i]) + byte_rarity(pattern_[j])) +
                                  (pattern_[i] != pattern_[j] ? 1 : 0);
                if (score > best_score) {
                    best_score = score;
                    best = {i, j};
                }
            }
        }
        pair_ = {best[0],           best[1],         pattern_[best[0]],
                 pattern_[best[1]], masks_[best[0]], masks_[best[1]]};
    }

    std::size_t scan(const Window& window, std::size_t from, Hit* out, std::size_t capacity,
                     std::size_t& next) override {
        const std::size_t end = start_end(window, pattern_.size());
        const std::uint8_t* data = window.data;
        std::size_t count = 0;
        std::size_t at = from;
        if (align_ == 2 && at % 2 != 0) {
            ++at;
        }
        bool full = false;
        at = pair_pass(data, at, end, pair_, align_ == 2, [&](std::size_t start) {
            if (matches(data + start)) {
                out[count++] = hit(window, start);
                full = count == capacity;
            }
            return !full;
        });
        if (full) {
            next = at;
            return count;
        }
        if (align_ == 2 && at % 2 != 0) {
            ++at;
        }
        for (; at < end; at += static_cast<std::size_t>(align_)) {
            if ((data[at + pair_.first] & pair_.mask1) == pair_.byte1 &&
                (data[at + pair_.second] & pair_.mask2) == pair_.byte2 && matches(data + at)) {
                out[count++] = hit(window, at);
                if (count == capacity) {
                    next = at + static_cast<std::size_t>(align_);
                    return count;
                }
            }
        }
        next = window.starts;
        return count;
    }

  private:
    bool matches(const std::uint8_t* at) const {
        if (!masked_) {
            return std::memcmp(at, pattern_.data(), pattern_.size()) == 0;
        }
        for (std::size_t i = 0; i < pattern_.size(); ++i) {
            if ((at[i] & masks_[i]) != pattern_[i]) {
                return false;
            }
        }
        return true;
    }

    Hit hit(const Window& window, std::size_t at) const {
        Hit found;
        found.kind = HitKind::clut;
        found.offset = window.offset + at;
        found.words = words_;
        return found;
    }

    std::vector<std::uint8_t> pattern_;
    std::vector<std::uint8_t> masks_;
    BytePair pair_;
    bool masked_ = false;
    int words_ = 0;
    int align_ = 2;
};

// The words a colour word may be near: a range per channel and the bit 15
// that must agree (none when it is ignored).
struct NearRange {
    std::uint16_t low[3];
    std::uint16_t span[3];
    std::uint16_t bit15;
    std::uint16_t bit15_mask;
};

NearRange near_range(std::uint16_t word, int tolerance, bool ignore_bit15) {
    NearRange range{};
    for (int channel = 0; channel < 3; ++channel) {
        const int value = (word >> (5 * channel)) & 31;
        const int low = std::max(0, value - tolerance);
        const int high = std::min(31, value + tolerance);
        range.low[channel] = static_cast<std::uint16_t>(low);
        range.span[channel] = static_cast<std::uint16_t>(high - low);
    }
    range.bit15_mask = ignore_bit15 ? 0 : 0x8000;
    range.bit15 = word & range.bit15_mask;
    return range;
}

inline bool is_near(std::uint16_t word, const NearRange& range) {
    const auto red = static_cast<std::uint16_t>((word & 31) - range.low[0]);
    const auto green = static_cast<std::uint16_t>(((word >> 5) & 31) - range.low[1]);
    const auto blue = static_cast<std::uint16_t>(((word >> 10) & 31) - range.low[2]);
    return (red <= range.span[0]) & (green <= range.span[1]) & (blue <= range.span[2]) &
           ((word & range.bit15_mask) == range.bit15);
}

// flags[i] |= the word at data + 2 * i is near range, for count words; a loop
// the compiler turns into vector compares, built for AVX2 too where the
// loader can pick the variant.
#if defined(__x86_64__) && defined(__linux__) && defined(__GNUC__)
__attribute__((target_clones("avx2", "default")))
#endif
void mark_near(const std::uint8_t* __restrict data, std::size_t count, const NearRange& range,
               std::uint8_t* __restrict flags) {
    // Locals, so that the loop knows nothing it reads changes under it.
    const std::uint16_t low0 = range.low[0], low1 = range.low[1], low2 = range.low[2];
    const std::uint16_t span0 = range.span[0], span1 = range.span[1], span2 = range.span[2];
    const std::uint16_t bit15 = range.bit15, bit15_mask = range.bit15_mask;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint16_t word = word_at(data + 2 * i);
        const auto red = static_cast<std::uint16_t>((word & 31) - low0);
        const auto green = static_cast<std::uint16_t>(((word >> 5) & 31) - low1);
        const auto blue = static_cast<std::uint16_t>(((word >> 10) & 31) - low2);
        const bool near =
            (red <= span0) & (green <= span1) & (blue <= span2) & ((word & bit15_mask) == bit15);
        flags[i] |= static_cast<std::uint8_t>(near);
    }
}

// Matches within a tolerance, or of at least min_matching words. A match of m
// of n words has one of its first n - m + 1 words near; those mark the
// candidates, which are then counted word by word.
class NearScanner : public BlockScanner {
  public:
    explicit NearScanner(const ClutQuery& query) : align_(query.align) {
        const int words = static_cast<int>(query.words.size());
        need_ = query.min_matching > 0 && query.min_matching < words ? query.min_matching : words;
        for (std::uint16_t word : query.words) {
            ranges_.push_back(near_range(word, query.tolerance, query.ignore_bit15));
        }
        filters_ = static_cast<std::size_t>(words - need_ + 1);
    }

    std::size_t scan(const Window& window, std::size_t from, Hit* out, std::size_t capacity,
                     std::size_t& next) override {
        const std::size_t pattern_bytes = 2 * ranges_.size();
        const std::size_t end = start_end(window, pattern_bytes);
        std::size_t count = 0;
        // Chunks of positions, both parities when any offset counts.
        for (std::size_t chunk = from & ~std::size_t{1}; chunk < end; chunk += 2 * chunk_words) {
            const std::size_t chunk_end = std::min(end, chunk + 2 * chunk_words);
            const int phases = align_ == 1 ? 2 : 1;
            for (int phase = 0; phase < phases; ++phase) {
                if (chunk + static_cast<std::size_t>(phase) >= chunk_end) {
                    continue;
                }
                const std::size_t positions =
                    (chunk_end - chunk - static_cast<std::size_t>(phase) + 1) / 2;
                std::uint8_t* row = flags_[phase];
                std::memset(row, 0, sizeof flags_[phase]);  // whole, as it is read 8 at a time
                for (std::size_t j = 0; j < filters_; ++j) {
                    mark_near(window.data + chunk + static_cast<std::size_t>(phase) + 2 * j,
                              positions, ranges_[j], row);
                }
            }
            // Eight positions of each parity at a time; most hold no candidate.
            const std::size_t positions = (chunk_end - chunk + 1) / 2;
            for (std::size_t i = 0; i < positions; i += 8) {
                std::uint64_t even = 0;
                std::uint64_t odd = 0;
                std::memcpy(&even, flags_[0] + i, 8);
                if (phases == 2) {
                    std::memcpy(&odd, flags_[1] + i, 8);
                }
                if ((even | odd) == 0) {
                    continue;
                }
                for (std::size_t k = i; k < i + 8 && k < positions; ++k) {
                    for (int phase = 0; phase < phases; ++phase) {
                        const std::size_t at = chunk + 2 * k + static_cast<std::size_t>(phase);
                        if (at < from || at >= chunk_end || flags_[phase][k] == 0) {
                            continue;
                        }
                        const int matching = count_near(window.data + at);
                        if (matching >= need_) {
                            Hit found;
                            found.kind = HitKind::clut;
                            found.offset = window.offset + at;
                            found.words = matching;
                            out[count++] = found;
                            if (count == capacity) {
                                next = at + 1;
                                return count;
                            }
                        }
                    }
                }
            }
        }
        next = window.starts;
        return count;
    }

    // Each start costs a compare per filter: fewer starts per look at Cancel
    // when there are many.
    std::size_t starts_per_check() const override {
        return std::max<std::size_t>(2 * chunk_words, (std::size_t{64} << 10) / filters_ / 2 * 2);
    }

  private:
    static constexpr std::size_t chunk_words = 4096;

    int count_near(const std::uint8_t* at) const {
        int matching = 0;
        const int words = static_cast<int>(ranges_.size());
        for (int i = 0; i < words; ++i) {
            matching += is_near(word_at(at + 2 * i), ranges_[static_cast<std::size_t>(i)]) ? 1 : 0;
            if (matching + (words - 1 - i) < need_) {
                break;  // too few words left to reach need_
            }
        }
        return matching;
    }

    std::vector<NearRange> ranges_;
    std::size_t filters_ = 1;
    int need_ = 0;
    int align_ = 2;
    std::uint8_t flags_[2][chunk_words + 8];
};

// Offsets where a well-formed TIM header begins, by its id then the check.
class TimScanner : public BlockScanner {
  public:
    std::size_t scan(const Window& window, std::size_t from, Hit* out, std::size_t capacity,
                     std::size_t& next) override {
        const std::size_t end = start_end(window, 8);
        const std::uint8_t* data = window.data;
        std::size_t count = 0;
        std::size_t at = from;
        auto check = [&](std::size_t start) {
            const auto info = check_tim_header(std::span(data + start, window.length - start),
                                               window.file_size - window.offset - start);
            if (!info) {
                return false;
            }
            Hit found;
            found.kind = HitKind::tim;
            found.offset = window.offset + start;
            found.tim = *info;
            out[count++] = found;
            return true;
        };
        // Any fourth byte but zero fails the id; the check reads the rest.
        const BytePair id{0, 3, 0x10, 0x00, 0xFF, 0xFF};
        bool full = false;
        at = pair_pass(data, at, end, id, false, [&](std::size_t start) {
            full = check(start) && count == capacity;
            return !full;
        });
        if (full) {
            next = at;
            return count;
        }
        for (; at < end; ++at) {
            if (data[at] == 0x10 && data[at + 1] == 0 && data[at + 2] == 0 && data[at + 3] == 0 &&
                check(at) && count == capacity) {
                next = at + 1;
                return count;
            }
        }
        next = window.starts;
        return count;
    }
};

// Palette rows: 16 words at any even offset scoring at least min_score. The
// first passing row moves to the best-scoring start within its 32 bytes (a
// CLUT need not start at a round offset, a TIM's is 20 bytes in); each row
// then tries the 32 bytes right after it as its next row.
class PaletteRowScanner : public BlockScanner {
  public:
    explicit PaletteRowScanner(int min_score) : min_score_(min_score) {}

    // Bytes a window must show past its last start.
    static constexpr std::size_t overlap = 32 + 30 + 32;

    std::size_t scan(const Window& window, std::size_t from, Hit* out, std::size_t capacity,
                     std::size_t& next) override {
        std::size_t count = 0;
        const std::size_t end = start_end(window, 32);
        std::size_t at = (from + 1) / 2 * 2;
        if (next_row_ > window.offset + at) {
            at = static_cast<std::size_t>(next_row_ - window.offset);
        }
        // Zero words and bit 15 reject most rows; their counts slide with
        // the row, so a rejected row costs two words, not sixteen.
        RowCounts counts;
        std::size_t counted_at = end;  // none yet
        while (at < end) {
            if (counted_at != at) {
                counts = RowCounts{};
                for (std::size_t i = 0; i < 32; i += 2) {
                    counts.add(word_at(window.data + at + i), 1);
                }
                counted_at = at;
            }
            int score = counts.hopeless() ? 0 : palette_row_score(words_at(window.data + at).words);
            if (score < min_score_) {
                following_ = false;
                if (at + 2 < end) {
                    counts.add(word_at(window.data + at), -1);
                    counts.add(word_at(window.data + at + 32), 1);
                    counted_at = at + 2;
                }
                at += 2;
                continue;
            }
            if (!following_) {
                for (std::size_t other = at + 2; other < at + 32 && other + 32 <= window.length;
                     other += 2) {
                    const int other_score = row_score(window.data + other);
                    if (other_score > score) {
                        score = other_score;
                        at = other;
                    }
                }
            }
            Hit found;
            found.kind = HitKind::palette;
            found.offset = window.offset + at;
            found.words = 16;
            found.score = score;
            out[count++] = found;
            at += 32;
            next_row_ = window.offset + at;
            following_ = true;
            if (count == capacity) {
                next = std::min(at, window.starts);
                return count;
            }
        }
        next = window.starts;
        return count;
    }

  private:
    struct RowCounts {
        int zero = 0;
        int high = 0;  // non-zero words with bit 15

        void add(std::uint16_t word, int sign) {
            const bool colored = (word & 0x7FFF) != 0;
            zero += colored ? 0 : sign;
            high += colored && (word & 0x8000) != 0 ? sign : 0;
        }
        // Rows that palette_row_score gives 0 for these counts alone.
        bool hopeless() const { return zero > 4 || (high > 1 && 16 - zero - high > 1); }
    };

    struct Words {
        std::uint16_t words[16];
    };
    static Words words_at(const std::uint8_t* at) {
        Words row;
        std::memcpy(row.words, at, 32);
        return row;
    }

    static int row_score(const std::uint8_t* at) {
        RowCounts counts;
        const Words row = words_at(at);
        for (std::uint16_t word : row.words) {
            counts.add(word, 1);
        }
        return counts.hopeless() ? 0 : palette_row_score(row.words);
    }

    int min_score_;
    std::uint64_t next_row_ = 0;  // file offset the next row may start at
    bool following_ = false;      // the next start continues a row just found
};

ScanResult refused(const std::string& reason) {
    ScanResult result;
    result.end = ScanEnd::failed;
    result.reason = reason;
    return result;
}

}  // namespace

ScanResult find_clut(const Target& target, const ClutQuery& query, const Observer& observer,
                     const ScanSettings& settings) {
    if (query.words.empty()) {
        return refused("there are no colors to look for");
    }
    if (query.tolerance < 0 || query.tolerance > 31) {
        return refused("the tolerance must be 0 to 31");
    }
    if (query.align != 1 && query.align != 2) {
        return refused("the alignment must be 1 or 2");
    }
    const bool partial =
        query.min_matching > 0 && query.min_matching < static_cast<int>(query.words.size());
    const std::size_t overlap = 2 * query.words.size();
    if (query.tolerance == 0 && !partial) {
        ExactScanner scanner(query);
        return detail::scan_file(target, overlap, scanner, observer.hit, observer, settings);
    }
    auto scanner = std::make_unique<NearScanner>(query);  // its flags are too big for the stack
    return detail::scan_file(target, overlap, *scanner, observer.hit, observer, settings);
}

ScanResult find_tim(const Target& target, const Observer& observer, const ScanSettings& settings) {
    TimScanner scanner;
    return detail::scan_file(target, tim_header_max_span, scanner, observer.hit, observer,
                             settings);
}

ScanResult find_palettes(const Target& target, const PaletteQuery& query, const Observer& observer,
                         const ScanSettings& settings) {
    if (query.min_words < 1 || query.min_words > 65536) {
        return refused("the shortest run must be 1 to 65536 colors");
    }
    if (query.min_score < 0 || query.min_score > 100) {
        return refused("the score must be 0 to 100");
    }
    // Rows that follow one another join into one run; a run is reported when
    // the next row does not continue it, or at the end.
    Hit run;
    bool open = false;
    std::uint64_t reported = 0;
    auto report = [&] {
        if (open && run.words >= query.min_words) {
            ++reported;
            if (observer.hit) {
                observer.hit(run);
            }
        }
        open = false;
    };
    auto row = [&](const Hit& found) {
        if (open && found.offset == run.offset + 2 * static_cast<std::uint64_t>(run.words)) {
            run.words += found.words;
            run.score = std::min(run.score, found.score);
            return;
        }
        report();
        run = found;
        open = true;
    };
    PaletteRowScanner scanner(query.min_score);
    ScanResult result =
        detail::scan_file(target, PaletteRowScanner::overlap, scanner, row, observer, settings);
    if (result.end == ScanEnd::done) {
        report();
    }
    result.hits = reported;
    return result;
}

}  // namespace tavrin::search
