// Tables through the control: read into QTextTables and written back (golden
// files), their plain text, editing in a cell, and copying part of a table.
#include "document/filetext.h"
#include "document/longblocks.h"
#include "document/rtfexport.h"
#include "document/rtfimport.h"
#include "document/tables.h"

#include <QFile>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::string_view viewOf(const QByteArray& bytes) {
    return std::string_view(bytes.constData(), std::size_t(bytes.size()));
}

int tablesIn(const QTextDocument& doc) {
    int n = 0;
    QList<QTextFrame*> frames = doc.rootFrame()->childFrames();
    while (!frames.isEmpty()) {
        QTextFrame* f = frames.takeFirst();
        n += qobject_cast<QTextTable*>(f) != nullptr;
        frames += f->childFrames();
    }
    return n;
}

struct GoldenCase {
    const char* name;
    int tables;         // QTextTables the document holds, nested ones too
    int flattenedRows;  // rows nested too deep, read as text
};

class TableGolden : public testing::TestWithParam<GoldenCase> {};

// name.rtf read and written gives name.golden.rtf, which reads and writes
// as itself; the document's plain text is the converter's. Set
// SCRIVLET_UPDATE_GOLDEN=1 to write the golden files anew.
TEST_P(TableGolden, ReadAndWrittenBackMatchesTheGoldenFile) {
    const GoldenCase& c = GetParam();
    const QString base = QStringLiteral(SCRIVLET_TABLES_DIR "/") + QString::fromLatin1(c.name);
    const QByteArray input = readAll(base + QStringLiteral(".rtf"));
    ASSERT_FALSE(input.isEmpty());
    // The default font names the font of text that names none.
    const QFont font(QStringLiteral("SimSun"), 12);
    QTextDocument doc;
    doc.setDefaultFont(font);
    document::readRtfDocument(viewOf(input), doc);
    EXPECT_EQ(tablesIn(doc), c.tables);
    EXPECT_EQ(document::flattenedTableRows(doc), c.flattenedRows);
    EXPECT_EQ(document::plainText(doc).toStdString(), document::fileText(input).toStdString());

    const std::string written = document::writeRtf(doc);
    const QString goldenPath = base + QStringLiteral(".golden.rtf");
    if (qEnvironmentVariableIsSet("SCRIVLET_UPDATE_GOLDEN")) {
        QFile out(goldenPath);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(written.data(), qint64(written.size()));
    }
    const QByteArray golden = readAll(goldenPath);
    EXPECT_EQ(written, golden.toStdString());

    QTextDocument again;
    again.setDefaultFont(font);
    document::readRtfDocument(viewOf(golden), again);
    EXPECT_EQ(document::writeRtf(again), golden.toStdString()) << "the golden file does not survive a round trip";
}

INSTANTIATE_TEST_SUITE_P(Files, TableGolden,
                         testing::Values(GoldenCase{"simple", 1, 0}, GoldenCase{"merged", 1, 0},
                                         GoldenCase{"uneven", 1, 0}, GoldenCase{"nested", 2, 0},
                                         GoldenCase{"deep", 8, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

// A long table is built as several QTextTables, cut only where no merged
// cell spans the cut, and written back as the one table it was.
TEST(LongTable, IsBuiltInPiecesAndWrittenWhole) {
    const int rows = int(document::TableBuildRows) * 2 + 50;
    const int cut = int(document::TableBuildRows);
    std::string rtf = "{\\rtf1 ";
    for (int r = 0; r < rows; ++r) {
        // A cell merged down over the rows around the first cut.
        rtf += "\\trowd";
        if (r == cut - 1)
            rtf += "\\clvmgf";
        else if (r == cut || r == cut + 1)
            rtf += "\\clvmrg";
        rtf += "\\cellx1000\\cellx2000\\pard\\intbl ";
        if (r != cut && r != cut + 1)
            rtf.append(1, 'r').append(std::to_string(r));
        rtf += "\\cell x\\cell\\row\n";
    }
    rtf += "}";
    QTextDocument doc;
    document::readRtfDocument(rtf, doc);
    EXPECT_EQ(tablesIn(doc), 3);
    EXPECT_EQ(document::plainText(doc), document::fileText(QByteArray::fromStdString(rtf)));
    const std::string written = document::writeRtf(doc);
    auto count = [&written](const std::string& word) {
        std::size_t n = 0;
        for (std::size_t at = written.find(word); at != std::string::npos; at = written.find(word, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("\\row\n"), std::size_t(rows));
    // Each row's definition is written before its cells and before \row.
    EXPECT_EQ(count("\\clvmgf"), 2u);
    EXPECT_EQ(count("\\clvmrg"), 4u);
    EXPECT_EQ(written.find("\\par}"), std::string::npos) << "nothing but rows between the pieces";
    EXPECT_EQ(written.find("\\par\n"), std::string::npos) << "nothing but rows between the pieces";
}

// A 2x2 table between two paragraphs: "before", cells a b / c d, "after".
class TableEditing : public testing::Test {
protected:
    void SetUp() override {
        document::readRtfDocument(R"({\rtf1 before\par\trowd\cellx1000\cellx2000\pard\intbl a\cell b\cell\row)"
                                  R"(\trowd\cellx1000\cellx2000\pard\intbl c\cell d\cell\row\pard after\par})",
                                  doc);
        table = qobject_cast<QTextTable*>(doc.rootFrame()->childFrames().value(0));
        ASSERT_NE(table, nullptr);
    }
    int at(int row, int column) const { return table->cellAt(row, column).firstPosition(); }

    QTextDocument doc;
    QTextTable* table = nullptr;
};

TEST_F(TableEditing, TypingInACellIsUndoneWholeAndSavedInTheCell) {
    doc.setUndoRedoEnabled(true);
    doc.clearUndoRedoStacks();
    QTextCursor cursor(&doc);
    cursor.setPosition(at(1, 0) + 1);
    cursor.insertText(QStringLiteral("xy"));
    EXPECT_EQ(document::plainText(doc), QStringLiteral("before\na\tb\ncxy\td\nafter"));
    QTextDocument saved;
    document::readRtfDocument(document::writeRtf(doc), saved);
    EXPECT_EQ(document::plainText(saved), document::plainText(doc));
    doc.undo();
    EXPECT_EQ(document::plainText(doc), QStringLiteral("before\na\tb\nc\td\nafter"));
}

struct CopyCase {
    const char* name;
    int fromRow, fromColumn, fromOffset;  // a cell and the offset in its text; row -1: "before"
    int toRow, toColumn, toOffset;
    const char* text;    // the selection's text
    const char* pasted;  // the text of its copy pasted into an empty document
    int tables;
};

class TableCopy : public TableEditing, public testing::WithParamInterface<CopyCase> {};

// What a selection copies is what pasting it brings: part of one cell is
// text, a range over cells is their rows, whole.
TEST_P(TableCopy, PastesTheSelectedRowsOrText) {
    const CopyCase& c = GetParam();
    const int from = (c.fromRow < 0 ? 0 : at(c.fromRow, c.fromColumn)) + c.fromOffset;
    const int to = at(c.toRow, c.toColumn) + c.toOffset;
    EXPECT_EQ(document::textOf(doc, from, to).toStdString(), c.text);
    QTextDocument pasted;
    QTextCursor cursor(&pasted);
    document::insertRtf(document::writeRtf(doc, from, to), cursor);
    EXPECT_EQ(document::plainText(pasted).toStdString(), c.pasted);
    EXPECT_EQ(tablesIn(pasted), c.tables);
}

INSTANTIATE_TEST_SUITE_P(Ranges, TableCopy,
                         testing::Values(CopyCase{"InsideOneCell", 0, 1, 0, 0, 1, 1, "b", "b", 0},
                                         CopyCase{"TwoCellsOfARow", 0, 0, 0, 0, 1, 1, "a\tb", "a\tb\n", 1},
                                         CopyCase{"DownAColumn", 0, 1, 0, 1, 1, 1, "a\tb\nc\td", "a\tb\nc\td\n", 1},
                                         CopyCase{"FromTheTextBefore", -1, 0, 3, 0, 0, 1, "ore\na\tb", "ore\na\tb\n",
                                                  1}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
