// Windows code pages as the RTF codec needs them: \fcharsetN to a code page,
// byte-to-Unicode tables for decoding, and a Unicode-to-GBK table for the
// writer's fallback bytes. The tables are built once per code page from the
// C library's iconv and cached for the life of the process.
#pragma once

#include "text/utf8.h"

#include <cstdint>
#include <string>

namespace rtf::detail {

using text::kReplacement;

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

}  // namespace rtf::detail
