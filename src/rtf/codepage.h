// Windows code pages as the RTF codec needs them: \fcharsetN to a code page,
// byte-to-Unicode tables for decoding, and a Unicode-to-GBK table for the
// writer's fallback bytes. The tables are built once per code page from the
// C library's iconv and cached for the life of the process.
#pragma once

#include <cstdint>
#include <string>

namespace rtf::detail {

inline constexpr char32_t kReplacement = 0xFFFD;

// A decoding table for one code page. Single-byte code pages use only
// single(); double-byte ones (932, 936, 949, 950, 1361) mark their lead bytes
// and decode lead+trail pairs with pair().
class CodePage {
public:
    int number() const { return number_; }
    bool isDoubleByte() const { return doubleByte_; }
    // Bytes below 0x80 mean ASCII (false for the Symbol font's page).
    bool asciiCompatible() const { return asciiCompatible_; }
    bool isLead(unsigned char b) const { return lead_[b]; }
    // U+FFFD for a byte that has no meaning on its own (a lead byte alone).
    char32_t single(unsigned char b) const { return single_[b]; }
    char32_t pair(unsigned char lead, unsigned char trail) const;
    // The lead-byte flags as a 256-entry table (for the tokenizer).
    const bool* leadTable() const { return lead_; }

private:
    friend const CodePage* buildCodePage(int number);
    friend const CodePage* buildSymbolCodePage();
    int number_ = 0;
    bool doubleByte_ = false;
    bool asciiCompatible_ = true;
    bool lead_[256] = {};
    char32_t single_[256] = {};
    // Indexed by (lead << 8 | trail), filled only for double-byte pages.
    std::u32string pairs_;
};

// The table for a Windows code page number; nullptr when the C library does
// not know it. Thread-safe; the pointer stays valid for the process.
const CodePage* codePage(int number);

// The Symbol font's byte-to-Unicode table (\fcharset2).
const CodePage* symbolCodePage();

// The code page that \fcharsetN implies; 0 for "use the document's code
// page" (\fcharset1 and unknown charsets), -2 for the Symbol charset.
int codePageForCharset(int charset);
inline constexpr int kSymbolCodePage = -2;

// GBK (code page 936) bytes for a BMP character: 0 when GBK cannot hold it,
// a value below 0x100 for a single byte, else lead << 8 | trail.
std::uint16_t gbkBytes(char32_t c);
// The same as a table of 65536 entries indexed by BMP character.
const std::uint16_t* gbkTable();

// Appends the UTF-8 form of c (U+FFFD for surrogates and values past U+10FFFF).
inline void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
        return;
    }
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = kReplacement;
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
    } else if (c < 0x10000) {
        buf[0] = static_cast<char>(0xE0 | (c >> 12));
        buf[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        buf[2] = static_cast<char>(0x80 | (c & 0x3F));
        n = 3;
    } else {
        buf[0] = static_cast<char>(0xF0 | (c >> 18));
        buf[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        buf[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        buf[3] = static_cast<char>(0x80 | (c & 0x3F));
        n = 4;
    }
    out.append(buf, n);
}

// Decodes one UTF-8 sequence at s[i] (i < n), advancing i. Invalid bytes
// (stray continuation bytes, overlong forms, surrogates, truncation) give
// U+FFFD and advance by one byte.
char32_t nextUtf8(const char* s, std::size_t n, std::size_t& i);

}  // namespace rtf::detail
