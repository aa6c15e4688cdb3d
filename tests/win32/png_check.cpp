// The Windows build's PNG path (the Windows Imaging Component), run under
// Wine by scripts/test.sh: an exported indexed PNG keeps its palette in
// order with the transparent entry, and reads back colour for colour; a
// broken PNG fails with a reason; and the codec's cases that the Linux tests
// run too. Prints one line per failure; exit 1 then.
#include <cstdio>
#include <vector>

#include "formats/palette_formats.h"
#include "tests/support/png_checks.h"

namespace {

int failures = 0;

void check(bool ok, const char* what) {
    if (!ok) {
        std::printf("FAIL: %s\n", what);
        ++failures;
    }
}

}  // namespace

int main() {
    using namespace tavrin;
    std::vector<PaletteEntry> entries;
    for (int i = 0; i < 256; ++i) {
        entries.push_back(decode_bgr555(static_cast<std::uint16_t>(i * 127 + 1)));
    }
    entries[5] = decode_bgr555(0x0000);
    entries[6] = decode_bgr555(0x8000);
    entries[7] = entries[8];  // a duplicate stays in place

    std::vector<std::uint8_t> bytes;
    check(write_palette(PaletteFormat::png, entries, {}, bytes).ok, "writes an indexed PNG");
    PaletteFile file;
    const FormatStatus read = read_palette(bytes, file);
    check(read.ok, read.reason.c_str());
    check(file.format == PaletteFormat::png, "recognised as PNG");
    check(file.colors.size() == entries.size(), "256 colors back");
    for (std::size_t i = 0; i < file.colors.size() && i < entries.size(); ++i) {
        const PaletteEntry back = imported_entry(PaletteEntry{}, file.colors[i]);
        if ((encode_bgr555(back) & 0x7FFF) != (encode_bgr555(entries[i]) & 0x7FFF)) {
            std::printf("FAIL: color %u differs\n", static_cast<unsigned>(i));
            ++failures;
        }
    }
    check(file.colors.size() > 6 && file.colors[5].high_bit == false, "0x0000 is transparent");
    check(file.colors.size() > 6 && !file.colors[6].high_bit.has_value(), "0x8000 is opaque");

    bytes.resize(bytes.size() / 2);
    PaletteFile broken;
    const FormatStatus cut = read_palette(bytes, broken);
    check(!cut.ok && !cut.reason.empty(), "a PNG cut in half fails with a reason");

    for (const std::string& failure : testing::png_codec_failures()) {
        std::printf("FAIL: %s\n", failure.c_str());
        ++failures;
    }

    std::printf("%s\n", failures == 0 ? "png_check: ok" : "png_check: failed");
    return failures == 0 ? 0 : 1;
}
