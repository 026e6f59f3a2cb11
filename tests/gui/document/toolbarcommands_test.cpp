// The toolbar's click handler: each key runs its command; the toggles read
// and write the selection's formatting and show the result on the button;
// the alignment group sets the paragraph; nothing started from the toolbar
// ends in an error report.
#include "support/commandtestutil.h"
#include "document/activedocument.h"
#include "platform/commondialog.h"
#include "platform/errors.h"
#include "support/app_fixture.h"
#include "support/case_name.h"

#include <QComboBox>
#include <QFile>
#include <QMdiArea>
#include <QTemporaryDir>

using namespace cmdtest;

class ToolbarCommandsTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        // Every dialog is answered here, with `answer`, and recorded.
        platform::CommonDialog::setTestHook([this](const platform::DialogRequest& r) {
            dialogs.push_back(r);
            return answer;
        });
        start();
    }
    void TearDown() override {
        AppTest::TearDown();
        platform::CommonDialog::setTestHook(nullptr);
    }

    QStringList captions() const {
        QStringList result;
        for (const frmDocument* d : MainForm->documents())
            result << d->Caption();
        return result;
    }

    std::vector<platform::DialogRequest> dialogs;
    platform::DialogAnswer answer = platform::DialogAnswer::cancel();
};

TEST_F(ToolbarCommandsTest, NewCreatesTheNextNumberedDocumentEachTime) {
    click(QStringLiteral("新建"));
    click(QStringLiteral("新建"));
    EXPECT_EQ(captions(), (QStringList{"文档 1", "文档 2", "文档 3"}));
    EXPECT_EQ(MainForm->ActiveForm()->Caption(), QStringLiteral("文档 3"));
    EXPECT_EQ(button(QStringLiteral("新建")).Value(), 0);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ToolbarCommandsTest, CutCopyAndPasteButtonsRunTheClipboardCommands) {
    RichTextBox& box = activeBox();
    append(box, QStringLiteral("one "));
    append(box, QStringLiteral("two"), bold());
    setClipboardText(QStringLiteral("before"));

    select(box, 4, 7);
    click(QStringLiteral("复制"));
    EXPECT_EQ(clipboardText(), QStringLiteral("two"));
    EXPECT_EQ(box.toPlainText(), QStringLiteral("one two"));

    select(box, 0, 4);
    click(QStringLiteral("剪切"));
    EXPECT_EQ(box.toPlainText(), QStringLiteral("two"));
    EXPECT_EQ(clipboardText(), QStringLiteral("one "));

    caretAt(box, 3);
    click(QStringLiteral("粘贴"));
    EXPECT_EQ(box.toPlainText(), QStringLiteral("twoone "));
    EXPECT_TRUE(isBoldAt(box, 2));
    EXPECT_FALSE(isBoldAt(box, 3));
    EXPECT_TRUE(messages.empty());
}

// The three file buttons run the File menu's commands: each shows its
// dialog (answered Cancel here) and changes nothing else.
struct FileButtonCase {
    const char* name;
    const char* key;
    platform::DialogRequest::Kind kind;
    const char* title;
};

class ToolbarFileButtonTest : public ToolbarCommandsTest, public ::testing::WithParamInterface<FileButtonCase> {};

TEST_P(ToolbarFileButtonTest, ShowsItsCommandsDialog) {
    RichTextBox& box = activeBox();
    append(box, QStringLiteral("text"));
    select(box, 0, 2);
    // Open asks first about the changed text: 不保存.
    const bool asks = GetParam().kind == platform::DialogRequest::Kind::Open;
    if (asks)
        answers.push_back(platform::vbNo);
    click(QString::fromUtf8(GetParam().key));
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].kind, GetParam().kind);
    EXPECT_EQ(dialogs[0].title, QString::fromUtf8(GetParam().title));
    EXPECT_EQ(captions(), QStringList{"文档 1"});
    EXPECT_EQ(box.toPlainText(), QStringLiteral("text"));
    EXPECT_EQ(messages.size(), asks ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Toolbar, ToolbarFileButtonTest,
    ::testing::Values(FileButtonCase{"Open", "打开", platform::DialogRequest::Kind::Open, "打开"},
                      FileButtonCase{"SaveUntitled", "保存", platform::DialogRequest::Kind::Save, "保存"},
                      FileButtonCase{"Print", "打印", platform::DialogRequest::Kind::Printer, "Print"}),
    CaseName());

TEST_F(ToolbarCommandsTest, OpenWithNoDocumentMakesOneForTheFileAndSaveAndPrintShowNothing) {
    MainForm->mdiClient->closeAllSubWindows();
    QApplication::processEvents();
    click(QStringLiteral("保存"));
    click(QStringLiteral("打印"));
    EXPECT_TRUE(dialogs.empty());
    EXPECT_TRUE(MainForm->documents().isEmpty());
    click(QStringLiteral("打开"));
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].kind, platform::DialogRequest::Kind::Open);
    EXPECT_EQ(captions(), QStringList{"文档 2"});
    EXPECT_TRUE(messages.empty());
}

TEST_F(ToolbarCommandsTest, SaveOnANamedDocumentWritesItsFileWithoutADialog) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("named.txt"));
    append(activeBox(), QStringLiteral("saved text"));
    MainForm->ActiveForm()->setCaption(path);
    click(QStringLiteral("保存"));
    EXPECT_TRUE(dialogs.empty());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("saved text"));
    EXPECT_TRUE(messages.empty());
}

// Open or Save failing inside: from the menu and from the toolbar alike the
// failure reaches the top-level report, and the command ends at the failing
// point.
struct FailingCommandCase {
    const char* name;
    const char* key;
    QAction* frmMain::*item;
    int number;  // the error the menu reports
};

class ToolbarFailingCommandTest : public ToolbarCommandsTest, public ::testing::WithParamInterface<FailingCommandCase> {
protected:
    void SetUp() override {
        ToolbarCommandsTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        append(activeBox(), QStringLiteral("kept"));
        // Open: a file that is not there. Save: a folder that is not there,
        // for the untitled document's name and for a named one alike.
        answer = platform::DialogAnswer::file(GetParam().key == std::string("打开")
                                                  ? dir.filePath(QStringLiteral("missing.rtf"))
                                                  : dir.filePath(QStringLiteral("no/such/folder/x.rtf")));
        if (std::string(GetParam().name) == "SaveNamed")
            MainForm->ActiveForm()->setCaption(dir.filePath(QStringLiteral("no/such/folder/named.rtf")));
        // Open asks about the changed text first, each time: 不保存.
        if (GetParam().key == std::string("打开"))
            answers = {platform::vbNo, platform::vbNo};
    }
    // The reports, without the questions.
    QStringList reports() const {
        QStringList r;
        for (const auto& m : messages)
            if (m.buttons.isEmpty())
                r << m.text;
        return r;
    }
    QTemporaryDir dir;
};

TEST_P(ToolbarFailingCommandTest, IsReportedFromTheToolbarAsFromTheMenu) {
    const QString caption = MainForm->ActiveForm()->Caption();
    (MainForm->*GetParam().item)->trigger();
    const QStringList fromMenu = reports();
    ASSERT_EQ(fromMenu.size(), 1);
    EXPECT_TRUE(fromMenu[0].contains(QString::number(GetParam().number))) << fromMenu[0].toStdString();
    messages.clear();

    click(QString::fromUtf8(GetParam().key));

    EXPECT_EQ(reports(), fromMenu);
    // The command stopped where it failed: the document is as it was.
    EXPECT_EQ(MainForm->ActiveForm()->Caption(), caption);
    EXPECT_EQ(activeBox().toPlainText(), QStringLiteral("kept"));
    EXPECT_EQ(MainForm->documents().size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Toolbar, ToolbarFailingCommandTest,
                         ::testing::Values(FailingCommandCase{"OpenMissingFile", "打开", &frmMain::mnuFileOpen, 53},
                                           FailingCommandCase{"SaveUntitledIntoMissingFolder", "保存",
                                                              &frmMain::mnuFileSave, 75},
                                           FailingCommandCase{"SaveNamed", "保存", &frmMain::mnuFileSave, 75}),
                         CaseName());

TEST_F(ToolbarCommandsTest, KeysAreComparedExactly) {
    // A button whose key is near one of the thirteen, but not equal, does
    // nothing: not the description "居中", not a key with a space or in
    // another case.
    const std::vector<platform::ButtonDefinition> table = {
        {platform::tbrButtonGroup, "居中", "", "", "", 0},
        {platform::tbrCheck, "粗体 ", "", "", "", 0},
        {platform::tbrDefault, " 新建", "", "", "", 0},
        {platform::tbrDefault, "", "", "", "", 0},
    };
    platform::Toolbar other(table, [](const QString&) { return QPixmap(); });
    RichTextBox& box = activeBox();
    append(box, QStringLiteral("text"));
    select(box, 0, 4);
    for (int i = 1; i <= other.buttons().Count(); ++i)
        MainForm->tbToolBar_ButtonClick(&other.buttons()[i]);
    EXPECT_EQ(captions(), QStringList{"文档 1"});
    EXPECT_FALSE(isBoldAt(box, 0));
    EXPECT_EQ(alignmentOf(box, 0), Qt::AlignLeft);
    EXPECT_EQ(other.buttons()[2].Value(), 0);
}

// The three toggles, with each kind of selection.
struct ToggleCase {
    const char* name;
    const char* key;
    std::optional<bool> (RichTextBox::*get)() const;
    QTextCharFormat (*format)();  // the formatting the button sets
    bool (*has)(const QTextCharFormat&);
};

QTextCharFormat italicFormat() {
    QTextCharFormat f;
    f.setFontItalic(true);
    return f;
}
QTextCharFormat underlineFormat() {
    QTextCharFormat f;
    f.setFontUnderline(true);
    return f;
}

const ToggleCase kToggles[] = {
    {"Bold", "粗体", &RichTextBox::SelBold, &bold,
     [](const QTextCharFormat& f) { return f.fontWeight() >= QFont::Bold; }},
    {"Italic", "斜体", &RichTextBox::SelItalic, &italicFormat, [](const QTextCharFormat& f) { return f.fontItalic(); }},
    {"Underline", "下划线", &RichTextBox::SelUnderline, &underlineFormat,
     [](const QTextCharFormat& f) { return f.fontUnderline(); }},
};

enum class Start { Plain, Set, Mixed };

struct ToggleParam {
    ToggleCase toggle;
    Start start;
};

class ToolbarToggleTest : public ToolbarCommandsTest, public ::testing::WithParamInterface<ToggleParam> {
protected:
    // "aa" + "bbbb" + "cc"; the selection is "bbbb" (2 to 6), or, for a mixed
    // start, "abbb" (1 to 5) with only the b's set.
    void SetUp() override {
        ToolbarCommandsTest::SetUp();
        const ToggleCase& t = GetParam().toggle;
        RichTextBox& box = activeBox();
        append(box, QStringLiteral("aa"));
        append(box, QStringLiteral("bbbb"), GetParam().start == Start::Plain ? QTextCharFormat() : t.format());
        append(box, QStringLiteral("cc"));
        if (GetParam().start == Start::Mixed)
            select(box, 1, 5);
        else
            select(box, 2, 6);
    }

    bool setAt(int position) { return GetParam().toggle.has(charAt(activeBox(), position)); }
};

TEST_P(ToolbarToggleTest, FirstClickMakesTheSelectionUniformAndTheButtonShowsTheControl) {
    const ToggleCase& t = GetParam().toggle;
    RichTextBox& box = activeBox();
    const QTextCursor before = box.textCursor();
    const bool expectSet = GetParam().start != Start::Set;
    // The button starts out of step with the document, pressed; its own flip
    // makes it unpressed; the handler must end with what the control reports.
    button(QString::fromUtf8(t.key)).setValue(1);

    click(QString::fromUtf8(t.key));

    EXPECT_EQ((box.*t.get)(), std::optional<bool>(expectSet));
    EXPECT_EQ(button(QString::fromUtf8(t.key)).Value(), expectSet ? 1 : 0);
    const int from = before.selectionStart(), to = before.selectionEnd();
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        const bool inSelection = i >= from && i < to;
        const bool wasSet = i >= 2 && i < 6 && GetParam().start != Start::Plain;
        EXPECT_EQ(setAt(i), inSelection ? expectSet : wasSet);
    }
    // The selection itself stays, and nothing else changed.
    EXPECT_EQ(box.textCursor().selectionStart(), from);
    EXPECT_EQ(box.textCursor().selectionEnd(), to);
    EXPECT_EQ(box.toPlainText(), QStringLiteral("aabbbbcc"));
    EXPECT_TRUE(messages.empty());
}

TEST_P(ToolbarToggleTest, SecondClickUndoesTheFirst) {
    const ToggleCase& t = GetParam().toggle;
    RichTextBox& box = activeBox();
    const int from = box.textCursor().selectionStart(), to = box.textCursor().selectionEnd();
    click(QString::fromUtf8(t.key));
    const bool afterFirst = (box.*t.get)() == true;
    click(QString::fromUtf8(t.key));
    EXPECT_EQ((box.*t.get)(), std::optional<bool>(!afterFirst));
    EXPECT_EQ(button(QString::fromUtf8(t.key)).Value(), afterFirst ? 0 : 1);
    for (int i = from; i < to; ++i)
        EXPECT_EQ(setAt(i), !afterFirst) << i;
}

TEST_P(ToolbarToggleTest, TogglesOnlyItsOwnProperty) {
    const ToggleCase& t = GetParam().toggle;
    click(QString::fromUtf8(t.key));
    RichTextBox& box = activeBox();
    for (const ToggleCase& other : kToggles) {
        if (other.get == t.get)
            continue;
        EXPECT_EQ((box.*other.get)(), std::optional<bool>(false)) << other.name;
    }
}

std::vector<ToggleParam> allToggleParams() {
    std::vector<ToggleParam> params;
    for (const ToggleCase& t : kToggles)
        for (Start s : {Start::Plain, Start::Set, Start::Mixed})
            params.push_back({t, s});
    return params;
}

std::string toggleName(const ::testing::TestParamInfo<ToggleParam>& info) {
    const char* start[] = {"Plain", "Set", "Mixed"};
    return std::string(info.param.toggle.name) + start[int(info.param.start)];
}

INSTANTIATE_TEST_SUITE_P(Toolbar, ToolbarToggleTest, ::testing::ValuesIn(allToggleParams()), toggleName);

TEST_F(ToolbarCommandsTest, BoldWithTheCaretInPlainTextMakesTheTextTypedNextBold) {
    RichTextBox& box = activeBox();
    append(box, QStringLiteral("plain"));
    caretAt(box, 5);
    click(QStringLiteral("粗体"));
    EXPECT_EQ(button(QStringLiteral("粗体")).Value(), 1);
    QTest::keyClicks(&box, QStringLiteral("B"));
    click(QStringLiteral("粗体"));
    EXPECT_EQ(button(QStringLiteral("粗体")).Value(), 0);
    QTest::keyClicks(&box, QStringLiteral("p"));
    EXPECT_EQ(box.toPlainText(), QStringLiteral("plainBp"));
    EXPECT_FALSE(isBoldAt(box, 4));
    EXPECT_TRUE(isBoldAt(box, 5));
    EXPECT_FALSE(isBoldAt(box, 6));
}

TEST_F(ToolbarCommandsTest, CentreThenRightAlignTheParagraphAndTheGroupFollowsTheSelection) {
    // Given the caret in the first of two left-aligned paragraphs
    RichTextBox& box = activeBox();
    append(box, QStringLiteral("first\nsecond"));
    caretAt(box, 2);
    // When 置中 is clicked
    click(QStringLiteral("置中"));
    // Then that paragraph only is centred, and only 置中 is pressed, also
    // after the caret moves within it
    EXPECT_EQ(alignmentOf(box, 0), Qt::AlignHCenter);
    EXPECT_EQ(alignmentOf(box, 1), Qt::AlignLeft);
    EXPECT_EQ(box.SelAlignment(), std::optional<int>(2));
    EXPECT_EQ(formattingButtons(), (Six{0, 0, 0, 0, 1, 0}));
    caretAt(box, 4);
    EXPECT_EQ(formattingButtons(), (Six{0, 0, 0, 0, 1, 0}));
    // When 右对齐 is clicked, the paragraph is right-aligned
    click(QStringLiteral("右对齐"));
    EXPECT_EQ(alignmentOf(box, 0), Qt::AlignRight);
    EXPECT_EQ(box.SelAlignment(), std::optional<int>(1));
    EXPECT_EQ(formattingButtons(), (Six{0, 0, 0, 0, 0, 1}));
    // Moving into the second paragraph presses 左对齐 again
    caretAt(box, 8);
    EXPECT_EQ(formattingButtons(), (Six{0, 0, 0, 1, 0, 0}));
    click(QStringLiteral("左对齐"));
    EXPECT_EQ(alignmentOf(box, 1), Qt::AlignLeft);
    EXPECT_EQ(box.toPlainText(), QStringLiteral("first\nsecond"));
    EXPECT_TRUE(messages.empty());
}

TEST_F(ToolbarCommandsTest, AlignmentOverASelectionSetsEveryParagraphItTouches) {
    RichTextBox& box = activeBox();
    append(box, QStringLiteral("one\ntwo\nthree"));
    select(box, 1, 5);  // from "one" into "two"
    click(QStringLiteral("右对齐"));
    EXPECT_EQ(alignmentOf(box, 0), Qt::AlignRight);
    EXPECT_EQ(alignmentOf(box, 1), Qt::AlignRight);
    EXPECT_EQ(alignmentOf(box, 2), Qt::AlignLeft);
}

// Every key with no document open: the command meets the missing document
// as an error (number 91) inside the handler, which skips it. Nothing is
// reported, no document appears (except from 新建) and the clipboard keeps
// its text; a check button keeps its own flip, a group its own press.
struct NoDocumentCase {
    const char* name;
    const char* key;
    Six buttonsAfter;
};

class ToolbarWithoutDocumentTest : public ToolbarCommandsTest, public ::testing::WithParamInterface<NoDocumentCase> {};

TEST_P(ToolbarWithoutDocumentTest, ChangesNothingButTheButtonsOwnStateAndReportsNothing) {
    MainForm->mdiClient->closeAllSubWindows();
    QApplication::processEvents();
    ASSERT_EQ(MainForm->ActiveForm(), nullptr);
    try {
        document::activeRtfText(MainForm->ActiveForm());
        FAIL() << "no error without a document";
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.number(), 91);
    }
    setClipboardText(QStringLiteral("before"));
    MainForm->cboSize->setEditText(QStringLiteral("12"));
    setFormattingButtons({0, 0, 0, 0, 0, 0});

    click(QString::fromUtf8(GetParam().key));

    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(formattingButtons(), GetParam().buttonsAfter);
    EXPECT_TRUE(MainForm->documents().isEmpty());
    EXPECT_EQ(clipboardText(), QStringLiteral("before"));
    EXPECT_EQ(MainForm->cboSize->currentText(), QStringLiteral("12"));
}

INSTANTIATE_TEST_SUITE_P(Toolbar, ToolbarWithoutDocumentTest,
                         ::testing::Values(NoDocumentCase{"Cut", "剪切", {0, 0, 0, 0, 0, 0}},
                                           NoDocumentCase{"Copy", "复制", {0, 0, 0, 0, 0, 0}},
                                           NoDocumentCase{"Paste", "粘贴", {0, 0, 0, 0, 0, 0}},
                                           NoDocumentCase{"Bold", "粗体", {1, 0, 0, 0, 0, 0}},
                                           NoDocumentCase{"Italic", "斜体", {0, 1, 0, 0, 0, 0}},
                                           NoDocumentCase{"Underline", "下划线", {0, 0, 1, 0, 0, 0}},
                                           NoDocumentCase{"Left", "左对齐", {0, 0, 0, 1, 0, 0}},
                                           NoDocumentCase{"Centre", "置中", {0, 0, 0, 0, 1, 0}},
                                           NoDocumentCase{"Right", "右对齐", {0, 0, 0, 0, 0, 1}}),
                         CaseName());

TEST_F(ToolbarCommandsTest, WithoutADocumentATogglesOwnFlipStaysAcrossClicks) {
    MainForm->mdiClient->closeAllSubWindows();
    QApplication::processEvents();
    click(QStringLiteral("粗体"));
    click(QStringLiteral("粗体"));
    click(QStringLiteral("粗体"));
    EXPECT_EQ(button(QStringLiteral("粗体")).Value(), 1);
    // 新建 still works and numbers on.
    click(QStringLiteral("新建"));
    EXPECT_EQ(captions(), QStringList{"文档 2"});
    EXPECT_TRUE(messages.empty());
}

TEST_F(ToolbarCommandsTest, AnErrorOutsideTheToolbarIsReportedButTheSameErrorFromItIsNot) {
    // The same failure (no document) reaches the top-level report when a
    // handler does not ignore it...
    MainForm->mdiClient->closeAllSubWindows();
    QApplication::processEvents();
    platform::dispatch([] { document::activeRtfText(MainForm->ActiveForm()).setSelBold(true); });
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("91")));
    // ...but never from a command the toolbar started, whichever it is.
    messages.clear();
    for (const char* key : {"剪切", "复制", "粘贴", "粗体", "斜体", "下划线", "左对齐", "置中", "右对齐"})
        click(QString::fromUtf8(key));
    EXPECT_TRUE(messages.empty());
}
