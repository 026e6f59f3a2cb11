// Small helpers shared by the RichTextBox tests.
#pragma once

#include "document/richtextbox.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace boxtest {

inline void select(RichTextBox& box, int from, int to) {
    QTextCursor c(box.document());
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    box.setTextCursor(c);
}

inline void caretAt(RichTextBox& box, int position) {
    select(box, position, position);
}

// The format of the character at `position`.
inline QTextCharFormat charAt(const RichTextBox& box, int position) {
    QTextCursor c(box.document());
    c.setPosition(position + 1);
    return c.charFormat();
}

inline QTextBlockFormat blockAt(const RichTextBox& box, int index) {
    return box.document()->findBlockByNumber(index).blockFormat();
}

// Applies a format to [from, to) directly, without going through the box.
inline void format(RichTextBox& box, int from, int to, const QTextCharFormat& f) {
    QTextCursor c(box.document());
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    c.mergeCharFormat(f);
}

}  // namespace boxtest
