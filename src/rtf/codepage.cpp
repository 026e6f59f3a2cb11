#include "rtf/codepage.h"

#include "text/iconv.h"

#include <cctype>
#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace rtf::detail {

namespace {

// iconv names for Windows code page numbers, the first one the C library
// knows wins.
std::vector<const char*> iconvNames(int number) {
    switch (number) {
    case 10000: return {"MACINTOSH", "MAC"};
    case 10007: return {"MAC-CYRILLIC", "MACCYRILLIC"};
    case 10029: return {"MAC-CENTRALEUROPE", "MACCENTRALEUROPE"};
    case 936: return {"CP936", "GBK"};
    case 950: return {"CP950", "BIG5"};
    case 932: return {"CP932", "SHIFT_JIS"};
    case 949: return {"CP949", "UHC"};
    case 1361: return {"JOHAB"};
    case 20127: return {"ASCII"};
    case 28591: return {"ISO-8859-1"};
    case 65001: return {};  // UTF-8 is not a byte-per-character page
    default: break;
    }
    static thread_local std::string name;
    name = "CP" + std::to_string(number);
    return {name.c_str()};
}

// One character from bytes through an open iconv handle: the code point,
// 0xFFFFFFFF when the bytes are incomplete, U+FFFD when they are invalid.
char32_t convert(const text::Iconv& cd, const unsigned char* bytes, std::size_t n) {
    cd.reset();  // no shift state from the last character
    const char* inp = reinterpret_cast<const char*>(bytes);
    std::size_t inLeft = n;
    char32_t out[4] = {};
    char* outp = reinterpret_cast<char*>(out);
    std::size_t outLeft = sizeof out;
    if (!cd.convert(inp, inLeft, outp, outLeft) && errno == EINVAL)
        return 0xFFFFFFFF;
    cd.flush(outp, outLeft);
    std::size_t produced = (sizeof out - outLeft) / sizeof(char32_t);
    if (inLeft != 0 || produced != 1)
        return kReplacement;
    return out[0];
}

std::mutex cacheMutex;
std::map<int, std::unique_ptr<CodePage>>& cache() {
    static std::map<int, std::unique_ptr<CodePage>> pages;
    return pages;
}

std::map<int, const CodePage*>& aliases() {
    static std::map<int, const CodePage*> a;
    return a;
}

const CodePage* codePageUnlocked(int number);

}  // namespace

char32_t CodePage::pair(unsigned char lead, unsigned char trail) const {
    if (pairs_.empty())
        return kReplacement;
    return pairs_[static_cast<std::size_t>(lead) << 8 | trail];
}

const CodePage* buildCodePage(int number) {
    text::Iconv cd;
    for (const char* name : iconvNames(number)) {
        cd = text::Iconv("UTF-32LE", name);
        if (cd.ok())
            break;
    }
    if (!cd.ok()) {
        // The Mac double-byte pages are their Windows counterparts with a
        // few extra symbols: close enough when the C library lacks them.
        switch (number) {
        case 10001: return codePageUnlocked(932);
        case 10002: return codePageUnlocked(950);
        case 10003: return codePageUnlocked(949);
        case 10008: return codePageUnlocked(936);
        default: return nullptr;
        }
    }

    auto page = std::make_unique<CodePage>();
    page->number_ = number;
    for (int b = 0; b < 256; ++b) {
        unsigned char byte = static_cast<unsigned char>(b);
        char32_t c = convert(cd, &byte, 1);
        if (c == 0xFFFFFFFF) {
            page->lead_[b] = true;
            page->doubleByte_ = true;
            c = kReplacement;
        } else if (c == kReplacement && b >= 0x80 && b < 0xA0 && number >= 1250 && number <= 1258) {
            // Windows maps the few undefined bytes of its 125x pages to the
            // C1 control of the same value; doing the same keeps the byte.
            c = static_cast<char32_t>(b);
        }
        page->single_[b] = c;
    }
    // RTF is ASCII: a page whose letters and digits are other bytes (an
    // EBCDIC one, such as 937) is no page a file can be written in.
    for (int b = 0; b < 128; ++b)
        if (std::isalnum(b) && page->single_[b] != char32_t(b))
            return nullptr;
    if (page->doubleByte_) {
        page->pairs_.assign(65536, kReplacement);
        for (int lead = 0; lead < 256; ++lead) {
            if (!page->lead_[lead])
                continue;
            for (int trail = 0x21; trail < 256; ++trail) {
                unsigned char bytes[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
                char32_t c = convert(cd, bytes, 2);
                page->pairs_[static_cast<std::size_t>(lead) << 8 | trail] = c == 0xFFFFFFFF ? kReplacement : c;
            }
        }
    }
    return page.release();
}

namespace {

// Pages built for another number's sake are owned here too.
const CodePage* codePageUnlocked(int number) {
    auto& pages = cache();
    auto it = pages.find(number);
    if (it != pages.end())
        return it->second.get();
    const CodePage* page = buildCodePage(number);
    // An alias returns a page the cache already owns: record a non-owning copy.
    bool owned = page != nullptr && page->number() == number;
    pages.emplace(number, std::unique_ptr<CodePage>(owned ? const_cast<CodePage*>(page) : nullptr));
    if (!owned && page)
        aliases()[number] = page;
    return page;
}

}  // namespace

const CodePage* codePage(int number) {
    std::lock_guard lock(cacheMutex);
    if (auto a = aliases().find(number); a != aliases().end())
        return a->second;
    return codePageUnlocked(number);
}

namespace {

// The Symbol font's upper half (0xA0-0xFF), per its standard encoding.
constexpr char32_t kSymbolHigh[96] = {
    0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663, 0x2666, 0x2665, 0x2660, 0x2194, 0x2190, 0x2191,
    0x2192, 0x2193, 0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022, 0x00F7, 0x2260, 0x2261, 0x2248,
    0x2026, 0x23D0, 0x23AF, 0x21B5, 0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229, 0x222A, 0x2283,
    0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209, 0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5,
    0x00AC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1, 0x21D2, 0x21D3, 0x25CA, 0x2329, 0x00AE, 0x00A9, 0x2122, 0x2211,
    0x239B, 0x239C, 0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7, 0x23A8, 0x23A9, 0x23AA, 0xFFFD, 0x232A, 0x222B, 0x2320,
    0x23AE, 0x2321, 0x239E, 0x239F, 0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD, 0xFFFD,
};
}  // namespace

const CodePage* buildSymbolCodePage() {
    auto* page = new CodePage();
    page->number_ = kSymbolCodePage;
    for (int b = 0; b < 0x80; ++b)
        page->single_[b] = static_cast<char32_t>(b);
    // Bytes below 0x80 stay ASCII: text typed in the Symbol font keeps its
    // letters (the font name still says how it was drawn).
    // Bytes 0x80-0x9F have no glyph: keep them in the private use area the
    // font's characters live in, so nothing is lost.
    for (int b = 0x80; b < 0xA0; ++b)
        page->single_[b] = 0xF000 + static_cast<char32_t>(b);
    for (int b = 0xA0; b < 0x100; ++b)
        page->single_[b] = kSymbolHigh[b - 0xA0];
    return page;
}

const CodePage* symbolCodePage() {
    static const CodePage* page = buildSymbolCodePage();
    return page;
}

int codePageForCharset(int charset) {
    switch (charset) {
    case 0: return 1252;
    case 2: return kSymbolCodePage;
    case 77: return 10000;
    case 78: return 10001;
    case 79: return 10003;
    case 80: return 10008;
    case 81: return 10002;
    case 83: return 10005;
    case 84: return 10004;
    case 85: return 10006;
    case 86: return 10081;
    case 87: return 10021;
    case 88: return 10029;
    case 89: return 10007;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return 0;
    }
}

const std::uint16_t* gbkTable() {
    static const std::vector<std::uint16_t> table = [] {
        std::vector<std::uint16_t> t(65536, 0);
        const CodePage* gbk = codePage(936);
        for (int b = 0; b < 0x80; ++b)
            t[b] = static_cast<std::uint16_t>(b);
        if (!gbk)
            return t;
        for (int lead = 0x81; lead < 0xFF; ++lead) {
            if (!gbk->isLead(static_cast<unsigned char>(lead)))
                continue;
            for (int trail = 0x40; trail < 0xFF; ++trail) {
                char32_t u = gbk->pair(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
                if (u < 0x10000 && u != kReplacement && t[u] == 0)
                    t[u] = static_cast<std::uint16_t>(lead << 8 | trail);
            }
        }
        return t;
    }();
    return table.data();
}

std::uint16_t gbkBytes(char32_t c) {
    return c < 0x10000 ? gbkTable()[c] : 0;
}

}  // namespace rtf::detail
