// The control words the reader acts on: each with what kind of thing it
// does and its argument, looked up by name.
#pragma once

#include "format.h"

#include <cstdint>
#include <string_view>

namespace rtf::detail {

// Character flags a toggle word (\b, \i, \ul ...) sets or clears.
enum CharFlags : std::uint8_t { kBold = 1, kItalic = 2, kUnderline = 4, kStrike = 8, kHidden = 16 };

// What a control word does; KeywordEntry::arg says with what.
enum class Kind : std::uint8_t {
    Unknown,           // not a word the reader knows
    Ignore,            // known, and nothing to do
    Destination,       // arg: a DestinationKind
    DocCodePage,       // \ansi \mac \pc \pca; arg: the code page
    AnsiCpg,           // \ansicpgN
    DefaultFont,       // \deffN
    UnicodeSkip,       // \ucN
    Unicode,           // \uN
    UnicodePair,       // \upr (arg 0) holds an ANSI version and \ud (arg 1) the Unicode one
    ColorComponent,    // \red \green \blue; arg: 0, 1, 2
    FontProperty,      // in the font table; arg: a FontPropertyKind
    Font,              // \fN
    AssociatedFont,    // \afN
    RunType,           // \loch \hich \dbch; arg: 0, 1, 2
    Size,              // \fsN
    Toggle,            // \b \i \ul \strike \v and their "0" forms; arg: a CharFlags bit
    FlagOff,           // \ulnone; arg: a CharFlags bit
    Colour,            // arg: a ColourKind
    VerticalAlign,     // \super \sub \nosupersub; arg: the VerticalAlign when on
    Picture,           // \pict
    Direction,         // \rtlch (arg 1), \ltrch (arg 0)
    Plain,             // \plain: default character formatting
    Pard,              // \pard: default paragraph formatting
    Alignment,         // \ql \qr \qc \qj; arg: the Alignment
    ParaValue,         // \li \ri \fi \sb \sa: KeywordEntry::para names the member
    ParagraphEnd,      // \par \row (arg 0); \page \sect (arg 1: only an open paragraph)
    Cell,              // \cell (arg 0), \nestcell (arg 1)
    Row,               // \row (arg 0), \nestrow (arg 1)
    InTable,           // \intbl
    NestingLevel,      // \itapN
    TableProperty,     // row and cell definitions; arg: a TableProperty
    Character,         // \line \tab \emdash ...; arg: the code point
    Field,             // \field
    FieldInstruction,  // \fldinst
    FieldResult,       // \fldrslt
    KeptWord,          // \chftn \chatn ...: kept in the text; arg 1: a footnote's mark
    DocSetting,        // \paperw \margl ...: arg: a PageField
    SectionSetting,    // \sectd \pgwsxn ...: arg: a PageField
    Unkept,            // formatting the editor neither shows nor writes back; arg: an UnkeptKind
    TabStop,           // \tx (arg: Left, or the kind \tqr ... gave) \tb (arg: Bar)
    TabKind,           // \tqr \tqc \tqdec: the kind of the next \tx
};

// The control words of a table row's definition (\trowd ... \cellx).
enum TableProperty : std::uint8_t {
    kRowDefaults,  // \trowd
    kCellRight,    // \cellxN
    kRowGap,       // \trgaphN
    kRowLeft,      // \trleftN
    kRowAlignLeft,
    kRowAlignRight,
    kRowAlignCentre,
    kCellBorderTop,  // \clbrdrt; then left, bottom, right in Border's order
    kCellBorderLeft,
    kCellBorderBottom,
    kCellBorderRight,
    kOtherBorder,  // a paragraph's, a row's or a table's border: not a cell's
    kBorderNone,
    kBorderSingle,
    kBorderDouble,
    kBorderDotted,
    kBorderDashed,
    kBorderWidth,     // \brdrwN
    kBorderColour,    // \brdrcfN
    kCellBackground,  // \clcbpatN
    kCellPattern,     // \clcfpatN
    kCellShading,     // \clshdngN
    kMergeFirst,      // \clmgf
    kMergeNext,       // \clmrg
    kVMergeFirst,     // \clvmgf
    kVMergeNext,      // \clvmrg
    kCellTop,         // \clvertalt
    kCellCentre,
    kCellBottom,
};

// kSkip: dropped. kKeep: kept where it is (in the header: with the header's
// groups). kDocument: kept with the header's groups wherever it is. kSection:
// a header or footer, kept with the section's settings. kLabel: a list label,
// kept where it is and shown as text.
enum DestinationKind : std::uint8_t { kFontTable, kColorTable, kSkip, kKeep, kDocument, kSection, kLabel };
// Formatting read but not written back, reported as what saving changes.
enum UnkeptKind : std::uint8_t { kBorders, kRowLayout, kUnkeptKinds };
// The page setting a document or section word gives.
enum PageField : std::uint8_t {
    kNoPage,
    kPageWidth,
    kPageHeight,
    kMarginLeft,
    kMarginRight,
    kMarginTop,
    kMarginBottom,
    kLandscape
};
enum FontPropertyKind : std::uint8_t { kCharset, kCodePage };
enum ColourKind : std::uint8_t { kForeground, kBackground, kHighlight };

struct KeywordEntry {
    std::string_view name;
    Kind kind = Kind::Unknown;
    std::int32_t arg = 0;
    int ParaFormat::*para = nullptr;  // Kind::ParaValue: the member it sets
    // An associated character property (\ab, \afs ...): the same as the
    // regular one for text read after \loch, \dbch or \ltrch; for
    // complex-script text (after \hich or \rtlch) otherwise, which this
    // reader does not show.
    bool associated = false;
};

// Kinds that change formatting, ignored in groups nested past the reader's
// depth limit (whose text is still kept).
constexpr bool isFormatting(Kind k) {
    switch (k) {
    case Kind::UnicodeSkip:
    case Kind::AssociatedFont:
    case Kind::RunType:
    case Kind::Size:
    case Kind::Toggle:
    case Kind::FlagOff:
    case Kind::Colour:
    case Kind::VerticalAlign:
    case Kind::Plain:
    case Kind::Pard:
    case Kind::Alignment:
    case Kind::ParaValue:
    case Kind::TabStop:
    case Kind::TabKind: return true;
    default: return false;
    }
}

// The entry for a control word's name; one of Kind::Unknown for names the
// reader ignores. Constant time: a fixed hash table built at compile time.
const KeywordEntry& lookupKeyword(std::string_view name);

}  // namespace rtf::detail
