// Cut, copy and paste: the clipboard carries plain text for other programs
// and RTF and HTML with the formatting, from the menus, the toolbar, the
// keyboard and the control's own paths.
#include "support/commandtestutil.h"
#include "document/activedocument.h"
#include "platform/clipboard.h"
#include "platform/errors.h"
#include "support/app_fixture.h"
#include "support/case_name.h"

#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>

using namespace cmdtest;

namespace {

QTextCharFormat boldRed() {
    QTextCharFormat f = bold();
    f.setForeground(QColor(255, 0, 0));
    return f;
}

}  // namespace

class ClipboardCommandsTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        start();
        setClipboardText(QStringLiteral("before"));
    }

    // "alpha beta gamma" in the active document, "beta" (6 to 10) bold red.
    RichTextBox& alphaBoldRedBeta() {
        RichTextBox& box = activeBox();
        append(box, QStringLiteral("alpha "));
        append(box, QStringLiteral("beta"), boldRed());
        append(box, QStringLiteral(" gamma"));
        return box;
    }
};

TEST_F(ClipboardCommandsTest, BoldRedWordCopiedToAnotherDocumentArrivesBoldAndRed) {
    // Given a bold red word selected in 文档 1
    RichTextBox& first = alphaBoldRedBeta();
    select(first, 6, 10);
    // When it is copied, and pasted between "x" and "y" in a new document
    MainForm->mnuEditCopy->trigger();
    MainForm->CreateDocumentWindow();
    RichTextBox& second = activeBox();
    ASSERT_NE(&second, &first);
    append(second, QStringLiteral("xy"));
    caretAt(second, 1);
    MainForm->mnuEditPaste->trigger();
    // Then the word is there, bold and red, between plain neighbours
    EXPECT_EQ(second.toPlainText(), QStringLiteral("xbetay"));
    for (int i = 1; i <= 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(isBoldAt(second, i));
        EXPECT_EQ(charAt(second, i).foreground().color(), QColor(255, 0, 0));
    }
    EXPECT_FALSE(isBoldAt(second, 0));
    EXPECT_FALSE(isBoldAt(second, 5));
    EXPECT_NE(charAt(second, 5).foreground().color(), QColor(255, 0, 0));
    // The caret is after the pasted word, where the toolbar shows bold, and
    // the source is unchanged.
    EXPECT_EQ(second.textCursor().position(), 5);
    EXPECT_EQ(button(QStringLiteral("粗体")).Value(), 1);
    EXPECT_EQ(first.toPlainText(), QStringLiteral("alpha beta gamma"));
    EXPECT_TRUE(messages.empty());
}

TEST_F(ClipboardCommandsTest, CopyOffersPlainTextRtfAndHtml) {
    RichTextBox& box = alphaBoldRedBeta();
    select(box, 6, 10);
    MainForm->mnuEditCopy_Click();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    // What terminals, browsers and chats paste: the text alone.
    EXPECT_EQ(data->text(), QStringLiteral("beta"));
    // What word processors paste: the same RTF under both names.
    const QByteArray rtf = data->data(QStringLiteral("text/rtf"));
    EXPECT_TRUE(rtf.startsWith("{\\rtf1")) << rtf.toStdString();
    EXPECT_TRUE(rtf.contains("beta") && !rtf.contains("alpha")) << rtf.toStdString();
    EXPECT_TRUE(rtf.contains("\\b") && rtf.contains("\\red255\\green0\\blue0")) << rtf.toStdString();
    EXPECT_EQ(data->data(QStringLiteral("application/rtf")), rtf);
    // What mail and web editors paste: HTML keeping bold and colour.
    ASSERT_TRUE(data->hasHtml());
    const QString html = data->html();
    EXPECT_TRUE(html.contains(QStringLiteral("beta")) && !html.contains(QStringLiteral("alpha")));
    EXPECT_TRUE(html.contains(QStringLiteral("font-weight:700"))) << html.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("color:#ff0000"))) << html.toStdString();
    // The document and its selection are untouched.
    EXPECT_EQ(box.toPlainText(), QStringLiteral("alpha beta gamma"));
    EXPECT_EQ(box.SelLength(), 4);
}

// What other programs put on the clipboard, pasted at 3 in "abcdef".
struct ForeignCase {
    const char* name;
    QMimeData* (*make)();
    const char* expected;
    bool boldAt3;
};

class PasteFromOtherProgramsTest : public ClipboardCommandsTest, public ::testing::WithParamInterface<ForeignCase> {};

TEST_P(PasteFromOtherProgramsTest, TakesRtfWhenOfferedElseTheText) {
    RichTextBox& box = activeBox();
    append(box, QStringLiteral("abcdef"));
    caretAt(box, 3);
    QGuiApplication::clipboard()->setMimeData(GetParam().make());
    MainForm->mnuEditPaste_Click();
    EXPECT_EQ(box.toPlainText(), QString::fromUtf8(GetParam().expected));
    EXPECT_EQ(isBoldAt(box, 3), GetParam().boldAt3);
    EXPECT_TRUE(messages.empty());
}

QMimeData* rtfAnd(const char* format, const QByteArray& rtf, const QString& text) {
    auto* d = new QMimeData;
    d->setData(QString::fromLatin1(format), rtf);
    if (!text.isEmpty())
        d->setText(text);
    return d;
}

INSTANTIATE_TEST_SUITE_P(
    Clipboard, PasteFromOtherProgramsTest,
    ::testing::Values(
        // A word processor: RTF in GBK beside its plain text; the RTF wins.
        ForeignCase{"WordProcessorTextRtf",
                    [] { return rtfAnd("text/rtf", "{\\rtf1\\ansi\\ansicpg936 {\\b \\'d6\\'d0}}", "中"); }, "abc中def",
                    true},
        ForeignCase{"ApplicationRtfOnly", [] { return rtfAnd("application/rtf", "{\\rtf1 {\\b X}}", QString()); },
                    "abcXdef", true},
        ForeignCase{"OlderRichtextName",
                    [] { return rtfAnd("text/richtext", "{\\rtf1 {\\b X}}", QStringLiteral("X")); }, "abcXdef", true},
        // Offered as RTF but it is not: the text is taken instead.
        ForeignCase{"BrokenRtfFallsBackToText",
                    [] { return rtfAnd("text/rtf", "plain words", QStringLiteral("words")); }, "abcwordsdef", false},
        // Markup copied as plain text (older versions, other tools).
        ForeignCase{"RtfMarkupAsPlainText",
                    [] {
                        auto* d = new QMimeData;
                        d->setText(QStringLiteral("{\\rtf1 {\\b Y}}"));
                        return d;
                    },
                    "abcYdef", true},
        // A browser: HTML beside the text; the text is taken.
        ForeignCase{"BrowserHtmlAndText",
                    [] {
                        auto* d = new QMimeData;
                        d->setHtml(QStringLiteral("<b>web</b>"));
                        d->setText(QStringLiteral("web"));
                        return d;
                    },
                    "abcwebdef", false}),
    CaseName());

TEST_F(ClipboardCommandsTest, CopyWithAnEmptySelectionReplacesTheClipboardWithAnEmptyDocument) {
    // Given the caret inside the word, nothing selected
    RichTextBox& box = alphaBoldRedBeta();
    caretAt(box, 8);
    // When copied
    MainForm->mnuEditCopy_Click();
    // Then the previous text is gone, replaced by an empty text and RTF
    // holding no text: pasting it into a document changes nothing there.
    EXPECT_EQ(clipboardText(), QString());
    const QByteArray rtf = QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("text/rtf"));
    EXPECT_TRUE(rtf.startsWith("{\\rtf1")) << rtf.toStdString();
    EXPECT_FALSE(rtf.contains("beta"));
    select(box, 0, 5);
    MainForm->mnuEditPaste_Click();
    EXPECT_EQ(box.toPlainText(), QStringLiteral(" beta gamma"));
}

// Clipboard contents that hold no plain text.
struct NoTextCase {
    const char* name;
    QMimeData* (*make)();
};

class PasteWithoutTextTest : public ClipboardCommandsTest, public ::testing::WithParamInterface<NoTextCase> {};

TEST_P(PasteWithoutTextTest, DeletesTheSelection) {
    // Given "beta" selected and a clipboard without plain text
    RichTextBox& box = alphaBoldRedBeta();
    select(box, 6, 10);
    QGuiApplication::clipboard()->setMimeData(GetParam().make());
    ASSERT_FALSE(QGuiApplication::clipboard()->mimeData()->hasText());
    // When pasted
    MainForm->mnuEditPaste_Click();
    // Then the selection is replaced by nothing, the caret where it was
    EXPECT_EQ(box.toPlainText(), QStringLiteral("alpha  gamma"));
    EXPECT_EQ(box.textCursor().position(), 6);
    EXPECT_EQ(box.SelLength(), 0);
    EXPECT_TRUE(messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Clipboard, PasteWithoutTextTest,
                         ::testing::Values(NoTextCase{"Image",
                                                      [] {
                                                          auto* d = new QMimeData;
                                                          QImage image(4, 4, QImage::Format_RGB32);
                                                          image.fill(Qt::blue);
                                                          d->setImageData(image);
                                                          return d;
                                                      }},
                                           NoTextCase{"HtmlOnly",
                                                      [] {
                                                          auto* d = new QMimeData;
                                                          d->setData(QStringLiteral("text/html"), "<b>html</b>");
                                                          return d;
                                                      }},
                                           NoTextCase{"Empty", [] { return new QMimeData; }}),
                         CaseName());

TEST_F(ClipboardCommandsTest, CutRemovesExactlyTheSelectionAndEachPasteInsertsItAgainFormatted) {
    // Given "beta" (bold red) selected
    RichTextBox& box = alphaBoldRedBeta();
    select(box, 6, 10);
    // When cut
    MainForm->mnuEditCut->trigger();
    // Then exactly the word is gone, the caret where it was, its RTF copied
    EXPECT_EQ(box.toPlainText(), QStringLiteral("alpha  gamma"));
    EXPECT_EQ(box.textCursor().position(), 6);
    EXPECT_EQ(box.SelLength(), 0);
    EXPECT_EQ(clipboardText(), QStringLiteral("beta"));
    // When pasted twice at the caret, then once more over "gamma"
    MainForm->mnuEditPaste_Click();
    MainForm->mnuEditPaste_Click();
    EXPECT_EQ(box.toPlainText(), QStringLiteral("alpha betabeta gamma"));
    select(box, 15, 20);
    MainForm->mnuEditPaste_Click();
    // Then every copy is bold red and nothing else is
    EXPECT_EQ(box.toPlainText(), QStringLiteral("alpha betabeta beta"));
    const QString text = box.toPlainText();
    for (int i = 0; i < text.size(); ++i) {
        SCOPED_TRACE(i);
        const bool inWord = (i >= 6 && i < 14) || i >= 15;
        EXPECT_EQ(isBoldAt(box, i), inWord);
        EXPECT_EQ(charAt(box, i).foreground().color() == QColor(255, 0, 0), inWord);
    }
}

// Clipboard text that other programs put there: not RTF markup, so it goes
// in as the text it is.
struct PlainTextCase {
    const char* name;
    const char* clipboard;
    const char* expected;  // the document's text after pasting at 3 in "abcdef"
};

class PastePlainTextTest : public ClipboardCommandsTest, public ::testing::WithParamInterface<PlainTextCase> {};

TEST_P(PastePlainTextTest, IsInsertedAsText) {
    RichTextBox& box = activeBox();
    append(box, QStringLiteral("abcdef"));
    caretAt(box, 3);
    setClipboardText(QString::fromUtf8(GetParam().clipboard));
    MainForm->mnuEditPaste_Click();
    EXPECT_EQ(box.toPlainText(), QString::fromUtf8(GetParam().expected));
    EXPECT_TRUE(messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Clipboard, PastePlainTextTest,
    ::testing::Values(PlainTextCase{"Word", "XYZ", "abcXYZdef"}, PlainTextCase{"Chinese", "中文文本", "abc中文文本def"},
                      PlainTextCase{"BracesAndBackslashes", "{\\b x} \\par", "abc{\\b x} \\pardef"},
                      PlainTextCase{"RtfMarkupNotAtTheStart", " x{\\rtf1 y}", "abc x{\\rtf1 y}def"},
                      PlainTextCase{"TwoLines", "one\ntwo", "abcone\ntwodef"}),
    CaseName());

TEST_F(ClipboardCommandsTest, WithNoDocumentOpenNothingChangesAndNothingIsReported) {
    MainForm->mdiClient->closeAllSubWindows();
    QApplication::processEvents();
    ASSERT_EQ(MainForm->ActiveForm(), nullptr);
    // Each command meets the missing document as an error and skips it.
    EXPECT_THROW(document::activeRtfText(MainForm->ActiveForm()), platform::Error);
    for (QAction* item : {MainForm->mnuEditCopy, MainForm->mnuEditCut, MainForm->mnuEditPaste}) {
        SCOPED_TRACE(item->objectName().toStdString());
        item->trigger();
        EXPECT_EQ(clipboardText(), QStringLiteral("before"));
        EXPECT_TRUE(MainForm->documents().isEmpty());
    }
    EXPECT_TRUE(messages.empty());
}

// The clipboard held by another program: nothing changes, nothing is lost,
// nothing is reported.
class BusyClipboardTest : public ClipboardCommandsTest {
protected:
    void SetUp() override {
        ClipboardCommandsTest::SetUp();
        RichTextBox& box = alphaBoldRedBeta();
        select(box, 6, 10);
        platform::setClipboardUnavailable(true);
    }
    void TearDown() override {
        platform::setClipboardUnavailable(false);
        EXPECT_EQ(clipboardText(), QStringLiteral("before"));
        EXPECT_TRUE(messages.empty());
        ClipboardCommandsTest::TearDown();
    }
};

TEST_F(BusyClipboardTest, CopyLeavesTheClipboardAsItWas) {
    MainForm->mnuEditCopy->trigger();
    EXPECT_EQ(activeBox().SelLength(), 4);
}

TEST_F(BusyClipboardTest, PasteLeavesTheDocumentAsItWas) {
    // Regression: the failed read left an empty text that was then pasted,
    // deleting the selection.
    MainForm->mnuEditPaste->trigger();
    EXPECT_EQ(activeBox().toPlainText(), QStringLiteral("alpha beta gamma"));
    EXPECT_EQ(activeBox().SelLength(), 4);
}

TEST_F(BusyClipboardTest, CutKeepsTheTextItCouldNotCopy) {
    MainForm->mnuEditCut->trigger();
    EXPECT_EQ(activeBox().toPlainText(), QStringLiteral("alpha beta gamma"));
    EXPECT_EQ(activeBox().SelLength(), 4);
}

// The keys Ctrl+X, Ctrl+C and Ctrl+V in a document run the Edit menu's
// commands; the control's own keys (Ctrl+Insert, Shift+Delete, Shift+Insert)
// and its context menu fill and read the clipboard the same way.
class ClipboardKeysTest : public ClipboardCommandsTest {
protected:
    void SetUp() override {
        ClipboardCommandsTest::SetUp();
        MainForm->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(MainForm));
        MainForm->ActiveForm()->rtfText->setFocus();
    }
};

// A pair of keys copying and pasting: the menu's and the control's own.
struct KeyPairCase {
    const char* name;
    Qt::Key copyKey;
    Qt::KeyboardModifiers copyMods;
    Qt::Key pasteKey;
    Qt::KeyboardModifiers pasteMods;
    const char* sourceAfter;  // the first document's text after the copy key
};

class ClipboardKeyPairsTest : public ClipboardKeysTest, public ::testing::WithParamInterface<KeyPairCase> {};

TEST_P(ClipboardKeyPairsTest, CopyOffersTextAndRtfAndPasteInAnotherDocumentKeepsTheFormat) {
    RichTextBox& first = alphaBoldRedBeta();
    select(first, 6, 10);
    QTest::keyClick(&first, GetParam().copyKey, GetParam().copyMods);
    EXPECT_EQ(clipboardText(), QStringLiteral("beta"));
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("application/rtf")).startsWith("{\\rtf"));
    EXPECT_EQ(first.toPlainText(), QString::fromUtf8(GetParam().sourceAfter));

    MainForm->CreateDocumentWindow();
    RichTextBox& second = activeBox();
    second.setFocus();
    QTest::keyClick(&second, GetParam().pasteKey, GetParam().pasteMods);
    EXPECT_EQ(second.toPlainText(), QStringLiteral("beta"));
    EXPECT_TRUE(isBoldAt(second, 0));
    EXPECT_EQ(charAt(second, 3).foreground().color(), QColor(255, 0, 0));
    EXPECT_TRUE(messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Clipboard, ClipboardKeyPairsTest,
                         ::testing::Values(KeyPairCase{"CtrlCCtrlV", Qt::Key_C, Qt::ControlModifier, Qt::Key_V,
                                                       Qt::ControlModifier, "alpha beta gamma"},
                                           KeyPairCase{"CtrlInsertShiftInsert", Qt::Key_Insert, Qt::ControlModifier,
                                                       Qt::Key_Insert, Qt::ShiftModifier, "alpha beta gamma"},
                                           KeyPairCase{"ShiftDeleteCutsThenCtrlV", Qt::Key_Delete, Qt::ShiftModifier,
                                                       Qt::Key_V, Qt::ControlModifier, "alpha  gamma"}),
                         CaseName());

TEST_F(ClipboardKeysTest, CtrlXCutsThroughTheMenuCommand) {
    RichTextBox& box = alphaBoldRedBeta();
    select(box, 6, 10);
    QTest::keyClick(&box, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(box.toPlainText(), QStringLiteral("alpha  gamma"));
    EXPECT_EQ(clipboardText(), QStringLiteral("beta"));
    QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(box.toPlainText(), QStringLiteral("alpha beta gamma"));
    EXPECT_TRUE(isBoldAt(box, 6));
}

TEST_F(ClipboardKeysTest, OtherControlKeysStayWithTheControl) {
    // Ctrl+A selects all and Ctrl+Z undoes, as the control does them.
    RichTextBox& box = activeBox();
    QTest::keyClicks(&box, QStringLiteral("abc"));
    QTest::keyClick(&box, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(box.SelLength(), 3);
    QTest::keyClick(&box, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(clipboardText(), QStringLiteral("before"));  // Ctrl+Shift+C is no copy key
    QTest::keyClick(&box, Qt::Key_Delete);
    EXPECT_EQ(box.toPlainText(), QString());
    QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(box.toPlainText(), QStringLiteral("abc"));
}
