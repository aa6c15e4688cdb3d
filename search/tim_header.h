// The check that a TIM image begins at a given byte, as the scan makes it:
// image/'s parser on the mapped bytes, and only TIMs whose indices have
// colours of their own. Inline, so that the scan's loop rejects most
// candidates without a call.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "image/tim.h"

namespace tavrin::search {

// How many bytes past an offset the check may read.
inline constexpr std::size_t tim_header_max_span = tim_header_span;

// bytes starts at the offset to check and is a prefix of the rest of the
// file, at least tim_header_max_span bytes long where the file holds them;
// bytes_to_end is how many bytes the file holds from that offset on. Accepts
// what parse_tim accepts, except 4- and 8-bit pixels without a CLUT.
inline std::optional<TimInfo> check_tim_header(std::span<const std::uint8_t> bytes,
                                               std::uint64_t bytes_to_end) {
    TimInfo info;
    if (!parse_tim(bytes, bytes_to_end, info).ok() || (info.indexed() && !info.has_clut())) {
        return std::nullopt;
    }
    return info;
}

}  // namespace tavrin::search
