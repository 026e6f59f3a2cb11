// The document window: its control fills the client area whatever happens to
// the window, and every selection change sets the six formatting buttons
// outright from the control.
#include "app/sortedcombobox.h"
#include "support/commandtestutil.h"
#include "support/app_fixture.h"
#include "support/case_name.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>

using namespace cmdtest;

namespace {

QTextCharFormat italicUnderlined() {
    QTextCharFormat f;
    f.setFontItalic(true);
    f.setFontUnderline(true);
    return f;
}

QTextCharFormat points(double size) {
    QTextCharFormat f;
    f.setFontPointSize(size);
    return f;
}

}  // namespace

class DocumentWindowTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        start();
    }

    // Four paragraphs:
    //   0 (left, 0-12):    "plain " "bold"(bold, 6-9) " " "iu"(italic underlined, 11-12)
    //   1 (centred, 14-20): "centred"
    //   2 (right, 22-26):   "right"
    //   3 (left, 28-35):    "big"(20 pt, 28-30) "small"(9 pt, 31-35)
    static RichTextBox& sample() {
        RichTextBox& box = activeBox();
        append(box, QStringLiteral("plain "));
        append(box, QStringLiteral("bold"), bold());
        append(box, QStringLiteral(" "));
        append(box, QStringLiteral("iu"), italicUnderlined());
        append(box, QStringLiteral("\ncentred\nright\n"));
        append(box, QStringLiteral("big"), points(20));
        append(box, QStringLiteral("small"), points(9));
        setAlignment(box, 1, Qt::AlignHCenter);
        setAlignment(box, 2, Qt::AlignRight);
        caretAt(box, 0);
        return box;
    }
};

struct SyncCase {
    const char* name;
    int anchor;
    int position;
    Six expected;  // bold, italic, underline, left, centre, right
};

class SelectionSyncTest : public DocumentWindowTest, public ::testing::WithParamInterface<SyncCase> {};

TEST_P(SelectionSyncTest, SetsTheSixButtonsOutrightFromTheSelection) {
    RichTextBox& box = sample();
    // Start every button in the opposite state: each must be set, not toggled.
    Six opposite;
    for (std::size_t i = 0; i < 6; ++i)
        opposite[i] = 1 - GetParam().expected[i];
    setFormattingButtons(opposite);

    select(box, GetParam().anchor, GetParam().position);

    EXPECT_EQ(formattingButtons(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(DocumentWindow, SelectionSyncTest,
                         ::testing::Values(SyncCase{"CaretInBoldText", 8, 8, {1, 0, 0, 1, 0, 0}},
                                           SyncCase{"CaretInPlainText", 3, 3, {0, 0, 0, 1, 0, 0}},
                                           SyncCase{"BoldWordSelected", 6, 10, {1, 0, 0, 1, 0, 0}},
                                           SyncCase{"BoldWordSelectedBackwards", 10, 6, {1, 0, 0, 1, 0, 0}},
                                           SyncCase{"PartlyBoldSelection", 4, 8, {0, 0, 0, 1, 0, 0}},
                                           SyncCase{"ItalicUnderlinedSelected", 11, 13, {0, 1, 1, 1, 0, 0}},
                                           SyncCase{"CaretInCentredParagraph", 16, 16, {0, 0, 0, 0, 1, 0}},
                                           SyncCase{"CaretInRightAlignedParagraph", 24, 24, {0, 0, 0, 0, 0, 1}},
                                           SyncCase{"LeftAndCentredParagraphs", 2, 16, {0, 0, 0, 0, 0, 0}},
                                           SyncCase{"CentredAndRightParagraphs", 16, 24, {0, 0, 0, 0, 0, 0}},
                                           SyncCase{"WholeDocument", 0, 36, {0, 0, 0, 0, 0, 0}}),
                         CaseName());

TEST_F(DocumentWindowTest, TheSizeAndFontBoxesKeepTheirTextWhenTheCaretMoves) {
    RichTextBox& box = sample();
    MainForm->cboSize->setEditText(QStringLiteral("20"));
    MainForm->cboFont->setEditText(QStringLiteral("Some Font"));
    caretAt(box, 30);  // in the 20-point passage
    caretAt(box, 34);  // in the 9-point passage
    EXPECT_EQ(box.SelFontSize(), std::optional<double>(9));
    EXPECT_EQ(MainForm->cboSize->currentText(), QStringLiteral("20"));
    EXPECT_EQ(MainForm->cboFont->currentText(), QStringLiteral("Some Font"));
}

TEST_F(DocumentWindowTest, TypingAndKeyboardMovesSynchroniseTheButtons) {
    RichTextBox& box = sample();
    caretAt(box, 10);  // just after "bold"
    ASSERT_EQ(formattingButtons(), (Six{1, 0, 0, 1, 0, 0}));
    QTest::keyClick(&box, Qt::Key_Down);  // into the centred paragraph
    EXPECT_EQ(formattingButtons(), (Six{0, 0, 0, 0, 1, 0}));
    QTest::keyClick(&box, Qt::Key_End, Qt::ShiftModifier);
    QTest::keyClick(&box, Qt::Key_Down, Qt::ShiftModifier);  // into the right-aligned one
    EXPECT_EQ(formattingButtons(), (Six{0, 0, 0, 0, 0, 0}));
}

TEST_F(DocumentWindowTest, SynchronisesWhileTheToolbarIsHidden) {
    RichTextBox& box = sample();
    MainForm->mnViewToolbar_Click();
    ASSERT_FALSE(MainForm->tbToolBar->isVisible());
    caretAt(box, 8);
    EXPECT_EQ(formattingButtons(), (Six{1, 0, 0, 1, 0, 0}));
}

TEST_F(DocumentWindowTest, EachWindowReportsItsOwnSelectionAndClosingResetsNothing) {
    RichTextBox& first = sample();
    MainForm->CreateDocumentWindow();
    RichTextBox& second = activeBox();
    append(second, QStringLiteral("x\ny"));
    setAlignment(second, 1, Qt::AlignRight);
    caretAt(second, 0);
    caretAt(first, 8);  // a change in the inactive window shows its own state
    EXPECT_EQ(formattingButtons(), (Six{1, 0, 0, 1, 0, 0}));
    caretAt(second, 3);
    EXPECT_EQ(formattingButtons(), (Six{0, 0, 0, 0, 0, 1}));
    answers = {platform::vbNo, platform::vbNo};  // both changed: 不保存
    MainForm->mdiClient->closeAllSubWindows();
    QApplication::processEvents();
    EXPECT_TRUE(MainForm->documents().isEmpty());
    EXPECT_EQ(formattingButtons(), (Six{0, 0, 0, 0, 0, 1}));
}

// Layout: after any change of the window's size the control covers the
// client area exactly and wraps at its own width.
class DocumentLayoutTest : public DocumentWindowTest {
protected:
    static void expectFilled(const frmDocument& form) {
        EXPECT_EQ(form.rtfText->geometry(), QRect(QPoint(0, 0), form.size()));
        EXPECT_EQ(form.rtfText->Width(), form.ScaleWidth());
        EXPECT_EQ(form.rtfText->RightMargin(), form.rtfText->Width());
    }
};

TEST_F(DocumentLayoutTest, NewWindowOpensWithTheDesignClientAreaFilled) {
    const frmDocument& form = *MainForm->ActiveForm();
    EXPECT_EQ(form.size(), QSize(312, 213));  // 4680 x 3195 twips
    expectFilled(form);
}

TEST_F(DocumentLayoutTest, ResizedToAnySizeTheControlFillsIt) {
    frmDocument& form = *MainForm->ActiveForm();
    QMdiSubWindow* sub = MainForm->mdiClient->currentSubWindow();
    for (const QSize size : {QSize(400, 300), QSize(640, 400), QSize(150, 120), QSize(333, 211)}) {
        SCOPED_TRACE(size.width());
        sub->resize(size);
        QApplication::processEvents();
        ASSERT_EQ(sub->size(), size);
        expectFilled(form);
    }
}

TEST_F(DocumentLayoutTest, MinimisedMaximisedAndRestoredTheControlFillsTheClientArea) {
    frmDocument& form = *MainForm->ActiveForm();
    QMdiSubWindow* sub = MainForm->mdiClient->currentSubWindow();
    sub->resize(420, 260);
    QApplication::processEvents();
    const QSize normal = form.size();

    sub->showMinimized();
    QApplication::processEvents();
    ASSERT_TRUE(sub->isMinimized());
    expectFilled(form);

    sub->showNormal();
    QApplication::processEvents();
    EXPECT_EQ(form.size(), normal);
    expectFilled(form);

    sub->showMaximized();
    QApplication::processEvents();
    EXPECT_GT(form.width(), normal.width());
    expectFilled(form);

    sub->showNormal();
    QApplication::processEvents();
    EXPECT_EQ(form.size(), normal);
    expectFilled(form);
}

TEST_F(DocumentLayoutTest, FormResizeCalledDirectlyRefitsAMovedControl) {
    frmDocument& form = *MainForm->ActiveForm();
    form.rtfText->setGeometry(10, 12, 50, 40);
    form.rtfText->setRightMargin(300);
    form.Form_Resize();
    expectFilled(form);
}
