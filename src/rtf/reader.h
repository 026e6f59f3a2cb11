// The RTF reader: bytes in, a stream of formatted text out.
#pragma once

#include "format.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace rtf {

// Raised only for input that is not RTF at all; recoverable oddities
// (unknown control words, unknown code pages, unbalanced braces) never raise:
// the ones worth telling are reported to Sink::warning.
class ParseError : public std::runtime_error {
public:
    ParseError(std::size_t offset, const std::string& what) : std::runtime_error(what), offset_(offset) {}
    std::size_t offset() const { return offset_; }

private:
    std::size_t offset_;
};

// A recoverable oddity in the input: the reader goes on, and the text holds
// U+FFFD where a character could not be read.
struct Warning {
    enum class Kind : std::uint8_t {
        UnknownCodePage,     // read in code page 1252 instead
        TruncatedCharacter,  // a double-byte character or surrogate pair cut short
        UnbalancedGroup,     // a '}' that closes no group, or groups left open at the end
        TooMany,             // the warnings after this one are left out
    };
    Kind kind;
    std::size_t offset;        // how far into the input it was noticed: just past the token concerned
    std::string_view message;  // what happened, in English
};

// What the reader produces, in document order. Every text() belongs to the
// paragraph closed by the next paragraphEnd(); the reader always closes the
// last paragraph, so a document of N paragraphs yields N paragraphEnd() calls
// (an empty document yields one, empty, paragraph).
class Sink {
public:
    virtual ~Sink() = default;
    // A run of text, UTF-8, never empty. Line breaks inside a paragraph
    // (\line) arrive as U+2028, tabs as U+0009.
    virtual void text(std::string_view utf8, const CharFormat& format) = 0;
    virtual void paragraphEnd(const ParaFormat& format) = 0;
    // A picture, in the text at this place; format is the text's around it.
    virtual void picture(const Picture& picture, const CharFormat& format) {
        (void)picture;
        (void)format;
    }
    // Tables. A sink whose tables() is false gets them as text: a tab
    // between a row's cells, each row one paragraph (nested rows too).
    // A sink whose tables() is true gets instead:
    // - tableDepth(d) before the first paragraph whose nesting depth differs
    //   from the last one told: 0 for the body, 1 for a table's cells, 2 for
    //   a table inside a cell, and so on;
    // - cellEnd() in place of the paragraphEnd() of a cell's last paragraph;
    // - rowEnd() after the last cellEnd() of a row, at the row's depth, with
    //   the row's definition (its cells may be fewer or more than the cells
    //   ended: broken files).
    virtual bool tables() const { return false; }
    virtual void tableDepth(int depth) { (void)depth; }
    virtual void cellEnd(const ParaFormat& format) { (void)format; }
    virtual void rowEnd(const RowFormat& row) { (void)row; }
    // Something kept but not shown, at this place in the text; format is the
    // text's around it (a list label's or footnote mark's own). Readers of
    // the text alone get the text that stands for it, as if it were text.
    virtual void kept(const Kept& kept, const CharFormat& format) {
        if (kept.kind == Kept::Kind::Rtf && !kept.text.empty())
            text(kept.text, format);
    }
    // What the document holds around its text, once it has been read.
    virtual void document(const KeptDocument& document) { (void)document; }
    // A recoverable oddity, at most a hundred per document; ignored unless
    // overridden.
    virtual void warning(const Warning& warning) { (void)warning; }
};

// True when the bytes start (after optional whitespace) with "{\rtf".
bool looksLikeRtf(std::string_view bytes);

// Reads a whole RTF document. Throws ParseError when the input is not RTF.
void read(std::string_view bytes, Sink& sink);

}  // namespace rtf
