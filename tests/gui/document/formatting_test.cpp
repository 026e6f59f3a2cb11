// The font dialog command and the two toolbar boxes, driven as a person
// would: the dialog answered through the seam, the boxes typed into.
#include "app/sortedcombobox.h"
#include "support/files_fixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QRawFont>
#include <QTextDocumentFragment>

using platform::DialogAnswer;

namespace {

QFont font(const QString& family, double size, bool bold, bool italic) {
    QFont f(family);
    f.setPointSizeF(size);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

class Formatting : public FilesTest {
protected:
    void SetUp() override {
        FilesTest::SetUp();
        // "一个 词语 结尾": the word 词语 is at 3..5.
        setText(QStringLiteral("一个 词语 结尾"));
        select(3, 5);
    }
    // Closes every document, its text given up (nothing asks).
    void closeAll() const {
        box().document()->setModified(false);
        MainForm->mdiClient->closeAllSubWindows();
    }
    QString documentHtml() const {
        QTextCursor all(box().document());
        all.select(QTextCursor::Document);
        return all.selection().toHtml();
    }
};

TEST_F(Formatting, FontDialogAppliesNameSizeBoldItalicAndRemovesUnderlineAndStrike) {
    box().setSelUnderline(true);
    box().setSelStrikeThru(true);
    script.then(DialogAnswer::chooseFont(font(QStringLiteral("宋体"), 20, true, false)));
    menu(MainForm->mnFormatFont);

    EXPECT_EQ(script.last().flags, 3);
    EXPECT_FALSE(script.last().effectsOffered);
    EXPECT_EQ(box().SelFontName(), QStringLiteral("宋体"));
    EXPECT_EQ(box().SelFontSize(), 20.0);
    EXPECT_EQ(box().SelBold(), true);
    EXPECT_EQ(box().SelItalic(), false);
    EXPECT_EQ(box().SelUnderline(), false);
    EXPECT_EQ(box().SelStrikeThru(), false);
    // The rest of the text is untouched.
    select(0, 2);
    EXPECT_EQ(box().SelBold(), false);
    EXPECT_NE(box().SelFontSize(), 20.0);
    EXPECT_TRUE(messages.empty());
}

TEST_F(Formatting, ChineseNamesAreInTheBoxAndTheDialogAndTheChosenOneIsSavedByName) {
    // The box lists the four names (their order is the box's own test).
    QStringList items;
    for (int i = 0; i < MainForm->cboFont->count(); ++i)
        items << MainForm->cboFont->itemText(i);
    for (const char* name : {"宋体", "黑体", "楷体", "仿宋"})
        EXPECT_TRUE(items.contains(QString::fromUtf8(name))) << name;
    // The dialog offers the same names.
    script.then(DialogAnswer::cancel());
    menu(MainForm->mnFormatFont);
    const QStringList offered = script.last().families;
    EXPECT_GT(offered.size(), 4);
    for (const QString& name : offered)
        EXPECT_TRUE(items.contains(name)) << name.toStdString();
    // 宋体 chosen there is written by that name, as a GB2312 font (宋体 in
    // GBK is CB CE CC E5), and read back by it.
    script.then(DialogAnswer::chooseFont(font(QStringLiteral("宋体"), 12, false, false)));
    menu(MainForm->mnFormatFont);
    box().SaveFile(path("song.rtf"));
    const QByteArray saved = fileBytes(path("song.rtf"));
    EXPECT_TRUE(saved.contains("\\fcharset134") && saved.contains("\\'cb\\'ce\\'cc\\'e5;")) << saved.toStdString();
    box().LoadFile(path("song.rtf"));
    select(3, 5);
    EXPECT_EQ(box().SelFontName(), QStringLiteral("宋体"));
}

// Fonts named in a document from elsewhere keep their names through a save,
// and each shows in the face installed for it.
TEST_F(Formatting, ChineseFontsReadFromRtfKeepTheirNamesAndShowTheMappedFace) {
    if (!QFontDatabase::families().contains(QStringLiteral("Noto Serif CJK SC")))
        GTEST_SKIP() << "fonts-noto-cjk is not installed";
    writeFile(path("in.rtf"), "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}"
                              "{\\f1\\fnil\\fcharset134 SimSun;}{\\f2\\fnil\\fcharset134 \\'ba\\'da\\'cc\\'e5;}}"
                              "\\f0 A\\f1 B\\f2 C}");
    box().LoadFile(path("in.rtf"));
    box().SaveFile(path("out.rtf"));
    box().LoadFile(path("out.rtf"));
    const struct {
        int at;
        const char* name;
        const char* face;
    } rows[] = {{0, "宋体", "Noto Serif CJK SC"}, {1, "SimSun", "Noto Serif CJK SC"}, {2, "黑体", "Noto Sans CJK SC"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        select(row.at, row.at + 1);
        EXPECT_EQ(box().SelFontName(), QString::fromUtf8(row.name));
        QTextCursor c(box().document());
        c.setPosition(row.at + 1);
        EXPECT_EQ(QRawFont::fromFont(c.charFormat().font()).familyName().toLower(),
                  QString::fromUtf8(row.face).toLower());
    }
    const QByteArray saved = fileBytes(path("out.rtf"));
    EXPECT_EQ(saved.count("\\fcharset134"), 3) << saved.toStdString();
    EXPECT_TRUE(saved.contains("SimSun;")) << saved.toStdString();
}

TEST_F(Formatting, SecondFontDialogOpensWithTheFirstFontNotTheSelections) {
    script.then(DialogAnswer::chooseFont(font(installedFamily(), 20, true, true)));
    menu(MainForm->mnFormatFont);
    select(0, 2);  // plain 9 pt text
    script.then(DialogAnswer::cancel());
    menu(MainForm->mnFormatFont);
    const QFont shown = script.last().font;
    EXPECT_EQ(shown.family(), installedFamily());
    EXPECT_EQ(shown.pointSizeF(), 20.0);
    EXPECT_TRUE(shown.bold());
    EXPECT_TRUE(shown.italic());
}

TEST_F(Formatting, CancelInTheFontDialogChangesNothingAndShowsNothing) {
    box().setSelUnderline(true);
    const QString before = documentHtml();
    script.then(DialogAnswer::cancel());
    menu(MainForm->mnFormatFont);
    EXPECT_EQ(documentHtml(), before);
    EXPECT_TRUE(messages.empty());
}

TEST_F(Formatting, FontDialogWithNoDocumentStillShowsAndKeepsTheChoice) {
    closeAll();
    script.then(DialogAnswer::chooseFont(font(QStringLiteral("宋体"), 14, false, true)));
    menu(MainForm->mnFormatFont);
    EXPECT_EQ(script.requests.size(), 1u);
    EXPECT_EQ(MainForm->dlg->FontSize, 14.0);
    EXPECT_TRUE(MainForm->dlg->FontItalic);
    EXPECT_TRUE(messages.empty());
}

TEST_F(Formatting, TypingASizeAppliesAtEveryKeyAndKeepsTheText) {
    QLineEdit* edit = MainForm->cboSize->lineEdit();
    QTest::keyClicks(edit, "1");
    EXPECT_EQ(box().SelFontSize(), 1.0);
    QTest::keyClicks(edit, "4");
    EXPECT_EQ(box().SelFontSize(), 14.0);
    EXPECT_EQ(MainForm->cboSize->currentText(), QStringLiteral("14"));
    // Moving the caret leaves the box as typed.
    select(0, 1);
    EXPECT_EQ(MainForm->cboSize->currentText(), QStringLiteral("14"));
    EXPECT_TRUE(messages.empty());
}

TEST_F(Formatting, PickingASizeFromTheListAppliesNothingAndAddsNoEntry) {
    const auto before = box().SelFontSize();
    const int entries = MainForm->cboSize->count();
    // Arrow keys on the box walk the list ("6", "6.5", ...).
    QTest::keyClick(MainForm->cboSize, Qt::Key_Down);
    QTest::keyClick(MainForm->cboSize, Qt::Key_Down);
    EXPECT_EQ(MainForm->cboSize->currentText(), QStringLiteral("6.5"));
    MainForm->cboSize->setCurrentIndex(MainForm->cboSize->findText(QStringLiteral("20")));
    QTest::keyClick(MainForm->cboSize, Qt::Key_Return);
    EXPECT_EQ(box().SelFontSize(), before);
    EXPECT_EQ(MainForm->cboSize->count(), entries);
}

TEST_F(Formatting, ASizeThatIsNotANumberIsReportedAndTheBoxKeepsIt) {
    const auto before = box().SelFontSize();
    QTest::keyClicks(MainForm->cboSize->lineEdit(), "a");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("'13'"))) << messages[0].text.toStdString();
    EXPECT_EQ(messages[0].title, QStringLiteral("Scrivlet"));
    EXPECT_EQ(MainForm->cboSize->currentText(), QStringLiteral("a"));
    EXPECT_EQ(box().SelFontSize(), before);
    // The program goes on: a good size typed next applies.
    MainForm->cboSize->lineEdit()->clear();
    messages.clear();
    QTest::keyClicks(MainForm->cboSize->lineEdit(), "9");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(box().SelFontSize(), 9.0);
}

TEST_F(Formatting, TypingASizeWithNoDocumentIsReported) {
    closeAll();
    QTest::keyClicks(MainForm->cboSize->lineEdit(), "9");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("'91'")));
}

TEST_F(Formatting, TypingAFontNameAppliesEachPartialName) {
    QTest::keyClicks(MainForm->cboFont->lineEdit(), "Ari");
    EXPECT_EQ(box().SelFontName(), QStringLiteral("Ari"));
    QTest::keyClicks(MainForm->cboFont->lineEdit(), "al");
    EXPECT_EQ(box().SelFontName(), QStringLiteral("Arial"));
}

TEST_F(Formatting, TypingAFontNameWithNoDocumentDoesNothing) {
    closeAll();
    QTest::keyClicks(MainForm->cboFont->lineEdit(), "Arial");
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(MainForm->documents().isEmpty());
    EXPECT_EQ(MainForm->cboFont->currentText(), QStringLiteral("Arial"));
}

}  // namespace
