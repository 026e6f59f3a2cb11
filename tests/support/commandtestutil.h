// Helpers shared by the command tests: the active document's control, text
// with formatting put in place directly (not through the commands under
// test), and the toolbar's buttons by key.
#pragma once

#include "app/frmmain.h"
#include "app/module1.h"
#include "document/frmdocument.h"
#include "document/richtextbox.h"
#include "platform/toolbar.h"
#include "support/boxtestutil.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <array>

namespace cmdtest {

inline RichTextBox& activeBox() {
    return *MainForm->ActiveForm()->rtfText;
}

using boxtest::caretAt;
using boxtest::charAt;
using boxtest::select;

// Appends text at the end of the document with the given format.
inline void append(RichTextBox& box, const QString& text, const QTextCharFormat& format = {}) {
    QTextCursor c(box.document());
    c.movePosition(QTextCursor::End);
    c.insertText(text, format);
}

inline QTextCharFormat bold() {
    QTextCharFormat f;
    f.setFontWeight(QFont::Bold);
    return f;
}

inline bool isBoldAt(const RichTextBox& box, int position) {
    return charAt(box, position).fontWeight() >= QFont::Bold;
}

inline Qt::Alignment alignmentOf(const RichTextBox& box, int paragraph) {
    return box.document()->findBlockByNumber(paragraph).blockFormat().alignment() & Qt::AlignHorizontal_Mask;
}

inline void setAlignment(RichTextBox& box, int paragraph, Qt::Alignment a) {
    QTextCursor c(box.document()->findBlockByNumber(paragraph));
    QTextBlockFormat f;
    f.setAlignment(a);
    c.mergeBlockFormat(f);
}

inline platform::Button& button(const QString& key) {
    return MainForm->tbToolBar->buttons()[key];
}

// Clicks a toolbar button as the user would (the toolbar's own state change,
// then the click event through the program's dispatcher).
inline void click(const QString& key) {
    MainForm->tbToolBar->click(button(key));
}

// The Value of the six formatting buttons: bold, italic, underline, left,
// centre, right.
using Six = std::array<int, 6>;
inline Six formattingButtons() {
    return {button(QStringLiteral("粗体")).Value(),   button(QStringLiteral("斜体")).Value(),
            button(QStringLiteral("下划线")).Value(), button(QStringLiteral("左对齐")).Value(),
            button(QStringLiteral("置中")).Value(),   button(QStringLiteral("右对齐")).Value()};
}
inline void setFormattingButtons(const Six& values) {
    const char* keys[] = {"粗体", "斜体", "下划线", "左对齐", "置中", "右对齐"};
    for (std::size_t i = 0; i < 6; ++i)
        button(QString::fromUtf8(keys[i])).setValue(values[i]);
}

inline QString clipboardText() {
    return QGuiApplication::clipboard()->text();
}
inline void setClipboardText(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
}

}  // namespace cmdtest
