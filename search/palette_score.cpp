// The palette-row heuristic. A row of a real CLUT holds mostly distinct
// colours, few of them zero, with bit 15 set on all or none of its non-zero
// words, laid out in at most four ramps, so that neighbours differ little
// and mostly in two or three channels at once; pixel data, text, counters and
// noise each break one of those. The score falls from 100
// as neighbours grow apart: an average distance of 30 levels (three channels
// together), what random words show, scores 0.
#include <algorithm>
#include <cstdlib>

#include "search/search.h"

namespace tavrin::search {

namespace {

int channel(std::uint16_t word, int index) {
    return (word >> (5 * index)) & 31;
}

bool looks_like_text(const std::uint16_t (&words)[16]) {
    for (std::uint16_t word : words) {
        for (int byte : {word & 0xFF, word >> 8}) {
            if ((byte < 0x20 || byte > 0x7E) && byte != '\n' && byte != '\r' && byte != '\t' &&
                byte != 0) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

int palette_row_score(const std::uint16_t (&words)[16]) {
    int zero = 0;
    int with_bit15 = 0;
    int without_bit15 = 0;
    for (std::uint16_t word : words) {
        if ((word & 0x7FFF) == 0) {
            ++zero;
        } else if ((word & 0x8000) != 0) {
            ++with_bit15;
        } else {
            ++without_bit15;
        }
    }
    if (zero > 4 || std::min(with_bit15, without_bit15) > 1 || looks_like_text(words)) {
        return 0;
    }
    std::uint16_t colors[16];
    for (int i = 0; i < 16; ++i) {
        colors[i] = words[i] & 0x7FFF;
    }
    std::sort(colors, colors + 16);
    if (std::unique(colors, colors + 16) - colors < 8) {
        return 0;  // fills and repeated pixels
    }
    // Counters and tables of small numbers move one channel only; a few
    // stray words at the edge of such a table move a second one once or twice.
    int moving_channels = 0;
    for (int c = 0; c < 3; ++c) {
        int changes = 0;
        for (int i = 0; i + 1 < 16; ++i) {
            changes += channel(words[i], c) != channel(words[i + 1], c) ? 1 : 0;
        }
        moving_channels += changes >= 5 ? 1 : 0;
    }
    if (moving_channels < 2) {
        return 0;
    }
    int repeats = 0;
    int jumps = 0;  // a ramp ends and another begins, or unrelated words meet
    int distance = 0;
    int pairs = 0;
    for (int i = 0; i + 1 < 16; ++i) {
        const std::uint16_t a = words[i] & 0x7FFF;
        const std::uint16_t b = words[i + 1] & 0x7FFF;
        if (a == 0 || b == 0) {
            continue;  // a transparent entry is no neighbour
        }
        repeats += a == b ? 1 : 0;
        int step = 0;
        for (int c = 0; c < 3; ++c) {
            step += std::abs(channel(a, c) - channel(b, c));
        }
        jumps += step > 12 ? 1 : 0;
        distance += step;
        ++pairs;
    }
    if (repeats > 3 || jumps > 3 || pairs == 0) {
        return 0;
    }
    return std::clamp(100 - distance * 100 / (30 * pairs), 0, 100);
}

}  // namespace tavrin::search
