// Fuzzes the TIM reader with arbitrary file contents. Whatever it accepts lies
// within the file; reading a row and injecting it back leaves the file as it
// was; an image it reads has one index per pixel, each within its depth.
#include "fuzz/fuzz_check.h"
#include "image/image.h"
#include "tests/support/memory_file_system.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavrin;
    MemoryFileSystem fs;
    const auto bytes = fuzz::put_input(fs, "in.tim", data, size);
    TimInfo info;
    if (!read_tim_info(fs, "in.tim", info).ok()) {
        Clut clut;
        IndexedImage image;
        FUZZ_CHECK(!read_tim_clut(fs, "in.tim", 0, clut, info).ok() && clut.count == 0);
        FUZZ_CHECK(!read_tim_image(fs, "in.tim", image, info).ok() && image.indices.empty());
        return 0;
    }
    FUZZ_CHECK(info.pixel_offset <= size);
    const auto row_bytes = static_cast<std::uint64_t>(info.width) * info.bits_per_pixel / 8;
    FUZZ_CHECK(row_bytes * static_cast<std::uint64_t>(info.height) <= size - info.pixel_offset);
    if (info.clut_rows > 0) {
        FUZZ_CHECK(info.clut_row_offset(info.clut_rows) <= info.pixel_offset);
        const int last = info.clut_rows - 1;
        Clut clut;
        const Status read = read_tim_clut(fs, "in.tim", last, clut, info);
        FUZZ_CHECK(read.ok() == (info.clut_colors <= palette_size));
        if (read.ok()) {
            FUZZ_CHECK(clut.count == info.clut_colors);
            const auto row = std::span(clut.entries).first(static_cast<std::size_t>(clut.count));
            FUZZ_CHECK(inject_tim_clut(fs, "in.tim", last, row).ok());
            FUZZ_CHECK(fs.contents("in.tim") == bytes);
        }
        FUZZ_CHECK(!read_tim_clut(fs, "in.tim", info.clut_rows, clut, info).ok());
    }
    IndexedImage image;
    if (read_tim_image(fs, "in.tim", image, info).ok()) {
        FUZZ_CHECK(info.indexed());
        FUZZ_CHECK(image.indices.size() ==
                   static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height));
        for (std::uint8_t index : image.indices) {
            FUZZ_CHECK(info.bits_per_pixel == 8 || index < 16);
        }
    }
    return 0;
}
