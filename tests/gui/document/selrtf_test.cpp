// SelRTF: the selection out as RTF and RTF (or any text) into the selection.
#include "support/boxtestutil.h"
#include "support/case_name.h"

#include <QMimeData>
#include <QTest>

#include <memory>
#include <gtest/gtest.h>

using boxtest::caretAt;
using boxtest::charAt;
using boxtest::select;

namespace {

const QColor Red(255, 0, 0);

// "普通粗红end": "粗红" (positions 2 and 3) bold and red.
void fillBoldRed(RichTextBox& box) {
    box.setPlainText(QStringLiteral("普通粗红end"));
    QTextCharFormat f;
    f.setFontWeight(QFont::Bold);
    f.setForeground(Red);
    boxtest::format(box, 2, 4, f);
}

TEST(SelRtf, BoldRedTextTravelsBetweenTwoControlsInline) {
    // Given a bold red word selected in one control
    RichTextBox from, to;
    fillBoldRed(from);
    select(from, 2, 4);
    // When its SelRTF is written into another control's caret
    to.setPlainText(QStringLiteral("XY"));
    caretAt(to, 1);
    to.setSelRTF(from.SelRTF());
    // Then it arrives inline, bold and red, and the text around keeps its format
    EXPECT_EQ(to.toPlainText(), QStringLiteral("X粗红Y"));
    EXPECT_EQ(to.document()->blockCount(), 1);
    for (int pos : {1, 2}) {
        EXPECT_EQ(charAt(to, pos).fontWeight(), QFont::Bold) << pos;
        EXPECT_EQ(charAt(to, pos).foreground().color(), Red) << pos;
    }
    EXPECT_EQ(charAt(to, 3).fontWeight(), QFont::Normal);
    EXPECT_FALSE(charAt(to, 3).hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_EQ(to.textCursor().position(), 3);
    EXPECT_EQ(to.SelLength(), 0);
}

TEST(SelRtf, ReplacesTheSelection) {
    RichTextBox from, to;
    fillBoldRed(from);
    select(from, 1, 5);
    to.setPlainText(QStringLiteral("abcdef"));
    select(to, 4, 1);
    to.setSelRTF(from.SelRTF());
    EXPECT_EQ(to.toPlainText(), QStringLiteral("a通粗红eef"));
    EXPECT_EQ(charAt(to, 1).fontWeight(), QFont::Normal);
    EXPECT_EQ(charAt(to, 2).fontWeight(), QFont::Bold);
}

TEST(SelRtf, ParagraphsMergeWithTheTextAroundTheCaret) {
    // Given "one" + "two" selected across a paragraph end, the second centred
    RichTextBox from, to;
    from.setPlainText(QStringLiteral("one\ntwo"));
    caretAt(from, 5);
    from.setSelAlignment(2);
    select(from, 1, 6);  // "ne" + paragraph end + "tw"
    // When inserted in the middle of a right-aligned "ABCD"
    to.setPlainText(QStringLiteral("ABCD"));
    caretAt(to, 2);
    to.setSelAlignment(1);
    to.setSelRTF(from.SelRTF());
    // Then the first part ends the paragraph at the caret, the last part
    // starts the paragraph holding the rest; that paragraph stays right-aligned
    ASSERT_EQ(to.document()->blockCount(), 2);
    EXPECT_EQ(to.document()->findBlockByNumber(0).text(), QStringLiteral("ABne"));
    EXPECT_EQ(to.document()->findBlockByNumber(1).text(), QStringLiteral("twCD"));
    EXPECT_EQ(to.textCursor().position(), 7);
    caretAt(to, 1);
    EXPECT_EQ(to.SelAlignment(), 0);
    caretAt(to, 6);
    EXPECT_EQ(to.SelAlignment(), 1);
}

TEST(SelRtf, SelectionEndingAtAParagraphStartCarriesTheParagraphEnd) {
    RichTextBox from, to;
    from.setPlainText(QStringLiteral("line\nnext"));
    select(from, 0, 5);
    to.setPlainText(QStringLiteral("X"));
    caretAt(to, 0);
    to.setSelRTF(from.SelRTF());
    EXPECT_EQ(to.toPlainText(), QStringLiteral("line\nX"));
}

TEST(SelRtf, EmptySelectionGivesAnRtfDocumentWithoutText) {
    RichTextBox from, to;
    fillBoldRed(from);
    caretAt(from, 3);
    const QString rtf = from.SelRTF();
    EXPECT_TRUE(rtf.startsWith(QStringLiteral("{\\rtf1"))) << rtf.toStdString();
    EXPECT_TRUE(rtf.trimmed().endsWith(QLatin1Char('}'))) << rtf.toStdString();
    to.setPlainText(QStringLiteral("abc"));
    select(to, 1, 2);
    to.setSelRTF(rtf);
    EXPECT_EQ(to.toPlainText(), QStringLiteral("ac"));
}

struct TextCase {
    const char* name;
    const char* input;
    const char* result;  // "ab" with "b" selected, after writing the input
};

class SelRtfText : public ::testing::TestWithParam<TextCase> {};

TEST_P(SelRtfText, ReplacesTheSelectionWithTheText) {
    RichTextBox box;
    box.setPlainText(QStringLiteral("ab"));
    select(box, 1, 2);
    box.setSelRTF(QString::fromUtf8(GetParam().input));
    EXPECT_EQ(box.toPlainText(), QString::fromUtf8(GetParam().result));
}

INSTANTIATE_TEST_SUITE_P(
    RichTextBox, SelRtfText,
    ::testing::Values(TextCase{"PlainText", "hello {world}", "ahello {world}"}, TextCase{"Empty", "", "a"},
                      TextCase{"LinesOfText", "1\n2", "a1\n2"},
                      TextCase{"RtfWithRawChinese", "{\\rtf1\\ansi\\ansicpg936 中文{\\b 粗}}", "a中文粗"},
                      TextCase{"RtfWithAstralCharacter", "{\\rtf1 x\xf0\xa0\x80\x80y}", "ax\xf0\xa0\x80\x80y"},
                      TextCase{"RtfWithLeadingSpace", "  {\\rtf1 z\\par}", "az"}),
    CaseName());

TEST(SelRtf, OneUndoStepTakesTheWholeInsertionBack) {
    RichTextBox box;
    box.setPlainText(QStringLiteral("abc"));
    box.document()->clearUndoRedoStacks();
    select(box, 1, 2);
    box.setSelRTF(QStringLiteral("{\\rtf1 {\\b one}\\par {\\i two}\\par three}"));
    EXPECT_EQ(box.toPlainText(), QStringLiteral("aone\ntwo\nthreec"));
    box.undo();
    EXPECT_EQ(box.toPlainText(), QStringLiteral("abc"));
}

TEST(SelRtf, TypedTextInANewDocumentIsWrittenInSongTi9Points) {
    RichTextBox from, to;
    QTest::keyClicks(&from, QStringLiteral("abc"));
    select(from, 0, 3);
    const QString rtf = from.SelRTF();
    EXPECT_TRUE(rtf.contains(QStringLiteral("\\fs18"))) << rtf.toStdString();
    to.setSelRTF(rtf);
    EXPECT_EQ(charAt(to, 1).fontFamilies().toStringList(), QStringList{QStringLiteral("宋体")});
    EXPECT_EQ(charAt(to, 1).fontPointSize(), 9.0);
}

}  // namespace

// ---- drag and drop carry RTF ------------------------------------------------------------

namespace {

class MimeBox : public RichTextBox {
public:
    using RichTextBox::canInsertFromMimeData;
    using RichTextBox::createMimeDataFromSelection;
    using RichTextBox::insertFromMimeData;
};

TEST(SelRtfMime, DraggedSelectionArrivesWithItsFormatting) {
    MimeBox from, to;
    fillBoldRed(from);
    select(from, 1, 4);
    std::unique_ptr<QMimeData> data(from.createMimeDataFromSelection());
    EXPECT_EQ(data->text(), QStringLiteral("通粗红"));
    ASSERT_TRUE(data->hasFormat(QStringLiteral("text/rtf")));
    EXPECT_TRUE(data->data(QStringLiteral("text/rtf")).startsWith("{\\rtf1"));

    to.setPlainText(QStringLiteral("[]"));
    caretAt(to, 1);
    ASSERT_TRUE(to.canInsertFromMimeData(data.get()));
    to.insertFromMimeData(data.get());
    EXPECT_EQ(to.toPlainText(), QStringLiteral("[通粗红]"));
    EXPECT_EQ(charAt(to, 1).fontWeight(), QFont::Normal);
    EXPECT_EQ(charAt(to, 2).fontWeight(), QFont::Bold);
    EXPECT_EQ(charAt(to, 3).foreground().color(), Red);
}

TEST(SelRtfMime, RtfThatIsNotRtfFallsBackToTheText) {
    MimeBox box;
    QMimeData data;
    data.setData(QStringLiteral("text/rtf"), "not rtf");
    data.setText(QStringLiteral("the text"));
    box.insertFromMimeData(&data);
    EXPECT_EQ(box.toPlainText(), QStringLiteral("the text"));
}

TEST(SelRtfMime, PlainTextHoldingRtfMarkupArrivesFormatted) {
    // Given the clipboard as the Copy command leaves it: RTF markup as text
    MimeBox from, to;
    fillBoldRed(from);
    select(from, 2, 4);
    QMimeData data;
    data.setText(from.SelRTF());
    // When the control's own paste path (context menu, Shift+Insert) takes it
    to.setPlainText(QStringLiteral("[]"));
    caretAt(to, 1);
    to.insertFromMimeData(&data);
    // Then the formatted text arrives, not the markup
    EXPECT_EQ(to.toPlainText(), QStringLiteral("[粗红]"));
    EXPECT_EQ(charAt(to, 1).fontWeight(), QFont::Bold);
    EXPECT_EQ(charAt(to, 2).foreground().color(), Red);
}

}  // namespace
