// Whether a document holds formatting that plain text cannot carry, so that
// saving it as plain text would drop something the user can see.
#pragma once

class QTextDocument;

namespace document {

// True when any text is bold, italic, underlined, struck through, coloured
// or highlighted, raised or lowered, or in a font or size other than the
// one new text gets (the document's default font), when it holds a picture
// or a table, or when any paragraph is aligned other than left.
bool losesFormattingAsPlainText(const QTextDocument& document);

}  // namespace document
