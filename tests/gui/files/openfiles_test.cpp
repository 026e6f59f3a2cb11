// Files handed over from outside: on the command line (the first into
// 文档 1, each further one into a new window) and dropped from a file manager.
#include "support/files_fixture.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace {

class OpenFiles : public FilesTest {
protected:
    void SetUp() override {
        FilesTest::SetUp();
        writeFile(path("a.rtf"), "{\\rtf1\\ansi {\\b alpha}}");
        writeFile(path("b.txt"), "第二个");
    }
    QStringList captions() const {
        QStringList list;
        for (const frmDocument* d : MainForm->documents())
            list << d->Caption();
        return list;
    }
    QString textOf(int index) const { return MainForm->documents().at(index)->rtfText->toPlainText(); }
};

// The order, the report and the window of each file on a real command line
// are the end-to-end test's (e2e/cmdline.sh); these are the edges.
TEST_F(OpenFiles, AFailingFileLeavesNoWindowAndTheNextOneStillGoesIntoDocument1) {
    MainForm->OpenFiles({path("missing.rtf"), path("b.txt"), path("missing.txt"), path("a.rtf")}, true);
    EXPECT_EQ(captions(), (QStringList{path("b.txt"), path("a.rtf")}));
    EXPECT_EQ(textOf(0), QStringLiteral("第二个"));
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("'53'"))) << messages[0].text.toStdString();
}

TEST_F(OpenFiles, FilesDroppedOnADocumentOpenInNewWindowsAndTheDocumentKeepsItsText) {
    // Given text in 文档 1
    setText(QStringLiteral("原文"));
    // When a file manager drops two files on the document (its text area)
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path("a.rtf")), QUrl::fromLocalFile(path("b.txt"))});
    QWidget* target = box().viewport();
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    // Then each opens in a new window, and no file name was typed into 文档 1
    EXPECT_EQ(captions(), (QStringList{QStringLiteral("文档 1"), path("a.rtf"), path("b.txt")}));
    EXPECT_EQ(textOf(0), QStringLiteral("原文"));
    EXPECT_TRUE(messages.empty());
}

}  // namespace
