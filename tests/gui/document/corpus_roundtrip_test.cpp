// Every corpus file through the control and back: LoadFile, SaveFile as RTF,
// LoadFile again gives the same text, the same formatting runs and the same
// paragraph formats. This checks the control's mapping between the codec's
// formats and Qt's as much as the codec itself.
#include "support/corpus_files.h"
#include "document/filetext.h"
#include "document/richtextbox.h"
#include "document/rtfexport.h"
#include "document/rtfsnapshot.h"

#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <gtest/gtest.h>

#include <sstream>

namespace {

// A run's formatting as Qt holds it, written out; read straight from the
// QTextCharFormat, not through the control's own mapping, so that a fault
// in that mapping shows.
std::string describe(const QTextCharFormat& f, const QFont& defaultFont) {
    std::ostringstream s;
    const QStringList families = f.fontFamilies().toStringList();
    s << (families.isEmpty() ? defaultFont.family() : families.first()).toStdString();
    s << " " << (f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : defaultFont.pointSizeF()) << "pt";
    s << " w" << f.fontWeight() << (f.fontItalic() ? " i" : "") << (f.fontUnderline() ? " u" : "")
      << (f.fontStrikeOut() ? " s" : "");
    if (f.hasProperty(QTextFormat::ForegroundBrush))
        s << " fg" << f.foreground().color().name().toStdString();
    if (f.hasProperty(QTextFormat::BackgroundBrush))
        s << " bg" << f.background().color().name().toStdString();
    s << " va" << int(f.verticalAlignment());
    return s.str();
}

std::string describe(const QTextBlockFormat& f) {
    std::ostringstream s;
    s.precision(4);
    s << "align" << int(f.alignment() & Qt::AlignHorizontal_Mask) << " l" << f.leftMargin() << " r" << f.rightMargin()
      << " fi" << f.textIndent() << " t" << f.topMargin() << " b" << f.bottomMargin();
    return s.str();
}

struct Run {
    QString text;
    std::string format;
};

// The document as runs of equal format (adjacent fragments merged) and one
// paragraph format per block.
struct Shape {
    std::vector<Run> runs;
    std::vector<std::string> paragraphs;
};

Shape shapeOf(const QTextDocument& doc) {
    Shape shape;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        shape.paragraphs.push_back(describe(block.blockFormat()));
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const std::string f = describe(it.fragment().charFormat(), doc.defaultFont());
            if (!shape.runs.empty() && shape.runs.back().format == f)
                shape.runs.back().text += it.fragment().text();
            else
                shape.runs.push_back({it.fragment().text(), f});
        }
        shape.runs.push_back({QStringLiteral("\u00b6"), std::string()});  // paragraph end
    }
    return shape;
}

// One test over the whole corpus (one process, a second or two), each
// file's failures named by a trace.
void roundTrip(const QString& path, const QString& scratch) {
    RichTextBox first, second;
    first.LoadFile(path);
    first.SaveFile(scratch);
    second.LoadFile(scratch);

    ASSERT_EQ(second.toPlainText(), first.toPlainText());
    const Shape a = shapeOf(*first.document()), b = shapeOf(*second.document());
    ASSERT_EQ(b.paragraphs.size(), a.paragraphs.size());
    for (std::size_t i = 0; i < a.paragraphs.size(); ++i)
        EXPECT_EQ(b.paragraphs[i], a.paragraphs[i]) << "paragraph " << i;
    ASSERT_EQ(b.runs.size(), a.runs.size());
    for (std::size_t i = 0; i < a.runs.size(); ++i) {
        EXPECT_EQ(b.runs[i].text, a.runs[i].text) << "run " << i;
        EXPECT_EQ(b.runs[i].format, a.runs[i].format) << "run " << i << ": " << a.runs[i].text.left(40).toStdString();
    }
}

TEST(CorpusRoundTrip, EveryFileSavedAsRtfLoadsBackToTheSameTextAndFormatting) {
    const QStringList files = corpusFiles();
    if (files.isEmpty())
        GTEST_SKIP() << "no corpus at " SCRIVLET_CORPUS_DIR;
    QTemporaryDir dir;
    for (const QString& path : files) {
        SCOPED_TRACE(path.toStdString());
        roundTrip(path, dir.filePath(QStringLiteral("out.rtf")));
    }
    EXPECT_GE(files.size(), 100);  // the corpus was found whole
}

// The converter's text comes straight from the codec; it must be exactly
// what the control holds after LoadFile, for RTF and for plain text (the
// corpus's expected outputs), and for the characters that end blocks when
// inserted into a document.
TEST(CorpusText, FileTextIsExactlyTheTextTheControlHolds) {
    QTemporaryDir dir;
    const QString edges = dir.filePath(QStringLiteral("edges"));
    QStringList files = corpusFiles() + corpusFiles(QStringLiteral("*.txt"));
    files << edges + QStringLiteral("1.rtf") << edges + QStringLiteral("2.txt");
    const QByteArray edgeFiles[] = {
        "{\\rtf1 a\\u13\\u10 b\\u13 c\\u10\\u13 d\\u8233 e\\u8232 f\\u-560 g\\line h\\u-4\\par\\par {\\pict\\pngblip 00}\\par i\\par}",
        "x\r\ny\ru\xE2\x80\xA9z\xEF\xB7\x90w\xE2\x80\xA8v\n"};
    for (int i = 0; i < 2; ++i) {
        QFile f(files.at(files.size() - 2 + i));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(edgeFiles[i]);
    }
    for (const QString& path : files) {
        SCOPED_TRACE(path.toStdString());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        RichTextBox box;
        box.LoadFile(path);
        EXPECT_EQ(document::fileText(f.readAll()), document::plainText(*box.document()));
    }
    EXPECT_GE(files.size(), 150);  // the corpus was found whole
}

// The crash-recovery copy is written from a snapshot on another thread; it
// must be the very RTF that Save writes, pictures and all.
TEST(CorpusRoundTrip, ASnapshotWritesTheSameRtfAsSaveForEveryFile) {
    const QStringList files = corpusFiles();
    if (files.isEmpty())
        GTEST_SKIP() << "no corpus at " SCRIVLET_CORPUS_DIR;
    for (const QString& path : files) {
        SCOPED_TRACE(path.toStdString());
        RichTextBox box;
        box.LoadFile(path);
        EXPECT_EQ(document::RtfSnapshot(*box.document()).toRtf(), document::writeRtf(*box.document()));
    }
}

}  // namespace
