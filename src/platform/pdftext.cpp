#include "platform/pdftext.h"

#include "platform/errors.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QSaveFile>

#include <cstdio>

namespace platform {

namespace {

// The ideograph a radical stands for (NFKC), or 0 when it has none.
char16_t ideographOf(char16_t radical) {
    if (radical < 0x2E80 || radical > 0x2FDF)
        return 0;
    const QString folded = QString(QChar(radical)).normalized(QString::NormalizationForm_KC);
    return folded.size() == 1 && folded[0].unicode() >= 0x3400 ? folded[0].unicode() : 0;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Rewrites the hex code "<XXXX>" starting at pos, if it is a radical.
void fixCode(QByteArray& pdf, qsizetype pos) {
    int value = 0;
    for (int i = 1; i <= 4; ++i) {
        const int digit = hexValue(pdf[pos + i]);
        if (digit < 0)
            return;
        value = value * 16 + digit;
    }
    if (const char16_t ideograph = ideographOf(char16_t(value))) {
        const QByteArray hex = QByteArray::number(int(ideograph), 16).toUpper().rightJustified(4, '0');
        for (int i = 0; i < 4; ++i)
            pdf[pos + 1 + i] = hex[i];
    }
}

// The "<...>" codes of one line: start offsets and lengths of their digits.
struct Code {
    qsizetype pos;
    qsizetype digits;
};

QList<Code> codesIn(const QByteArray& pdf, qsizetype from, qsizetype to) {
    QList<Code> codes;
    for (qsizetype i = from; i < to; ++i) {
        if (pdf[i] != '<')
            continue;
        const qsizetype close = pdf.indexOf('>', i);
        if (close < 0 || close > to)
            break;
        codes.append({i, close - i - 1});
        i = close;
    }
    return codes;
}

// Fixes the destinations in one "beginbf... endbf..." section.
void fixSection(QByteArray& pdf, qsizetype from, qsizetype to, bool ranges) {
    qsizetype lineStart = from;
    while (lineStart < to) {
        qsizetype lineEnd = pdf.indexOf('\n', lineStart);
        if (lineEnd < 0 || lineEnd > to)
            lineEnd = to;
        const QList<Code> codes = codesIn(pdf, lineStart, lineEnd);
        auto fix = [&](qsizetype index) {
            if (index < codes.size() && codes[index].digits == 4)
                fixCode(pdf, codes[index].pos);
        };
        if (!ranges) {
            fix(1);  // <glyph> <unicode>
        } else if (pdf.indexOf('[', lineStart) >= 0 && pdf.indexOf('[', lineStart) < lineEnd) {
            for (qsizetype k = 2; k < codes.size(); ++k)  // <lo> <hi> [<u> <u> ...]
                fix(k);
        } else if (codes.size() == 3 &&
                   pdf.mid(codes[0].pos, codes[0].digits + 2) == pdf.mid(codes[1].pos, codes[1].digits + 2)) {
            fix(2);  // <g> <g> <unicode>; a longer range counts up from its start and stays
        }
        lineStart = lineEnd + 1;
    }
}

}  // namespace

QByteArray fixedPdfTextMapping(const QByteArray& pdf) {
    QByteArray out = pdf;
    for (const bool ranges : {false, true}) {
        const QByteArray begin = ranges ? "beginbfrange" : "beginbfchar";
        const QByteArray end = ranges ? "endbfrange" : "endbfchar";
        qsizetype at = 0;
        while ((at = out.indexOf(begin, at)) >= 0) {
            const qsizetype stop = out.indexOf(end, at);
            if (stop < 0)
                break;
            fixSection(out, at + begin.size(), stop, ranges);
            at = stop + end.size();
        }
    }
    return out;
}

void fixPdfTextMapping(const QString& path) {
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return;
    const QByteArray pdf = in.readAll();
    in.close();
    const QByteArray fixed = fixedPdfTextMapping(pdf);
    if (fixed == pdf)
        return;
    QSaveFile out(path);
    if (out.open(QIODevice::WriteOnly) && out.write(fixed) == fixed.size())
        out.commit();
}

namespace {

// A PDF that Qt finished writing ends with its end-of-file marker.
bool isCompletePdf(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() < 16)
        return false;
    f.seek(f.size() - 16);
    return f.read(16).contains("%%EOF");
}

}  // namespace

void printPdfSafely(QPrinter& printer, const std::function<void()>& print) {
    const QString target = printer.outputFileName();
    const QFileInfo info(target);
    auto fail = [&](const QString& reason) {
        platform::raise(
            platform::err::FileAccess,
            QStringLiteral("无法打印到“%1”（%2），原文件未改动。").arg(QDir::toNativeSeparators(target), reason));
    };
    if (target.isEmpty())
        fail(QStringLiteral("没有给出输出文件名"));
    if (info.isDir())
        fail(QStringLiteral("这是一个文件夹"));
    // A new file beside the target, named so that Qt keeps writing PDF.
    QString partial;
    for (int attempt = 0; partial.isEmpty() && attempt < 100; ++attempt) {
        const QString candidate = info.dir().filePath(
            QStringLiteral(".%1.%2-%3.pdf").arg(info.fileName()).arg(QCoreApplication::applicationPid()).arg(attempt));
        QFile f(candidate);
        if (f.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            partial = candidate;
        else if (!info.dir().exists())
            break;
    }
    if (partial.isEmpty())
        fail(QStringLiteral("无法在该文件夹中创建文件"));

    printer.setOutputFileName(partial);
    print();
    printer.setOutputFileName(target);
    const bool written = printer.printerState() != QPrinter::Error && isCompletePdf(partial);
    if (written)
        fixPdfTextMapping(partial);
    // rename() replaces the old file in one step.
    if (!written || std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(target).constData()) != 0) {
        QFile::remove(partial);
        fail(written ? QStringLiteral("无法替换原文件") : QStringLiteral("写入失败"));
    }
}

}  // namespace platform
