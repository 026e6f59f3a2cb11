#include "document/longblocks.h"

#include "document/keptrtf.h"
#include "document/tables.h"
#include "text/cjk.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <utility>

namespace document {

Continuation continuation(const QTextBlock& block) {
    const QTextDocument* doc = block.document();
    if (!doc || block == doc->begin())
        return Continuation::NewParagraph;
    return Continuation(block.charFormat().intProperty(ContinuationProperty));
}

void BlockSplitter::breakBlock(QTextCursor& cursor, const QTextCharFormat& format, Continuation kind) {
    QTextCharFormat mark = format;
    mark.setProperty(ContinuationProperty, int(kind));
    cursor.insertBlock(cursor.blockFormat(), mark);
    length_ = 0;
    runs_ = 0;
    split_ = true;
}

void BlockSplitter::insertText(QTextCursor& cursor, const QString& text, const QTextCharFormat& format) {
    if (runs_ >= RunLimit && length_ > 0)
        breakBlock(cursor, format, Continuation::Soft);
    ++runs_;
    if (length_ + text.size() < SoftLimit) {
        // The usual case: no block grows past the limit with this text
        // (paragraph ends inside it only make blocks shorter).
        cursor.insertText(text, format);
        length_ += text.size();
        return;
    }
    qsizetype start = 0;
    auto flush = [&](qsizetype to) {
        if (to > start)
            cursor.insertText(text.mid(start, to - start), format);
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator) {
            length_ = 0;
            runs_ = 1;
            continue;
        }
        if (length_ >= SoftLimit && c == QChar::LineSeparator) {
            flush(i);
            breakBlock(cursor, format, Continuation::LineBreak);
            start = i + 1;
            continue;
        }
        if (length_ >= SoftLimit && c == u' ') {
            flush(i + 1);
            breakBlock(cursor, format, Continuation::Soft);
            start = i + 1;
            continue;
        }
        if (length_ >= SoftLimit && text::isCjk(c.unicode())) {
            // A line may break before any East Asian character.
            flush(i);
            breakBlock(cursor, format, Continuation::Soft);
            start = i;
        } else if (length_ >= HardLimit && !c.isLowSurrogate()) {
            flush(i);
            breakBlock(cursor, format, Continuation::Soft);
            start = i;
        }
        ++length_;
    }
    flush(text.size());
}

bool groupLines(QString& text) {
    if (text.count(QLatin1Char('\n')) + text.count(QLatin1Char('\r')) < ManyLines)
        return false;
    QString grouped;
    grouped.reserve(text.size());
    int lines = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\n' && c != u'\r') {
            grouped += c;
            continue;
        }
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;  // one line end
        grouped += ++lines % GroupLines == 0 ? QChar(u'\n') : QChar::LineSeparator;
    }
    text = std::move(grouped);
    return true;
}

qsizetype lineCount(const QTextDocument& document) {
    // Every line holds at least its end: a document of no more characters
    // than the limit needs no count (the usual case, at no cost).
    if (document.characterCount() <= MaxLines)
        return document.blockCount();
    qsizetype lines = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (continuation(block) != Continuation::Soft)
            ++lines;
        lines += block.text().count(QChar::LineSeparator);
    }
    return lines;
}

QString shownText(const QTextBlock& block, int start, int stop) {
    const QString text = block.text();
    if (!text.contains(QChar::ObjectReplacementCharacter))
        return text.mid(start - block.position(), stop - start);
    QString shown;
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const int a = std::max(start, fragment.position());
        const int b = std::min(stop, fragment.position() + fragment.length());
        if (a >= b)
            continue;
        if (fragment.charFormat().objectType() == KeptObjectType) {
            const QString item = keptText(fragment.charFormat());
            for (int i = a; i < b; ++i)
                shown += item;
        } else {
            shown += QStringView(text).mid(a - block.position(), b - a);
        }
    }
    return shown;
}

QString textOf(const QTextDocument& document, int from, int to) {
    if (!document.rootFrame()->childFrames().isEmpty())
        return textWithTables(document, from, to);
    QString text;
    text.reserve(std::max(0, to - from));
    for (QTextBlock block = document.findBlock(from); block.isValid() && block.position() <= to; block = block.next()) {
        const int start = std::max(from, block.position());
        const int stop = std::min(to, block.position() + block.length() - 1);
        if (block.position() > from && continuation(block) != Continuation::Soft)
            text += QLatin1Char('\n');
        if (stop > start)
            text += shownText(block, start, stop);
    }
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

void selectWholeParagraphs(QTextCursor& cursor) {
    QTextDocument* doc = cursor.document();
    QTextBlock first = doc->findBlock(cursor.selectionStart());
    while (continuation(first) != Continuation::NewParagraph)
        first = first.previous();
    QTextBlock last = doc->findBlock(cursor.selectionEnd());
    while (last.next().isValid() && continuation(last.next()) != Continuation::NewParagraph)
        last = last.next();
    if (first == doc->findBlock(cursor.selectionStart()) && last == doc->findBlock(cursor.selectionEnd()))
        return;  // a paragraph of one block, or whole ones already
    cursor.setPosition(std::min(first.position(), cursor.selectionStart()));
    cursor.setPosition(last.position() + last.length() - 1, QTextCursor::KeepAnchor);
}

}  // namespace document
