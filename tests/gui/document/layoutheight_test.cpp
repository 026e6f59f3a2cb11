// Documents that would lay out taller than Qt can count: refused when no
// wrap width fits them, wrapped wider when the window is too narrow, and a
// format change that would make them so is refused.
#include "support/boxtestutil.h"
#include "support/case_name.h"
#include "support/test_env.h"
#include "document/layoutheight.h"
#include "document/rtfexport.h"
#include "platform/errors.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDeadlineTimer>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <functional>

namespace {

QByteArray repeat(const QByteArray& unit, int times) {
    return unit.repeated(times);
}

class LayoutHeight : public ::testing::Test {
protected:
    void load(const QByteArray& bytes) {
        const QString path = dir.filePath(QStringLiteral("in"));
        testenv::writeFile(path, bytes);
        box.LoadFile(path);
    }
    // Waits for the background layout to reach the last block.
    double laidOutHeight() {
        QDeadlineTimer deadline(60000);
        const QTextDocument& doc = *box.document();
        while (doc.lastBlock().layout()->lineCount() == 0 && !deadline.hasExpired())
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        EXPECT_GT(doc.lastBlock().layout()->lineCount(), 0);
        return doc.documentLayout()->documentSize().height();
    }
    QTemporaryDir dir;
    RichTextBox box;
};

struct TooTall {
    const char* name;
    QByteArray file;
};

class TooTallFiles : public LayoutHeight, public ::testing::WithParamInterface<TooTall> {};

TEST_P(TooTallFiles, AreRefusedAndTheOldTextStays) {
    load("old\n");
    try {
        load(GetParam().file);
        ADD_FAILURE() << "opened";
    } catch (const platform::Error& e) {
        EXPECT_TRUE(e.description().contains(QStringLiteral("太高"))) << e.what();
    }
    EXPECT_EQ(document::plainText(*box.document()), QStringLiteral("old\n"));
}

INSTANTIATE_TEST_SUITE_P(Shapes, TooTallFiles,
                         ::testing::Values(
                             // Spacing is held to a page, but a few thousand paragraphs of it add up.
                             TooTall{"LargestSpacing",
                                     "{\\rtf1\\ansi " + repeat("\\pard\\sb31680\\sa31680 x\\par ", 8000) + "}"},
                             TooTall{"LargestFont", "{\\rtf1\\ansi\\fs3276 " + repeat("x\\line ", 16000) + "}"}),
                         CaseName());

TEST_F(LayoutHeight, ANarrowWindowOrMarginWrapsNoNarrowerThanTheLayoutCanHold) {
    // 20,000 letters of the largest font: one per line in this window
    // would be 40 million pixels.
    box.resize(600, 400);
    box.show();
    load("{\\rtf1\\ansi\\fs3276 " + repeat("x", 20000) + "}");
    EXPECT_EQ(box.lineWrapMode(), QTextEdit::FixedPixelWidth);
    EXPECT_GT(box.lineWrapColumnOrWidth(), box.viewport()->width());
    EXPECT_LT(laidOutHeight(), document::MaxLayoutHeight);

    // A right margin of a few pixels is held to the same width.
    box.setRightMargin(150);
    EXPECT_LT(laidOutHeight(), document::MaxLayoutHeight);

    // An ordinary document in the same window wraps at the window.
    box.setRightMargin(0);
    load("{\\rtf1\\ansi " + repeat("word ", 2000) + "}");
    EXPECT_EQ(box.lineWrapMode(), QTextEdit::WidgetWidth);
}

TEST_F(LayoutHeight, AFontSizeThatWouldMakeTheDocumentTooTallIsRefused) {
    load(repeat("x\n", 16000));
    box.selectAll();
    EXPECT_THROW(box.setSelFontSize(1638.0), platform::Error);
    EXPECT_EQ(box.SelFontSize(), 9.0);
    box.setSelFontSize(72.0);
    EXPECT_EQ(box.SelFontSize(), 72.0);
    EXPECT_LT(laidOutHeight(), document::MaxLayoutHeight);
}

TEST_F(LayoutHeight, AnInsertionThatWouldMakeTheDocumentTooTallIsRefused) {
    load("old\n");
    box.selectAll();
    box.setSelFontSize(1638.0);
    QTextCursor letter = box.textCursor();
    letter.setPosition(1);
    letter.setPosition(2, QTextCursor::KeepAnchor);
    box.setTextCursor(letter);
    ASSERT_EQ(box.SelFontSize(), 1638.0);
    const QByteArray lines = "{\\rtf1\\ansi\\fs3276 " + repeat("x\\line ", 16000) + "}";
    QMimeData rtf;
    rtf.setData(QStringLiteral("text/rtf"), lines);
    for (const auto& insert : std::initializer_list<std::function<void()>>{
             [&] { box.setSelText(QString::fromLatin1(repeat("x\n", 16000))); },
             [&] { box.setSelRTF(QString::fromLatin1(lines)); },
             [&] { box.pasteMimeData(&rtf); },
         })
        EXPECT_THROW(insert(), platform::Error);
    EXPECT_EQ(document::plainText(*box.document()), QStringLiteral("old\n"));
    box.setSelText(QString::fromLatin1(repeat("x\n", 100)));
    EXPECT_LT(laidOutHeight(), document::MaxLayoutHeight);

    // Text taken out makes room again: two thirds of the limit, twice.
    const QString twoThirds = QString::fromLatin1(repeat("x\n", 6000));
    box.setSelText(twoThirds);
    box.selectAll();
    box.setSelText(QString());
    box.setSelFontSize(1638.0);
    box.setSelText(twoThirds);
    EXPECT_LT(laidOutHeight(), document::MaxLayoutHeight);
}

}  // namespace
