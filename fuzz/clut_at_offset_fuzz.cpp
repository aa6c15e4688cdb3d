// Fuzzes the at-offset reader and the injection: four input bytes give the
// offset (any 32-bit value), two the count (including too many), the rest is
// the file. Reading and injecting must stay within the file.
#include "files/clut_files.h"
#include "fuzz/fuzz_check.h"
#include "tests/support/memory_file_system.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavrin;
    const auto offset = static_cast<std::int32_t>(fuzz::take(data, size, 4));
    const int count = static_cast<int>(fuzz::take(data, size, 2) % 300);
    MemoryFileSystem fs;
    const auto bytes = fuzz::put_input(fs, "any.dat", data, size);
    const bool fits =
        offset >= 0 && count <= 256 &&
        static_cast<std::uint64_t>(offset) + 2u * static_cast<unsigned>(count) <= size;

    Clut clut;
    const Status status = read_clut_at_offset(fs, "any.dat", offset, count, clut);
    FUZZ_CHECK(status.ok() == fits);
    if (fits) {
        for (int i = 0; i < count; ++i) {
            FUZZ_CHECK(clut.entries[static_cast<std::size_t>(i)].raw ==
                       fuzz::word_at(bytes, static_cast<std::size_t>(offset) + 2u * i));
        }
    }

    // Injecting other colours: exactly the CLUT's bytes change, or none.
    std::vector<PaletteEntry> entries(static_cast<std::size_t>(std::min(count, 256)));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        entries[i] = decode_bgr555(static_cast<std::uint16_t>(~(i * 0x0101u)));
    }
    const Status injected = inject_clut(fs, "any.dat", offset, entries);
    const std::uint64_t length = 2u * entries.size();
    const bool inject_fits = offset >= 0 && static_cast<std::uint64_t>(offset) + length <= size;
    FUZZ_CHECK(injected.ok() == inject_fits);
    const auto after = fs.contents("any.dat");
    FUZZ_CHECK(after.size() == bytes.size());
    const std::vector<std::uint8_t> words = encode_clut(entries);
    for (std::size_t i = 0; i < size; ++i) {
        const auto start = static_cast<std::uint64_t>(offset);
        const bool in_clut = inject_fits && i >= start && i < start + length;
        FUZZ_CHECK(after[i] == (in_clut ? words[i - start] : bytes[i]));
    }
    return 0;
}
