// The scan's TIM check over image/'s parser.
#include "search/tim_header.h"

namespace tavrin::search {

std::optional<TimInfo> check_tim_header(std::span<const std::uint8_t> bytes,
                                        std::uint64_t bytes_to_end) {
    TimInfo info;
    if (!parse_tim(bytes, bytes_to_end, info).ok() || (info.indexed() && !info.has_clut())) {
        return std::nullopt;
    }
    return info;
}

}  // namespace tavrin::search
