// Print and Page Setup through the seam, printing into PDF files whose text
// pdftotext reads back.
#include "platform/printerhandles.h"
#include "platform/errors.h"
#include "support/files_fixture.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QMdiArea>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTextDocument>

#include <algorithm>

using platform::DialogAnswer;

namespace {

class Printing : public FilesTest {
protected:
    // The PDF's text, pages separated by form feeds.
    static QString pdfText(const QString& pdf) {
        QProcess p;
        p.start(QStringLiteral("pdftotext"),
                {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
        p.waitForFinished(20000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    static bool havePdfToText() { return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(); }
    // The printed words, whitespace, page breaks and page numbers aside.
    static QString words(const QString& pdf) {
        QStringList lines = pdfText(pdf).split(u'\n');
        lines.removeIf([](const QString& line) {
            bool number = false;
            line.trimmed().remove(u'\f').toInt(&number);
            return number;
        });
        return lines.join(u'\n').simplified();
    }
};

#define REQUIRE_PDFTOTEXT()                                                                                            \
    if (!havePdfToText())                                                                                              \
    GTEST_SKIP() << "pdftotext (poppler-utils) is not installed; the printed PDF cannot be read back"

TEST_F(Printing, PrintWithNoSelectionPrintsTheWholeDocument) {
    REQUIRE_PDFTOTEXT();
    setText(QStringLiteral("第一段 文字\n第二段 English"));
    script.then(DialogAnswer::printTo(path("all.pdf")));
    menu(MainForm->mnuFilePrint);

    const platform::DialogRequest& r = script.last();
    EXPECT_EQ(r.title, QStringLiteral("Print"));
    EXPECT_EQ(r.flags, 0x108);
    EXPECT_FALSE(r.pageRangeEnabled);
    EXPECT_FALSE(r.selectionPreselected);
    EXPECT_EQ(words(path("all.pdf")), QStringLiteral("第一段 文字 第二段 English"));
    EXPECT_TRUE(messages.empty());
}

TEST_F(Printing, PrintWithASelectionPrintsOnlyItEvenWhenAllIsChosen) {
    REQUIRE_PDFTOTEXT();
    setText(QStringLiteral("不打印 要打印的部分 也不打印"));
    select(4, 10);
    DialogAnswer a = DialogAnswer::printTo(path("sel.pdf"));
    a.chooseAllPages = true;
    script.then(a);
    menu(MainForm->mnuFilePrint);

    EXPECT_EQ(script.last().flags, 0x109);
    EXPECT_TRUE(script.last().selectionEnabled);
    EXPECT_TRUE(script.last().selectionPreselected);
    EXPECT_EQ(words(path("sel.pdf")), QStringLiteral("要打印的部分"));
}

TEST_F(Printing, PicturesArePrintedWithTheDocumentAndWithASelection) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdfimages")).isEmpty())
        GTEST_SKIP() << "pdfimages (poppler-utils) is not installed";
    // Given a picture between two words (a 2x2 PNG shown at 1 inch square).
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    setText(QString());
    box().setSelRTF(
        QString::fromLatin1("{\\rtf1 a{\\pict\\picwgoal1440\\pichgoal1440\\pngblip " + png.toHex() + "}b}"));
    auto imagesIn = [](const QString& pdf) {
        QProcess p;
        p.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
        p.waitForFinished(20000);
        return QString::fromUtf8(p.readAllStandardOutput()).count(QStringLiteral(" image "));
    };
    // When the whole document and then the selection of the picture alone
    // are printed, each PDF holds it.
    script.then(DialogAnswer::printTo(path("all.pdf")));
    menu(MainForm->mnuFilePrint);
    select(1, 2);
    script.then(DialogAnswer::printTo(path("sel.pdf")));
    menu(MainForm->mnuFilePrint);
    EXPECT_EQ(imagesIn(path("all.pdf")), 1);
    EXPECT_EQ(imagesIn(path("sel.pdf")), 1);
}

TEST_F(Printing, TablesArePrintedWholeAndAsSelectedCells) {
    REQUIRE_PDFTOTEXT();
    setText(QString());
    box().setSelRTF(QStringLiteral(R"({\rtf1 上文\par\trowd\cellx2000\cellx4000\pard\intbl 甲\cell 乙\cell\row)"
                                   R"(\trowd\cellx2000\cellx4000\pard\intbl 丙\cell 丁\cell\row\pard 下文\par})"));
    // pdftotext reads side-by-side cells in an order of its own: compare
    // the characters printed.
    auto printed = [this](const QString& pdf) {
        QString text = words(path(pdf));
        text.remove(u' ');
        std::sort(text.begin(), text.end());
        return text;
    };
    auto sorted = [](QString text) {
        std::sort(text.begin(), text.end());
        return text;
    };
    script.then(DialogAnswer::printTo(path("table.pdf")));
    menu(MainForm->mnuFilePrint);
    EXPECT_EQ(printed(QStringLiteral("table.pdf")), sorted(QStringLiteral("上文甲乙丙丁下文")));

    // The second row's two cells selected.
    select(box().document()->find(QStringLiteral("丙")).selectionStart(),
           box().document()->find(QStringLiteral("丁")).selectionEnd());
    script.then(DialogAnswer::printTo(path("row.pdf")));
    menu(MainForm->mnuFilePrint);
    EXPECT_EQ(printed(QStringLiteral("row.pdf")), sorted(QStringLiteral("丙丁")));
}

TEST_F(Printing, ChineseTextInEveryFontComesOutAsItsOwnCharacters) {
    REQUIRE_PDFTOTEXT();
    // Characters that share their glyph with a radical (一 人 大 日 月 文 ...),
    // and digits amid Latin letters, which shaping in these faces turns into
    // glyphs the character map does not name; in a sans and a serif face.
    const QString text = QStringLiteral("一人大日月文字 中文打印 e2e 2026");
    setText(text + QStringLiteral("\n") + text);
    select(0, int(text.size()));
    box().setSelFontName(QStringLiteral("Noto Sans CJK SC"));
    select(int(text.size()) + 1, int(text.size()) * 2 + 1);
    box().setSelFontName(QStringLiteral("Noto Serif CJK SC"));
    select(0, 0);
    script.then(DialogAnswer::printTo(path("cjk.pdf")));
    menu(MainForm->mnuFilePrint);
    EXPECT_EQ(words(path("cjk.pdf")), text + QStringLiteral(" ") + text);
}

// Short documents print at once; long ones on a thread of their own.
TEST_F(Printing, ALongDocumentIsPrintedOnSeveralPages) {
    REQUIRE_PDFTOTEXT();
    for (const int count : {150, 12000}) {
        QStringList lines;
        for (int i = 1; i <= count; ++i)
            lines << QStringLiteral("第 %1 行").arg(i);
        setText(lines.join(u'\n'));
        script.then(DialogAnswer::printTo(path("long.pdf")));
        menu(MainForm->mnuFilePrint);
        const QString text = pdfText(path("long.pdf"));
        EXPECT_GE(text.count(u'\f'), count / 60) << "expected a page for every 60 lines or so";
        // Each page carries its number.
        EXPECT_TRUE(text.contains(QStringLiteral("\n1\n")));
        EXPECT_TRUE(text.contains(QStringLiteral("\n2\n")));
        EXPECT_TRUE(text.contains(QStringLiteral("第 %1 行").arg(count)));
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(Printing, CancelledPrintPrintsNothingAndShowsNothing) {
    setText(QStringLiteral("文字"));
    // The printer would write here if anything were printed.
    script.then(DialogAnswer::printTo(path("first.pdf")));
    menu(MainForm->mnuFilePrint);
    ASSERT_TRUE(QFile::remove(path("first.pdf")));
    script.then(DialogAnswer::cancel());
    menu(MainForm->mnuFilePrint);
    EXPECT_FALSE(QFile::exists(path("first.pdf")));
    EXPECT_TRUE(messages.empty());
}

TEST_F(Printing, PrintWithNoDocumentShowsNoDialog) {
    MainForm->mdiClient->closeAllSubWindows();
    menu(MainForm->mnuFilePrint);
    toolbar(QStringLiteral("打印"));
    EXPECT_TRUE(script.requests.empty());
    EXPECT_TRUE(messages.empty());
}

TEST_F(Printing, AFailingPrintIsReportedWithItsFileFromMenuAndToolbar) {
    writeFile(path("plain"), "not a folder");
    setText(QStringLiteral("文字"));
    script.then(DialogAnswer::printTo(path("plain/out.pdf")));
    menu(MainForm->mnuFilePrint);
    script.then(DialogAnswer::printTo(path("plain/out.pdf")));
    toolbar(QStringLiteral("打印"));
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[0].text.contains(path("plain/out.pdf"))) << messages[0].text.toStdString();
    EXPECT_EQ(messages[0].text, messages[1].text);
}

TEST_F(Printing, SelPrintRaisesForABadHandleAndAnUnwritableFile) {
    setText(QStringLiteral("文字"));
    try {
        box().SelPrint(987654);
        ADD_FAILURE() << "no error for a handle that names no printer";
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.number(), platform::err::InvalidArgument);
    }
    writeFile(path("plain"), "not a folder");
    MainForm->dlg->Flags = 0x100;
    script.then(DialogAnswer::printTo(path("plain/out.pdf")));
    MainForm->dlg->ShowPrinter();
    try {
        box().SelPrint(MainForm->dlg->hDC);
        ADD_FAILURE() << "no error for an output file that cannot be written";
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.number(), platform::err::FileAccess);
    }
}

TEST_F(Printing, APdfThatCannotBeWrittenWhollyLeavesTheOldFileAndNoPart) {
    writeFile(path("out.pdf"), "old pdf");
    QStringList lines;
    for (int i = 1; i <= 100; ++i)
        lines << QStringLiteral("第 %1 行 满了").arg(i);
    setText(lines.join(u'\n'));
    MainForm->dlg->Flags = 0x100;
    script.then(DialogAnswer::printTo(path("out.pdf")));
    MainForm->dlg->ShowPrinter();
    {
        const FullDisk full(4096);
        try {
            box().SelPrint(MainForm->dlg->hDC);
            ADD_FAILURE() << "no error for a PDF cut short";
        } catch (const platform::Error& e) {
            EXPECT_EQ(e.number(), platform::err::FileAccess);
        }
    }
    EXPECT_EQ(fileBytes(path("out.pdf")), QByteArray("old pdf"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.pdf"});
    // With room again the same printer writes the whole file.
    box().SelPrint(MainForm->dlg->hDC);
    EXPECT_TRUE(fileBytes(path("out.pdf")).startsWith("%PDF"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.pdf"});
}

TEST_F(Printing, PageSetupShowsThePrintDialogWithFlagsLeftAndNeedsNoDocument) {
    setText(QStringLiteral("文字"));
    select(0, 1);
    script.then(DialogAnswer::printTo(path("p.pdf")));
    menu(MainForm->mnuFilePrint);
    answers.push_back(platform::vbNo);  // closing the changed document: 不保存
    MainForm->mdiClient->closeAllSubWindows();
    messages.clear();

    script.then(DialogAnswer::ok());
    menu(MainForm->mnuFilePageSetup);
    EXPECT_EQ(script.last().title, QStringLiteral("页面设置"));
    EXPECT_EQ(script.last().kind, platform::DialogRequest::Kind::Printer);
    EXPECT_EQ(script.last().flags, 0x109);
    script.then(DialogAnswer::cancel());
    menu(MainForm->mnuFilePageSetup);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(MainForm->documents().isEmpty());

    // The next file dialog sets its own title, and runs with the Flags left.
    script.then(DialogAnswer::cancel());
    menu(MainForm->mnuFileOpen);
    EXPECT_EQ(script.last().title, QStringLiteral("打开"));
    EXPECT_EQ(script.last().flags, 0x109);
}

}  // namespace

TEST_F(Printing, TheFilesPageAndMarginsAndKeptMarksArePrintedUntilPageSetupChoosesAPage) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
        GTEST_SKIP() << "pdfinfo (poppler-utils) is not installed";
    const auto pageSize = [](const QString& pdf) {
        QProcess p;
        p.start(QStringLiteral("pdfinfo"), {pdf});
        p.waitForFinished(20000);
        const QString info = QString::fromUtf8(p.readAllStandardOutput());
        const qsizetype at = info.indexOf(QStringLiteral("Page size:"));
        return at < 0 ? QString() : info.mid(at + 10, info.indexOf(u'\n', at) - at - 10).simplified();
    };
    // Where the first word is printed: its left and top edge, in points.
    const auto firstWordAt = [](const QString& pdf) {
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
        p.waitForFinished(20000);
        const QRegularExpressionMatch m = QRegularExpression(
                                              QStringLiteral(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)")re"))
                                              .match(QString::fromUtf8(p.readAllStandardOutput()));
        return QPointF(m.captured(1).toDouble(), m.captured(2).toDouble());
    };
    // A5 turned on its side, with 2 inch and 1.5 inch margins, in the file;
    // a list label and a note's mark are printed with the text.
    writeFile(path("a5.rtf"), "{\\rtf1\\paperw11906\\paperh8391\\landscape\\margl2880\\margt2160 "
                              "\\pard{\\listtext 1.\\tab}item{\\super\\chftn}{\\footnote n}\\par}");
    script.then(DialogAnswer::file(path("a5.rtf")));
    menu(MainForm->mnuFileOpen);
    script.then(DialogAnswer::printTo(path("file.pdf")));
    menu(MainForm->mnuFilePrint);
    EXPECT_TRUE(pageSize(path("file.pdf")).startsWith(QStringLiteral("595 x 420 pts")))
        << pageSize(path("file.pdf")).toStdString();
    if (havePdfToText()) {
        EXPECT_EQ(words(path("file.pdf")), QStringLiteral("1. item1"));
        const QPointF at = firstWordAt(path("file.pdf"));
        EXPECT_NEAR(at.x(), 144, 2);
        EXPECT_NEAR(at.y(), 108, 6);
    }

    script.then(DialogAnswer::ok());
    menu(MainForm->mnuFilePageSetup);
    script.then(DialogAnswer::printTo(path("chosen.pdf")));
    menu(MainForm->mnuFilePrint);
    EXPECT_FALSE(pageSize(path("chosen.pdf")).startsWith(QStringLiteral("595 x 420")))
        << pageSize(path("chosen.pdf")).toStdString();
    if (havePdfToText()) {
        EXPECT_LT(firstWordAt(path("chosen.pdf")).x(), 100) << "Page Setup's margins are used";
    }
    EXPECT_TRUE(messages.empty());
}
