// Paragraphs too long to lay out in one piece: held as several blocks, and
// written, copied and shown as plain text as the one paragraph they are.
#include "support/boxtestutil.h"
#include "support/case_name.h"
#include "support/test_env.h"
#include "document/filetext.h"
#include "document/longblocks.h"
#include "document/rtfexport.h"
#include "platform/errors.h"

#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct Shape {
    const char* name;
    QByteArray rtf;  // one paragraph of it, well past the limit
};

QByteArray rtfOf(const QByteArray& body) {
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\qc " + body + "\\par}";
}

int paragraphMarks(const std::string& rtf) {
    int n = 0;
    for (std::size_t at = rtf.find("\\par"); at != std::string::npos; at = rtf.find("\\par", at + 4))
        n += rtf.compare(at, 5, "\\pard") != 0;
    return n;
}

class LongBlocks : public ::testing::TestWithParam<Shape> {
protected:
    QString load(const QByteArray& bytes) {
        EXPECT_TRUE(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("in"));
        testenv::writeFile(path, bytes);
        box.LoadFile(path);
        return path;
    }
    QTemporaryDir dir;
    RichTextBox box;
};

TEST_P(LongBlocks, OneParagraphIsSplitForDisplayAndJoinedAgainWhenWrittenAndCopied) {
    const QByteArray bytes = rtfOf(GetParam().rtf);
    load(bytes);
    QTextDocument& doc = *box.document();
    ASSERT_GT(doc.blockCount(), 2);
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        EXPECT_LE(b.length(), document::BlockSplitter::HardLimit + 1);
        EXPECT_EQ(b.blockFormat().alignment(), Qt::AlignHCenter);  // every part has the paragraph's format
    }
    // The text is the file's text, without a break between the parts.
    const QString text = document::plainText(doc);
    EXPECT_EQ(text, document::fileText(bytes));
    boxtest::select(box, 0, doc.characterCount() - 1);
    EXPECT_EQ(box.SelText(), text);
    // Written back, it is still one paragraph with the same text.
    const std::string rtf = document::writeRtf(doc);
    EXPECT_EQ(paragraphMarks(rtf), 1);
    EXPECT_EQ(document::fileText(QByteArray::fromStdString(rtf)), text);
}

QByteArray repeat(const QByteArray& unit, int times) {
    return unit.repeated(times);
}

INSTANTIATE_TEST_SUITE_P(Shapes, LongBlocks,
                         ::testing::Values(Shape{"LineBreaks", repeat("ab\\line ", 20000)},
                                           Shape{"Runs", repeat("{\\b ab}{\\i cd} ", 10000)},
                                           Shape{"Words", repeat("word ", 10000)}, Shape{"OneWord", repeat("x", 40000)},
                                           Shape{"Chinese", repeat("\\u20013?\\u25991?", 15000)}),
                         CaseName());

TEST_F(LongBlocks, EditsKeepTheParagraphWholeAndEnterStillBreaksIt) {
    load(rtfOf(repeat("word ", 10000)));
    QTextDocument& doc = *box.document();
    // Centre from inside one part: the whole paragraph is centred.
    boxtest::caretAt(box, 30000);
    box.setSelAlignment(0);
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        EXPECT_EQ(b.blockFormat().alignment(), Qt::AlignLeft);
    // Enter at the start of a continued part is a real paragraph break.
    const QTextBlock second = doc.begin().next();
    ASSERT_EQ(document::continuation(second), document::Continuation::Soft);
    boxtest::caretAt(box, second.position());
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(&box, &enter);
    EXPECT_EQ(paragraphMarks(document::writeRtf(doc)), 2);
    EXPECT_EQ(document::plainText(doc).count(QLatin1Char('\n')), 1);
}

class PlainLongBlocks : public LongBlocks {};

TEST_P(PlainLongBlocks, TextIsHeldInFewerBlocksAndSavedBackUnchangedAfterAnEdit) {
    const QByteArray text = GetParam().rtf;  // plain text here
    const QString path = load(text);
    const int lines = int(text.count('\n')) + 1;
    EXPECT_GT(box.document()->blockCount(), 3);
    EXPECT_LT(box.document()->blockCount(), lines / 100 + 10);
    boxtest::caretAt(box, 0);
    box.setSelText(QStringLiteral("x"));  // an edit, undone by hand: the bytes are written from the document
    boxtest::select(box, 0, 1);
    box.setSelText(QString());
    box.SaveFile(path, 1);
    EXPECT_EQ(testenv::fileBytes(path), text);
}

QByteArray longLine() {
    QByteArray line;
    for (int i = 0; i < 6000; ++i)
        line += "第" + QByteArray::number(i) + "句 ";
    return line + "\nend\n";
}

INSTANTIATE_TEST_SUITE_P(Shapes, PlainLongBlocks,
                         ::testing::Values(Shape{"OneLongLine", longLine()},
                                           Shape{"ManyLines", repeat("line\n", 30000)},
                                           Shape{"ManyCrLfLines", repeat("line\r\n", 30000)}),
                         CaseName());

TEST_F(LongBlocks, AFileOfMoreLinesThanTheLayoutCanHoldIsRefusedAndTheOldTextStays) {
    load(QByteArray("old\n"));
    EXPECT_THROW(load(QByteArray("a\n").repeated(document::MaxLines + 1)), platform::Error);
    EXPECT_EQ(document::plainText(*box.document()), QStringLiteral("old\n"));
}

}  // namespace
