// Colour words: decoding, encoding and the bit-for-bit round trip.
#include <gtest/gtest.h>

#include "palette/palette.h"

namespace tavrin {
namespace {

TEST(ColorWord, EveryWordSurvivesDecodeThenEncode) {
    for (unsigned word = 0; word <= 0xFFFF; ++word) {
        const PaletteEntry entry = decode_bgr555(static_cast<std::uint16_t>(word));
        ASSERT_EQ(encode_bgr555(entry), word) << "word " << word;
        ASSERT_EQ(entry.raw, word);
        ASSERT_EQ(entry.high_bit, static_cast<int>(word & 0x8000u));
    }
}

TEST(ColorWord, FiveBitFieldsFollowTheStepTable) {
    const int table[32] = {0,   8,   16,  24,  32,  41,  49,  57,  65,  74,  82,
                           90,  98,  106, 115, 123, 131, 139, 148, 156, 164, 172,
                           180, 189, 197, 205, 213, 222, 230, 238, 246, 255};
    for (unsigned field = 0; field < 32; ++field) {
        EXPECT_EQ(component_from_field(field), table[field]) << "field " << field;
        const PaletteEntry red = decode_bgr555(static_cast<std::uint16_t>(field));
        const PaletteEntry green = decode_bgr555(static_cast<std::uint16_t>(field << 5));
        const PaletteEntry blue = decode_bgr555(static_cast<std::uint16_t>(field << 10));
        EXPECT_EQ(red.red, table[field]);
        EXPECT_EQ(green.green, table[field]);
        EXPECT_EQ(blue.blue, table[field]);
        EXPECT_EQ(red.green + red.blue + green.red + blue.red, 0);
    }
}

TEST(ColorWord, WorkedExamples) {
    struct Case {
        std::uint16_t word;
        int red, green, blue, high_bit;
        const char* hex;
    };
    const Case cases[] = {
        {0x7C1F, 255, 0, 255, 0, "7C1F"},  {0x83E0, 0, 255, 0, 32768, "83E0"},
        {0x1234, 164, 139, 32, 0, "1234"}, {0xFFFF, 255, 255, 255, 32768, "FFFF"},
        {0x0000, 0, 0, 0, 0, "0000"},      {0x8000, 0, 0, 0, 32768, "8000"},
    };
    for (const Case& c : cases) {
        const PaletteEntry e = decode_bgr555(c.word);
        EXPECT_EQ(e.red, c.red) << c.hex;
        EXPECT_EQ(e.green, c.green) << c.hex;
        EXPECT_EQ(e.blue, c.blue) << c.hex;
        EXPECT_EQ(e.high_bit, c.high_bit) << c.hex;
        EXPECT_EQ(hex_text(encode_bgr555(e)), c.hex);
    }
}

TEST(ColorWord, EncodingKeepsTopFiveBitsAndAnySetHighBit) {
    PaletteEntry edited{0, 200, 100, 50, 0};
    EXPECT_EQ(encode_bgr555(edited), 0x1999);
    const PaletteEntry back = decode_bgr555(0x1999);
    EXPECT_EQ(back.red, 205);
    EXPECT_EQ(back.green, 98);
    EXPECT_EQ(back.blue, 49);

    for (int value = 0; value < 256; ++value) {
        const PaletteEntry e{0, static_cast<std::uint8_t>(value), 0, 0, 0};
        EXPECT_EQ(encode_bgr555(e), value / 8) << value;
    }
    for (int bit : {1, 0x8000, 0x10000, -1}) {
        EXPECT_EQ(encode_bgr555(PaletteEntry{0, 0, 0, 0, bit}), 0x8000) << bit;
    }
}

TEST(ColorWord, HexTextIsFourUpperCaseDigits) {
    EXPECT_EQ(hex_text(0), "0000");
    EXPECT_EQ(hex_text(0xABC), "0ABC");
    EXPECT_EQ(hex_text(0xFFFF), "FFFF");
}

TEST(PaletteTable, ClearZeroesEveryEntryAndLeavesTheRest) {
    PaletteState state;
    EXPECT_EQ(state.color_count, 255);
    for (auto& entry : state.palette) {
        entry = decode_bgr555(0xFFFF);
    }
    state.color_count = 16;
    clear_palette(state);
    for (const auto& entry : state.palette) {
        EXPECT_EQ(entry, PaletteEntry{});
    }
    EXPECT_EQ(state.color_count, 16);
}

}  // namespace
}  // namespace tavrin
