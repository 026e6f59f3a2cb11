// What the control does not show is kept: a document read from RTF is saved
// with the header groups, settings and items in its text that the file had,
// written as the file wrote them, whatever was edited around them.
#include "support/boxtestutil.h"

#include "document/keptrtf.h"
#include "document/rtfexport.h"
#include "document/rtfimport.h"

#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

namespace {

const QString kData = QStringLiteral(SCRIVLET_KEPT_DATA "/");

std::string fileBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++n;
    return n;
}

// Golden files: each file's saved copy is NAME.saved.rtf, its plain text
// NAME.txt. The copy read
// again shows the same text and is saved byte for byte the same.
class KeptFile : public testing::TestWithParam<const char*> {};

TEST_P(KeptFile, IsSavedAsItsGoldenCopyAndReadsTheSameFromIt) {
    const QString name = QString::fromLatin1(GetParam());
    QTextDocument first;
    document::readRtfDocument(fileBytes(kData + name + QStringLiteral(".rtf")), first);
    const std::string saved = document::writeRtf(first);
    const QString golden = kData + name + QStringLiteral(".saved.rtf");
    if (!QFile::exists(golden)) {
        QFile f(golden);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(saved.data(), qint64(saved.size()));
        FAIL() << "wrote the missing golden file " << golden.toStdString() << ": check it";
    }
    EXPECT_EQ(saved, fileBytes(golden));

    // Plain text shows what stands for kept items: list labels, note marks.
    const QByteArray text = document::plainText(first).toUtf8();
    EXPECT_EQ(std::string(text.constData(), std::size_t(text.size())),
              fileBytes(kData + name + QStringLiteral(".txt")));

    QTextDocument second;
    document::readRtfDocument(saved, second);
    EXPECT_EQ(document::plainText(second), document::plainText(first));
    EXPECT_EQ(document::writeRtf(second), saved);

    // Shown on screen, where the layout has no paint device, its marks and
    // labels are drawn.
    RichTextBox box;
    box.resize(500, 400);
    box.show();
    box.LoadFile(kData + name + QStringLiteral(".rtf"));
    EXPECT_FALSE(box.viewport()->grab().isNull());
}

INSTANTIATE_TEST_SUITE_P(Files, KeptFile, testing::Values("settings", "notes", "lists"));

// The position of the first kept item whose RTF holds `rtf`.
int keptAt(const QTextDocument& document, const char* rtf) {
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().property(document::KeptRtfProperty).toByteArray().contains(rtf))
                return it.fragment().position();
    return -1;
}

// Copies the first paragraph as RTF and pastes it at the end.
void pasteFirstParagraphAtEnd(RichTextBox& box) {
    boxtest::select(box, 0, box.document()->firstBlock().length() - 1);
    const QString copied = box.SelRTF();
    boxtest::caretAt(box, box.document()->characterCount() - 1);
    box.setSelRTF(copied);
}

void typeAt(RichTextBox& box, int position, const QString& text) {
    boxtest::caretAt(box, position);
    QTest::keyClicks(&box, text);
}

struct Edit {
    const char* name;
    const char* file;
    std::function<void(RichTextBox&)> edit;
    // Pieces of the saved RTF and how often each must be there.
    std::vector<std::pair<std::string, int>> expected;
};

const Edit kEdits[] = {
    {"typing next to kept items keeps both",
     "notes",
     [](RichTextBox& box) {
         typeAt(box, keptAt(*box.document(), "\\chftn") + 1, QStringLiteral("XY"));
         typeAt(box, keptAt(*box.document(), "bkmkstart"), QStringLiteral("ZW"));
     },
     {{"\\chftn XY", 1}, {"ZW{\\*\\bkmkstart intro}", 1}, {"{\\*\\footnote", 1}}},
    {"a copy pasted in the document holds the items again",
     "notes",
     pasteFirstParagraphAtEnd,
     {{"{\\*\\footnote", 2}, {"{\\*\\bkmkstart intro}", 2}, {"{\\*\\annotation", 1}}},
    {"undoing the paste takes them away again",
     "notes",
     [](RichTextBox& box) {
         pasteFirstParagraphAtEnd(box);
         box.document()->undo();
     },
     {{"{\\*\\footnote", 1}, {"{\\v  hidden}", 1}, {"{\\*\\privatething keep {\\b me}}", 1}}},
    {"a new colour and font are numbered after the file's",
     "notes",
     [](RichTextBox& box) {
         boxtest::select(box, 0, 5);
         QTextCharFormat blue;
         blue.setForeground(QColor(0, 0, 255));
         boxtest::format(box, 0, 5, blue);
         box.setSelFontName(QStringLiteral("Arial"));
     },
     {{"{\\colortbl;\\red0\\green0\\blue0;\\red0\\green0\\blue255;}", 1},
      {"{\\f1\\fnil\\fcharset134 SimSun;}{\\f2\\fnil\\fcharset0 Arial;}}", 1},
      {"\\loch\\f2\\hich\\af2\\dbch\\af2\\afs24\\cf2 Start", 1}}},
    {"an edited list paragraph stays in its list",
     "lists",
     [](RichTextBox& box) {
         const int label = keptAt(*box.document(), "1.\\tab");
         typeAt(box, label + 1, QStringLiteral("Also "));
         QTest::keyClick(&box, Qt::Key_Return);
         QTest::keyClicks(&box, QStringLiteral("Three "));
     },
     {{"\\ls1\\ilvl1{\\fs24\\loch\\f0\\hich\\af0\\dbch\\af0\\afs24 {\\listtext\\pard\\plain\\f0\\fs24 1.\\tab}Also \\par}",
       1},
      {"\\ls1\\ilvl1{\\fs24\\loch\\f0\\hich\\af0\\dbch\\af0\\afs24 Three Two\\par}", 1},
      {"{\\*\\listoverridetable{\\listoverride\\listid7\\listoverridecount0\\ls1}}", 1}}},
    {"an edited paragraph keeps its style, and a new one made from it too",
     "settings",
     [](RichTextBox& box) {
         typeAt(box, box.document()->firstBlock().length() - 1, QStringLiteral(" One"));
         QTest::keyClick(&box, Qt::Key_Return);
         QTest::keyClicks(&box, QStringLiteral("Two"));
     },
     {{"\\pard\\s1\\ql{\\fs32\\b\\loch\\f2\\hich\\af2\\dbch\\af2\\afs32\\ab Title One\\par}", 1},
      {"\\pard\\s1\\ql{\\fs32\\b\\loch\\f2\\hich\\af2\\dbch\\af2\\afs32\\ab Two\\par}", 1},
      {"\\pard\\s", 2}}},
};

class KeptEdit : public testing::TestWithParam<Edit> {};

TEST_P(KeptEdit, SavesWhatTheFileKeptWithTheEdit) {
    const Edit& e = GetParam();
    RichTextBox box;
    box.LoadFile(kData + QString::fromLatin1(e.file) + QStringLiteral(".rtf"));
    e.edit(box);
    const std::string saved = document::writeRtf(*box.document());
    for (const auto& [piece, times] : e.expected)
        EXPECT_EQ(count(saved, piece), times) << piece << "\nin\n" << saved;
}

INSTANTIATE_TEST_SUITE_P(Edits, KeptEdit, testing::ValuesIn(kEdits), [](const testing::TestParamInfo<Edit>& info) {
    std::string name;
    for (const char* c = info.param.name; *c; ++c)
        name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
    return name;
});

}  // namespace
