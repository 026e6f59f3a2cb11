// Large documents: loaded and saved off the GUI thread, laid out in slices in
// the background, and the feedback long commands give.
#include "support/boxtestutil.h"

#include "document/rtfexport.h"
#include "document/rtfimport.h"
#include "gendoc.h"
#include "platform/longwork.h"
#include "support/test_env.h"

#include <QAbstractTextDocumentLayout>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace {

QByteArray writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return bytes;
}

bool lastBlockLaidOut(const QTextDocument& doc) {
    const QTextLayout* layout = doc.lastBlock().layout();
    return layout && layout->lineCount() > 0;
}

class LargeDocument : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
    RichTextBox box;
};

TEST_F(LargeDocument, LoadsInTheBackgroundWhileTheEventLoopRuns) {
    // Given an RTF file over a megabyte, and a timer due as soon as the
    // event loop runs
    const std::string rtf = scrivlet::bench::generateRtf(1200 * 1024, 7);
    writeFile(path("big.rtf"), QByteArray::fromStdString(rtf));
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; });

    // When it is loaded
    box.LoadFile(path("big.rtf"));

    // Then the timer ran during the load, and the content is exactly what
    // reading the file into a document directly gives
    EXPECT_TRUE(timerRan);
    EXPECT_GE(box.loadProgress(), 90);  // every paragraph was counted
    QTextDocument reference;
    reference.setDefaultFont(box.font());
    document::readRtfDocument(rtf, reference);
    EXPECT_EQ(document::writeRtf(*box.document()), document::writeRtf(reference));
    EXPECT_EQ(box.document()->thread(), box.thread());
    EXPECT_FALSE(box.document()->isModified());
}

TEST_F(LargeDocument, PlainTextOverAMillionCharactersSavesBackByteForByte) {
    // Given a plain-text file over a megabyte, with CRLF line ends and
    // Chinese, loaded and saved on background threads
    QByteArray text;
    for (int i = 0; text.size() < 1400 * 1024; ++i)
        text += "line " + QByteArray::number(i) + " 中文文本 with words\r\n";
    writeFile(path("big.txt"), text);
    box.LoadFile(path("big.txt"));
    ASSERT_GE(box.document()->characterCount(), 1 << 20);
    EXPECT_GE(box.loadProgress(), 90);  // the text went in in parts, each counted
    EXPECT_EQ(document::plainText(*box.document()),
              QString::fromUtf8(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));

    // When it is saved as plain text
    box.SaveFile(path("saved.txt"), 1);

    // Then the file holds the very same bytes
    EXPECT_TRUE(testenv::fileBytes(path("saved.txt")) == text);
}

TEST_F(LargeDocument, BackgroundLayoutReachesTheEndWithTheLayoutQtWouldMake) {
    // Given a shown control with a large document loaded, and an edit made
    // at the top before the background layout is done
    box.resize(600, 400);
    box.show();
    writeFile(path("big.rtf"), QByteArray::fromStdString(scrivlet::bench::generateRtf(1200 * 1024, 3)));
    box.LoadFile(path("big.rtf"));
    QApplication::processEvents();
    ASSERT_FALSE(lastBlockLaidOut(*box.document()));
    QTest::keyClicks(&box, QStringLiteral("abc"));

    // When the event loop runs until the whole document is laid out
    QDeadlineTimer deadline(120000);
    while (!lastBlockLaidOut(*box.document()) && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 50);

    // Then every block has its lines, and the document is as tall as the
    // same document laid out in one go at the same width
    int blocksWithoutLines = 0;
    for (QTextBlock b = box.document()->begin(); b.isValid(); b = b.next())
        blocksWithoutLines += b.layout()->lineCount() == 0;
    EXPECT_EQ(blocksWithoutLines, 0);
    const std::unique_ptr<QTextDocument> copy(box.document()->clone());
    copy->setPageSize(box.document()->pageSize());
    const QAbstractTextDocumentLayout* layout = box.document()->documentLayout();
    copy->documentLayout()->documentSize();  // lays the copy out in one go
    EXPECT_DOUBLE_EQ(layout->blockBoundingRect(box.document()->lastBlock()).bottom(),
                     copy->documentLayout()->blockBoundingRect(copy->lastBlock()).bottom());
    EXPECT_TRUE(box.document()->toPlainText().startsWith(QStringLiteral("abc")));
}

TEST(LongWork, ShowsAWaitCursorTextAndProgressAfterHalfASecondThenRestoresThePanel) {
    QLabel panel(QStringLiteral("状态"));
    {
        // A command that ends at once shows nothing
        platform::LongWork quick(&panel, QStringLiteral("正在保存…"));
    }
    QTest::qWait(600);
    EXPECT_EQ(panel.text(), QStringLiteral("状态"));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        // One still running after half a second shows both, and its
        // progress once the work reports it
        std::atomic<int> progress{-1};
        platform::LongWork work(&panel, QStringLiteral("正在打开“a.rtf”…"), &progress);
        QTest::qWait(600);
        EXPECT_EQ(panel.text(), QStringLiteral("正在打开“a.rtf”…"));
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        progress = 40;
        QTest::qWait(250);
        EXPECT_EQ(panel.text(), QStringLiteral("正在打开“a.rtf”… 40%"));
    }
    // and both go when it ends: the panel shows what it showed before
    EXPECT_EQ(panel.text(), QStringLiteral("状态"));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// Files that once kept the layout from ever finishing.
TEST_F(LargeDocument, RegressionFilesLayOutToTheEndAndKeepTheirText) {
    box.resize(600, 400);
    box.show();
    const QDir regressions(QStringLiteral(SCRIVLET_REGRESSIONS_DIR "/layout"));
    const QStringList files = regressions.entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        box.LoadFile(regressions.filePath(name));
        const QString text = box.toPlainText();
        QDeadlineTimer deadline(60000);
        while (!lastBlockLaidOut(*box.document()) && !deadline.hasExpired())
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        EXPECT_TRUE(lastBlockLaidOut(*box.document()));
        box.SaveFile(path(QStringLiteral("saved.rtf")));
        RichTextBox reread;
        reread.LoadFile(path(QStringLiteral("saved.rtf")));
        EXPECT_EQ(reread.toPlainText(), text);
    }
}

}  // namespace
