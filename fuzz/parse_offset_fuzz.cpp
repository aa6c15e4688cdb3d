// Fuzzes the readers of typed text: parse_offset against a plain 64-bit
// re-reading of the same digits, parse_count's range, and find_tex_kind.
#include <string>

#include "files/clut_params.h"
#include "fuzz/fuzz_check.h"

namespace {

// The value of the leading number, computed wide and then wrapped to 32 bits.
std::uint32_t reference(const std::string& text, bool& found) {
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
    std::uint64_t value = 0;
    found = false;
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
        found = true;
        value = (value * base + digit) & 0xFFFFFFFFu;
    }
    const auto wrapped = static_cast<std::uint32_t>(value);
    return negative ? 0u - wrapped : wrapped;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    bool found = false;
    const std::uint32_t expected = reference(text, found);
    const auto parsed = tavrin::parse_offset(text);
    FUZZ_CHECK(parsed.has_value() == found);
    if (parsed) {
        FUZZ_CHECK(static_cast<std::uint32_t>(*parsed) == expected);
    }
    const int count = tavrin::parse_count(text);
    FUZZ_CHECK(count >= 0 && count <= 256);
    if (const auto kind = tavrin::find_tex_kind(text)) {
        FUZZ_CHECK(*kind >= 0 && *kind < tavrin::tex_kind_count);
        FUZZ_CHECK(text.size() == tavrin::tex_clut_names[static_cast<std::size_t>(*kind)].size());
    }
    return 0;
}
