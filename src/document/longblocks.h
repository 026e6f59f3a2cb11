// Very long paragraphs, held as several blocks. Qt lays a block out as one
// piece, at a cost that grows faster than its length: a paragraph of a
// million line breaks, runs or letters would keep the window busy for
// minutes. So a paragraph that grows past a few thousand characters goes on
// in a new block, marked as continuing the one before it. The mark is a
// property of the new block's separator character, which Enter and pasted
// line ends never copy, so a break the user makes is a real one. Saving and
// plain text join the blocks again: the text written is the text read.
#pragma once

#include <QString>
#include <QTextFormat>

class QTextBlock;
class QTextCharFormat;
class QTextCursor;
class QTextDocument;

namespace document {

// How a block follows the one before it.
enum class Continuation {
    NewParagraph = 0,  // a paragraph break (every block made by editing)
    Soft = 1,          // the same paragraph, no character between
    LineBreak = 2,     // the same paragraph, after a line break (U+2028) the block boundary stands for
};

inline constexpr int ContinuationProperty = QTextFormat::UserProperty + 7;

Continuation continuation(const QTextBlock& block);

// Inserts text into a document being built, block by block, ending a block
// where a paragraph has grown past the limit: at the next line break, space
// or East Asian character after SoftLimit characters, or anywhere (but never
// inside a surrogate pair) at HardLimit. A block of more than RunLimit
// formatting runs ends before the next run: laying out a line costs in the
// runs it holds.
class BlockSplitter {
public:
    static constexpr qsizetype SoftLimit = 8192;
    static constexpr qsizetype HardLimit = 16384;
    static constexpr int RunLimit = 512;

    // As cursor.insertText(text, format); "\n", "\r" and U+2029 end
    // paragraphs as they do there.
    void insertText(QTextCursor& cursor, const QString& text, const QTextCharFormat& format);
    // One object character (a picture) went in.
    void insertedObject() {
        ++length_;
        ++runs_;
    }
    // A paragraph starts at the cursor; whether the last one was split.
    void paragraphStarted() {
        length_ = 0;
        runs_ = 0;
        split_ = false;
    }
    bool splitParagraph() const { return split_; }

private:
    void breakBlock(QTextCursor& cursor, const QTextCharFormat& format, Continuation kind);

    qsizetype length_ = 0;
    int runs_ = 0;
    bool split_ = false;
};

// Plain text of many lines, held as blocks of GroupLines lines each, the
// lines inside a block separated by line breaks (U+2028): a document of a
// million one-line blocks takes seconds to lay out and every key typed at
// its start moves all the blocks after it. Plain text shows both as the
// same '\n'. False, with the text left alone, below ManyLines lines.
inline constexpr qsizetype ManyLines = 20000;
inline constexpr int GroupLines = 256;
bool groupLines(QString& text);

// The lines the document holds before wrapping: paragraphs and line breaks.
// Qt lays a document out in coordinates that end at 2^25 pixels, and one
// taller than that never finishes its layout: two million lines of small
// text reach it. A document of more than MaxLines is not opened.
inline constexpr qsizetype MaxLines = 1200000;
// Exact above MaxLines; a document of at most MaxLines characters counts
// its blocks only.
qsizetype lineCount(const QTextDocument& document);

// The text from position from up to to (exclusive): paragraphs and line
// breaks as '\n', continued blocks joined, a picture as U+FFFC, a kept item
// as the text that stands for it (often none).
QString textOf(const QTextDocument& document, int from, int to);
// One block's part of that, from position start up to stop (exclusive).
QString shownText(const QTextBlock& block, int start, int stop);

// Widens the cursor's selection to whole paragraphs where it starts or ends
// inside a paragraph held as several blocks, so that a paragraph format
// reaches every block of the paragraph.
void selectWholeParagraphs(QTextCursor& cursor);

}  // namespace document
