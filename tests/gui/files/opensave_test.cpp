// Open, Save and Save As through the shared dialog: captions, the bytes
// written (RTF or plain text, and its encoding), and failures.
#include "support/files_fixture.h"
#include "support/case_name.h"

#include "document/tables.h"

#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

using platform::DialogAnswer;
using platform::DialogRequest;

namespace {

class OpenSave : public FilesTest {
protected:
    void closeAllDocuments() {
        MainForm->mdiClient->closeAllSubWindows();
        QApplication::processEvents();
        ASSERT_EQ(MainForm->ActiveForm(), nullptr);
    }
    bool reported(int number) const {
        for (const auto& m : messages)
            if (m.text.contains(QStringLiteral("'%1'").arg(number)))
                return true;
        return false;
    }
};

TEST_F(OpenSave, OpenWithNoDocumentCreatesOneThenLoadsIntoIt) {
    writeFile(path("a.rtf"), "{\\rtf1\\ansi saved \\u25991?}");
    closeAllDocuments();
    script.then(DialogAnswer::file(path("a.rtf")));
    menu(MainForm->mnuFileOpen);

    ASSERT_EQ(MainForm->documents().size(), 1);
    EXPECT_EQ(MainForm->documentCounter(), 2);
    EXPECT_EQ(caption(), path("a.rtf"));
    EXPECT_EQ(box().toPlainText(), QStringLiteral("saved 文"));
    const DialogRequest& r = script.last();
    EXPECT_EQ(r.kind, DialogRequest::Kind::Open);
    EXPECT_EQ(r.title, QStringLiteral("打开"));
    EXPECT_EQ(r.nameFilters, (QStringList{"RTF 格式 (*.rtf)", "文本文件(*.txt) (*.txt)", "所有文件 (*)"}));
    EXPECT_TRUE(messages.empty());
}

TEST_F(OpenSave, OpenCancelledWithNoDocumentLeavesTheNewUntitledWindow) {
    closeAllDocuments();
    script.then(DialogAnswer::cancel());
    menu(MainForm->mnuFileOpen);
    ASSERT_EQ(MainForm->documents().size(), 1);
    EXPECT_EQ(caption(), QStringLiteral("文档 2"));
    EXPECT_TRUE(messages.empty());
}

TEST_F(OpenSave, OpenReplacesTheActiveWindowsContentWithoutANewWindow) {
    writeFile(path("b.txt"), "第一行\n第二行");
    setText(QStringLiteral("未保存的内容"));
    answers.push_back(platform::vbNo);  // 不保存 the text it replaces
    script.then(DialogAnswer::file(path("b.txt")));
    menu(MainForm->mnuFileOpen);
    EXPECT_EQ(MainForm->documents().size(), 1);
    EXPECT_EQ(caption(), path("b.txt"));
    EXPECT_EQ(box().toPlainText(), QStringLiteral("第一行\n第二行"));
}

TEST_F(OpenSave, ALongOpenNamesTheWindowThatTookTheFileWhenAnotherBecameActive) {
    // Large enough to load in the background, with the window running.
    writeFile(path("big.txt"), (QByteArray(99, 'x') + '\n').repeated(11000));
    frmDocument* first = active();
    MainForm->CreateDocumentWindow();
    frmDocument* second = active();
    QTimer::singleShot(0, MainForm, [first] {
        MainForm->mdiClient->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(first->parentWidget()));
    });
    MainForm->openDocument(path("big.txt"));
    EXPECT_EQ(active(), first);  // the switch did happen during the load
    EXPECT_EQ(second->Caption(), path("big.txt"));
    EXPECT_EQ(first->Caption(), QStringLiteral("文档 1"));
    EXPECT_TRUE(first->rtfText->toPlainText().isEmpty());
}

TEST_F(OpenSave, FailedOpenKeepsTheCaptionAndContentAndIsReportedFromTheMenu) {
    setText(QStringLiteral("原文"));
    answers.push_back(platform::vbNo);
    script.then(DialogAnswer::file(path("missing.rtf")));
    menu(MainForm->mnuFileOpen);
    EXPECT_EQ(caption(), QStringLiteral("文档 1"));
    EXPECT_EQ(box().toPlainText(), QStringLiteral("原文"));
    ASSERT_EQ(messages.size(), 2u);  // the question, then the report
    EXPECT_TRUE(reported(53)) << messages[1].text.toStdString();
}

TEST_F(OpenSave, FailedOpenFromTheToolbarKeepsTheCaptionAndIsReported) {
    script.then(DialogAnswer::file(path("missing.rtf")));
    toolbar(QStringLiteral("打开"));
    EXPECT_EQ(caption(), QStringLiteral("文档 1"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(reported(53)) << messages[0].text.toStdString();
}

// Save As with each kind of name: the caption is the path and the format
// follows the extension in any case; a name with neither extension is RTF.
struct SaveAsCase {
    const char* name;
    const char* file;
    bool rtf;
};

class SaveAs : public OpenSave, public ::testing::WithParamInterface<SaveAsCase> {};

TEST_P(SaveAs, CaptionIsThePathAndTheExtensionChoosesTheFormat) {
    const QString file = path(QString::fromUtf8(GetParam().file));
    setText(QStringLiteral("中文 text"));
    script.then(DialogAnswer::file(file));
    menu(MainForm->mnuFileSaveAs);

    EXPECT_EQ(script.last().title, QStringLiteral("另存为"));
    EXPECT_EQ(script.last().kind, DialogRequest::Kind::Save);
    EXPECT_EQ(caption(), file);
    const QByteArray written = fileBytes(file);
    if (GetParam().rtf) {
        EXPECT_TRUE(isRtf(written)) << written.toStdString();
    } else {
        EXPECT_EQ(written, QStringLiteral("中文 text").toUtf8());
    }

    // A later Save writes to the same path in the same format, with no dialog.
    setText(QStringLiteral("改过 again"));
    menu(MainForm->mnuFileSave);
    const QByteArray again = fileBytes(file);
    if (GetParam().rtf) {
        EXPECT_TRUE(isRtf(again));
        EXPECT_NE(again, written);
    } else {
        EXPECT_EQ(again, QStringLiteral("改过 again").toUtf8());
    }
    EXPECT_EQ(script.requests.size(), 1u);
    EXPECT_TRUE(messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    OpenSave, SaveAs,
    ::testing::Values(SaveAsCase{"LowerRtf", "a.rtf", true}, SaveAsCase{"LowerTxt", "a.txt", false},
                      SaveAsCase{"UpperRtf", "A.RTF", true}, SaveAsCase{"UpperTxt", "b.TXT", false},
                      SaveAsCase{"MixedTxt", "c.Txt", false}, SaveAsCase{"NoExtension", "说明", true},
                      SaveAsCase{"RtfThenBak", "a.rtf.bak", true}, SaveAsCase{"TxtInFolderName", "d.txt.d", true}),
    CaseName());

TEST_F(OpenSave, SaveOnAnUntitledDocumentAsksEveryTimeAndFollowsTheExtension) {
    setText(QStringLiteral("纯文本"));
    script.then(DialogAnswer::file(path("a.txt")));
    menu(MainForm->mnuFileSave);
    EXPECT_EQ(script.last().title, QStringLiteral("保存"));
    EXPECT_EQ(fileBytes(path("a.txt")), QStringLiteral("纯文本").toUtf8());
    EXPECT_EQ(caption(), QStringLiteral("文档 1"));

    // Still untitled: the next Save shows the dialog again, offering the name.
    script.then(DialogAnswer::file(path("a.rtf")));
    menu(MainForm->mnuFileSave);
    EXPECT_EQ(script.requests.size(), 2u);
    EXPECT_EQ(script.last().initialFileName, QStringLiteral("a.txt"));
    EXPECT_TRUE(isRtf(fileBytes(path("a.rtf"))));
    EXPECT_EQ(caption(), QStringLiteral("文档 1"));
}

TEST_F(OpenSave, CancelledSaveWritesNothing) {
    script.then(DialogAnswer::cancel());
    menu(MainForm->mnuFileSave);
    script.then(DialogAnswer::cancel());
    menu(MainForm->mnuFileSaveAs);
    EXPECT_EQ(caption(), QStringLiteral("文档 1"));
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    EXPECT_TRUE(messages.empty());
}

TEST_F(OpenSave, SaveAndSaveAsWithNoDocumentShowNoDialog) {
    closeAllDocuments();
    menu(MainForm->mnuFileSave);
    menu(MainForm->mnuFileSaveAs);
    toolbar(QStringLiteral("保存"));
    EXPECT_TRUE(script.requests.empty());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(MainForm->documents().size(), 0);
}

TEST_F(OpenSave, TheNameChosenLastIsOfferedByTheNextFileDialog) {
    script.then(DialogAnswer::file(path("first.rtf")));
    menu(MainForm->mnuFileSaveAs);
    script.then(DialogAnswer::cancel());
    menu(MainForm->mnuFileOpen);
    EXPECT_EQ(script.last().initialFileName, QStringLiteral("first.rtf"));
    EXPECT_EQ(script.last().directory, QDir(dir.path()).absolutePath());
}

TEST_F(OpenSave, AnOpenedTextFileIsSavedBackAsTextInItsOwnEncoding) {
    // GB18030 bytes with CRLF line ends.
    const QByteArray gb = QByteArray::fromHex("d6d0cec40d0ab5dab6fed0d0");  // 中文\r\n第二行
    writeFile(path("gb.TXT"), gb);
    script.then(DialogAnswer::file(path("gb.TXT")));
    menu(MainForm->mnuFileOpen);
    ASSERT_EQ(box().toPlainText(), QStringLiteral("中文\n第二行"));

    // Formatting is not kept (the user agreed): the file gets the same bytes back.
    box().selectAll();
    box().setSelBold(true);
    answers.push_back(platform::vbYes);
    menu(MainForm->mnuFileSave);
    EXPECT_EQ(fileBytes(path("gb.TXT")), gb);
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(OpenSave, SaveOnAFullDiskLeavesTheOldFileAndReportsFromMenuAndToolbar) {
    writeFile(path("keep.rtf"), "{\\rtf1 old}");
    script.then(DialogAnswer::file(path("keep.rtf")));
    menu(MainForm->mnuFileOpen);
    setText(QString(4000, QChar(u'字')));
    {
        const FullDisk full(64);
        menu(MainForm->mnuFileSave);
        toolbar(QStringLiteral("保存"));
    }
    EXPECT_EQ(fileBytes(path("keep.rtf")), QByteArray("{\\rtf1 old}"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"keep.rtf"});
    ASSERT_EQ(messages.size(), 2u) << "the menu's and the toolbar's failure are both reported";
    EXPECT_TRUE(reported(75)) << messages[0].text.toStdString();
    EXPECT_EQ(messages[0].text, messages[1].text);
}

TEST_F(OpenSave, SaveAsIntoAFileInsteadOfAFolderIsReportedAndKeepsTheNewCaption) {
    writeFile(path("plain"), "not a folder");
    const QString target = path("plain") + QStringLiteral("/a.rtf");
    script.then(DialogAnswer::file(target));
    menu(MainForm->mnuFileSaveAs);
    EXPECT_EQ(caption(), target);
    EXPECT_TRUE(reported(75));
    EXPECT_EQ(fileBytes(path("plain")), QByteArray("not a folder"));
}

}  // namespace

TEST_F(OpenSave, SaveSaysOnceBeforeWritingWhatTheFileHeldThatCannotBeWrittenBack) {
    // A second section with a page of its own: the editor keeps one.
    writeFile(path("two.rtf"), "{\\rtf1 \\sectd\\pgwsxn12240 one\\sect\\sectd\\pgwsxn15840 two\\par}");
    // Kept items alone are written back as they were: nothing to say.
    writeFile(path("kept.rtf"), "{\\rtf1 a{\\*\\bkmkstart b}{\\footnote x}\\sectd\\pgwsxn12240 z\\par}");
    script.then(DialogAnswer::file(path("kept.rtf")));
    menu(MainForm->mnuFileOpen);
    menu(MainForm->mnuFileSave);
    EXPECT_TRUE(messages.empty());

    script.then(DialogAnswer::file(path("two.rtf")));
    menu(MainForm->mnuFileOpen);
    writeFile(path("two.rtf"), "");
    menu(MainForm->mnuFileSave);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("第一节之后各节的页面设置")));
    EXPECT_NE(fileBytes(path("two.rtf")).indexOf("two"), -1);
    menu(MainForm->mnuFileSave);
    EXPECT_EQ(messages.size(), 1u);

    // One table in another, one level deeper than the editor keeps as
    // tables: its innermost row is written back as text.
    std::string deep = "{\\rtf1 \\trowd\\cellx9000";
    const int levels = document::MaxTableNesting + 1;
    for (int level = 1; level <= levels; ++level)
        deep += "\\pard\\intbl\\itap" + std::to_string(level) + " in" + std::to_string(level) + "\\par";
    for (int level = levels; level > 1; --level)
        deep += "\\pard\\intbl\\itap" + std::to_string(level) +
                " out\\nestcell{\\*\\nesttableprops\\trowd\\cellx5000\\nestrow}{\\nonesttables\\par}";
    deep += "\\pard\\intbl\\itap1 end\\cell\\row}";
    writeFile(path("deep.rtf"), deep.c_str());
    script.then(DialogAnswer::file(path("deep.rtf")));
    menu(MainForm->mnuFileOpen);
    menu(MainForm->mnuFileSave);
    menu(MainForm->mnuFileSave);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[1].text.contains(QStringLiteral("嵌套超过8层的表格"))) << messages[1].text.toStdString();
    EXPECT_NE(fileBytes(path("deep.rtf")).indexOf("in9"), -1);
}
