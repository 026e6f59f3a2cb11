// scrivlet-bench-load: how long RichTextBox::LoadFile takes to make a large
// RTF document ready in the control, the peak memory it needs, and how long
// SaveFile takes to write it back.
//
//   scrivlet-bench-load [--sizes 1,10,50] [--runs 5] [--layout-up-to 10]
//
// For each size (MB) it generates a document (the generator the codec
// benchmark uses: Chinese and ASCII mixed, a format change every 20 to 80
// characters, paragraphs of 50 to 400, several fonts, sizes, colours and
// alignments), then measures it in a fresh
// child process (this program with --child), so that each peak (VmHWM) is
// that size's alone. Targets: 10 MB ready in under 1 s, peak under 200 MB.
#include "app/qtsetup.h"
#include "foreigndoc.h"
#include "benchsupport.h"
#include "gendoc.h"
#include "document/richtextbox.h"
#include "rtf/reader.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

using scrivlet::bench::median;
using scrivlet::bench::peakKb;
using scrivlet::bench::statusKb;

// Counts what the reader produces; timing it alone separates the codec's
// share of LoadFile from building the QTextDocument.
class CountingSink final : public rtf::Sink {
public:
    void text(std::string_view utf8, const rtf::CharFormat&) override { bytes += utf8.size(); }
    void paragraphEnd(const rtf::ParaFormat&) override { ++paragraphs; }
    std::size_t bytes = 0;
    std::size_t paragraphs = 0;
};

double parseMs(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = f.readAll();
    CountingSink sink;
    QElapsedTimer t;
    t.start();
    rtf::read(std::string_view(bytes.constData(), std::size_t(bytes.size())), sink);
    return t.nsecsElapsed() / 1e6;
}

struct BackgroundLayout {
    double durationMs = 0;      // until the last block is laid out
    double longestStallMs = 0;  // the longest time the event loop did not answer
};

// Runs the event loop while Qt lays out the rest of the document in the
// background, with a 5 ms timer standing in for the user: the gaps between
// its ticks are how long a key press would wait.
BackgroundLayout waitForBackgroundLayout(RichTextBox& box) {
    // Qt lays blocks out in order, so the last block having lines means the
    // whole document is done. (Asking the layout for the document's size
    // would instead lay out everything at once.)
    BackgroundLayout result;
    QElapsedTimer total, sinceTick;
    total.start();
    sinceTick.start();
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        result.longestStallMs = std::max(result.longestStallMs, sinceTick.nsecsElapsed() / 1e6);
        sinceTick.restart();
        const QTextLayout* last = box.document()->lastBlock().layout();
        if (last && last->lineCount() > 0) {
            result.durationMs = total.nsecsElapsed() / 1e6;
            loop.quit();
        }
    });
    tick.start();
    loop.exec();
    return result;
}

// Child: loads the file `runs` times into a shown control and saves it back.
int child(const QString& path, int runs, bool fullLayout, int argc, char** argv) {
    QApplication app(argc, argv);
    app::installChineseFontSubstitutions();  // as the editor does
    RichTextBox box;
    box.resize(800, 600);
    box.show();
    QApplication::processEvents();
    const long baseKb = peakKb();

    std::vector<double> ready, save;
    double fullLayoutMs = -1;
    long firstPeakKb = 0, firstAnonKb = 0, laidOutPeakKb = -1;
    double longestStallMs = -1;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        box.LoadFile(path);
        // Ready: loaded and the first screen laid out and painted.
        QApplication::processEvents();
        ready.push_back(t.nsecsElapsed() / 1e6);
        if (i == 0) {
            firstPeakKb = peakKb();
            firstAnonKb = statusKb("RssAnon");
            if (fullLayout) {
                const BackgroundLayout layout = waitForBackgroundLayout(box);
                fullLayoutMs = layout.durationMs;
                longestStallMs = layout.longestStallMs;
                laidOutPeakKb = peakKb();
            }
        }
    }
    const long reloadPeakKb = peakKb();

    const QString out = path + QStringLiteral(".saved.rtf");
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        box.SaveFile(out, 0);
        save.push_back(t.nsecsElapsed() / 1e6);
    }
    QFile::remove(out);
    const long savePeakKb = peakKb();

    std::vector<double> parse;
    for (int i = 0; i < runs; ++i)
        parse.push_back(parseMs(path));
    std::printf("%.1f %.1f %.1f %ld %ld %ld %d %d %.1f %ld %ld %ld %.1f\n", median(ready), median(save), fullLayoutMs,
                baseKb, firstPeakKb, reloadPeakKb, box.document()->blockCount(), box.document()->characterCount(),
                median(parse), laidOutPeakKb, savePeakKb, firstAnonKb, longestStallMs);
    return 0;
}

std::vector<int> parseSizes(const char* text) {
    std::vector<int> sizes;
    for (const char* p = text; *p;) {
        sizes.push_back(std::atoi(p));
        p = std::strchr(p, ',');
        if (!p)
            break;
        ++p;
    }
    return sizes;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 5 && std::strcmp(argv[1], "--child") == 0)
        return child(QString::fromLocal8Bit(argv[2]), std::max(1, std::atoi(argv[3])), std::atoi(argv[4]) != 0, argc,
                     argv);

    std::vector<int> sizes{1, 10, 50};
    int runs = 5;
    int layoutUpTo = 10;  // MB; laying out 50 MB takes minutes
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--sizes") == 0 && i + 1 < argc) {
            sizes = parseSizes(argv[++i]);
        } else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--layout-up-to") == 0 && i + 1 < argc) {
            layoutUpTo = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: scrivlet-bench-load [--sizes 1,10,50] [--runs 5] [--layout-up-to 10]\n");
            return 2;
        }
    }

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "scrivlet-bench-load: no temporary folder\n");
        return 1;
    }
    std::printf("LoadFile into a shown RichTextBox (median of %d runs); peaks are VmHWM of a fresh process.\n", runs);
    std::printf("%-8s %7s %10s %7s %8s %9s %8s %7s %7s %7s %7s %9s %9s %11s %9s %7s %7s\n", "style", "size", "bytes",
                "blocks", "chars", "parse ms", "ready ms", "save ms", "base MB", "peak MB", "anon MB", "layout ms",
                "stall ms", "laid-out MB", "reload MB", "save MB", "target");
    bool allMet = true;
    for (const char* style : {"writer", "foreign"}) {
        for (int mb : sizes) {
            const std::size_t target = std::size_t(mb) * 1024 * 1024;
            const std::string rtf = std::strcmp(style, "writer") == 0
                                        ? scrivlet::bench::generateRtf(target, std::uint64_t(mb))
                                        : loadbench::generateForeignRtf(target, std::uint64_t(mb));
            const QString path = dir.filePath(QStringLiteral("%1-%2mb.rtf").arg(QLatin1String(style)).arg(mb));
            {
                std::ofstream f(path.toStdString(), std::ios::binary);
                f.write(rtf.data(), std::streamsize(rtf.size()));
            }
            QProcess p;
            p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            p.start(QString::fromLocal8Bit(argv[0]), {QStringLiteral("--child"), path, QString::number(runs),
                                                      QString::number(mb <= layoutUpTo ? 1 : 0)});
            if (!p.waitForFinished(-1) || p.exitCode() != 0) {
                std::fprintf(stderr, "scrivlet-bench-load: the %d MB run failed\n", mb);
                return 1;
            }
            double readyMs = 0, saveMs = 0, layoutMs = 0, parseOnlyMs = 0;
            long baseKb = 0, firstKb = 0, endKb = 0, laidOutKb = 0, saveKb = 0, anonKb = 0;
            double stallMs = 0;
            int blocks = 0, chars = 0;
            if (std::sscanf(p.readAllStandardOutput().constData(), "%lf %lf %lf %ld %ld %ld %d %d %lf %ld %ld %ld %lf",
                            &readyMs, &saveMs, &layoutMs, &baseKb, &firstKb, &endKb, &blocks, &chars, &parseOnlyMs,
                            &laidOutKb, &saveKb, &anonKb, &stallMs) != 13) {
                std::fprintf(stderr, "scrivlet-bench-load: unreadable result for %d MB\n", mb);
                return 1;
            }
            const char* verdict = "";
            if (mb == 10) {
                const bool met = readyMs < 1000 && firstKb < 200 * 1024;
                allMet = allMet && met;
                verdict = met ? "met" : "MISSED";
            }
            char layout[32] = "-", stall[32] = "-", laidOut[32] = "-";
            if (layoutMs >= 0) {
                std::snprintf(layout, sizeof layout, "%.0f", layoutMs);
                std::snprintf(stall, sizeof stall, "%.0f", stallMs);
                std::snprintf(laidOut, sizeof laidOut, "%.1f", laidOutKb / 1024.0);
            }
            std::printf("%-8s %4d MB %10zu %7d %8d %9.0f %8.0f %7.0f %7.1f %7.1f %7.1f %9s %9s %11s %9.1f %7.1f %7s\n",
                        style, mb, rtf.size(), blocks, chars, parseOnlyMs, readyMs, saveMs, baseKb / 1024.0,
                        firstKb / 1024.0, anonKb / 1024.0, layout, stall, laidOut, endKb / 1024.0, saveKb / 1024.0,
                        verdict);
            std::fflush(stdout);
        }
    }
    std::printf("writer: documents our RTF writer wrote (the shared generator); foreign: Chinese as GBK \\'hh\n"
                "pairs the way other programs write it, several times the text per megabyte.\n");
    std::printf("parse: the RTF reader alone, into a sink that only counts. ready: LoadFile until the first\n"
                "screen is shown (the target). peak: after that first load into an empty control (the target);\n"
                "anon: of it, memory allocated rather than mapped from files (libraries, the CJK fonts).\n"
                "layout: Qt laying out the rest in the background (event loop running); stall: the longest the\n"
                "event loop went unanswered meanwhile; laid-out MB: the peak after it.\n"
                "reload: the peak after all loads, when each reload holds the old and the new document.\n"
                "save: the peak after the SaveFile runs that follow (the document plus the RTF written).\n");
    return allMet ? 0 : 1;
}
