// Fuzzes the TIM header check of search/ (image/'s parser): the input is the
// rest of a file from the offset checked. An accepted header's blocks hold
// their data and fit in the input, and the answer is the same when only the
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
    FUZZ_CHECK(!info->indexed() || info->has_clut());
    FUZZ_CHECK(info->width > 0 && info->height > 0);
    FUZZ_CHECK(info->size <= size);
    const std::uint64_t clut_bytes =
        info->has_clut() ? 12 + std::uint64_t{2} * info->clut_colors * info->clut_rows : 0;
    const std::uint64_t pixel_bytes = std::uint64_t(info->width) *
                                      std::uint64_t(info->bits_per_pixel) / 8 *
                                      std::uint64_t(info->height);
    FUZZ_CHECK(info->size >= 8 + clut_bytes + 12 + pixel_bytes);  // padded blocks are longer
    FUZZ_CHECK(info->clut_row_offset(info->clut_rows) <= info->pixel_offset);
    FUZZ_CHECK(info->pixel_offset + pixel_bytes <= info->size);
    // Any shorter file cannot hold it.
    FUZZ_CHECK(!check_tim_header(bytes.first(info->size - 1), info->size - 1));
    return 0;
}
