#include "foreigndoc.h"

#include "benchsupport.h"

#include <cstdio>

namespace loadbench {

namespace {

class Random : public scrivlet::bench::XorShift {
public:
    using scrivlet::bench::XorShift::XorShift;
    int between(int low, int high) { return low + int(next() % std::uint64_t(high - low + 1)); }
    bool chance(int percent) { return between(1, 100) <= percent; }
};

const char* const Words[] = {"the",       "editor", "RTF",  "document", "Qt",   "text", "format", "2026", "version",
                             "paragraph", "font",   "size", "colour",   "bold", "line", "page",   "file", "open"};

void appendf(std::string& out, const char* format, int a, int b = 0) {
    char buffer[64];
    const int n = std::snprintf(buffer, sizeof buffer, format, a, b);
    out.append(buffer, std::size_t(n));
}

// A GB2312 hanzi as its two GBK bytes, written as \'hh\'hh.
void appendGbk(std::string& out, Random& r) {
    const int lead = r.between(0xB0, 0xD6);
    const int trail = r.between(0xA1, 0xFE);
    appendf(out, "\\'%02x\\'%02x", lead, trail);
}

// A CJK ideograph as \uN with a one-character fallback.
void appendUnicode(std::string& out, Random& r) {
    appendf(out, "\\u%d?", r.between(0x4E00, 0x9FA5));
}

}  // namespace

std::string generateForeignRtf(std::size_t targetBytes, std::uint64_t seed) {
    Random r(seed);
    std::string out;
    out.reserve(targetBytes + 4096);
    out += "{\\rtf1\\ansi\\ansicpg936\\deff0\\uc1"
           "{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}{\\f1\\fswiss\\fcharset0 Arial;}"
           "{\\f2\\froman\\fcharset0 Times New Roman;}{\\f3\\fnil\\fcharset134 \\'ba\\'da\\'cc\\'e5;}"
           "{\\f4\\fmodern\\fcharset0 Courier New;}}\n"
           "{\\colortbl;\\red0\\green0\\blue0;\\red192\\green0\\blue0;\\red0\\green128\\blue0;"
           "\\red0\\green0\\blue255;\\red128\\green0\\blue128;}\n"
           "\\viewkind4\\pard\\lang2052\\f0\\fs18 ";
    static const int Sizes[] = {18, 20, 21, 24, 28, 32};
    while (out.size() < targetBytes) {
        const int align = r.between(1, 10);
        out += "\\pard";
        if (align == 1)
            out += "\\qc";
        else if (align == 2)
            out += "\\qr";
        if (r.chance(10))
            appendf(out, "\\li%d\\fi%d", r.between(1, 4) * 360, r.between(-1, 2) * 180);
        const int paragraphChars = r.between(50, 400);
        int written = 0;
        while (written < paragraphChars) {
            const int font = r.between(0, 4);
            appendf(out, "\\plain\\f%d\\fs%d", font, Sizes[r.between(0, 5)]);
            if (r.chance(25))
                out += "\\b";
            if (r.chance(15))
                out += "\\i";
            if (r.chance(10))
                out += "\\ul";
            if (r.chance(30))
                appendf(out, "\\cf%d", r.between(1, 5));
            out += ' ';
            const int runChars = r.between(20, 80);
            const bool gbk = r.chance(50);
            for (int i = 0; i < runChars && written < paragraphChars; ++i, ++written) {
                if (r.chance(60)) {
                    if (gbk)
                        appendGbk(out, r);
                    else
                        appendUnicode(out, r);
                } else {
                    const char* word = Words[r.between(0, int(sizeof Words / sizeof *Words) - 1)];
                    out += word;
                    out += ' ';
                    written += int(std::char_traits<char>::length(word));
                }
            }
        }
        out += "\\par\n";
    }
    out += "}\n";
    return out;
}

}  // namespace loadbench
