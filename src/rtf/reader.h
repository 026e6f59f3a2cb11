// The RTF reader: bytes in, a stream of formatted text out.
#pragma once

#include "format.h"

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace rtf {

// Raised only for input that is not RTF at all; recoverable oddities
// (unknown control words, unknown code pages, unbalanced braces) never raise.
class ParseError : public std::runtime_error {
public:
    ParseError(std::size_t offset, const std::string& what)
        : std::runtime_error(what), offset_(offset) {}
    std::size_t offset() const { return offset_; }
private:
    std::size_t offset_;
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
};

// True when the bytes start (after optional whitespace) with "{\rtf".
bool looksLikeRtf(std::string_view bytes);

// Reads a whole RTF document. Throws ParseError when the input is not RTF.
void read(std::string_view bytes, Sink& sink);

}  // namespace rtf
