// Fuzzes the raw CLUT reader with arbitrary file contents; a CLUT it accepts
// must save back to the same bytes.
#include "files/clut_files.h"
#include "fuzz/fuzz_check.h"
#include "tests/support/memory_file_system.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavrin;
    MemoryFileSystem fs;
    const auto bytes = fuzz::put_input(fs, "in.clu", data, size);
    Clut clut;
    const Status status = read_clut_file(fs, "in.clu", clut);
    if (size / 2 > 256) {
        FUZZ_CHECK(status.code == Status::Code::too_many_colors && clut.count == 0);
        return 0;
    }
    FUZZ_CHECK(status.ok());
    FUZZ_CHECK(clut.count == static_cast<int>(size / 2));
    for (int i = clut.count; i < palette_size; ++i) {
        FUZZ_CHECK(clut.entries[static_cast<std::size_t>(i)] == PaletteEntry{});
    }
    FUZZ_CHECK(save_clut_file(fs, "out.clu", std::span(clut.entries).first(size / 2)).ok());
    const auto saved = fs.contents("out.clu");
    FUZZ_CHECK(saved.size() == size / 2 * 2);
    FUZZ_CHECK(std::equal(saved.begin(), saved.end(), bytes.begin()));
    FUZZ_CHECK(fs.paths().size() == 2);  // no temporary file left behind
    return 0;
}
