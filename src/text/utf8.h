// UTF-8: appending and decoding one code point, checking whole strings.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace text {

inline constexpr char32_t kReplacement = 0xFFFD;

// Appends the UTF-8 form of c (U+FFFD for surrogates and values past U+10FFFF).
inline void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
        return;
    }
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
        c = kReplacement;
    if (c >= 0x800 && c < 0x10000) {
        // The common case (CJK): three bytes.
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        return;
    }
    char buf[4];
    int n;
    if (c < 0x800) {
        buf[0] = static_cast<char>(0xC0 | (c >> 6));
        buf[1] = static_cast<char>(0x80 | (c & 0x3F));
        n = 2;
    } else {
        buf[0] = static_cast<char>(0xF0 | (c >> 18));
        buf[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        buf[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        buf[3] = static_cast<char>(0x80 | (c & 0x3F));
        n = 4;
    }
    out.append(buf, static_cast<std::size_t>(n));
}

// The general case of nextUtf8: any sequence, any fault.
char32_t decodeUtf8Sequence(const char* s, std::size_t n, std::size_t& i);

// Decodes one UTF-8 sequence at s[i] (i < n), advancing i. Invalid bytes
// (stray continuation bytes, overlong forms, surrogates, truncation) give
// U+FFFD and advance by one byte.
inline char32_t nextUtf8(const char* s, std::size_t n, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    if ((b0 & 0xF0) == 0xE0 && i + 2 < n) {
        // Three bytes, the common case for Chinese: decoded inline.
        const auto b1 = static_cast<unsigned char>(s[i + 1]);
        const auto b2 = static_cast<unsigned char>(s[i + 2]);
        if ((b1 & 0xC0) == 0x80 && (b2 & 0xC0) == 0x80) {
            const char32_t c = (b0 & 0x0Fu) << 12 | (b1 & 0x3Fu) << 6 | (b2 & 0x3Fu);
            if (c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) {
                i += 3;
                return c;
            }
        }
    }
    return decodeUtf8Sequence(s, n, i);
}

// The offset of the first byte that is not part of a well-formed sequence
// (overlong forms and encoded surrogates included), or npos.
std::size_t invalidUtf8Offset(std::string_view s);
inline bool isValidUtf8(std::string_view s) {
    return invalidUtf8Offset(s) == std::string_view::npos;
}

}  // namespace text
