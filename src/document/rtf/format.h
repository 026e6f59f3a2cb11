// Character and paragraph formatting as the RTF reader reports it and the
// RTF writer takes it. Plain C++: this folder links no Qt.
#pragma once

#include <cstdint>
#include <string>

namespace rtf {

enum class VerticalAlign : std::uint8_t { Normal, Super, Sub };

// The formatting of one run of text. Colours are 0xRRGGBB.
struct CharFormat {
    std::string fontName;         // family name as written in the font table, UTF-8; "" = none given
    int fontCharset = -1;         // \fcharsetN of that font, -1 when not given
    int sizeHalfPoints = 24;      // \fsN: half-points (RTF's default is 12 pt)
    bool bold = false;
    bool italic = false;
    bool underline = false;       // every underline kind counts as underline
    bool strike = false;
    bool hasColor = false;        // false: the automatic (default) text colour
    std::uint32_t color = 0;
    bool hasBackground = false;   // \highlightN or \cbN / \chcbpatN
    std::uint32_t background = 0;
    VerticalAlign verticalAlign = VerticalAlign::Normal;

    bool operator==(const CharFormat&) const = default;
};

enum class Alignment : std::uint8_t { Left, Right, Centre, Justify };

// The formatting of one paragraph. Lengths in twips.
struct ParaFormat {
    Alignment alignment = Alignment::Left;
    int leftIndent = 0;        // \liN
    int rightIndent = 0;       // \riN
    int firstLineIndent = 0;   // \fiN (may be negative)
    int spaceBefore = 0;       // \sbN
    int spaceAfter = 0;        // \saN

    bool operator==(const ParaFormat&) const = default;
};

}  // namespace rtf
