// RichTextBox::LoadFile and SaveFile: RTF and plain text, errors, safety.
#include "support/boxtestutil.h"

#include "platform/errors.h"
#include "support/test_env.h"
#include "support/case_name.h"
#include "support/error_number.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using boxtest::caretAt;
using boxtest::charAt;
using boxtest::select;

namespace {

class Files : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    void write(const QString& name, const QByteArray& bytes) const { testenv::writeFile(path(name), bytes); }
    QByteArray read(const QString& name) const { return testenv::fileBytes(path(name)); }
    int loadError(const QString& name) {
        return errorNumberOf([&] { box.LoadFile(path(name)); }, &lastDescription);
    }
    int saveError(const QString& name, int type) {
        return errorNumberOf([&] { box.SaveFile(path(name), type); }, &lastDescription);
    }
    QTemporaryDir dir;
    RichTextBox box;
    QString lastDescription;
};

TEST_F(Files, LoadsRtfWithTextParagraphsAndFormatting) {
    // Given a document with a font table, a colour table, a bold red run and
    // a centred second paragraph
    write(QStringLiteral("a.rtf"),
          "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}"
          "{\\colortbl;\\red255\\green0\\blue0;}"
          "\\pard\\f0\\fs20 plain {\\b\\cf1 bold} \\f1\\u20013?\\'ce\\'c4\\par"
          "\\pard\\qc\\f0 centred\\line next\\par}");
    // When it is loaded
    box.LoadFile(path(QStringLiteral("a.rtf")));
    // Then
    ASSERT_EQ(box.document()->blockCount(), 2);
    EXPECT_EQ(box.document()->findBlockByNumber(0).text(), QStringLiteral("plain bold 中文"));
    EXPECT_EQ(box.document()->findBlockByNumber(1).text(), QStringLiteral("centred\u2028next"));
    const QTextCharFormat plain = charAt(box, 0), bold = charAt(box, 6), chinese = charAt(box, 11);
    EXPECT_EQ(plain.fontFamilies().toStringList(), QStringList{QStringLiteral("Arial")});
    EXPECT_EQ(plain.fontPointSize(), 10.0);
    EXPECT_EQ(plain.fontWeight(), QFont::Normal);
    EXPECT_FALSE(plain.hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_EQ(bold.fontWeight(), QFont::Bold);
    EXPECT_EQ(bold.foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(chinese.fontFamilies().toStringList(), QStringList{QStringLiteral("宋体")});
    EXPECT_EQ(box.SelAlignment(), 0);
    caretAt(box, 16);
    EXPECT_EQ(box.SelAlignment(), 2);
}

TEST_F(Files, RtfTextWithoutASizeIsTwelvePoints) {
    write(QStringLiteral("a.rtf"), "{\\rtf1\\ansi hello\\par}");
    box.LoadFile(path(QStringLiteral("a.rtf")));
    EXPECT_EQ(box.toPlainText(), QStringLiteral("hello"));
    EXPECT_EQ(charAt(box, 0).fontPointSize(), 12.0);
}

TEST_F(Files, RtfSavedAndLoadedAgainKeepsTextAndFormatting) {
    // Given a document with every kind of formatting the control keeps
    box.setPlainText(QStringLiteral("普通 bold italic\n居中 red\nright 𠀀"));
    QTextCharFormat f;
    f.setFontWeight(QFont::Bold);
    boxtest::format(box, 3, 7, f);
    f = QTextCharFormat();
    f.setFontItalic(true);
    f.setFontUnderline(true);
    f.setFontStrikeOut(true);
    boxtest::format(box, 8, 14, f);
    f = QTextCharFormat();
    f.setForeground(QColor(0xC0, 0x10, 0x20));
    f.setFontPointSize(20);
    f.setFontFamilies({QStringLiteral("黑体")});
    boxtest::format(box, 18, 21, f);
    caretAt(box, 16);
    box.setSelAlignment(2);
    caretAt(box, 23);
    box.setSelAlignment(1);
    // When it is saved as RTF and loaded into another control
    box.SaveFile(path(QStringLiteral("out.rtf")));
    EXPECT_TRUE(read(QStringLiteral("out.rtf")).startsWith("{\\rtf1"));
    RichTextBox other;
    other.LoadFile(path(QStringLiteral("out.rtf")));
    // Then text, runs and paragraphs are the same
    EXPECT_EQ(other.toPlainText(), box.toPlainText());
    for (int pos : {0, 3, 8, 18, 22}) {
        const QTextCharFormat a = charAt(box, pos), b = charAt(other, pos);
        EXPECT_EQ(b.fontWeight(), a.fontWeight()) << pos;
        EXPECT_EQ(b.fontItalic(), a.fontItalic()) << pos;
        EXPECT_EQ(b.fontUnderline(), a.fontUnderline()) << pos;
        EXPECT_EQ(b.fontStrikeOut(), a.fontStrikeOut()) << pos;
    }
    EXPECT_EQ(charAt(other, 0).fontFamilies().toStringList(), QStringList{QStringLiteral("宋体")});
    EXPECT_EQ(charAt(other, 0).fontPointSize(), 9.0);
    EXPECT_EQ(charAt(other, 18).fontFamilies().toStringList(), QStringList{QStringLiteral("黑体")});
    EXPECT_EQ(charAt(other, 18).fontPointSize(), 20.0);
    EXPECT_EQ(charAt(other, 18).foreground().color(), QColor(0xC0, 0x10, 0x20));
    caretAt(other, 16);
    EXPECT_EQ(other.SelAlignment(), 2);
    caretAt(other, 23);
    EXPECT_EQ(other.SelAlignment(), 1);
}

// ---- plain text: read and written back in the same encoding ----------------------------

struct PlainCase {
    const char* name;
    QByteArray bytes;
    QString text;
};

class PlainTextFile : public Files, public ::testing::WithParamInterface<PlainCase> {};

TEST_P(PlainTextFile, IsReadAndWrittenBackByteForByte) {
    const PlainCase& c = GetParam();
    write(QStringLiteral("in.txt"), c.bytes);
    box.LoadFile(path(QStringLiteral("in.txt")));
    EXPECT_EQ(box.toPlainText(), c.text);
    EXPECT_EQ(box.SelFontName(), QStringLiteral("宋体"));

    box.SaveFile(path(QStringLiteral("out.txt")), 1);
    EXPECT_EQ(read(QStringLiteral("out.txt")), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    RichTextBox, PlainTextFile,
    ::testing::Values(
        PlainCase{"Utf8Lf", QByteArray("\xe7\xac\xac\xe4\xb8\x80\xe8\xa1\x8c\nline 2"),
                  QStringLiteral("第一行\nline 2")},
        PlainCase{"Utf8BomCrLf", QByteArray("\xef\xbb\xbf\xe4\xb8\xad\r\nb\r\n"), QStringLiteral("中\nb\n")},
        // A second mark is a character of the text (a zero-width no-break space).
        PlainCase{"Utf8BomTwice",
                  QByteArray("\xef\xbb\xbf\xef\xbb\xbf"
                             "a\n"),
                  QStringLiteral("\ufeffa\n")},
        PlainCase{"Gb18030CrLf", QByteArray("\xd6\xd0\xce\xc4\r\nabc"), QStringLiteral("中文\nabc")},
        PlainCase{"Gb18030FourByte", QByteArray("\xd6\xd0\x81\x30\x81\x30\n"), QStringLiteral("中\u0080\n")},
        PlainCase{"BraceButNotRtf", QByteArray("{\\rt is not a header\n"), QStringLiteral("{\\rt is not a header\n")},
        PlainCase{"Utf16LeBomCrLf",
                  QByteArray("\xff\xfe\x2d\x4e\x87\x65\r\x00\n\x00"
                             "a\x00",
                             12),
                  QStringLiteral("中文\na")},
        PlainCase{"Cp936EuroSign", QByteArray("\xd6\xd0\x80\n"), QStringLiteral("中€\n")},
        PlainCase{"Latin1", QByteArray("caf\xe9 cr\xe8me\n1\xb0 na\xefve\n"), QStringLiteral("café crème\n1° naïve\n")},
        PlainCase{"BinaryBytes", QByteArray("\x89PNG\n\x1a\n\x00\x00\xff\xd8\x81\t", 13),
                  QStringLiteral("\u2030PNG\n\u001a\n") + QChar(0) + QChar(0) +
                      QStringLiteral("\u00ff\u00d8\u0081\t")}),
    CaseName());

TEST_F(Files, NewDocumentIsSavedAsUtf8WithLf) {
    box.setSelText(QStringLiteral("中a"));
    QTest::keyClick(&box, Qt::Key_Return);
    QTest::keyClicks(&box, QStringLiteral("b"));
    box.SaveFile(path(QStringLiteral("new.txt")), 1);
    EXPECT_EQ(read(QStringLiteral("new.txt")), QByteArray("\xe4\xb8\xad"
                                                          "a\nb"));
}

TEST_F(Files, RtfDocumentSavedAsTextIsUtf8AndLineBreaksBecomeNewlines) {
    write(QStringLiteral("in.txt"), QByteArray("\xd6\xd0\r\n"));  // GB18030 first...
    box.LoadFile(path(QStringLiteral("in.txt")));
    write(QStringLiteral("a.rtf"), "{\\rtf1 a\\line b\\tab c\\par d\\par}");
    box.LoadFile(path(QStringLiteral("a.rtf")));  // ...then RTF: forgets GB18030
    box.SaveFile(path(QStringLiteral("out.txt")), 1);
    EXPECT_EQ(read(QStringLiteral("out.txt")), QByteArray("a\nb\tc\nd"));
}

// ---- loading: errors keep the old content; undo history starts afresh --------------------

TEST_F(Files, MissingFileRaisesFileNotFoundAndKeepsTheContent) {
    box.setPlainText(QStringLiteral("keep me"));
    EXPECT_EQ(loadError(QStringLiteral("nothing-here.rtf")), platform::err::FileNotFound);
    EXPECT_TRUE(lastDescription.contains(QStringLiteral("nothing-here.rtf"))) << lastDescription.toStdString();
    EXPECT_EQ(box.toPlainText(), QStringLiteral("keep me"));
}

TEST_F(Files, FolderRaisesFileAccessAndKeepsTheContent) {
    box.setPlainText(QStringLiteral("keep me"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.rtf")));
    EXPECT_EQ(loadError(QStringLiteral("folder.rtf")), platform::err::FileAccess);
    EXPECT_EQ(box.toPlainText(), QStringLiteral("keep me"));
}

TEST_F(Files, PipeOrDeviceRaisesFileAccessInsteadOfBlockingOrEndlessReading) {
    box.setPlainText(QStringLiteral("keep me"));
    const QByteArray fifo = QFile::encodeName(path(QStringLiteral("pipe.txt")));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    EXPECT_EQ(loadError(QStringLiteral("pipe.txt")), platform::err::FileAccess);
    EXPECT_EQ(box.toPlainText(), QStringLiteral("keep me"));
    try {
        box.LoadFile(QStringLiteral("/dev/zero"));
        ADD_FAILURE() << "/dev/zero loaded";
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.number(), platform::err::FileAccess);
    }
    EXPECT_EQ(box.toPlainText(), QStringLiteral("keep me"));
}

TEST_F(Files, LoadingClearsTheUndoHistoryAndEmitsOneSelChange) {
    write(QStringLiteral("a.rtf"), "{\\rtf1 loaded\\par}");
    QTest::keyClicks(&box, QStringLiteral("typed"));
    ASSERT_TRUE(box.document()->isUndoAvailable());
    QSignalSpy spy(&box, &RichTextBox::SelChange);
    box.LoadFile(path(QStringLiteral("a.rtf")));
    EXPECT_EQ(spy.count(), 1);
    EXPECT_FALSE(box.document()->isUndoAvailable());
    EXPECT_FALSE(box.document()->isModified());
    EXPECT_EQ(box.textCursor().position(), 0);
    box.undo();
    EXPECT_EQ(box.toPlainText(), QStringLiteral("loaded"));
    // Editing after the load is undoable again.
    QTest::keyClicks(&box, QStringLiteral("x"));
    box.undo();
    EXPECT_EQ(box.toPlainText(), QStringLiteral("loaded"));
}

TEST_F(Files, EachLoadReleasesThePreviousDocument) {
    // Regression: QTextEdit deletes a replaced document only when its own
    // text control owns it, so every load kept the one before alive.
    write(QStringLiteral("a.rtf"), "{\\rtf1 one\\par}");
    box.LoadFile(path(QStringLiteral("a.rtf")));
    QPointer<QTextDocument> first = box.document();
    box.LoadFile(path(QStringLiteral("a.rtf")));
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(box.toPlainText(), QStringLiteral("one"));
}

// ---- saving: errors leave the old file ---------------------------------------------------

TEST_F(Files, UnknownTypeIsRefusedAndWritesNothing) {
    box.setPlainText(QStringLiteral("x"));
    EXPECT_EQ(saveError(QStringLiteral("a.rtf"), 2), platform::err::InvalidArgument);
    EXPECT_EQ(saveError(QStringLiteral("a.rtf"), -1), platform::err::InvalidArgument);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("a.rtf"))));
}

TEST_F(Files, SavingOverAFolderOrIntoAMissingFolderRaisesFileAccess) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.rtf")));
    EXPECT_EQ(saveError(QStringLiteral("folder.rtf"), 0), platform::err::FileAccess);
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("folder.rtf"))).isDir());
    EXPECT_EQ(saveError(QStringLiteral("no/such/folder.txt"), 1), platform::err::FileAccess);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"folder.rtf"});
}

TEST_F(Files, UnwritableFolderLeavesTheOldFileIntact) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind the superuser";
    write(QStringLiteral("old.rtf"), "old content");
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    box.setPlainText(QStringLiteral("new"));
    const int error = saveError(QStringLiteral("old.rtf"), 0);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(error, platform::err::FileAccess);
    EXPECT_EQ(read(QStringLiteral("old.rtf")), QByteArray("old content"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"old.rtf"});
}

TEST_F(Files, SavingReplacesAnExistingFileWhole) {
    write(QStringLiteral("a.txt"), QByteArray(10000, 'z'));
    box.setPlainText(QStringLiteral("short"));
    box.SaveFile(path(QStringLiteral("a.txt")), 1);
    EXPECT_EQ(read(QStringLiteral("a.txt")), QByteArray("short"));
}

}  // namespace
