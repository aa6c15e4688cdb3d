// Reading the decimal and hex field texts.
#include <gtest/gtest.h>

#include "ui/field_text.h"

namespace tavrin {
namespace {

TEST(DecimalFieldText, ReadsUnsignedNumbersAndRefusesEverythingElse) {
    struct Case {
        const char* text;
        std::optional<std::uint32_t> value;
    };
    const Case cases[] = {
        {"0", 0u},
        {"255", 255u},
        {"007", 7u},
        {"  42", 42u},
        {"42  ", 42u},
        {"\t9", 9u},
        {"4294967295", 4294967295u},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"4294967296", std::nullopt},
        {"99999999999999999999999", std::nullopt},
        {"-1", std::nullopt},
        {"+1", std::nullopt},
        {"12a", std::nullopt},
        {"1 2", std::nullopt},
        {"x", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parse_unsigned_decimal(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(HexFieldText, FollowsStrtolBase16AndKeepsTheLow16Bits) {
    struct Case {
        const char* text;
        std::uint16_t word;
        const char* why;
    };
    const Case cases[] = {
        {"7C1F", 0x7C1F, "four digits"},
        {"7c1f", 0x7C1F, "lower case"},
        {"8000", 0x8000, "the high bit"},
        {"7", 0x0007, "one digit"},
        {"  1A", 0x001A, "leading blanks"},
        {"0x1F", 0x001F, "prefix"},
        {"0X1F", 0x001F, "upper-case prefix"},
        {"0x", 0x0000, "the 0 is the number, the x stops it"},
        {"0xG", 0x0000, "no digit after the prefix"},
        {"-1", 0xFFFF, "negative"},
        {"+10", 0x0010, "plus sign"},
        {"-", 0x0000, "sign alone"},
        {"G", 0x0000, "no digit"},
        {"", 0x0000, "empty"},
        {"12G4", 0x0012, "stops at the first non-digit"},
        {"1 2", 0x0001, "stops at a blank"},
        {"12345", 0x2345, "beyond 16 bits"},
        {"FFFFFFFFF", 0xFFFF, "clamps to LONG_MAX 0x7FFFFFFF"},
        {"-FFFFFFFFF", 0x0000, "clamps to LONG_MIN 0x80000000"},
        {"-80000000", 0x0000, "exactly LONG_MIN"},
        {"7FFFFFFF", 0xFFFF, "exactly LONG_MAX"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parse_hex_word(c.text), c.word) << '"' << c.text << "\": " << c.why;
    }
}

}  // namespace
}  // namespace tavrin
