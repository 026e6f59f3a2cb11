// UTF-16 units: surrogate pairs, and the \uN escape that carries one unit in
// RTF (a signed 16-bit number: values above 32767 are written N - 65536).
#pragma once

#include <charconv>
#include <cstdint>

namespace text {

constexpr bool isHighSurrogate(char32_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
constexpr bool isLowSurrogate(char32_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

// The character a high and a low surrogate stand for together.
constexpr char32_t joinSurrogates(char32_t high, char32_t low) {
    return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}

// The two units of a character past U+FFFF.
struct SurrogatePair {
    char16_t high, low;
};
constexpr SurrogatePair splitSurrogates(char32_t c) {
    const char32_t v = c - 0x10000;
    return {static_cast<char16_t>(0xD800 + (v >> 10)), static_cast<char16_t>(0xDC00 + (v & 0x3FF))};
}

// The N of \uN for a UTF-16 unit.
constexpr int unicodeEscapeParam(char16_t unit) {
    return static_cast<std::int16_t>(unit);
}

// The UTF-16 unit \uN names: negative N means N + 65536; a number outside
// the signed or unsigned 16-bit range names none (U+FFFD).
constexpr char32_t unicodeEscapeUnit(long long param) {
    if (param < 0)
        param += 65536;
    return param < 0 || param > 0xFFFF ? char32_t(0xFFFD) : static_cast<char32_t>(param);
}

// Appends "\uN" for one UTF-16 unit (no fallback after it) to a string of
// bytes: anything with append(const char*, length).
template <typename Bytes>
void appendUnicodeEscape(Bytes& out, char16_t unit) {
    char buf[8] = {'\\', 'u'};
    const auto r = std::to_chars(buf + 2, buf + sizeof buf, unicodeEscapeParam(unit));
    out.append(buf, static_cast<int>(r.ptr - buf));
}

}  // namespace text
