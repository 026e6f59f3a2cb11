// Which characters are East Asian (Chinese, Japanese, Korean, Yi) text: the
// characters a document shows in its double-byte font, and whose presence
// in a font's name makes it a Chinese, Japanese or Korean font.
#pragma once

namespace text {

// Hangul Jamo, the CJK radicals, symbols, kana, ideographs and Yi
// syllables, Hangul syllables, compatibility ideographs, CJK compatibility
// forms, half- and full-width forms, and the supplementary ideograph planes.
constexpr bool isCjk(char32_t c) {
    return (c >= 0x1100 && c <= 0x11FF) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7AF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFFEF) ||
           (c >= 0x20000 && c <= 0x3FFFF);
}

// Punctuation and symbols Latin and East Asian text both use (dashes,
// quotes, arrows, maths, the section and degree signs ...): they belong to
// whichever script the text around them is in.
constexpr bool isSharedPunctuation(char32_t c) {
    return (c >= 0x2010 && c <= 0x2BFF) || c == 0xA7 || c == 0xA8 || c == 0xB0 || c == 0xB1 || c == 0xB7 || c == 0xD7 ||
           c == 0xF7;
}

}  // namespace text
