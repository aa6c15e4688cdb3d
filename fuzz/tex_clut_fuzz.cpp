// Fuzzes the TEX reader: the first input byte picks the CLUT kind (including
// an invalid one), the rest is the file. An accepted CLUT lies within the file
// and injecting it back changes nothing.
#include "files/clut_files.h"
#include "fuzz/fuzz_check.h"
#include "tests/support/memory_file_system.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavrin;
    const int kind = static_cast<int>(fuzz::take(data, size, 1) % 6);
    MemoryFileSystem fs;
    const auto bytes = fuzz::put_input(fs, "team.bin", data, size);
    Clut clut;
    std::uint32_t offset = 0xFFFFFFFF;
    const Status status = read_tex_clut(fs, "team.bin", kind, clut, offset);
    if (!status.ok()) {
        FUZZ_CHECK(!status.reason.empty());
        FUZZ_CHECK(offset == 0xFFFFFFFF);
        return 0;
    }
    FUZZ_CHECK(kind < tex_kind_count);
    FUZZ_CHECK(clut.count == 256);
    FUZZ_CHECK(offset + 512u <= size);
    for (std::size_t i = 0; i < 256; ++i) {
        FUZZ_CHECK(clut.entries[i].raw == fuzz::word_at(bytes, offset + 2 * i));
    }
    FUZZ_CHECK(inject_clut(fs, "team.bin", offset, clut.entries).ok());
    FUZZ_CHECK(fs.contents("team.bin") == bytes);
    return 0;
}
