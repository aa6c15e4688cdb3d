// Fuzzes the TIM header check of search/: the input is the rest of a file from
// the offset checked. An accepted header's blocks add up to the size it
// reports, which fits in the input, and the answer is the same when only the
// header's bytes are visible, as a scanner near the end of a block sees them.
#include <algorithm>

#include "fuzz/fuzz_check.h"
#include "search/tim_header.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavrin::search;
    const std::span<const std::uint8_t> bytes(data, size);
    const auto info = check_tim_header(bytes, size);
    const std::size_t visible = std::min(size, tim_header_max_span);
    const auto seen_in_part = check_tim_header(bytes.first(visible), size);
    FUZZ_CHECK(info.has_value() == seen_in_part.has_value());
    if (!info) {
        return 0;
    }
    FUZZ_CHECK(seen_in_part->size == info->size);
    FUZZ_CHECK(info->mode >= 0 && info->mode <= 3);
    FUZZ_CHECK(info->mode >= 2 || info->has_clut);
    FUZZ_CHECK(info->width > 0 && info->height > 0);
    FUZZ_CHECK(info->size <= size);
    const std::uint64_t clut_bytes =
        info->has_clut ? 12 + std::uint64_t{2} * info->clut_colors * info->clut_rows : 0;
    static constexpr std::uint64_t bits[] = {4, 8, 16, 24};
    const std::uint64_t pixel_bytes =
        std::uint64_t(info->width) * bits[info->mode] / 8 * std::uint64_t(info->height);
    FUZZ_CHECK(info->size == 8 + clut_bytes + 12 + pixel_bytes);
    // Any shorter file cannot hold it.
    FUZZ_CHECK(!check_tim_header(bytes.first(info->size - 1), info->size - 1));
    return 0;
}
