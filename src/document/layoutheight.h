// How tall a document can get when laid out, known before it is laid out.
//
// Two limits of Qt's layout make a window stop answering for good:
// - It lays a document out in 26.6 fixed-point coordinates that end at 2^25
//   pixels. Small files reach that too: a few thousand paragraphs of the
//   largest spacing, a few thousand lines of the largest font, or ordinary
//   text wrapped into a very narrow window. So the control keeps an upper
//   bound of the height and wraps lines no narrower than keeps it under the
//   limit, and a file that no width can fit is not opened.
// - A text control's document has no page height, which Qt takes as one
//   page 8,388,607 pixels tall; a line that crosses that page's bottom
//   sends the layout looking for a next page it never makes (whether one
//   crosses depends on the line heights). A document that may be taller
//   than PagedFrom gets a page height of its own, so that Qt can break
//   pages: the line that crosses a page's bottom moves down by a few pixels.
//   Its layout keeps that height whenever the text control sets the width.
//
// Wrapping decides most of the height, so the bound has two parts: what no
// width changes (a line for each paragraph and line break, paragraph
// spacing, pictures, text in table cells of fixed width) and the area of
// the rest of the text (its width times its line height), which wrapping
// spreads over lines as wide as the wrap width. Each character counts as
// wide as its font is high, and each line as 1.25 of its font's line
// spacing (a Chinese fallback font makes a line that much taller).
#pragma once

#include <algorithm>
#include <cmath>

class QTextCharFormat;
class QTextDocument;

namespace document {

// Room is left below Qt's limit for the frame and table borders.
inline constexpr double MaxLayoutHeight = 30'000'000;
// Lines are never wrapped wider than this to fit a document.
inline constexpr double MaxWrapWidth = 65536;
// Below Qt's own page of 8,388,607 pixels.
inline constexpr double PagedFrom = 8'000'000;
inline constexpr double PageHeight = 8'000'000;

struct HeightBound {
    double fixed = 0;   // pixels
    double area = 0;    // square pixels, spread over the wrap width
    double indent = 0;  // the most that margins and indents take off a line

    double at(double wrapWidth) const { return fixed + area / std::max(wrapWidth - indent, 1.0); }
    // The narrowest wrap width that keeps the document under MaxLayoutHeight;
    // infinity when no width does.
    double narrowestWidth() const {
        if (fixed >= MaxLayoutHeight)
            return INFINITY;
        return indent + area / (MaxLayoutHeight - fixed);
    }
    bool fits() const { return at(MaxWrapWidth) < MaxLayoutHeight; }
    HeightBound& operator+=(const HeightBound& other);
};

// The whole document's bound.
HeightBound heightBound(const QTextDocument& document);
// What a change adds to the bound: the text from `from` up to `to`, and
// the blocks that start inside it. With a modifier, as it would be once the
// modifier is merged into that text's character formats.
HeightBound heightOfChange(const QTextDocument& document, int from, int to, const QTextCharFormat* modifier = nullptr);

// Gives a new document the layout that can keep a page height: before
// anything else asks for its layout.
void installPagedLayout(QTextDocument& document);
// Whether the document (when its layout is the one above) is laid out in
// pages of PageHeight, from now on.
void setPaged(QTextDocument& document, bool paged);

}  // namespace document
