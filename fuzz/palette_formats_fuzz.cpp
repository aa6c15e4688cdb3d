// Fuzzes the palette readers with arbitrary file contents (text, ACT, PNG
// through the PNG library, raw): a read either fails with a reason and no
// colours, or gives at most 256 colours that survive a round trip through
// every writer (a raw CLUT that spells another format aside).
#include "formats/palette_formats.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavrin;
    PaletteFile file;
    const FormatStatus status = read_palette(std::span(data, size), file);
    if (!status.ok) {
        FUZZ_CHECK(!status.reason.empty() && file.colors.empty());
        return 0;
    }
    FUZZ_CHECK(file.colors.size() <= static_cast<std::size_t>(max_palette_colors));
    std::vector<PaletteEntry> entries;
    for (const PaletteColor& color : file.colors) {
        entries.push_back(imported_entry(PaletteEntry{}, color));
    }
    for (PaletteFormat format :
         {PaletteFormat::gimp, PaletteFormat::jasc, PaletteFormat::act, PaletteFormat::png,
          PaletteFormat::hex_words, PaletteFormat::raw_clut}) {
        std::vector<std::uint8_t> bytes;
        PaletteWriteOptions options;
        options.name = file.name;
        options.columns = file.columns;
        const FormatStatus written = write_palette(format, entries, options, bytes);
        FUZZ_CHECK(written.ok == (format != PaletteFormat::png || !entries.empty()));
        if (!written.ok) {
            continue;
        }
        PaletteFile again;
        const FormatStatus read = read_palette(bytes, again);
        // Raw colour words can spell text that reads as another format; a
        // raw CLUT is what is left when nothing else matches.
        if (format == PaletteFormat::raw_clut && again.format != PaletteFormat::raw_clut) {
            continue;
        }
        FUZZ_CHECK(read.ok);
        FUZZ_CHECK(again.colors.size() == entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const PaletteEntry back = imported_entry(entries[i], again.colors[i]);
            FUZZ_CHECK((encode_bgr555(back) & 0x7FFF) == (encode_bgr555(entries[i]) & 0x7FFF));
        }
    }
    return 0;
}
