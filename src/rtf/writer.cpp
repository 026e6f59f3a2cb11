#include "rtf/writer.h"

#include "rtf/codepage.h"
#include "text/cjk.h"
#include "text/utf16.h"
#include "text/utf8.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace rtf {

namespace {

using text::nextUtf8;

constexpr char kHex[] = "0123456789abcdef";

// Latin names of fonts made for Simplified Chinese.
constexpr std::string_view kChineseFontNames[] = {
    "SimSun",
    "NSimSun",
    "SimHei",
    "KaiTi",
    "FangSong",
    "Microsoft YaHei",
    "DengXian",
    "STSong",
    "STHeiti",
    "STKaiti",
    "STFangsong",
    "Noto Sans CJK SC",
    "Noto Serif CJK SC",
    "Source Han Sans SC",
    "Source Han Serif SC",
    "WenQuanYi Micro Hei",
    "WenQuanYi Zen Hei",
    "AR PL UMing CN",
    "AR PL UKai CN",
};

bool isChineseFont(std::string_view name) {
    for (auto n : kChineseFontNames)
        if (name == n)
            return true;
    for (std::size_t i = 0; i < name.size();) {
        if (text::isCjk(nextUtf8(name.data(), name.size(), i)))
            return true;
    }
    return false;
}

void appendInt(std::string& out, int v) {
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void appendWord(std::string& out, std::string_view word, int v) {
    out += word;
    appendInt(out, v);
}

void appendHexByte(std::string& out, unsigned b) {
    char buf[4] = {'\\', '\'', kHex[(b >> 4) & 15], kHex[b & 15]};
    out.append(buf, 4);
}

// The parameter of \uN for every UTF-16 unit, as text.
struct UnitText {
    char text[7];
    std::uint8_t length;
};

const UnitText* unitTextTable() {
    static const std::vector<UnitText> table = [] {
        std::vector<UnitText> t(65536);
        for (int u = 0; u < 65536; ++u) {
            const int v = text::unicodeEscapeParam(static_cast<char16_t>(u));
            auto r = std::to_chars(t[u].text, t[u].text + sizeof t[u].text, v);
            t[u].length = static_cast<std::uint8_t>(r.ptr - t[u].text);
        }
        return t;
    }();
    return table.data();
}

}  // namespace

int writtenCharset(std::string_view fontName, int charset) {
    if (charset < 0)
        charset = 0;
    if (isChineseFont(fontName) && charset != 128 && charset != 129 && charset != 136)
        charset = 134;
    return charset;
}

struct Writer::Impl {
    struct FontEntry {
        std::string name;
        int charset;  // -1: not given
        int number;
        int codePage = 0;
    };
    std::vector<FontEntry> fonts;                    // the fonts added to the table
    std::unordered_map<std::string, int> fontIndex;  // name + '\0' + charset: \fN
    int nextFont = 0;
    std::vector<std::uint32_t> colors;  // the colours added to the table, from colorBase on
    std::unordered_map<std::uint32_t, int> colorIndex;
    int colorBase = 1;
    // The document read from RTF this one is written back as, if any.
    bool keeping = false;
    bool keepWhole = false;
    KeptDocument kept;

    std::string body;
    const std::uint16_t* gbk = detail::gbkTable();
    const UnitText* unitTexts = unitTextTable();
    bool inParagraph = false;
    bool runOpen = false;
    bool haveFormat = false;  // runFormat holds the last run's format
    CharFormat runFormat;
    int runUc = 1;  // the \uc in effect inside the open run group
    bool fieldOpen = false;
    std::string fieldInstruction;  // of the open field
    int tableDepth = 0;            // rows begun and not ended

    // \trowd ... \cellx: a row's definition.
    void writeRowFormat(const RowFormat& row) {
        std::string& o = body;
        o += "\\trowd";
        appendWord(o, "\\trgaph", row.gap);
        appendWord(o, "\\trleft", row.left);
        if (row.alignment == Alignment::Centre)
            o += "\\trqc";
        else if (row.alignment == Alignment::Right)
            o += "\\trqr";
        for (const CellFormat& c : row.cells) {
            if (c.vertical != Merge::None)
                o += c.vertical == Merge::First ? "\\clvmgf" : "\\clvmrg";
            if (c.horizontal != Merge::None)
                o += c.horizontal == Merge::First ? "\\clmgf" : "\\clmrg";
            if (c.align == CellAlign::Centre)
                o += "\\clvertalc";
            else if (c.align == CellAlign::Bottom)
                o += "\\clvertalb";
            static constexpr const char* kSides[] = {"\\clbrdrt", "\\clbrdrl", "\\clbrdrb", "\\clbrdrr"};
            static constexpr const char* kStyles[] = {"\\brdrnone", "\\brdrs", "\\brdrdb", "\\brdrdot", "\\brdrdash"};
            for (int side = 0; side < 4; ++side) {
                const Border& b = c.borders[side];
                if (b.style == Border::Style::None)
                    continue;
                o += kSides[side];
                o += kStyles[static_cast<int>(b.style)];
                appendWord(o, "\\brdrw", std::max(b.width, 1));
                if (b.hasColor)
                    appendWord(o, "\\brdrcf", colorFor(b.color));
            }
            if (c.hasShading)
                appendWord(o, "\\clcbpat", colorFor(c.shading));
            appendWord(o, "\\cellx", c.right);
        }
    }

    // Ends the open paragraph with mark (\par, \cell, \nestcell).
    void endParagraphWith(const char* mark) {
        // A field ends with its paragraph; one that goes on is opened again.
        leaveField();
        // The paragraph mark takes the formatting of the last run (of the
        // paragraph before, when this one is empty): other readers size an
        // empty line by it.
        if (!runOpen && haveFormat)
            openRun(runFormat);
        body += mark;
        if (runOpen)
            body += '}';
        body += '\n';
        runOpen = false;
        inParagraph = false;
    }

    // Runs of one field instruction are that field's result.
    void enterField(const std::string& instruction) {
        if (fieldOpen && instruction == fieldInstruction)
            return;
        leaveField();
        if (instruction.empty())
            return;
        closeRun();
        body += "{\\field{\\*\\fldinst ";
        runUc = 1;
        writeText(instruction);
        body += "}{\\fldrslt ";
        fieldOpen = true;
        fieldInstruction = instruction;
    }
    void leaveField() {
        if (!fieldOpen)
            return;
        closeRun();
        body += "}}";
        fieldOpen = false;
    }

    int fontFor(const CharFormat& f) {
        if (keeping) {
            // A font of the file's table, as the file declared it.
            auto found = fontIndex.find(fontKey(f.fontName, f.fontCharset));
            if (found != fontIndex.end())
                return found->second;
        }
        const int charset = writtenCharset(f.fontName, f.fontCharset);
        auto [it, added] = fontIndex.emplace(fontKey(f.fontName, charset), nextFont);
        if (added) {
            fonts.push_back({f.fontName, charset, nextFont});
            nextFont += nextFont < INT_MAX ? 1 : 0;
        }
        return it->second;
    }

    static std::string fontKey(const std::string& name, int charset) {
        std::string key = name;
        key.push_back('\0');
        appendInt(key, charset);
        return key;
    }

    int colorFor(std::uint32_t rgb) {
        auto [it, added] = colorIndex.emplace(rgb & 0xFFFFFF, static_cast<int>(colors.size()) + colorBase);
        if (added)
            colors.push_back(rgb & 0xFFFFFF);
        return it->second;
    }

    void openRun(const CharFormat& f) {
        std::string& o = body;
        o += '{';
        // Sizes are always written: a reader's default for Chinese text is
        // not RTF's 12 pt. 1 to 1638 pt, the range readers (ours included)
        // accept.
        const int size = std::clamp(f.sizeHalfPoints, 2, 3276);
        // The regular properties come before any character class: some
        // readers take \b after \dbch for complex-script bold only.
        appendWord(o, "\\fs", size);
        if (f.bold)
            o += "\\b";
        if (f.italic)
            o += "\\i";
        if (f.underline)
            o += "\\ul";
        if (f.strike)
            o += "\\strike";
        // Chinese text takes its font from the associated (\dbch) font in
        // some readers, Latin text from \loch\f: name the same font for all.
        // After \dbch, the associated size, bold and italic are what
        // LibreOffice shows on Chinese text.
        int font = fontFor(f);
        appendWord(o, "\\loch\\f", font);
        appendWord(o, "\\hich\\af", font);
        appendWord(o, "\\dbch\\af", font);
        appendWord(o, "\\afs", size);
        if (f.bold)
            o += "\\ab";
        if (f.italic)
            o += "\\ai";
        if (f.hasColor)
            appendWord(o, "\\cf", colorFor(f.color));
        if (f.hasBackground) {
            // \chcbpat is character shading; \cb the older form of the same.
            int c = colorFor(f.background);
            appendWord(o, "\\chcbpat", c);
            appendWord(o, "\\cb", c);
        }
        if (f.verticalAlign == VerticalAlign::Super)
            o += "\\super";
        if (f.verticalAlign == VerticalAlign::Sub)
            o += "\\sub";
        o += ' ';
        runOpen = true;
        haveFormat = true;
        runFormat = f;
        runUc = 1;
    }

    void closeRun() {
        if (runOpen)
            body += '}';
        runOpen = false;
    }

    // \uN takes a signed 16-bit value; the fallback that follows is what a
    // reader without Unicode shows: the GBK bytes, else '?' as \'3f (a
    // literal '?' makes some readers drop the next character). Writes at p
    // (at most 20 bytes) and returns the end.
    char* unicodeUnit(char* p, char32_t unit, std::uint16_t gbkPair) {
        const int uc = gbkPair > 0xFF ? 2 : 1;
        if (runUc != uc) {
            *p++ = '\\', *p++ = 'u', *p++ = 'c', *p++ = static_cast<char>('0' + uc);
            runUc = uc;
        }
        *p++ = '\\', *p++ = 'u';
        const UnitText& t = unitTexts[unit & 0xFFFF];
        std::memcpy(p, t.text, sizeof t.text);
        p += t.length;
        auto hex = [&p](unsigned b) { *p++ = '\\', *p++ = '\'', *p++ = kHex[(b >> 4) & 15], *p++ = kHex[b & 15]; };
        if (gbkPair > 0xFF) {
            hex(gbkPair >> 8);
            hex(gbkPair & 0xFF);
        } else if (gbkPair >= 0x80) {
            hex(gbkPair);
        } else {
            hex(0x3F);
        }
        return p;
    }

    void writeText(std::string_view utf8) {
        // Escaped text is built in a local buffer and appended in blocks:
        // this is the writer's inner loop.
        char buf[4096];
        char* p = buf;
        char* const limit = buf + sizeof buf - 48;
        const char* s = utf8.data();
        const std::size_t n = utf8.size();
        std::size_t i = 0;
        while (i < n) {
            if (p >= limit) {
                body.append(buf, static_cast<std::size_t>(p - buf));
                p = buf;
            }
            unsigned char c = static_cast<unsigned char>(s[i]);
            if (c >= 0x20 && c < 0x7F) {
                if (c == '\\' || c == '{' || c == '}')
                    *p++ = '\\';
                *p++ = static_cast<char>(c);
                ++i;
                continue;
            }
            if (c == '\t') {
                std::memcpy(p, "\\tab ", 5);
                p += 5;
                ++i;
                continue;
            }
            const char32_t cp = nextUtf8(s, n, i);
            if (cp == 0x2028) {
                std::memcpy(p, "\\line ", 6);
                p += 6;
            } else if (cp >= 0x10000) {
                const text::SurrogatePair pair = text::splitSurrogates(cp);
                p = unicodeUnit(p, pair.high, 0);
                p = unicodeUnit(p, pair.low, 0);
            } else {
                p = unicodeUnit(p, cp, gbk[cp]);
            }
        }
        body.append(buf, static_cast<std::size_t>(p - buf));
    }

    // A font name for the font table: GBK bytes for a Chinese font (what
    // readers of \fcharset134 expect), \uN for anything else.
    void writeFontName(std::string& o, std::string_view name, int charset) {
        for (std::size_t i = 0; i < name.size();) {
            char32_t c = nextUtf8(name.data(), name.size(), i);
            if (c >= 0x20 && c < 0x7F && c != '\\' && c != '{' && c != '}' && c != ';') {
                o += static_cast<char>(c);
                continue;
            }
            if (c < 0x80) {
                appendHexByte(o, static_cast<unsigned>(c));
                continue;
            }
            std::uint16_t g = detail::gbkBytes(c);
            if (charset == 134 && g > 0xFF) {
                appendHexByte(o, g >> 8);
                appendHexByte(o, g & 0xFF);
                continue;
            }
            if (c >= 0x10000) {
                const text::SurrogatePair pair = text::splitSurrogates(c);
                text::appendUnicodeEscape(o, pair.high);
                o += "\\'3f";
                c = pair.low;
            }
            text::appendUnicodeEscape(o, static_cast<char16_t>(c));
            o += "\\'3f";
        }
    }

    std::string header() {
        if (keeping)
            return keptHeader();
        std::string o = "{\\rtf1\\ansi\\ansicpg936\\deff0\\uc1\n{\\fonttbl";
        if (fonts.empty())
            fonts.push_back({"宋体", 134, 0});
        writeFonts(o);
        o += "}\n{\\colortbl;";
        writeColors(o);
        o += "}\n";
        return o;
    }

    void writeFonts(std::string& o) {
        for (std::size_t k = 0; k < fonts.size(); ++k) {
            appendWord(o, "{\\f", fonts[k].number);
            o += "\\fnil";
            if (fonts[k].charset >= 0)
                appendWord(o, "\\fcharset", fonts[k].charset);
            if (fonts[k].codePage > 0)
                appendWord(o, "\\cpg", fonts[k].codePage);
            o += ' ';
            writeFontName(o, fonts[k].name, fonts[k].charset);
            o += ";}";
        }
    }

    void writeColors(std::string& o) {
        for (std::uint32_t c : colors) {
            appendWord(o, "\\red", static_cast<int>(c >> 16));
            appendWord(o, "\\green", static_cast<int>((c >> 8) & 0xFF));
            appendWord(o, "\\blue", static_cast<int>(c & 0xFF));
            o += ';';
        }
    }

    void startKeeping(const KeptDocument& document, bool whole);
    std::string keptHeader();
};

namespace {

// Whether a colour table's last entry lacks its ';': the reader did not
// count it, a ';' written after it makes it count.
bool danglingColor(std::string_view table) {
    std::size_t from = table.rfind(';');
    from = from == std::string_view::npos ? std::min(table.size(), std::size_t(10)) : from + 1;  // past "{\colortbl"
    return table.find('\\', from) != std::string_view::npos;
}

}  // namespace

void Writer::Impl::startKeeping(const KeptDocument& document, bool whole) {
    keeping = true;
    keepWhole = whole;
    kept = document;
    // The fonts keep their numbers, which kept groups name them by; where
    // the file's table cannot be written back (a broken file), they make up
    // the table. New fonts take numbers no kept group names.
    const bool ownTable = kept.fontTable.empty();
    nextFont = std::max(nextFont, kept.nextFont);
    for (const KeptDocument::Font& f : kept.fonts) {
        fontIndex.emplace(fontKey(f.name, f.charset), f.number);
        if (ownTable)
            fonts.push_back({f.name, f.charset, f.number, f.codePage});
        if (f.number < INT_MAX)
            nextFont = std::max(nextFont, f.number + 1);
    }
    if (!kept.colorTable.empty()) {
        const std::string_view inside(kept.colorTable.data(), kept.colorTable.size() - 1);
        colorBase = int(kept.colors.size()) + (danglingColor(inside) ? 1 : 0);
        colorBase = std::max(colorBase, 1);
        for (std::size_t i = 1; i < kept.colors.size(); ++i)
            if (kept.colors[i] >= 0)
                colorIndex.emplace(std::uint32_t(kept.colors[i]), int(i));
    }
}

// The header of a document read from RTF: its own code page and tables,
// with what this one adds to them, then (for the whole document) the groups
// and settings it was read with.
std::string Writer::Impl::keptHeader() {
    std::string o = "{\\rtf1" + kept.charset;
    if (kept.ansiCodePage > 0)
        appendWord(o, "\\ansicpg", kept.ansiCodePage);
    appendWord(o, "\\deff", kept.defaultFont >= 0 ? kept.defaultFont : 0);
    o += "\\uc1\n";
    if (!kept.fontTable.empty()) {
        o.append(kept.fontTable, 0, kept.fontTable.size() - 1);
    } else {
        o += "{\\fonttbl";
        if (fonts.empty())
            fonts.push_back({"宋体", 134, nextFont++});
    }
    writeFonts(o);
    o += "}\n";
    if (!kept.colorTable.empty()) {
        const std::string_view inside(kept.colorTable.data(), kept.colorTable.size() - 1);
        o += inside;
        if (danglingColor(inside) || kept.colors.empty())
            o += ';';
    } else {
        o += "{\\colortbl;";
    }
    writeColors(o);
    o += "}\n";
    if (keepWhole && !(kept.preamble.empty() && kept.settings.empty() && kept.section.empty())) {
        o += kept.preamble;
        o += kept.settings;
        o += kept.section;
        o += '\n';
    }
    return o;
}

Writer::Writer() : impl_(new Impl) {}
Writer::~Writer() {
    delete impl_;
}

void Writer::keep(const KeptDocument& document, bool whole) {
    impl_->startKeeping(document, whole);
}

void Writer::beginParagraph(const ParaFormat& p) {
    Impl& w = *impl_;
    if (w.inParagraph)
        endParagraph();
    std::string& o = w.body;
    o += "\\pard";
    if (p.style != 0)
        appendWord(o, "\\s", p.style);
    switch (p.alignment) {
    case Alignment::Left: o += "\\ql"; break;
    case Alignment::Right: o += "\\qr"; break;
    case Alignment::Centre: o += "\\qc"; break;
    case Alignment::Justify: o += "\\qj"; break;
    }
    if (p.leftIndent)
        appendWord(o, "\\li", p.leftIndent);
    if (p.rightIndent)
        appendWord(o, "\\ri", p.rightIndent);
    if (p.firstLineIndent)
        appendWord(o, "\\fi", p.firstLineIndent);
    if (p.spaceBefore)
        appendWord(o, "\\sb", p.spaceBefore);
    if (p.spaceAfter)
        appendWord(o, "\\sa", p.spaceAfter);
    if (w.tableDepth > 0)
        o += "\\intbl";
    if (w.tableDepth > 1)
        appendWord(o, "\\itap", w.tableDepth);
    if (p.list)
        appendWord(o, "\\ls", p.list);
    if (p.listLevel)
        appendWord(o, "\\ilvl", p.listLevel);
    // \slmult1 without \sl changes nothing shown, but is written as read.
    if (p.lineSpacing || p.lineMultiple) {
        appendWord(o, "\\sl", p.lineSpacing);
        appendWord(o, "\\slmult", p.lineMultiple);
    }
    for (const ParaFormat::Tab& t : p.tabs) {
        static constexpr const char* kKind[] = {"", "\\tqr", "\\tqc", "\\tqdec", ""};
        o += kKind[static_cast<int>(t.kind)];
        appendWord(o, t.kind == ParaFormat::Tab::Kind::Bar ? "\\tb" : "\\tx", t.position);
    }
    w.inParagraph = true;
}

void Writer::text(std::string_view utf8, const CharFormat& format) {
    Impl& w = *impl_;
    if (utf8.empty())
        return;
    enterRun(format);
    w.writeText(utf8);
}

// Text, a picture or a kept item goes in a run of its format, inside its
// field, in a paragraph: each is opened here when it is not open yet.
void Writer::enterRun(const CharFormat& format) {
    Impl& w = *impl_;
    if (!w.inParagraph)
        beginParagraph(ParaFormat{});
    w.enterField(format.field);
    if (!w.runOpen || !(w.runFormat == format)) {
        w.closeRun();
        w.openRun(format);
    }
}

void Writer::picture(const Picture& pict, const CharFormat& format) {
    Impl& w = *impl_;
    enterRun(format);
    std::string& o = w.body;
    o += "{\\pict";
    // The control words as read; a picture made here names its kind and size.
    if (!pict.controls.empty()) {
        o += pict.controls;
    } else {
        static constexpr const char* kKinds[] = {
            "\\pngblip", "\\jpegblip", "\\dibitmap0", "\\wbitmap0", "\\wmetafile8", "\\emfblip", ""};
        o += kKinds[static_cast<int>(pict.kind)];
        appendWord(o, "\\picw", pict.width);
        appendWord(o, "\\pich", pict.height);
        if (pict.goalWidth > 0)
            appendWord(o, "\\picwgoal", pict.goalWidth);
        if (pict.goalHeight > 0)
            appendWord(o, "\\pichgoal", pict.goalHeight);
    }
    // The bytes in hex, 64 to a line (\bin would be shorter, but not every
    // reader takes it).
    o.reserve(o.size() + pict.data.size() * 2 + pict.data.size() / 32 + 4);
    for (std::size_t i = 0; i < pict.data.size(); ++i) {
        if (i % 64 == 0)
            o += '\n';
        const auto b = static_cast<unsigned char>(pict.data[i]);
        o += kHex[b >> 4];
        o += kHex[b & 15];
    }
    o += "}";
}

void Writer::kept(const Kept& kept, const CharFormat& format) {
    Impl& w = *impl_;
    enterRun(format);
    if (kept.kind == Kept::Kind::Rtf) {
        w.body += kept.rtf;
        return;
    }
    // Hidden text: a group of its own, whose \uc ends with it.
    const int uc = w.runUc;
    w.body += "{\\v ";
    w.writeText(kept.text);
    w.body += '}';
    w.runUc = uc;
}

void Writer::endParagraph() {
    Impl& w = *impl_;
    if (!w.inParagraph)
        beginParagraph(ParaFormat{});
    w.endParagraphWith("\\par");
}

// The outermost table's rows are defined before their cells (readers of
// old take the definition from there) and again before \row, since a
// nested table's definitions come in between. A nested row is defined
// after its cells, in \nesttableprops, followed by a paragraph end for
// readers without nested tables.
void Writer::beginRow(const RowFormat& row) {
    Impl& w = *impl_;
    if (w.inParagraph)
        endParagraph();
    if (w.tableDepth == 0) {
        w.body += "\\pard\\intbl";
        w.writeRowFormat(row);
        w.body += '\n';
    }
    ++w.tableDepth;
}

void Writer::endCell() {
    Impl& w = *impl_;
    if (!w.inParagraph)
        beginParagraph(ParaFormat{});
    w.endParagraphWith(w.tableDepth > 1 ? "\\nestcell" : "\\cell");
}

void Writer::endRow(const RowFormat& row) {
    Impl& w = *impl_;
    if (w.inParagraph)
        endCell();
    if (w.tableDepth <= 0)
        return;
    std::string& o = w.body;
    o += "\\pard\\intbl";
    if (w.tableDepth > 1) {
        appendWord(o, "\\itap", w.tableDepth);
        o += "{\\*\\nesttableprops";
        w.writeRowFormat(row);
        o += "\\nestrow}{\\nonesttables\\par}\n";
    } else {
        w.writeRowFormat(row);
        o += "\\row\n";
    }
    --w.tableDepth;
}

std::string Writer::finish() {
    Impl& w = *impl_;
    if (w.inParagraph)
        endParagraph();
    // The tables are known only now: put them in front of the body in
    // place, so the document is not held twice.
    std::string out = std::move(w.body);
    w.body = std::string();
    out.insert(0, w.header());
    out += "}\n";
    return out;
}

}  // namespace rtf
