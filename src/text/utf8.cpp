#include "text/utf8.h"

namespace text {

char32_t decodeUtf8Sequence(const char* s, std::size_t n, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int len;
    char32_t c;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2, c = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, c = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, c = b0 & 0x07, min = 0x10000;
    } else {
        ++i;
        return kReplacement;
    }
    if (i + len > n) {
        ++i;
        return kReplacement;
    }
    for (int k = 1; k < len; ++k) {
        unsigned char b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        c = c << 6 | (b & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++i;
        return kReplacement;
    }
    i += len;
    return c;
}

std::size_t invalidUtf8Offset(std::string_view s) {
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n) {
        // ASCII in bulk.
        while (i < n && static_cast<unsigned char>(s[i]) < 0x80)
            ++i;
        if (i >= n)
            break;
        const std::size_t before = i;
        // U+FFFD itself is well-formed when it is really there (EF BF BD).
        if (decodeUtf8Sequence(s.data(), n, i) == kReplacement && s.substr(before, 3) != "\xEF\xBF\xBD")
            return before;
    }
    return std::string_view::npos;
}

}  // namespace text
