// RTF into a QTextDocument: the codec's stream of runs and paragraph ends
// becomes blocks and fragments, inserted through a QTextCursor.
#pragma once

#include <QTextCursor>

#include <atomic>
#include <string_view>

class QTextDocument;

namespace document {

// UTF-8 to a QString, every character kept: QString::fromUtf8 drops a
// leading U+FEFF as if it were a byte-order mark.
QString fromUtf8(std::string_view utf8);

// Text from the codec as it goes into a document: U+FDD0 and U+FDD1, which
// QTextDocument reserves for frame boundaries, become U+FFFD.
QString documentText(std::string_view utf8);

// Fills an empty document with an RTF document, every paragraph with its
// format. Undo and layout should be off (a document not yet shown has no
// layout); the caller discards the document when this throws
// rtf::ParseError, which it does for input that is not RTF at all.
// When progress is given, it is kept at the share of the input read so far,
// in percent (estimated from the paragraph marks met against those in the
// input), for another thread to show.
void readRtfDocument(std::string_view bytes, QTextDocument& document, std::atomic<int>* progress = nullptr);

// Parses an RTF document and inserts it at the cursor, replacing its
// selection, as one undoable edit. The fragment merges into the text around
// it: its first paragraph continues the paragraph at the cursor and its last
// paragraph runs into the text after the cursor, so a one-paragraph fragment
// inserts inline. Paragraphs that end inside the fragment keep their format.
// Throws rtf::ParseError, before changing anything, when the input is not RTF.
// On return the cursor sits after the inserted text.
void insertRtf(std::string_view bytes, QTextCursor& cursor);

}  // namespace document
