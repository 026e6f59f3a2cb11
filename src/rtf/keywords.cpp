#include "rtf/keywords.h"

#include <array>
#include <cstddef>

namespace rtf::detail {

namespace {

// Destinations of kind kSkip hold nothing that belongs in the body (tables,
// metadata, pictures, headers and footers, footnotes, list definitions,
// bookmarks, annotations) and are skipped as a whole.
constexpr KeywordEntry kEntries[] = {
    {"rtf", Kind::Ignore},
    {"ansi", Kind::DocCodePage, 1252},
    {"mac", Kind::DocCodePage, 10000},
    {"pc", Kind::DocCodePage, 437},
    {"pca", Kind::DocCodePage, 850},
    {"ansicpg", Kind::AnsiCpg},
    {"deff", Kind::DefaultFont},
    {"uc", Kind::UnicodeSkip},
    {"u", Kind::Unicode},
    {"upr", Kind::UnicodePair},
    {"ud", Kind::UnicodePair, 1},
    {"fonttbl", Kind::Destination, kFontTable},
    {"colortbl", Kind::Destination, kColorTable},
    {"red", Kind::ColorComponent},
    {"green", Kind::ColorComponent, 1},
    {"blue", Kind::ColorComponent, 2},
    {"fcharset", Kind::FontProperty, kCharset},
    {"cpg", Kind::FontProperty, kCodePage},
    {"f", Kind::Font},
    {"af", Kind::AssociatedFont},
    {"loch", Kind::RunType},
    {"hich", Kind::RunType, 1},
    {"dbch", Kind::RunType, 2},
    {"fs", Kind::Size},
    {"b", Kind::Toggle, kBold},
    {"i", Kind::Toggle, kItalic},
    {"ul", Kind::Toggle, kUnderline},
    {"uld", Kind::Toggle, kUnderline},
    {"uldash", Kind::Toggle, kUnderline},
    {"uldashd", Kind::Toggle, kUnderline},
    {"uldashdd", Kind::Toggle, kUnderline},
    {"uldb", Kind::Toggle, kUnderline},
    {"ulhwave", Kind::Toggle, kUnderline},
    {"ulldash", Kind::Toggle, kUnderline},
    {"ulth", Kind::Toggle, kUnderline},
    {"ulthd", Kind::Toggle, kUnderline},
    {"ulthdash", Kind::Toggle, kUnderline},
    {"ulthdashd", Kind::Toggle, kUnderline},
    {"ulthdashdd", Kind::Toggle, kUnderline},
    {"ulthldash", Kind::Toggle, kUnderline},
    {"ululdbwave", Kind::Toggle, kUnderline},
    {"ulw", Kind::Toggle, kUnderline},
    {"ulwave", Kind::Toggle, kUnderline},
    {"ulnone", Kind::FlagOff, kUnderline},
    {"strike", Kind::Toggle, kStrike},
    {"striked", Kind::Toggle, kStrike},
    {"cf", Kind::Colour, kForeground},
    {"cb", Kind::Colour, kBackground},
    {"chcbpat", Kind::Colour, kBackground},
    {"highlight", Kind::Colour, kHighlight},
    {"super", Kind::VerticalAlign, int(VerticalAlign::Super)},
    {"sub", Kind::VerticalAlign, int(VerticalAlign::Sub)},
    {"nosupersub", Kind::VerticalAlign, int(VerticalAlign::Normal)},
    {"rtlch", Kind::Direction, 1},
    {"ltrch", Kind::Direction},
    // Associated properties: see KeywordEntry::associated.
    {"ab", Kind::Toggle, kBold, nullptr, true},
    {"ai", Kind::Toggle, kItalic, nullptr, true},
    {"aul", Kind::Toggle, kUnderline, nullptr, true},
    {"auld", Kind::Toggle, kUnderline, nullptr, true},
    {"auldash", Kind::Toggle, kUnderline, nullptr, true},
    {"auldashd", Kind::Toggle, kUnderline, nullptr, true},
    {"auldashdd", Kind::Toggle, kUnderline, nullptr, true},
    {"auldb", Kind::Toggle, kUnderline, nullptr, true},
    {"aulhair", Kind::Toggle, kUnderline, nullptr, true},
    {"aulth", Kind::Toggle, kUnderline, nullptr, true},
    {"aulw", Kind::Toggle, kUnderline, nullptr, true},
    {"aulwave", Kind::Toggle, kUnderline, nullptr, true},
    {"aulnone", Kind::FlagOff, kUnderline, nullptr, true},
    {"astrike", Kind::Toggle, kStrike, nullptr, true},
    {"afs", Kind::Size, 0, nullptr, true},
    {"acf", Kind::Colour, kForeground, nullptr, true},
    {"plain", Kind::Plain},
    {"pard", Kind::Pard},
    {"ql", Kind::Alignment, int(Alignment::Left)},
    {"qr", Kind::Alignment, int(Alignment::Right)},
    {"qc", Kind::Alignment, int(Alignment::Centre)},
    {"qj", Kind::Alignment, int(Alignment::Justify)},
    {"qd", Kind::Alignment, int(Alignment::Justify)},
    {"li", Kind::ParaValue, 0, &ParaFormat::leftIndent},
    {"ri", Kind::ParaValue, 0, &ParaFormat::rightIndent},
    {"fi", Kind::ParaValue, 0, &ParaFormat::firstLineIndent},
    {"sb", Kind::ParaValue, 0, &ParaFormat::spaceBefore},
    {"sa", Kind::ParaValue, 0, &ParaFormat::spaceAfter},
    {"par", Kind::ParagraphEnd},
    {"line", Kind::Character, 0x2028},
    {"tab", Kind::Character, '\t'},
    {"page", Kind::ParagraphEnd, 1},
    {"sect", Kind::ParagraphEnd, 1},
    {"emdash", Kind::Character, 0x2014},
    {"endash", Kind::Character, 0x2013},
    {"lquote", Kind::Character, 0x2018},
    {"rquote", Kind::Character, 0x2019},
    {"ldblquote", Kind::Character, 0x201C},
    {"rdblquote", Kind::Character, 0x201D},
    {"bullet", Kind::Character, 0x2022},
    {"enspace", Kind::Character, 0x2002},
    {"emspace", Kind::Character, 0x2003},
    {"qmspace", Kind::Character, 0x2005},
    {"zwj", Kind::Character, 0x200D},
    {"zwnj", Kind::Character, 0x200C},
    {"cell", Kind::Cell},
    {"nestcell", Kind::Cell},
    {"row", Kind::ParagraphEnd},
    {"nestrow", Kind::ParagraphEnd},
    {"intbl", Kind::Ignore},
    {"field", Kind::Field},
    {"fldinst", Kind::FieldInstruction},
    {"fldrslt", Kind::FieldResult},
    {"stylesheet", Kind::Destination, kSkip},
    {"info", Kind::Destination, kSkip},
    {"pict", Kind::Picture},
    {"object", Kind::Destination, kSkip},
    {"header", Kind::Destination, kSkip},
    {"headerl", Kind::Destination, kSkip},
    {"headerr", Kind::Destination, kSkip},
    {"headerf", Kind::Destination, kSkip},
    {"footer", Kind::Destination, kSkip},
    {"footerl", Kind::Destination, kSkip},
    {"footerr", Kind::Destination, kSkip},
    {"footerf", Kind::Destination, kSkip},
    {"footnote", Kind::Destination, kSkip},
    {"ftnsep", Kind::Destination, kSkip},
    {"ftnsepc", Kind::Destination, kSkip},
    {"ftncn", Kind::Destination, kSkip},
    {"aftnsep", Kind::Destination, kSkip},
    {"aftnsepc", Kind::Destination, kSkip},
    {"aftncn", Kind::Destination, kSkip},
    {"listtable", Kind::Destination, kSkip},
    {"listoverridetable", Kind::Destination, kSkip},
    {"nonesttables", Kind::Destination, kSkip},
    {"themedata", Kind::Destination, kSkip},
    {"colorschememapping", Kind::Destination, kSkip},
    {"datastore", Kind::Destination, kSkip},
    {"xmlnstbl", Kind::Destination, kSkip},
    {"rsidtbl", Kind::Destination, kSkip},
    {"generator", Kind::Destination, kSkip},
    {"bkmkstart", Kind::Destination, kSkip},
    {"bkmkend", Kind::Destination, kSkip},
    {"annotation", Kind::Destination, kSkip},
    {"atnid", Kind::Destination, kSkip},
    {"atnauthor", Kind::Destination, kSkip},
    {"atndate", Kind::Destination, kSkip},
    {"atnref", Kind::Destination, kSkip},
    {"atrfstart", Kind::Destination, kSkip},
    {"atrfend", Kind::Destination, kSkip},
    {"author", Kind::Destination, kSkip},
    {"title", Kind::Destination, kSkip},
    {"subject", Kind::Destination, kSkip},
    {"operator", Kind::Destination, kSkip},
    {"keywords", Kind::Destination, kSkip},
    {"comment", Kind::Destination, kSkip},
    {"doccomm", Kind::Destination, kSkip},
    {"company", Kind::Destination, kSkip},
    {"category", Kind::Destination, kSkip},
    {"manager", Kind::Destination, kSkip},
    {"hlinkbase", Kind::Destination, kSkip},
    {"revtbl", Kind::Destination, kSkip},
    {"pgdsctbl", Kind::Destination, kSkip},
    {"latentstyles", Kind::Destination, kSkip},
    {"mmathPr", Kind::Destination, kSkip},
    {"docvar", Kind::Destination, kSkip},
    {"do", Kind::Destination, kSkip},
    {"pn", Kind::Destination, kSkip},
    {"pntxtb", Kind::Destination, kSkip},
    {"pntxta", Kind::Destination, kSkip},
    {"xe", Kind::Destination, kSkip},
    {"tc", Kind::Destination, kSkip},
    {"txe", Kind::Destination, kSkip},
    {"rxe", Kind::Destination, kSkip},
    {"template", Kind::Destination, kSkip},
    {"filetbl", Kind::Destination, kSkip},
    {"falt", Kind::Destination, kSkip},
    {"panose", Kind::Destination, kSkip},
    {"fname", Kind::Destination, kSkip},
    {"protusertbl", Kind::Destination, kSkip},
    {"userprops", Kind::Destination, kSkip},
    {"passwordhash", Kind::Destination, kSkip},
    {"shpinst", Kind::Destination, kSkip},
    {"shprslt", Kind::Destination, kSkip},
    {"nonshppict", Kind::Destination, kSkip},
    // {\*\shppict{\pict ...}}{\nonshppict{\pict ...}}: the first is the
    // picture, the second the same for older readers.
    {"shppict", Kind::Ignore},
    {"objdata", Kind::Destination, kSkip},
    {"result", Kind::Destination, kSkip},
    {"listpicture", Kind::Destination, kSkip},
    {"pgptbl", Kind::Destination, kSkip},
    {"wgrffmtfilter", Kind::Destination, kSkip},
    // Word writes a nested row's end (\nestrow) inside it, and some writers
    // put the nested cells' text there too: read it like any group.
    {"nesttableprops", Kind::Ignore},
    // Hidden text is not shown.
    {"v", Kind::Toggle, kHidden},
};

constexpr std::size_t kSlots = 1024;  // a power of two, well above the entry count

constexpr std::uint32_t hashName(std::string_view s) {
    std::uint32_t h = 2166136261u;
    for (char c : s)
        h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    return h;
}

constexpr std::array<std::int16_t, kSlots> buildTable() {
    std::array<std::int16_t, kSlots> slots{};
    for (auto& s : slots)
        s = -1;
    for (std::size_t i = 0; i < std::size(kEntries); ++i) {
        std::size_t slot = hashName(kEntries[i].name) & (kSlots - 1);
        while (slots[slot] >= 0)
            slot = (slot + 1) & (kSlots - 1);
        slots[slot] = static_cast<std::int16_t>(i);
    }
    return slots;
}

constexpr std::array<std::int16_t, kSlots> kTable = buildTable();

}  // namespace

const KeywordEntry& lookupKeyword(std::string_view name) {
    static constexpr KeywordEntry kUnknown{};
    std::size_t slot = hashName(name) & (kSlots - 1);
    while (kTable[slot] >= 0) {
        const KeywordEntry& e = kEntries[kTable[slot]];
        if (e.name == name)
            return e;
        slot = (slot + 1) & (kSlots - 1);
    }
    return kUnknown;
}

}  // namespace rtf::detail
