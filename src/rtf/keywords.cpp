#include "rtf/keywords.h"

#include <array>
#include <cstddef>

namespace rtf::detail {

namespace {

struct Entry {
    std::string_view name;
    Keyword keyword;
};

// Destinations: "Skip" ones hold nothing that belongs in the body (tables,
// metadata, pictures, headers and footers, footnotes, list definitions,
// bookmarks, annotations) and are skipped as a whole.
constexpr Entry kEntries[] = {
    {"rtf", Keyword::Ignore},
    {"ansi", Keyword::Ansi},
    {"mac", Keyword::Mac},
    {"pc", Keyword::Pc},
    {"pca", Keyword::Pca},
    {"ansicpg", Keyword::AnsiCpg},
    {"deff", Keyword::Deff},
    {"uc", Keyword::Uc},
    {"u", Keyword::U},
    {"upr", Keyword::Upr},
    {"ud", Keyword::Ud},
    {"fonttbl", Keyword::FontTable},
    {"colortbl", Keyword::ColorTable},
    {"red", Keyword::Red},
    {"green", Keyword::Green},
    {"blue", Keyword::Blue},
    {"fcharset", Keyword::FCharset},
    {"cpg", Keyword::Cpg},
    {"f", Keyword::F},
    {"af", Keyword::Af},
    {"loch", Keyword::Loch},
    {"hich", Keyword::Hich},
    {"dbch", Keyword::Dbch},
    {"fs", Keyword::Fs},
    {"b", Keyword::Bold},
    {"i", Keyword::Italic},
    {"ul", Keyword::Underline},
    {"uld", Keyword::Underline},
    {"uldash", Keyword::Underline},
    {"uldashd", Keyword::Underline},
    {"uldashdd", Keyword::Underline},
    {"uldb", Keyword::Underline},
    {"ulhwave", Keyword::Underline},
    {"ulldash", Keyword::Underline},
    {"ulth", Keyword::Underline},
    {"ulthd", Keyword::Underline},
    {"ulthdash", Keyword::Underline},
    {"ulthdashd", Keyword::Underline},
    {"ulthdashdd", Keyword::Underline},
    {"ulthldash", Keyword::Underline},
    {"ululdbwave", Keyword::Underline},
    {"ulw", Keyword::Underline},
    {"ulwave", Keyword::Underline},
    {"ulnone", Keyword::UlNone},
    {"strike", Keyword::Strike},
    {"striked", Keyword::Strike},
    {"cf", Keyword::Cf},
    {"cb", Keyword::Cb},
    {"chcbpat", Keyword::Cb},
    {"highlight", Keyword::Highlight},
    {"super", Keyword::Super},
    {"sub", Keyword::Sub},
    {"nosupersub", Keyword::NoSuperSub},
    {"rtlch", Keyword::Rtlch},
    {"ltrch", Keyword::Ltrch},
    {"ab", Keyword::ABold},
    {"ai", Keyword::AItalic},
    {"aul", Keyword::AUnderline},
    {"auld", Keyword::AUnderline},
    {"auldash", Keyword::AUnderline},
    {"auldashd", Keyword::AUnderline},
    {"auldashdd", Keyword::AUnderline},
    {"auldb", Keyword::AUnderline},
    {"aulhair", Keyword::AUnderline},
    {"aulth", Keyword::AUnderline},
    {"aulw", Keyword::AUnderline},
    {"aulwave", Keyword::AUnderline},
    {"aulnone", Keyword::AUlNone},
    {"astrike", Keyword::AStrike},
    {"afs", Keyword::AFs},
    {"acf", Keyword::ACf},
    {"plain", Keyword::Plain},
    {"pard", Keyword::Pard},
    {"ql", Keyword::Ql},
    {"qr", Keyword::Qr},
    {"qc", Keyword::Qc},
    {"qj", Keyword::Qj},
    {"qd", Keyword::Qj},
    {"li", Keyword::Li},
    {"ri", Keyword::Ri},
    {"fi", Keyword::Fi},
    {"sb", Keyword::Sb},
    {"sa", Keyword::Sa},
    {"par", Keyword::Par},
    {"line", Keyword::Line},
    {"tab", Keyword::Tab},
    {"page", Keyword::Page},
    {"sect", Keyword::Sect},
    {"emdash", Keyword::EmDash},
    {"endash", Keyword::EnDash},
    {"lquote", Keyword::LQuote},
    {"rquote", Keyword::RQuote},
    {"ldblquote", Keyword::LDblQuote},
    {"rdblquote", Keyword::RDblQuote},
    {"bullet", Keyword::Bullet},
    {"enspace", Keyword::EnSpace},
    {"emspace", Keyword::EmSpace},
    {"qmspace", Keyword::QmSpace},
    {"zwj", Keyword::Zwj},
    {"zwnj", Keyword::Zwnj},
    {"cell", Keyword::Cell},
    {"nestcell", Keyword::Cell},
    {"row", Keyword::Row},
    {"nestrow", Keyword::Row},
    {"intbl", Keyword::InTable},
    {"field", Keyword::Field},
    {"fldinst", Keyword::FldInst},
    {"fldrslt", Keyword::FldRslt},
    {"stylesheet", Keyword::Skip},
    {"info", Keyword::Skip},
    {"pict", Keyword::Pict},
    {"object", Keyword::Skip},
    {"header", Keyword::Skip},
    {"headerl", Keyword::Skip},
    {"headerr", Keyword::Skip},
    {"headerf", Keyword::Skip},
    {"footer", Keyword::Skip},
    {"footerl", Keyword::Skip},
    {"footerr", Keyword::Skip},
    {"footerf", Keyword::Skip},
    {"footnote", Keyword::Skip},
    {"ftnsep", Keyword::Skip},
    {"ftnsepc", Keyword::Skip},
    {"ftncn", Keyword::Skip},
    {"aftnsep", Keyword::Skip},
    {"aftnsepc", Keyword::Skip},
    {"aftncn", Keyword::Skip},
    {"listtable", Keyword::Skip},
    {"listoverridetable", Keyword::Skip},
    {"nonesttables", Keyword::Skip},
    {"themedata", Keyword::Skip},
    {"colorschememapping", Keyword::Skip},
    {"datastore", Keyword::Skip},
    {"xmlnstbl", Keyword::Skip},
    {"rsidtbl", Keyword::Skip},
    {"generator", Keyword::Skip},
    {"bkmkstart", Keyword::Skip},
    {"bkmkend", Keyword::Skip},
    {"annotation", Keyword::Skip},
    {"atnid", Keyword::Skip},
    {"atnauthor", Keyword::Skip},
    {"atndate", Keyword::Skip},
    {"atnref", Keyword::Skip},
    {"atrfstart", Keyword::Skip},
    {"atrfend", Keyword::Skip},
    {"author", Keyword::Skip},
    {"title", Keyword::Skip},
    {"subject", Keyword::Skip},
    {"operator", Keyword::Skip},
    {"keywords", Keyword::Skip},
    {"comment", Keyword::Skip},
    {"doccomm", Keyword::Skip},
    {"company", Keyword::Skip},
    {"category", Keyword::Skip},
    {"manager", Keyword::Skip},
    {"hlinkbase", Keyword::Skip},
    {"revtbl", Keyword::Skip},
    {"pgdsctbl", Keyword::Skip},
    {"latentstyles", Keyword::Skip},
    {"mmathPr", Keyword::Skip},
    {"docvar", Keyword::Skip},
    {"do", Keyword::Skip},
    {"pn", Keyword::Skip},
    {"pntxtb", Keyword::Skip},
    {"pntxta", Keyword::Skip},
    {"xe", Keyword::Skip},
    {"tc", Keyword::Skip},
    {"txe", Keyword::Skip},
    {"rxe", Keyword::Skip},
    {"template", Keyword::Skip},
    {"filetbl", Keyword::Skip},
    {"falt", Keyword::Skip},
    {"panose", Keyword::Skip},
    {"fname", Keyword::Skip},
    {"protusertbl", Keyword::Skip},
    {"userprops", Keyword::Skip},
    {"passwordhash", Keyword::Skip},
    {"shpinst", Keyword::Skip},
    {"shprslt", Keyword::Skip},
    {"nonshppict", Keyword::Skip},
    // {\*\shppict{\pict ...}}{\nonshppict{\pict ...}}: the first is the
    // picture, the second the same for older readers.
    {"shppict", Keyword::Ignore},
    {"objdata", Keyword::Skip},
    {"result", Keyword::Skip},
    {"listpicture", Keyword::Skip},
    {"pgptbl", Keyword::Skip},
    {"wgrffmtfilter", Keyword::Skip},
    // Word writes a nested row's end (\nestrow) inside it, and some writers
    // put the nested cells' text there too: read it like any group.
    {"nesttableprops", Keyword::Ignore},
    // Hidden text is not shown.
    {"v", Keyword::Hidden},
};

constexpr std::size_t kSlots = 1024;  // a power of two, well above the entry count

constexpr std::uint32_t hashName(std::string_view s) {
    std::uint32_t h = 2166136261u;
    for (char c : s) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    return h;
}

constexpr std::array<std::int16_t, kSlots> buildTable() {
    std::array<std::int16_t, kSlots> slots{};
    for (auto& s : slots) s = -1;
    for (std::size_t i = 0; i < std::size(kEntries); ++i) {
        std::size_t slot = hashName(kEntries[i].name) & (kSlots - 1);
        while (slots[slot] >= 0) slot = (slot + 1) & (kSlots - 1);
        slots[slot] = static_cast<std::int16_t>(i);
    }
    return slots;
}

constexpr std::array<std::int16_t, kSlots> kTable = buildTable();

}  // namespace

Keyword regularKeyword(Keyword k) {
    switch (k) {
    case Keyword::ABold: return Keyword::Bold;
    case Keyword::AItalic: return Keyword::Italic;
    case Keyword::AUnderline: return Keyword::Underline;
    case Keyword::AUlNone: return Keyword::UlNone;
    case Keyword::AStrike: return Keyword::Strike;
    case Keyword::AFs: return Keyword::Fs;
    case Keyword::ACf: return Keyword::Cf;
    default: return k;
    }
}

Keyword lookupKeyword(std::string_view name) {
    std::size_t slot = hashName(name) & (kSlots - 1);
    while (kTable[slot] >= 0) {
        const Entry& e = kEntries[kTable[slot]];
        if (e.name == name) return e.keyword;
        slot = (slot + 1) & (kSlots - 1);
    }
    return Keyword::Unknown;
}

}  // namespace rtf::detail
