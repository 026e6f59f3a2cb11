// RichTextBox's selection members, SelChange, keys and geometry.
#include "support/boxtestutil.h"

#include "platform/errors.h"
#include "platform/twips.h"
#include "support/case_name.h"
#include "support/error_number.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using boxtest::caretAt;
using boxtest::charAt;
using boxtest::select;

namespace {

// ---- character flags: one table for the four properties ------------------------

struct FlagCase {
    const char* name;
    std::optional<bool> (RichTextBox::*get)() const;
    void (RichTextBox::*set)(bool);
    void (*mark)(QTextCharFormat&);       // sets the flag directly in a format
    bool (*has)(const QTextCharFormat&);  // reads it directly from a format
};

class CharacterFlag : public ::testing::TestWithParam<FlagCase> {
protected:
    // "abcdef" with the flag set on "cd" (positions 2 and 3).
    void SetUp() override {
        box.setPlainText(QStringLiteral("abcdef"));
        QTextCharFormat f;
        GetParam().mark(f);
        boxtest::format(box, 2, 4, f);
    }
    std::optional<bool> get() const { return (box.*GetParam().get)(); }
    void set(bool on) { (box.*GetParam().set)(on); }
    bool flagAt(int position) const { return GetParam().has(charAt(box, position)); }
    RichTextBox box;
};

TEST_P(CharacterFlag, ReportsOneValueOnlyWhenTheSelectionIsUniform) {
    select(box, 2, 4);
    EXPECT_EQ(get(), true);
    select(box, 0, 2);
    EXPECT_EQ(get(), false);
    select(box, 1, 3);
    EXPECT_EQ(get(), std::nullopt);
    select(box, 3, 6);
    EXPECT_EQ(get(), std::nullopt);
    select(box, 6, 0);  // a selection made backwards
    EXPECT_EQ(get(), std::nullopt);
}

TEST_P(CharacterFlag, WithoutSelectionReportsTheFormatOfTheTextTypedNext) {
    caretAt(box, 3);  // after "c"
    EXPECT_EQ(get(), true);
    caretAt(box, 2);  // after "b"
    EXPECT_EQ(get(), false);
}

TEST_P(CharacterFlag, WritingAppliesToTheSelectionOnly) {
    select(box, 0, 3);
    set(true);
    EXPECT_TRUE(flagAt(0));
    EXPECT_TRUE(flagAt(2));
    EXPECT_FALSE(flagAt(4));
    EXPECT_EQ(get(), true);

    select(box, 2, 6);
    set(false);
    EXPECT_TRUE(flagAt(1));
    EXPECT_FALSE(flagAt(2));
    EXPECT_FALSE(flagAt(3));
}

TEST_P(CharacterFlag, WritingWithoutSelectionFormatsOnlyTheTextTypedNext) {
    caretAt(box, 6);
    set(true);
    EXPECT_EQ(get(), true);
    QTest::keyClicks(&box, QStringLiteral("xy"));
    EXPECT_EQ(box.toPlainText(), QStringLiteral("abcdefxy"));
    EXPECT_TRUE(flagAt(6));
    EXPECT_TRUE(flagAt(7));
    EXPECT_FALSE(flagAt(5));
}

INSTANTIATE_TEST_SUITE_P(
    RichTextBox, CharacterFlag,
    ::testing::Values(FlagCase{"Bold", &RichTextBox::SelBold, &RichTextBox::setSelBold,
                               [](QTextCharFormat& f) { f.setFontWeight(QFont::Bold); },
                               [](const QTextCharFormat& f) { return f.fontWeight() == QFont::Bold; }},
                      FlagCase{"Italic", &RichTextBox::SelItalic, &RichTextBox::setSelItalic,
                               [](QTextCharFormat& f) { f.setFontItalic(true); },
                               [](const QTextCharFormat& f) { return f.fontItalic(); }},
                      FlagCase{"Underline", &RichTextBox::SelUnderline, &RichTextBox::setSelUnderline,
                               [](QTextCharFormat& f) { f.setFontUnderline(true); },
                               [](const QTextCharFormat& f) { return f.fontUnderline(); }},
                      FlagCase{"StrikeThru", &RichTextBox::SelStrikeThru, &RichTextBox::setSelStrikeThru,
                               [](QTextCharFormat& f) { f.setFontStrikeOut(true); },
                               [](const QTextCharFormat& f) { return f.fontStrikeOut(); }}),
    CaseName());

TEST(RichTextBoxCharacters, SelectionOfAnEmptyParagraphReportsTheCaretFormat) {
    RichTextBox box;
    box.setPlainText(QStringLiteral("ab\n\ncd"));
    select(box, 3, 4);  // only the empty paragraph's end
    EXPECT_EQ(box.SelBold(), false);
}

TEST(RichTextBoxCharacters, NewDocumentTypesInSongTi9Points) {
    RichTextBox box;
    EXPECT_EQ(box.SelFontName(), QStringLiteral("宋体"));
    EXPECT_EQ(box.SelFontSize(), 9.0);
    EXPECT_EQ(box.SelBold(), false);
    QTest::keyClicks(&box, QStringLiteral("abc"));
    select(box, 0, 3);
    EXPECT_EQ(box.SelFontName(), QStringLiteral("宋体"));
    EXPECT_EQ(box.SelFontSize(), 9.0);
}

TEST(RichTextBoxCharacters, FontNameIsKeptAsWrittenAndEmptyNameIsRefused) {
    RichTextBox box;
    box.setPlainText(QStringLiteral("abcd"));
    select(box, 1, 3);
    box.setSelFontName(QStringLiteral("No Such Font 42"));
    EXPECT_EQ(box.SelFontName(), QStringLiteral("No Such Font 42"));
    select(box, 0, 2);
    EXPECT_EQ(box.SelFontName(), std::nullopt);

    select(box, 1, 3);
    EXPECT_EQ(errorNumberOf([&] { box.setSelFontName(QString()); }), platform::err::InvalidProperty);
    EXPECT_EQ(box.SelFontName(), QStringLiteral("No Such Font 42"));
}

// ---- font size from the size box's text ------------------------------------------

struct SizeTextCase {
    const char* name;
    const char* text;
    double points;  // expected size, or 0 when refused
    int error;      // expected error number when refused
};

class FontSizeText : public ::testing::TestWithParam<SizeTextCase> {};

TEST_P(FontSizeText, AppliesANumberOrRefusesLeavingTheTextAlone) {
    const SizeTextCase& c = GetParam();
    RichTextBox box;
    box.setPlainText(QStringLiteral("abcd"));
    select(box, 0, 4);
    box.setSelFontSize(11.0);

    const int error = errorNumberOf([&] { box.setSelFontSize(QString::fromUtf8(c.text)); });
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(box.SelFontSize(), c.error ? 11.0 : c.points);
}

INSTANTIATE_TEST_SUITE_P(
    RichTextBox, FontSizeText,
    ::testing::Values(SizeTextCase{"Integer", "10", 10, 0}, SizeTextCase{"Fraction", "6.5", 6.5, 0},
                      SizeTextCase{"Spaces", "  14 ", 14, 0}, SizeTextCase{"TrailingPoint", "12.", 12, 0},
                      SizeTextCase{"FullWidth", "\u3000１２．５", 12.5, 0}, SizeTextCase{"Smallest", "1", 1, 0},
                      SizeTextCase{"Largest", "1638", 1638, 0},
                      SizeTextCase{"Empty", "", 0, platform::err::TypeMismatch},
                      SizeTextCase{"Blank", "   ", 0, platform::err::TypeMismatch},
                      SizeTextCase{"Letters", "abc", 0, platform::err::TypeMismatch},
                      SizeTextCase{"Unit", "12pt", 0, platform::err::TypeMismatch},
                      SizeTextCase{"CommaSeparator", "6,5", 0, platform::err::TypeMismatch},
                      SizeTextCase{"Negative", "-3", 0, platform::err::TypeMismatch},
                      SizeTextCase{"Zero", "0", 0, platform::err::InvalidProperty},
                      SizeTextCase{"TooSmall", "0.5", 0, platform::err::InvalidProperty},
                      SizeTextCase{"TooLarge", "1639", 0, platform::err::InvalidProperty}),
    CaseName());

TEST(RichTextBoxCharacters, FontSizeNumberOutsideTheRangeIsRefused) {
    RichTextBox box;
    EXPECT_EQ(errorNumberOf([&] { box.setSelFontSize(std::nan("")); }), platform::err::InvalidProperty);
    EXPECT_EQ(errorNumberOf([&] { box.setSelFontSize(2000.0); }), platform::err::InvalidProperty);
    EXPECT_EQ(box.SelFontSize(), 9.0);
}

// ---- alignment ---------------------------------------------------------------------

class Alignment : public ::testing::Test {
protected:
    // Paragraphs: "left" (0), "centre" (7), "right" (14), "just" (20).
    void SetUp() override {
        box.setPlainText(QStringLiteral("left\ncentre\nright\njust"));
        setBlock(1, Qt::AlignHCenter);
        setBlock(2, Qt::AlignRight);
        setBlock(3, Qt::AlignJustify);
    }
    void setBlock(int n, Qt::Alignment a) {
        QTextCursor c(box.document()->findBlockByNumber(n));
        QTextBlockFormat f;
        f.setAlignment(a);
        c.mergeBlockFormat(f);
    }
    int alignmentOf(int n) const { return int(boxtest::blockAt(box, n).alignment() & Qt::AlignHorizontal_Mask); }
    RichTextBox box;
};

TEST_F(Alignment, ReportsTheCodeOfTheParagraphsTheSelectionTouches) {
    caretAt(box, 2);
    EXPECT_EQ(box.SelAlignment(), 0);
    select(box, 6, 10);
    EXPECT_EQ(box.SelAlignment(), 2);
    caretAt(box, 15);
    EXPECT_EQ(box.SelAlignment(), 1);
    select(box, 2, 8);  // left and centred
    EXPECT_EQ(box.SelAlignment(), std::nullopt);
    caretAt(box, 20);  // justified has no code
    EXPECT_EQ(box.SelAlignment(), std::nullopt);
}

TEST_F(Alignment, WritingSetsEveryParagraphTheSelectionTouches) {
    select(box, 2, 15);
    box.setSelAlignment(1);
    EXPECT_EQ(alignmentOf(0), Qt::AlignRight);
    EXPECT_EQ(alignmentOf(1), Qt::AlignRight);
    EXPECT_EQ(alignmentOf(2), Qt::AlignRight);
    EXPECT_EQ(alignmentOf(3), Qt::AlignJustify);
    EXPECT_EQ(box.SelAlignment(), 1);

    caretAt(box, 20);
    box.setSelAlignment(2);
    EXPECT_EQ(box.SelAlignment(), 2);
    box.setSelAlignment(0);
    EXPECT_EQ(box.SelAlignment(), 0);
    EXPECT_EQ(alignmentOf(2), Qt::AlignRight);
}

TEST_F(Alignment, CodeOutsideZeroToTwoIsRefusedAndChangesNothing) {
    caretAt(box, 8);
    for (int code : {-1, 3, 4}) {
        EXPECT_EQ(errorNumberOf([&] { box.setSelAlignment(code); }), platform::err::InvalidProperty) << code;
        EXPECT_EQ(box.SelAlignment(), 2) << code;
    }
}

// ---- plain text and length -------------------------------------------------------

TEST(RichTextBoxText, SelTextReplacesTheSelectionAndEmptyTextDeletesIt) {
    RichTextBox box;
    box.setPlainText(QStringLiteral("one two\nthree"));
    select(box, 4, 11);
    EXPECT_EQ(box.SelLength(), 7);
    EXPECT_EQ(box.SelText(), QStringLiteral("two\nthr"));

    box.setSelText(QString());
    EXPECT_EQ(box.toPlainText(), QStringLiteral("one ee"));
    EXPECT_EQ(box.SelLength(), 0);
    EXPECT_EQ(box.textCursor().position(), 4);

    box.setSelText(QStringLiteral("2\n3"));
    EXPECT_EQ(box.toPlainText(), QStringLiteral("one 2\n3ee"));
    EXPECT_EQ(box.document()->blockCount(), 2);
    EXPECT_EQ(box.textCursor().position(), 7);
}

// ---- SelChange ---------------------------------------------------------------------

class SelChange : public ::testing::Test {
protected:
    void SetUp() override {
        box.resize(400, 300);
        box.setPlainText(QStringLiteral("first line of text\nsecond line"));
        box.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
        box.setFocus();
        caretAt(box, 0);
        spy = std::make_unique<QSignalSpy>(&box, &RichTextBox::SelChange);
    }
    int count() const { return int(spy->count()); }
    RichTextBox box;
    std::unique_ptr<QSignalSpy> spy;
};

TEST_F(SelChange, OncePerProgrammaticCursorChange) {
    caretAt(box, 5);
    EXPECT_EQ(count(), 1);
    select(box, 5, 9);  // anchor stays, a selection appears
    EXPECT_EQ(count(), 2);
    select(box, 5, 9);  // the same again is no change
    EXPECT_EQ(count(), 2);
    select(box, 9, 5);  // the same characters, selected the other way round
    EXPECT_EQ(count(), 3);
    caretAt(box, 5);
    EXPECT_EQ(count(), 4);
}

TEST_F(SelChange, OncePerKeyboardStep) {
    QTest::keyClick(&box, Qt::Key_Right);
    EXPECT_EQ(count(), 1);
    QTest::keyClick(&box, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(count(), 2);
    QTest::keyClick(&box, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(count(), 3);
    EXPECT_EQ(box.SelLength(), 2);
    QTest::keyClick(&box, Qt::Key_Left);  // collapses the selection
    EXPECT_EQ(count(), 4);
    QTest::keyClick(&box, Qt::Key_Home);
    QTest::keyClick(&box, Qt::Key_Home);  // already there
    EXPECT_EQ(count(), 5);
}

TEST_F(SelChange, OncePerClickThatMovesTheCaret) {
    QTextCursor target(box.document());
    target.setPosition(22);  // inside "second"
    const QPoint at = box.cursorRect(target).center();
    QTest::mouseClick(box.viewport(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(box.textCursor().position(), 22);
    QTest::mouseClick(box.viewport(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(count(), 1);
}

TEST_F(SelChange, OncePerEditThatMovesTheCaret) {
    QTest::keyClicks(&box, QStringLiteral("ab"));
    EXPECT_EQ(count(), 2);
    select(box, 0, 7);
    box.setSelText(QStringLiteral("x"));
    EXPECT_EQ(count(), 4);
    select(box, 0, 3);
    box.setSelRTF(QStringLiteral("{\\rtf1 {\\b bold}\\par more}"));
    EXPECT_EQ(count(), 6);
}

TEST_F(SelChange, NotForFormattingThatLeavesTheSelectionWhereItIs) {
    select(box, 0, 5);
    const int before = count();
    box.setSelBold(true);
    box.setSelAlignment(2);
    box.setSelFontSize(20.0);
    EXPECT_EQ(count(), before);
}

// ---- undo and redo keys --------------------------------------------------------------

TEST(RichTextBoxKeys, CtrlZUndoesAndCtrlYRedoes) {
    RichTextBox box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    QTest::keyClicks(&box, QStringLiteral("hello"));
    QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(box.toPlainText(), QString());
    QTest::keyClick(&box, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(box.toPlainText(), QStringLiteral("hello"));
    QTest::keyClick(&box, Qt::Key_Y, Qt::ControlModifier);  // nothing left to redo
    EXPECT_EQ(box.toPlainText(), QStringLiteral("hello"));
}

// ---- geometry --------------------------------------------------------------------------

TEST(RichTextBoxGeometry, MoveAndWidthSpeakTwips) {
    QWidget window;
    RichTextBox box(&window);
    box.Move(150, 300, 6000, 3000);
    EXPECT_EQ(box.geometry(), QRect(platform::twipsToPixelsX(150), platform::twipsToPixelsY(300),
                                    platform::twipsToPixelsX(6000), platform::twipsToPixelsY(3000)));
    EXPECT_DOUBLE_EQ(box.Width(), platform::pixelsToTwipsX(box.width()));
    box.Move(0, 0, -300, -15);  // a minimised window's client area
    EXPECT_EQ(box.size(), QSize(0, 0));
    box.Move(std::nan(""), 0, std::nan(""), 1e300);  // nonsense is held, never converted blindly
    EXPECT_EQ(box.x(), 0);
    EXPECT_EQ(box.width(), 0);
    EXPECT_GT(box.height(), 0);
}

TEST(RichTextBoxGeometry, RightMarginSetsTheWrapWidthFromTheControlsLeftEdge) {
    RichTextBox box;
    box.Move(0, 0, 6000, 3000);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));

    box.setRightMargin(box.Width());  // the window's own width: wrap at the visible edge
    EXPECT_EQ(box.lineWrapMode(), QTextEdit::WidgetWidth);
    EXPECT_DOUBLE_EQ(box.RightMargin(), box.Width());

    box.setRightMargin(1500);
    EXPECT_EQ(box.lineWrapMode(), QTextEdit::FixedPixelWidth);
    EXPECT_EQ(box.lineWrapColumnOrWidth(), platform::twipsToPixelsX(1500) - box.viewport()->x());

    box.setRightMargin(box.Width() * 3);  // beyond the control: lines run past the edge
    EXPECT_EQ(box.lineWrapMode(), QTextEdit::FixedPixelWidth);
    EXPECT_EQ(box.lineWrapColumnOrWidth(), platform::twipsToPixelsX(box.Width() * 3) - box.viewport()->x());

    box.setRightMargin(0);
    EXPECT_EQ(box.lineWrapMode(), QTextEdit::WidgetWidth);
    box.setRightMargin(std::nan(""));
    EXPECT_EQ(box.RightMargin(), 0.0);
    EXPECT_EQ(box.lineWrapMode(), QTextEdit::WidgetWidth);
}

}  // namespace
