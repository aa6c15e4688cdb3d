// Fuzzes the readers of typed text: parse_offset against a 128-bit re-reading
// of the same digits (every value that a signed 64-bit offset cannot hold is
// refused, every other one is exact), parse_count's range, and find_tex_kind.
#include <string>

#include "files/clut_params.h"
#include "fuzz/fuzz_check.h"

namespace {

struct Reference {
    bool found = false;
    bool fits = true;
    std::int64_t value = 0;
};

// The value of the leading number, computed wide enough to see it overflow.
Reference reference(const std::string& text) {
    std::size_t i = 0;
    unsigned base = 10;
    bool negative = false;
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        i = 2;
    } else {
        while (i < text.size() && std::string(" \t\n\r\v\f").find(text[i]) != std::string::npos) {
            ++i;
        }
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
            negative = text[i] == '-';
            ++i;
        }
    }
    constexpr unsigned __int128 two_to_63 = static_cast<unsigned __int128>(1) << 63;
    const unsigned __int128 limit = negative ? two_to_63 : two_to_63 - 1;
    unsigned __int128 value = 0;
    Reference result;
    for (; i < text.size(); ++i) {
        const std::string digits = base == 16 ? "0123456789abcdef" : "0123456789";
        char c = text[i];
        if (c >= 'A' && c <= 'F') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        const auto digit = digits.find(c);
        if (digit == std::string::npos) {
            break;
        }
        result.found = true;
        value = value * base + digit;
        if (value > limit) {
            result.fits = false;
            value = limit;  // stays large; the digits that follow still end the number
        }
    }
    result.value = negative ? static_cast<std::int64_t>(-static_cast<__int128>(value))
                            : static_cast<std::int64_t>(value);
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const Reference expected = reference(text);
    const tavrin::TypedOffset parsed = tavrin::parse_offset(text);
    using Error = tavrin::TypedOffset::Error;
    FUZZ_CHECK((parsed.error == Error::not_a_number) == !expected.found);
    FUZZ_CHECK((parsed.error == Error::out_of_range) == (expected.found && !expected.fits));
    if (parsed.ok()) {
        FUZZ_CHECK(parsed.value == expected.value);
    }
    const int count = tavrin::parse_count(text);
    FUZZ_CHECK(count >= 0 && count <= 256);
    if (const auto kind = tavrin::find_tex_kind(text)) {
        FUZZ_CHECK(*kind >= 0 && *kind < tavrin::tex_kind_count);
        FUZZ_CHECK(text.size() == tavrin::tex_clut_names[static_cast<std::size_t>(*kind)].size());
    }
    return 0;
}
