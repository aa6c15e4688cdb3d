// Property: over many random files, offsets and colour counts, an injection
// changes exactly the bytes of the CLUT, or nothing when the CLUT does not fit;
// the file never changes size; reading a CLUT and injecting it back is a no-op.
#include <gtest/gtest.h>

#include "files/clut_files.h"
#include "tests/support/temp_files.h"

namespace tavrin {
namespace {

using testing::Bytes;

PaletteEntry random_entry(std::mt19937& rng) {
    std::uniform_int_distribution<int> byte(0, 255);
    PaletteEntry entry;
    entry.red = static_cast<std::uint8_t>(byte(rng));
    entry.green = static_cast<std::uint8_t>(byte(rng));
    entry.blue = static_cast<std::uint8_t>(byte(rng));
    entry.high_bit = byte(rng) < 128 ? 0 : 0x8000;
    entry.raw = static_cast<std::uint16_t>(byte(rng));  // never written
    return entry;
}

TEST(InjectionProperty, ChangesExactlyTheClutBytesOrNothing) {
    testing::TempDir dir;
    const std::string path = dir.path("target.bin");
    std::mt19937 rng(20240611);
    int injected = 0;
    int refused = 0;
    for (int round = 0; round < 600; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const std::size_t size = std::uniform_int_distribution<std::size_t>(0, 1200)(rng);
        const Bytes original = testing::random_bytes(rng, size);
        dir.write("target.bin", original);
        const int count = std::uniform_int_distribution<int>(0, 256)(rng);
        const auto length = static_cast<std::int64_t>(count) * 2;
        // Offsets cluster around the edges where mistakes live.
        std::int64_t offset = 0;
        switch (std::uniform_int_distribution<int>(0, 3)(rng)) {
            case 0:
                offset = std::uniform_int_distribution<std::int64_t>(-4, size + 4)(rng);
                break;
            case 1:
                offset = static_cast<std::int64_t>(size) - length +
                         std::uniform_int_distribution<std::int64_t>(-2, 2)(rng);
                break;
            case 2:
                offset = std::uniform_int_distribution<std::int64_t>(-2, 2)(rng);
                break;
            default:
                offset = std::uniform_int_distribution<std::int64_t>(INT32_MIN, INT32_MAX)(rng);
                break;
        }
        std::vector<PaletteEntry> entries;
        for (int i = 0; i < count; ++i) {
            entries.push_back(random_entry(rng));
        }

        const Status status = inject_clut(standard_file_system(), path, offset, entries);
        const Bytes after = testing::read_bytes(path);
        ASSERT_EQ(after.size(), original.size());
        const bool fits = offset >= 0 && offset + length <= static_cast<std::int64_t>(size);
        if (!fits) {
            ASSERT_EQ(status.code, Status::Code::does_not_fit) << offset << " " << count;
            ASSERT_EQ(after, original);
            ++refused;
            continue;
        }
        ASSERT_TRUE(status.ok()) << status.reason;
        ++injected;
        const Bytes words = encode_clut(entries);
        for (std::size_t i = 0; i < size; ++i) {
            const auto at = static_cast<std::int64_t>(i);
            const bool in_clut = at >= offset && at < offset + length;
            ASSERT_EQ(after[i],
                      in_clut ? words[static_cast<std::size_t>(at - offset)] : original[i])
                << "byte " << i << ", offset " << offset << ", count " << count;
        }

        // Reading those colours back and injecting them again changes nothing.
        Clut clut;
        ASSERT_TRUE(read_clut_at_offset(standard_file_system(), path, offset, count, clut).ok());
        ASSERT_TRUE(inject_clut(standard_file_system(), path, offset,
                                std::span(clut.entries).first(static_cast<std::size_t>(count)))
                        .ok());
        ASSERT_EQ(testing::read_bytes(path), after);
    }
    // Both outcomes were exercised often.
    EXPECT_GT(injected, 100);
    EXPECT_GT(refused, 100);
}

}  // namespace
}  // namespace tavrin
