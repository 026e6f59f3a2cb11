// A document's text and formatting, copied in one quick pass on the thread
// that owns the document, and written out as RTF later on any thread. The
// copy is the raw text (one block copy) and a table of runs and paragraphs
// that index into it; the costly part of writing (encoding, escaping, font
// tables) happens in toRtf(), away from the user's typing.
#pragma once

#include "rtf/format.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QTextDocument;

namespace document {

class RtfSnapshot {
public:
    explicit RtfSnapshot(const QTextDocument& document);

    // The same RTF document that writeRtf() gives for the whole document.
    // Touches nothing but the snapshot: safe on any thread.
    std::string toRtf() const;

    qsizetype textSize() const { return text_.size(); }

private:
    struct Run {
        int start;  // position in text_
        int length;
        int format;   // index into charFormats_
        int picture;  // index into pictures_ for a picture's object characters, else -1
        int kept;     // index into kept_ for a kept item's object characters, else -1
    };
    // A paragraph, or a table row's start or end, or a cell's end.
    struct Paragraph {
        enum Kind : std::uint8_t { Text, BeginRow, EndCell, EndRow };
        int format;    // index into paraFormats_ (Text) or rows_ (BeginRow, EndRow)
        int firstRun;  // runs up to the next paragraph's firstRun
        Kind kind = Text;
    };
    friend class SnapshotWalk;

    QString text_;
    std::vector<rtf::CharFormat> charFormats_;
    std::vector<rtf::ParaFormat> paraFormats_;
    std::vector<rtf::Picture> pictures_;
    std::vector<rtf::Kept> kept_;
    std::optional<rtf::KeptDocument> document_;  // what the document was read with
    std::vector<Run> runs_;
    std::vector<Paragraph> paragraphs_;
    std::vector<rtf::RowFormat> rows_;
};

}  // namespace document
