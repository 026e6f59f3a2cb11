// The control words the reader acts on, and their lookup by name.
#pragma once

#include <cstdint>
#include <string_view>

namespace rtf::detail {

enum class Keyword : std::uint8_t {
    Unknown,
    Ignore,
    Ansi,
    Mac,
    Pc,
    Pca,
    AnsiCpg,
    Deff,
    Uc,
    U,
    Upr,
    Ud,
    FontTable,
    ColorTable,
    Red,
    Green,
    Blue,
    FCharset,
    Cpg,
    F,
    Af,
    Loch,
    Hich,
    Dbch,
    Fs,
    Bold,
    Italic,
    Underline,
    UlNone,
    Strike,
    Cf,
    Cb,
    Highlight,
    Super,
    Sub,
    NoSuperSub,
    Plain,
    Pard,
    Ql,
    Qr,
    Qc,
    Qj,
    Li,
    Ri,
    Fi,
    Sb,
    Sa,
    Par,
    Line,
    Tab,
    Page,
    Sect,
    EmDash,
    EnDash,
    LQuote,
    RQuote,
    LDblQuote,
    RDblQuote,
    Bullet,
    EnSpace,
    EmSpace,
    QmSpace,
    Zwj,
    Zwnj,
    Cell,
    Row,
    InTable,
    Field,
    FldInst,
    FldRslt,
    Skip,
    Hidden,
    Pict,
    Rtlch,
    Ltrch,
    // Associated character properties: the same as the regular ones for
    // text read after \loch, \dbch or \ltrch; for complex-script text
    // (after \hich or \rtlch) otherwise, which this reader does not show.
    ABold,
    AItalic,
    AUnderline,
    AUlNone,
    AStrike,
    AFs,
    ACf,
};

// The regular keyword an associated one stands for (ABold: Bold ...);
// any other keyword unchanged.
Keyword regularKeyword(Keyword k);

// The keyword for a control word's name; Keyword::Unknown for names the
// reader ignores. Constant time: a fixed hash table built at compile time.
Keyword lookupKeyword(std::string_view name);

}  // namespace rtf::detail
