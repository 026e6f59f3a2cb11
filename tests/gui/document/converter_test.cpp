// The scrivlet-rtf command: its output and exit status, on corpus files
// written by other programs.
#include "support/test_env.h"
#include "support/case_name.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct ProcessResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ProcessResult runConverter(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(SCRIVLET_RTF_CONVERTER), args);
    ProcessResult r;
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QString corpus(const QString& relative) {
    return QStringLiteral(SCRIVLET_CORPUS_DIR "/") + relative;
}

QStringList words(const QByteArray& utf8) {
    return QString::fromUtf8(utf8).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

class Converter : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QDir(QStringLiteral(SCRIVLET_CORPUS_DIR)).exists())
            GTEST_SKIP() << "no corpus at " SCRIVLET_CORPUS_DIR;
    }
    QTemporaryDir dir;
};

TEST_F(Converter, TextPrintsTheDocumentsWordsAsUtf8) {
    // Latin-1 bytes in a document without a code page (pandoc's test file).
    const ProcessResult r = runConverter(
        {QStringLiteral("text"), corpus(QStringLiteral("pandoc/test-rtf/accent.rtf"))});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(words(r.out), words(testenv::fileBytes(corpus(QStringLiteral("pandoc/test-rtf/accent.expected.txt")))));
    EXPECT_TRUE(r.out.endsWith('\n'));
}

TEST_F(Converter, TextKeepsCharactersOutsideTheBasicPlane) {
    const ProcessResult r = runConverter(
        {QStringLiteral("text"), corpus(QStringLiteral("rtfjs/pile-of-poo/source.rtf"))});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(QString::fromUtf8(r.out).contains(QStringLiteral("Iñtërnâtiônàlizætiøn☃\U0001F4A9")))
        << r.out.toStdString();
}

TEST_F(Converter, TextWithVPrintsTheReadersWarningsOnStderrAndTheTextAsWithout) {
    const QString path = dir.filePath(QStringLiteral("broken.rtf"));
    testenv::writeFile(path, "{\\rtf1\\ansi one}} two");
    const ProcessResult quiet = runConverter({QStringLiteral("text"), path});
    const ProcessResult told = runConverter({QStringLiteral("text"), QStringLiteral("-v"), path});
    EXPECT_EQ(told.exitCode, 0) << told.err.toStdString();
    EXPECT_EQ(told.out, quiet.out);
    EXPECT_TRUE(quiet.err.isEmpty());
    EXPECT_TRUE(told.err.contains("warning: byte")) << told.err.toStdString();
}

TEST_F(Converter, ConvertWritesRtfThatReadsBackToTheSameText) {
    const QString source = corpus(QStringLiteral("rtfjs/colors/source.rtf"));
    const QString rtf = dir.filePath(QStringLiteral("out.rtf"));
    const QString txt = dir.filePath(QStringLiteral("out.txt"));
    const ProcessResult original = runConverter({QStringLiteral("text"), source});
    ASSERT_EQ(original.exitCode, 0);
    ASSERT_TRUE(original.out.contains("Colored & Highlighted Line"));

    EXPECT_EQ(runConverter({QStringLiteral("convert"), source, rtf}).exitCode, 0);
    EXPECT_TRUE(testenv::fileBytes(rtf).startsWith("{\\rtf1"));
    EXPECT_EQ(runConverter({QStringLiteral("text"), rtf}).out, original.out);

    // Plain text output is what text prints, without the final newline.
    EXPECT_EQ(runConverter({QStringLiteral("convert"), rtf, txt}).exitCode, 0);
    EXPECT_EQ(testenv::fileBytes(txt) + '\n', original.out);
}

TEST_F(Converter, MissingInputFailsWithAMessageAndWritesNothing) {
    const QString out = dir.filePath(QStringLiteral("out.rtf"));
    const ProcessResult r = runConverter({QStringLiteral("convert"), dir.filePath(QStringLiteral("none.rtf")), out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("error 53")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
}

struct UsageCase {
    const char* name;
    QStringList args;
};

class ConverterUsage : public Converter, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(ConverterUsage, ExitsWithTwoAndPrintsUsage) {
    QStringList args = GetParam().args;
    args.replaceInStrings(QStringLiteral("$DIR"), dir.path());
    args.replaceInStrings(QStringLiteral("$CORPUS"), QStringLiteral(SCRIVLET_CORPUS_DIR));
    const ProcessResult r = runConverter(args);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("usage: scrivlet-rtf")) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

INSTANTIATE_TEST_SUITE_P(
    Converter, ConverterUsage,
    ::testing::Values(UsageCase{"NoArguments", {}}, UsageCase{"UnknownCommand", {"print", "x.rtf"}},
                      UsageCase{"TextWithoutFile", {"text"}},
                      UsageCase{"ConvertWithoutOutput", {"convert", "$CORPUS/rtfjs/colors/source.rtf"}},
                      UsageCase{"UnknownOutputExtension",
                                {"convert", "$CORPUS/rtfjs/colors/source.rtf", "$DIR/out.doc"}}),
    CaseName());

}  // namespace
