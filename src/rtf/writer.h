// The RTF writer: a stream of formatted text in, an RTF document out.
#pragma once

#include "format.h"

#include <string>
#include <string_view>

namespace rtf {

// Calls follow the document: for each paragraph, beginParagraph(), any
// number of text() calls, endParagraph(); then finish() returns the complete
// document. The font and colour tables are built from what was written.
class Writer {
public:
    Writer();
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // A document read from RTF is written back with the tables and code page
    // it was read with (what its kept groups refer to), its own fonts and
    // colours numbered as in the file and new ones after them. whole: also
    // its header's groups and its document and section settings (for a
    // selection of it, only the tables).
    void keep(const KeptDocument& document, bool whole);

    void beginParagraph(const ParaFormat& format);
    // UTF-8 text; U+2028 is written as \line, U+0009 as \tab.
    void text(std::string_view utf8, const CharFormat& format);
    // A picture in the text, written back with the control words and bytes
    // it was read with.
    void picture(const Picture& picture, const CharFormat& format);
    // What the text keeps but does not show, written back as read.
    void kept(const Kept& kept, const CharFormat& format);
    void endParagraph();

    // Tables. A row: beginRow(), then for each cell its paragraphs (the
    // last one ended by endCell() instead of endParagraph()), then endRow()
    // with the same definition. A cell may hold rows of a table nested in
    // it, written the same way. Paragraphs begun inside a row are marked as
    // in the table.
    void beginRow(const RowFormat& row);
    void endCell();
    void endRow(const RowFormat& row);

    std::string finish();

private:
    void enterRun(const CharFormat& format);

    struct Impl;
    Impl* impl_;
};

// The character set a run's font is declared with when the writer builds
// the font table itself: fonts with Chinese names are Chinese (GB2312, 134)
// fonts unless the run says they are Japanese, Korean or Big5 ones (128,
// 129, 136); a font with no character set is Western (0).
int writtenCharset(std::string_view fontName, int charset);

}  // namespace rtf
