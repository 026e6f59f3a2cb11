// Unsaved changes: every way of closing, replacing or abandoning a changed
// document asks first, and each answer does what it says.
#include "support/files_fixture.h"

#include "files/recovery.h"
#include "platform/errors.h"
#include "platform/oserror.h"
#include "platform/registry/registry_shell.h"
#include "support/test_env.h"
#include "support/case_name.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

#include <functional>

using platform::DialogAnswer;
using platform::DialogRequest;
using platform::vbCancel;
using platform::vbNo;
using platform::vbYes;

namespace {

class UnsavedChanges : public FilesTest {
protected:
    void SetUp() override {
        FilesTest::SetUp();
        // No geometry from earlier tests: an exit writes it afresh.
        QFile::remove(testenv::configHome() + QStringLiteral("/scrivlet/HKEY_CURRENT_USER.reg"));
    }
    // The questions asked, by their text.
    QStringList questions() const {
        QStringList q;
        for (const auto& m : messages)
            if (!m.buttons.isEmpty())
                q << m.text;
        return q;
    }
    static QString question(const QString& caption) { return QStringLiteral("是否保存对“%1”的更改？").arg(caption); }
    bool geometryWritten() const {
        return platform::resumeNext([] { RegistryShell->RegRead(SettingsKey + "MainWidth"); }) == 0;
    }
};

// ---- the question, by way of closing and by answer ---------------------------

struct Way {
    const char* name;
    std::function<void()> act;
    bool endsProgram;
    bool opens;  // Open: the open dialog follows the question
};

const Way kWays[] = {
    {"CloseBox", [] { MainForm->mdiClient->currentSubWindow()->close(); }, false, false},
    {"CtrlF4",
     [] {
         QApplication::setActiveWindow(MainForm);
         QTest::keyClick(MainForm->ActiveForm()->rtfText, Qt::Key_F4, Qt::ControlModifier);
     },
     false, false},
    {"WindowMenuClose", [] { MainForm->mdiClient->currentSubWindow()->systemMenu()->actions().last()->trigger(); },
     false, false},
    {"Exit", [] { MainForm->mnuFileExit->trigger(); }, true, false},
    {"MainCloseBox", [] { MainForm->close(); }, true, false},
    {"Open", [] { MainForm->mnuFileOpen->trigger(); }, false, true},
};

class AskBeforeDiscarding : public UnsavedChanges, public ::testing::WithParamInterface<std::tuple<Way, int>> {};

TEST_P(AskBeforeDiscarding, AsksAndActsOnTheAnswer) {
    const auto& [way, answer] = GetParam();
    // Given an untitled document with typed text.
    QTest::keyClicks(&box(), QStringLiteral("unsaved"));
    answers.push_back(answer);
    if (answer == vbYes)
        script.then(DialogAnswer::file(path("kept.rtf")));
    if (way.opens && answer != vbCancel)
        script.then(DialogAnswer::cancel());

    way.act();
    QApplication::processEvents();

    ASSERT_EQ(questions(), QStringList{question(QStringLiteral("文档 1"))});
    const auto& q = messages.front();
    EXPECT_EQ(q.title, QStringLiteral("Scrivlet"));
    EXPECT_EQ(q.buttons, (QStringList{"保存(&S)", "不保存(&N)", "取消"}));
    if (answer == vbYes)
        EXPECT_EQ(script.requests.front().kind, DialogRequest::Kind::Save);
    EXPECT_EQ(QFile::exists(path("kept.rtf")), answer == vbYes);
    if (answer == vbYes)
        EXPECT_TRUE(fileBytes(path("kept.rtf")).contains("unsaved"));
    const bool goesOn = answer != vbCancel;
    if (way.opens) {
        // The open dialog shows only after the question was answered.
        EXPECT_EQ(script.requests.size(), std::size_t(answer == vbYes ? 2 : goesOn ? 1 : 0));
        EXPECT_EQ(box().toPlainText(), QStringLiteral("unsaved"));
        EXPECT_EQ(box().document()->isModified(), answer != vbYes);
    } else {
        EXPECT_EQ(MainForm->documents().isEmpty(), goesOn);
    }
    if (way.endsProgram) {
        EXPECT_EQ(MainForm->isVisible(), !goesOn);
        EXPECT_EQ(geometryWritten(), goesOn);
    }
    if (!goesOn)
        EXPECT_EQ(box().toPlainText(), QStringLiteral("unsaved"));
}

INSTANTIATE_TEST_SUITE_P(
    Ways, AskBeforeDiscarding, ::testing::Combine(::testing::ValuesIn(kWays), ::testing::Values(vbYes, vbNo, vbCancel)),
    [](const auto& info) {
        const int a = std::get<1>(info.param);
        return std::string(std::get<0>(info.param).name) + (a == vbYes ? "_Save" : a == vbNo ? "_DontSave" : "_Cancel");
    });

// ---- Exit with several documents ----------------------------------------------

TEST_F(UnsavedChanges, ExitAsksForEachChangedDocumentActiveFirstAndStopsAtCancel) {
    // Given 文档 1 and 文档 3 changed, 文档 2 untouched, 文档 3 active.
    QTest::keyClicks(&box(), QStringLiteral("one"));
    MainForm->CreateDocumentWindow();
    MainForm->CreateDocumentWindow();
    QTest::keyClicks(&box(), QStringLiteral("three"));
    answers = {vbNo, vbCancel};

    MainForm->mnuFileExit->trigger();

    EXPECT_EQ(questions(), (QStringList{question("文档 3"), question("文档 1")}));
    EXPECT_TRUE(MainForm->isVisible());
    EXPECT_EQ(MainForm->documents().size(), 3);
    EXPECT_FALSE(geometryWritten());
}

// ---- no change, no question ----------------------------------------------------------

TEST_F(UnsavedChanges, DocumentsWithoutChangesCloseWithoutAQuestion) {
    // The untouched 文档 1; one whose typing was undone; one only selected
    // in; one saved since its last change.
    MainForm->CreateDocumentWindow();
    QTest::keyClicks(&box(), QStringLiteral("ab"));
    box().undo();
    MainForm->CreateDocumentWindow();
    writeFile(path("a.rtf"), "{\\rtf1 text}");
    script.then(DialogAnswer::file(path("a.rtf")));
    menu(MainForm->mnuFileOpen);
    box().selectAll();
    box().moveCursor(QTextCursor::End);
    MainForm->CreateDocumentWindow();
    QTest::keyClicks(&box(), QStringLiteral("saved"));
    script.then(DialogAnswer::file(path("b.rtf")));
    menu(MainForm->mnuFileSaveAs);

    MainForm->mnuFileExit->trigger();

    EXPECT_TRUE(questions().isEmpty());
    EXPECT_TRUE(MainForm->documents().isEmpty());
}

TEST_F(UnsavedChanges, AFailedSaveIsReportedAndKeepsTheDocument) {
    writeFile(path("plain"), "not a folder");
    QTest::keyClicks(&box(), QStringLiteral("text"));
    answers.push_back(vbYes);
    script.then(DialogAnswer::file(path("plain/a.rtf")));

    MainForm->mdiClient->currentSubWindow()->close();

    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[1].text.contains(path("plain/a.rtf"))) << messages[1].text.toStdString();
    EXPECT_EQ(MainForm->documents().size(), 1);
}

TEST_F(UnsavedChanges, ALogoutThatMayAskAsksAndOneThatMayNotKeepsACopy) {
    QTest::keyClicks(&box(), QStringLiteral("text"));
    answers.push_back(vbCancel);
    EXPECT_FALSE(MainForm->queryEndSession(true));
    EXPECT_EQ(questions(), QStringList{question("文档 1")});

    EXPECT_TRUE(MainForm->queryEndSession(false));
    EXPECT_EQ(questions().size(), 1);
    const QDir folder(MainForm->recovery->instanceFolder());
    EXPECT_TRUE(fileBytes(folder.filePath("doc-1.rtf")).contains("text"));
}

// ---- files keep their format ----------------------------------------------------------

struct FormatCase {
    const char* name;
    const char* file;    // opened, or "" for a new document
    QByteArray content;  // the file's bytes before
    const char* saveAs;  // "" for Save
    bool rtf;            // what is written
};

class FileFormat : public UnsavedChanges, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(FileFormat, SaveWritesTheFormatTheDocumentCameFrom) {
    const FormatCase& c = GetParam();
    if (*c.file) {
        writeFile(path(c.file), c.content);
        script.then(DialogAnswer::file(path(c.file)));
        menu(MainForm->mnuFileOpen);
    }
    QTest::keyClicks(&box(), QStringLiteral("plain"));
    const QString target = path(*c.saveAs ? c.saveAs : c.file);
    if (*c.saveAs) {
        script.then(DialogAnswer::file(target));
        menu(*c.file ? MainForm->mnuFileSaveAs : MainForm->mnuFileSave);
    } else {
        menu(MainForm->mnuFileSave);
    }
    EXPECT_TRUE(messages.empty()) << messages.front().text.toStdString();
    EXPECT_EQ(isRtf(fileBytes(target)), c.rtf) << fileBytes(target).toStdString();
    EXPECT_TRUE(fileBytes(target).contains("plain"));
}

const FormatCase kFormats[] = {
    {"MarkdownStaysText", "notes.md", "# notes\n", "", false},
    {"NoExtensionStaysText", "README", "read me\n", "", false},
    {"RtfWithOtherNameStaysRtf", "doc.md", "{\\rtf1 x}", "", true},
    {"UpperCaseTxtStaysText", "b.TXT", "x\n", "", false},
    {"TextSavedAsNoExtensionStaysText", "hosts.conf", "h\n", "hosts2", false},
    {"TextSavedAsRtfIsRtf", "main.c", "int x;\n", "main.RTF", true},
    {"RtfSavedAsTxtIsText", "a.rtf",
     "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\\f0\\fs18 x}", "a.Txt", false},
    {"RtfSavedAsNoExtensionIsRtf", "a.rtf", "{\\rtf1 x}", "plainname", true},
    {"NewDocumentAsTxtIsText", "", "", "new.txt", false},
    {"NewDocumentAsNoExtensionIsRtf", "", "", "new", true},
};
INSTANTIATE_TEST_SUITE_P(Cases, FileFormat, ::testing::ValuesIn(kFormats), CaseName());

// ---- the plain-text formatting question ------------------------------------------------

struct Formatting {
    const char* name;
    std::function<void(RichTextBox&)> apply;
};

class PlainTextWarning : public UnsavedChanges, public ::testing::WithParamInterface<std::tuple<Formatting, int>> {};

TEST_P(PlainTextWarning, AsksBeforeDroppingFormattingAndNoWritesNothing) {
    const auto& [formatting, answer] = GetParam();
    writeFile(path("a.txt"), "old\n");
    script.then(DialogAnswer::file(path("a.txt")));
    menu(MainForm->mnuFileOpen);
    box().selectAll();
    formatting.apply(box());
    answers.push_back(answer);

    menu(MainForm->mnuFileSave);

    ASSERT_EQ(questions(), QStringList{"以纯文本格式保存将丢失所有格式。是否继续？"});
    EXPECT_EQ(messages.front().buttons, (QStringList{"是(&Y)", "否(&N)"}));
    EXPECT_EQ(fileBytes(path("a.txt")), QByteArray("old\n"));  // the same text either way
    EXPECT_EQ(box().document()->isModified(), answer == vbNo);
}

const Formatting kFormatting[] = {
    {"Bold", [](RichTextBox& b) { b.setSelBold(true); }},
    {"Italic", [](RichTextBox& b) { b.setSelItalic(true); }},
    {"Underline", [](RichTextBox& b) { b.setSelUnderline(true); }},
    {"Strike", [](RichTextBox& b) { b.setSelStrikeThru(true); }},
    {"Font", [](RichTextBox& b) { b.setSelFontName(QStringLiteral("黑体")); }},
    {"Size", [](RichTextBox& b) { b.setSelFontSize(12); }},
    {"Colour", [](RichTextBox& b) { b.setTextColor(Qt::red); }},
    {"Centred", [](RichTextBox& b) { b.setSelAlignment(2); }},
    {"Table",
     [](RichTextBox& b) { b.setSelRTF(QStringLiteral(R"({\rtf1\trowd\cellx1000\pard\intbl old\cell\row})")); }},
};
INSTANTIATE_TEST_SUITE_P(Kinds, PlainTextWarning,
                         ::testing::Combine(::testing::ValuesIn(kFormatting), ::testing::Values(vbYes, vbNo)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) == vbYes ? "_Yes" : "_No");
                         });

TEST_F(UnsavedChanges, PlainTypingAndLeftAlignmentNeverAsk) {
    QTest::keyClicks(&box(), QStringLiteral("typed"));
    box().setSelAlignment(0);
    box().setSelFontSize(9);  // the size new text gets
    script.then(DialogAnswer::file(path("t.txt")));
    menu(MainForm->mnuFileSave);
    EXPECT_TRUE(questions().isEmpty());
    EXPECT_EQ(fileBytes(path("t.txt")), QByteArray("typed"));
}

// ---- failures name their reason in Chinese ------------------------------------

TEST(Reasons, SystemWordsBecomeChinese) {
    EXPECT_EQ(platform::reasonText(EACCES), QStringLiteral("权限不够"));
    EXPECT_EQ(platform::reasonText(QStringLiteral("Permission denied")), QStringLiteral("权限不够"));
    EXPECT_EQ(platform::reasonText(QStringLiteral("Could not open x: No space left on device")),
              QStringLiteral("磁盘空间不足"));
    EXPECT_EQ(platform::reasonText(QStringLiteral("奇怪")), QStringLiteral("奇怪"));
}

}  // namespace
