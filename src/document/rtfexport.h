// A QTextDocument, or a range of it, out through the codec's RTF writer.
#pragma once

#include <QString>

#include <string>

class QTextDocument;

namespace document {

// The characters from position `from` up to `to` (exclusive) as a complete
// RTF document. Every block the range touches is one paragraph, so a range
// that ends at the start of a block ends with an empty paragraph, and an
// empty range is a document with one empty paragraph and no text.
std::string writeRtf(const QTextDocument& document, int from, int to);

// The whole document.
std::string writeRtf(const QTextDocument& document);

// The document's text as plain text: paragraphs and line breaks as '\n'.
// Pictures have none; a kept item has the text that stands for it (a list
// label).
QString plainText(const QTextDocument& document);
QString plainText(const QTextDocument& document, int from, int to);

}  // namespace document
