// Character and paragraph formatting as the RTF reader reports it and the
// RTF writer takes it. Plain C++: this folder links no Qt.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rtf {

enum class VerticalAlign : std::uint8_t { Normal, Super, Sub };

// The formatting of one run of text. Colours are 0xRRGGBB.
struct CharFormat {
    std::string fontName;     // family name as written in the font table, UTF-8; "" = none given
    int fontCharset = -1;     // \fcharsetN of that font, -1 when not given
    int sizeHalfPoints = 24;  // \fsN: half-points (RTF's default is 12 pt)
    bool bold = false;
    bool italic = false;
    bool underline = false;  // every underline kind counts as underline
    bool strike = false;
    bool hasColor = false;  // false: the automatic (default) text colour
    std::uint32_t color = 0;
    bool hasBackground = false;  // \highlightN or \cbN / \chcbpatN
    std::uint32_t background = 0;
    VerticalAlign verticalAlign = VerticalAlign::Normal;
    // The instruction of the field whose result this text is (HYPERLINK
    // "http://...", PAGE, ...), UTF-8; "" for text outside fields.
    std::string field;

    bool operator==(const CharFormat&) const = default;
};

enum class Alignment : std::uint8_t { Left, Right, Centre, Justify };

// The formatting of one paragraph. Lengths in twips.
struct ParaFormat {
    Alignment alignment = Alignment::Left;
    int leftIndent = 0;       // \liN
    int rightIndent = 0;      // \riN
    int firstLineIndent = 0;  // \fiN (may be negative)
    int spaceBefore = 0;      // \sbN
    int spaceAfter = 0;       // \saN
    // The list the paragraph belongs to: \lsN names an entry of the file's
    // \listoverridetable (0: none), \ilvlN its level.
    int list = 0;
    int listLevel = 0;
    // \sN: the paragraph style of the file's \stylesheet it has (0: none
    // or the normal style, which needs no word).
    int style = 0;
    // \slN: the line spacing, in twips at least (N > 0) or exactly (N < 0);
    // with \slmult1, N / 240 lines. 0: single spacing.
    int lineSpacing = 0;
    int lineMultiple = 0;  // \slmultN
    // \txN tab stops, each with its kind (\tqr \tqc \tqdec before it, \tb
    // for a bar), in the order the file gives them.
    struct Tab {
        enum class Kind : std::uint8_t { Left, Right, Centre, Decimal, Bar };
        int position = 0;
        Kind kind = Kind::Left;
        bool operator==(const Tab&) const = default;
    };
    std::vector<Tab> tabs{};

    bool operator==(const ParaFormat&) const = default;
};

// A picture (\pict) as the file holds it, kept whole so that it can be
// written back unchanged.
struct Picture {
    enum class Kind : std::uint8_t { Png, Jpeg, Dib, Wbitmap, Wmf, Emf, Other };
    Kind kind = Kind::Other;
    std::string controls;                  // the group's own control words as written ("\picw32\pich32\pngblip")
    std::string data;                      // the picture's bytes (from hex digits or \bin)
    int width = 0, height = 0;             // \picw, \pich: pixels for bitmaps, 0.01 mm for metafiles
    int goalWidth = 0, goalHeight = 0;     // \picwgoal, \pichgoal: twips
    int scaleX = 100, scaleY = 100;        // \picscalex, \picscaley: percent
    int bitsPerPixel = 0, widthBytes = 0;  // \wbmbitspixel, \wbmwidthbytes (\wbitmap)

    // The size shown, in twips: the goal size scaled; 0 when the file gives
    // no goal (the picture's own size applies then).
    int shownWidth() const { return goalWidth > 0 ? int(long(goalWidth) * scaleX / 100) : 0; }
    int shownHeight() const { return goalHeight > 0 ? int(long(goalHeight) * scaleY / 100) : 0; }

    bool operator==(const Picture&) const = default;
};

// One side of a table cell's border. Lengths in twips, colours 0xRRGGBB.
struct Border {
    enum class Style : std::uint8_t { None, Single, Double, Dotted, Dashed };
    Style style = Style::None;
    int width = 0;  // \brdrwN; 0: the thinnest line
    bool hasColor = false;
    std::uint32_t color = 0;

    bool operator==(const Border&) const = default;
};

enum class Merge : std::uint8_t { None, First, Continue };
enum class CellAlign : std::uint8_t { Top, Centre, Bottom };

// One cell of a table row's definition, as \clXXX words and its \cellx give it.
struct CellFormat {
    int right = 0;      // \cellxN: the cell's right edge, from the page margin
    Border borders[4];  // top, left, bottom, right
    bool hasShading = false;
    std::uint32_t shading = 0;  // the background colour, \clcbpat mixed with \clcfpat by \clshdng
    Merge horizontal = Merge::None;
    Merge vertical = Merge::None;
    CellAlign align = CellAlign::Top;

    bool operator==(const CellFormat&) const = default;
};

// A table row's definition (\trowd ...).
struct RowFormat {
    std::vector<CellFormat> cells;
    int left = 0;  // \trleftN: where the row starts
    int gap = 0;   // \trgaphN: half the space between cells' texts
    Alignment alignment = Alignment::Left;

    bool operator==(const RowFormat&) const = default;
};

// Something in the text that the editor does not show (or shows only a
// mark of) and writes back unchanged: a footnote, a bookmark, a shape, a
// list label, hidden text ...
struct Kept {
    enum class Kind : std::uint8_t {
        Rtf,     // rtf holds the group or control word as the file wrote it
        Hidden,  // text marked hidden (\v): text holds it, written back as hidden
    };
    Kind kind = Kind::Rtf;
    std::string rtf;
    // Rtf: what stands for it in the text (a list label, a footnote's number;
    // often nothing); Hidden: the hidden text. UTF-8.
    std::string text;

    bool operator==(const Kept&) const = default;
};

// The page as the file sets it up, in twips; 0 where it says nothing.
struct PageSetup {
    int width = 0, height = 0;
    int left = 0, right = 0, top = 0, bottom = 0;
    bool landscape = false;

    bool operator==(const PageSetup&) const = default;
};

// What a document read from RTF holds besides its text, for the writer to
// put back around the text: its tables (so that kept groups still name the
// right fonts and colours, and their \'hh bytes the right code page), the
// groups of its header, its document and section settings.
struct KeptDocument {
    struct Font {
        int number = 0;
        std::string name;  // UTF-8, as the reader reports it in CharFormat
        int charset = -1;
        int codePage = 0;  // \cpgN; 0 when not given
    };
    std::string charset = "\\ansi";  // \ansi \mac \pc \pca as read
    int ansiCodePage = 0;            // \ansicpgN; 0 when not given
    int defaultFont = -1;            // \deffN; -1 when not given
    std::string fontTable;           // the \fonttbl group as written; "" when none
    // The fonts the text and kept groups name, by number. Where the file's
    // tables and its kept groups disagree (a broken file), fontTable is ""
    // and these are the fonts kept groups name.
    std::vector<Font> fonts;
    int nextFont = 0;        // the first number above those of the tables and kept groups
    std::string colorTable;  // the \colortbl group as written; "" when none
    // Its entries by index: 0xRRGGBB, or -1 for an automatic one.
    std::vector<std::int64_t> colors;
    std::string preamble;  // \stylesheet, \listtable, \info, other \* groups of the header
    std::string settings;  // document formatting words: \paperw12240\margl1800 ...
    std::string section;   // the first section's settings words, headers and footers
    PageSetup page;
    bool laterSections = false;  // sections after the first set their own page: not kept
    // Anything else reading found that saving cannot write back as it was,
    // one line each (UTF-8), as the save notice lists it.
    std::vector<std::string> losses;
};

}  // namespace rtf
