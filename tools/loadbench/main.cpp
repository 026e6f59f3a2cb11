// scrivlet-bench-load: how long RichTextBox::LoadFile takes to make a large
// RTF document ready in the control, the peak memory it needs, and how long
// SaveFile takes to write it back.
//
//   scrivlet-bench-load [--sizes 1,10,50] [--runs 5] [--layout-up-to 10]
//
// For each size (MB) it generates a document, then measures it in a fresh
// child process (this program with --child), so that each peak (VmHWM) is
// that size's alone. Targets: 10 MB ready in under 1 s, peak under 200 MB.
#include "gendoc.h"

#include "app/qtsetup.h"
#include "document/richtextbox.h"
#include "document/rtf/reader.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

// The process's peak resident memory so far, in kB.
long peakKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

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

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
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
    long firstPeakKb = 0, laidOutPeakKb = -1;
    const QString out = path + QStringLiteral(".saved.rtf");
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        box.LoadFile(path);
        // Ready: loaded and the first screen laid out and painted.
        QApplication::processEvents();
        ready.push_back(t.nsecsElapsed() / 1e6);
        if (i == 0) {
            firstPeakKb = peakKb();
            if (fullLayout) {
                t.restart();
                box.document()->pageCount();  // forces the layout of the whole document
                fullLayoutMs = t.nsecsElapsed() / 1e6;
                laidOutPeakKb = peakKb();
            }
        }
        t.restart();
        box.SaveFile(out, 0);
        save.push_back(t.nsecsElapsed() / 1e6);
    }
    QFile::remove(out);
    std::vector<double> parse;
    for (int i = 0; i < runs; ++i)
        parse.push_back(parseMs(path));
    std::printf("%.1f %.1f %.1f %ld %ld %ld %d %d %.1f %ld\n", median(ready), median(save), fullLayoutMs, baseKb,
                firstPeakKb, peakKb(), box.document()->blockCount(), box.document()->characterCount(), median(parse),
                laidOutPeakKb);
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
    std::printf("%7s %10s %8s %9s %9s %9s %8s %8s %12s %10s %8s %7s\n", "size", "bytes", "blocks", "parse ms",
                "ready ms", "save ms", "base MB", "peak MB", "layout ms", "laid-out MB", "reload MB", "target");
    bool allMet = true;
    for (int mb : sizes) {
        const std::string rtf = loadbench::generateRtf(std::size_t(mb) * 1024 * 1024, std::uint64_t(mb));
        const QString path = dir.filePath(QStringLiteral("doc-%1mb.rtf").arg(mb));
        {
            std::ofstream f(path.toStdString(), std::ios::binary);
            f.write(rtf.data(), std::streamsize(rtf.size()));
        }
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(QString::fromLocal8Bit(argv[0]), {QStringLiteral("--child"), path, QString::number(runs), QString::number(mb <= layoutUpTo ? 1 : 0)});
        if (!p.waitForFinished(-1) || p.exitCode() != 0) {
            std::fprintf(stderr, "scrivlet-bench-load: the %d MB run failed\n", mb);
            return 1;
        }
        double readyMs = 0, saveMs = 0, layoutMs = 0;
        long baseKb = 0, firstKb = 0, endKb = 0;
        int blocks = 0, chars = 0;
        double parseOnlyMs = 0;
        long laidOutKb = 0;
        if (std::sscanf(p.readAllStandardOutput().constData(), "%lf %lf %lf %ld %ld %ld %d %d %lf %ld", &readyMs,
                        &saveMs, &layoutMs, &baseKb, &firstKb, &endKb, &blocks, &chars, &parseOnlyMs,
                        &laidOutKb) != 10) {
            std::fprintf(stderr, "scrivlet-bench-load: unreadable result for %d MB\n", mb);
            return 1;
        }
        const char* verdict = "";
        if (mb == 10) {
            const bool met = readyMs < 1000 && firstKb < 200 * 1024;
            allMet = allMet && met;
            verdict = met ? "met" : "MISSED";
        }
        char layout[32] = "-", laidOut[32] = "-";
        if (layoutMs >= 0) {
            std::snprintf(layout, sizeof layout, "%.0f", layoutMs);
            std::snprintf(laidOut, sizeof laidOut, "%.1f", laidOutKb / 1024.0);
        }
        std::printf("%4d MB %10zu %8d %9.0f %9.0f %9.0f %8.1f %8.1f %12s %10s %8.1f %7s\n", mb, rtf.size(), blocks,
                    parseOnlyMs, readyMs, saveMs, baseKb / 1024.0, firstKb / 1024.0, layout, laidOut, endKb / 1024.0,
                    verdict);
        std::fflush(stdout);
    }
    std::printf("parse: the RTF reader alone, into a sink that only counts. ready: LoadFile until the first\n"
                "screen is shown (the target). peak: after that first load into an empty control (the target).\n"
                "layout: laying out the rest, which Qt does lazily in the background, and laid-out MB the peak\n"
                "after it. reload: the peak after all runs, when each reload holds the old and the new document.\n");
    return allMet ? 0 : 1;
}
