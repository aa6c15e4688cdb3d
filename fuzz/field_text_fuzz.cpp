// Fuzzes the colour panel's field readers against the C library: the hex
// field against strtoll cut to a 32-bit long, the decimal fields against a
// plain re-reading of the digits. Every four-digit text the program writes
// itself must read back as its word.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_check.h"
#include "palette/palette.h"
#include "ui/field_text.h"

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// What strtol(text, 16) gave where long had 32 bits, as the field's word.
std::uint16_t reference_hex(const std::string& text) {
    const long long wide = std::strtoll(text.c_str(), nullptr, 16);  // stops at a NUL too
    const long long clamped = wide > INT_MAX ? INT_MAX : (wide < INT_MIN ? INT_MIN : wide);
    return static_cast<std::uint16_t>(static_cast<unsigned long long>(clamped) & 0xFFFFu);
}

// Blanks, one or more digits, blanks; the value must fit 32 bits.
std::optional<std::uint32_t> reference_decimal(const std::string& text) {
    std::size_t begin = 0;
    while (begin < text.size() && is_blank(text[begin])) {
        ++begin;
    }
    std::size_t end = begin;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') {
        ++end;
    }
    std::size_t rest = end;
    while (rest < text.size() && is_blank(text[rest])) {
        ++rest;
    }
    if (end == begin || rest != text.size()) {
        return std::nullopt;
    }
    std::string digits = text.substr(begin, end - begin);
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
    if (digits.size() > 10 || (digits.size() == 10 && digits > "4294967295")) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(std::stoull(digits));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    FUZZ_CHECK(tavrin::parse_hex_word(text) == reference_hex(text));
    // The field holds at most four characters; the handler reads just those.
    const std::string field = text.substr(0, 4);
    FUZZ_CHECK(tavrin::parse_hex_word(field) == reference_hex(field));

    const auto decimal = tavrin::parse_unsigned_decimal(text);
    const auto expected = reference_decimal(text);
    FUZZ_CHECK(decimal.has_value() == expected.has_value());
    if (decimal) {
        FUZZ_CHECK(*decimal == *expected);
    }

    if (size >= 2) {
        const auto word = static_cast<std::uint16_t>(data[0] | (data[1] << 8));
        const std::string written = tavrin::hex_text(word);
        FUZZ_CHECK(written.size() == 4);
        FUZZ_CHECK(tavrin::parse_hex_word(written) == word);
        FUZZ_CHECK(tavrin::parse_unsigned_decimal(std::to_string(data[0])) == data[0]);
    }
    return 0;
}
