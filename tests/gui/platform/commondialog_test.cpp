// The shared dialog object on its own: what each dialog is shown, what comes
// back, and which values carry over from one dialog to the next.
#include "platform/commondialog.h"
#include "platform/printerhandles.h"
#include "platform/errors.h"
#include "support/files_fixture.h"
#include "support/case_name.h"

#include <QDir>
#include <QFontInfo>
#include <QPrinter>
#include <QPrinterInfo>

using platform::CommonDialog;
using platform::DialogAnswer;
using platform::DialogRequest;

namespace {

const QString kProgramFilter = QStringLiteral("RTF 格式|*.rtf|文本文件(*.txt)|*.txt|所有文件|*.*");

struct FilterCase {
    const char* name;
    QString filter;
    QStringList expected;
};

class NameFilters : public ::testing::TestWithParam<FilterCase> {};

TEST_P(NameFilters, PairsBecomeDescriptionAndPatternsInOrder) {
    EXPECT_EQ(CommonDialog::nameFiltersFrom(GetParam().filter), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(CommonDialog, NameFilters,
                         ::testing::Values(FilterCase{"ProgramFilter",
                                                      kProgramFilter,
                                                      {"RTF 格式 (*.rtf)", "文本文件(*.txt) (*.txt)", "所有文件 (*)"}},
                                           FilterCase{"SeveralPatterns", "文档|*.rtf;*.txt", {"文档 (*.rtf *.txt)"}},
                                           FilterCase{"DescriptionWithoutPattern", "RTF|*.rtf|孤立", {"RTF (*.rtf)"}},
                                           FilterCase{"Empty", "", {}}),
                         CaseName());

class CommonDialogTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QTemporaryDir dir;
    DialogScript script;
    CommonDialog dlg{nullptr};
};

TEST_F(CommonDialogTest, OpenDialogShowsTitleFiltersAndTheLastNameInItsFolder) {
    writeFile(dir.filePath("old.rtf"), "{\\rtf1 old}");
    dlg.DialogTitle = QStringLiteral("打开");
    dlg.Filter = kProgramFilter;
    dlg.FileName = dir.filePath("old.rtf");
    script.then(DialogAnswer::file(QStringLiteral("old.rtf")));
    dlg.ShowOpen();

    const DialogRequest& r = script.last();
    EXPECT_EQ(r.kind, DialogRequest::Kind::Open);
    EXPECT_EQ(r.title, QStringLiteral("打开"));
    EXPECT_EQ(r.nameFilters, CommonDialog::nameFiltersFrom(kProgramFilter));
    EXPECT_EQ(r.selectedNameFilter, QStringLiteral("RTF 格式 (*.rtf)"));
    EXPECT_EQ(r.initialFileName, QStringLiteral("old.rtf"));
    EXPECT_EQ(r.directory, QDir(dir.path()).absolutePath());
    EXPECT_TRUE(r.namesMustExist);
    EXPECT_EQ(dlg.FileName, QDir(dir.path()).absoluteFilePath("old.rtf"));
}

TEST_F(CommonDialogTest, SaveDialogAsksBeforeOverwritingAndReturnsTheFullPath) {
    dlg.FileName = dir.filePath("a.rtf");
    dlg.FilterIndex = 2;
    dlg.Filter = kProgramFilter;
    script.then(DialogAnswer::file(QStringLiteral("新建.txt")));
    dlg.ShowSave();

    EXPECT_EQ(script.last().kind, DialogRequest::Kind::Save);
    EXPECT_TRUE(script.last().confirmsOverwrite);
    EXPECT_FALSE(script.last().namesMustExist);
    EXPECT_EQ(script.last().selectedNameFilter, QStringLiteral("文本文件(*.txt) (*.txt)"));
    EXPECT_EQ(dlg.FileName, QDir(dir.path()).absoluteFilePath(QStringLiteral("新建.txt")));
}

TEST_F(CommonDialogTest, CancelledFileDialogClearsTheNameAndReturnsNormally) {
    dlg.FileName = dir.filePath("a.rtf");
    script.then(DialogAnswer::cancel());
    EXPECT_NO_THROW(dlg.ShowSave());
    EXPECT_EQ(dlg.FileName, QString());
    // The next dialog still opens in the folder used before.
    script.then(DialogAnswer::cancel());
    dlg.ShowOpen();
    EXPECT_EQ(script.last().initialFileName, QString());
}

using Show = void (CommonDialog::*)();

struct KindCase {
    const char* name;
    Show show;
};

class CancelError : public ::testing::TestWithParam<KindCase> {
protected:
    DialogScript script;
    CommonDialog dlg{nullptr};
};

TEST_P(CancelError, CancelRaises32755OnlyWhenSet) {
    dlg.CancelError = true;
    script.then(DialogAnswer::cancel());
    try {
        (dlg.*GetParam().show)();
        ADD_FAILURE() << "Cancel did not raise";
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.number(), 32755);
    }
    dlg.CancelError = false;
    script.then(DialogAnswer::cancel());
    EXPECT_NO_THROW((dlg.*GetParam().show)());
}

INSTANTIATE_TEST_SUITE_P(CommonDialog, CancelError,
                         ::testing::Values(KindCase{"Open", &CommonDialog::ShowOpen},
                                           KindCase{"Save", &CommonDialog::ShowSave},
                                           KindCase{"Printer", &CommonDialog::ShowPrinter},
                                           KindCase{"Font", &CommonDialog::ShowFont}),
                         CaseName());

TEST_F(CommonDialogTest, EveryValueCarriesOverToTheNextDialogOfAnyKind) {
    // Given a font chosen with Flags 3 ...
    dlg.Flags = 3;
    QFont chosen(installedFamily());
    chosen.setPointSizeF(20);
    chosen.setBold(true);
    script.then(DialogAnswer::chooseFont(chosen));
    dlg.ShowFont();
    // ... a file dialog runs with the Flags and title left before it ...
    dlg.DialogTitle = QStringLiteral("另存为");
    script.then(DialogAnswer::file(dir.filePath("a.rtf")));
    dlg.ShowSave();
    EXPECT_EQ(script.last().flags, 3);
    // ... the print dialog shows the title that was left ...
    script.then(DialogAnswer::ok());
    dlg.ShowPrinter();
    EXPECT_EQ(script.last().title, QStringLiteral("另存为"));
    // ... and after all that the font and the file name are still there.
    EXPECT_EQ(dlg.FontName, installedFamily());
    EXPECT_EQ(dlg.FontSize, 20.0);
    EXPECT_TRUE(dlg.FontBold);
    EXPECT_FALSE(dlg.FontItalic);
    EXPECT_EQ(dlg.FileName, QDir(dir.path()).absoluteFilePath("a.rtf"));
    script.then(DialogAnswer::cancel());
    dlg.ShowFont();
    EXPECT_EQ(script.last().font.family(), installedFamily());
    EXPECT_EQ(script.last().font.pointSizeF(), 20.0);
    EXPECT_TRUE(script.last().font.bold());
    script.then(DialogAnswer::cancel());
    dlg.ShowOpen();
    EXPECT_EQ(script.last().initialFileName, QStringLiteral("a.rtf"));
}

TEST_F(CommonDialogTest, FontDialogFirstOpensWithTheFaceShowingTheDocumentDefault) {
    script.then(DialogAnswer::cancel());
    dlg.ShowFont();
    // 宋体 is offered by that name, and the dialog opens on it.
    EXPECT_EQ(script.last().font.family(), QStringLiteral("宋体"));
    EXPECT_TRUE(QFontDatabase::hasFamily(script.last().font.family()));

    EXPECT_EQ(script.last().font.pointSizeF(), 9.0);
    EXPECT_EQ(dlg.FontName, QString());  // nothing chosen yet
}

TEST_F(CommonDialogTest, FontFlags3HideTheEffectsAndKeepUnderlineAndStrikethru) {
    dlg.Flags = 3;
    QFont f(QStringLiteral("Noto Sans CJK SC"));
    f.setPointSizeF(11.5);
    f.setItalic(true);
    f.setUnderline(true);
    f.setStrikeOut(true);
    script.then(DialogAnswer::chooseFont(f));
    dlg.ShowFont();
    EXPECT_FALSE(script.last().effectsOffered);
    EXPECT_EQ(script.last().flags, 3);
    EXPECT_EQ(dlg.FontName, QStringLiteral("Noto Sans CJK SC"));
    EXPECT_EQ(dlg.FontSize, 11.5);
    EXPECT_TRUE(dlg.FontItalic);
    EXPECT_FALSE(dlg.FontUnderline);
    EXPECT_FALSE(dlg.FontStrikethru);
}

TEST_F(CommonDialogTest, FontEffectsFlagOffersAndReadsUnderlineAndStrikethru) {
    dlg.Flags = 3 | platform::cdlCFEffects;
    QFont f(QStringLiteral("宋体"));
    f.setUnderline(true);
    f.setStrikeOut(true);
    script.then(DialogAnswer::chooseFont(f));
    dlg.ShowFont();
    EXPECT_TRUE(script.last().effectsOffered);
    EXPECT_TRUE(dlg.FontUnderline);
    EXPECT_TRUE(dlg.FontStrikethru);
}

struct PrintFlagsCase {
    const char* name;
    int flags;
    bool pageRange;
    bool selection;  // enabled and preselected
};

class PrintFlags : public ::testing::TestWithParam<PrintFlagsCase> {
protected:
    DialogScript script;
    CommonDialog dlg{nullptr};
};

TEST_P(PrintFlags, ConfigureThePrintDialog) {
    dlg.Flags = GetParam().flags;
    script.then(DialogAnswer::ok());
    dlg.ShowPrinter();
    EXPECT_EQ(script.last().kind, DialogRequest::Kind::Printer);
    EXPECT_EQ(script.last().pageRangeEnabled, GetParam().pageRange);
    EXPECT_EQ(script.last().selectionEnabled, GetParam().selection);
    EXPECT_EQ(script.last().selectionPreselected, GetParam().selection);
    EXPECT_EQ(dlg.hDC != 0, (GetParam().flags & 0x100) != 0);
}

INSTANTIATE_TEST_SUITE_P(CommonDialog, PrintFlags,
                         ::testing::Values(PrintFlagsCase{"AllRangeNoPageNumbers", 0x108, false, false},
                                           PrintFlagsCase{"SelectionNoPageNumbers", 0x109, false, true},
                                           PrintFlagsCase{"PageRangeOffered", 0x100, true, false},
                                           PrintFlagsCase{"NoDevice", 0x001, true, true}),
                         CaseName());

TEST_F(CommonDialogTest, EachPrintDialogLeavesAFreshHandleForItsPrinter) {
    dlg.Flags = 0x108;
    script.then(DialogAnswer::printTo(dir.filePath("out.pdf")));
    dlg.ShowPrinter();
    const int first = dlg.hDC;
    ASSERT_NE(platform::printerForHandle(first), nullptr);
    EXPECT_EQ(platform::printerForHandle(first)->outputFileName(), dir.filePath("out.pdf"));
    EXPECT_EQ(platform::printerForHandle(first)->outputFormat(), QPrinter::PdfFormat);

    script.then(DialogAnswer::ok());
    dlg.ShowPrinter();
    EXPECT_NE(dlg.hDC, first);
    EXPECT_EQ(platform::printerForHandle(first), nullptr);
    // The printer keeps the choices made in the previous dialog.
    EXPECT_EQ(script.last().outputFileName, dir.filePath("out.pdf"));
    EXPECT_EQ(platform::printerForHandle(dlg.hDC)->outputFileName(), dir.filePath("out.pdf"));
}

TEST_F(CommonDialogTest, WithoutAPrinterTheDialogOffersAPdfInTheDocumentsFolder) {
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        GTEST_SKIP() << "a printer is installed; the default output is that printer";
    script.then(DialogAnswer::cancel());
    dlg.ShowPrinter();
    EXPECT_EQ(script.last().outputFileName, CommonDialog::defaultPdfFileName());
    EXPECT_TRUE(CommonDialog::defaultPdfFileName().endsWith(QStringLiteral("/文档.pdf")));
}

}  // namespace
