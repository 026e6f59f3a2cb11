// scrivlet-bench-load: how long RichTextBox::LoadFile takes to make a large
// RTF document ready in the control, the peak memory it needs, and how long
// SaveFile takes to write it back.
//
//   scrivlet-bench-load [--sizes 1,10,50] [--runs 5]
//
// For each size (MB) it generates a document, then measures it in a fresh
// child process (this program with --child), so that each peak (VmHWM) is
// that size's alone. Targets: 10 MB ready in under 1 s, peak under 200 MB.
#include "gendoc.h"

#include "document/richtextbox.h"

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

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Child: loads the file `runs` times into a shown control and saves it back.
int child(const QString& path, int runs, int argc, char** argv) {
    QApplication app(argc, argv);
    RichTextBox box;
    box.resize(800, 600);
    box.show();
    QApplication::processEvents();
    const long baseKb = peakKb();

    std::vector<double> ready, save;
    double fullLayoutMs = 0;
    long firstPeakKb = 0;
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
            t.restart();
            box.document()->pageCount();  // forces the layout of the whole document
            fullLayoutMs = t.nsecsElapsed() / 1e6;
        }
        t.restart();
        box.SaveFile(out, 0);
        save.push_back(t.nsecsElapsed() / 1e6);
    }
    QFile::remove(out);
    std::printf("%.1f %.1f %.1f %ld %ld %ld %d %d\n", median(ready), median(save), fullLayoutMs, baseKb, firstPeakKb,
                peakKb(), box.document()->blockCount(), box.document()->characterCount());
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
    if (argc == 4 && std::strcmp(argv[1], "--child") == 0)
        return child(QString::fromLocal8Bit(argv[2]), std::max(1, std::atoi(argv[3])), argc, argv);

    std::vector<int> sizes{1, 10, 50};
    int runs = 5;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--sizes") == 0 && i + 1 < argc) {
            sizes = parseSizes(argv[++i]);
        } else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: scrivlet-bench-load [--sizes 1,10,50] [--runs 5]\n");
            return 2;
        }
    }

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "scrivlet-bench-load: no temporary folder\n");
        return 1;
    }
    std::printf("LoadFile into a shown RichTextBox (median of %d runs); peaks are VmHWM of a fresh process.\n", runs);
    std::printf("%6s %10s %8s %9s %10s %9s %12s %11s %9s %10s\n", "size", "bytes", "blocks", "ready ms",
                "layout ms", "save ms", "base MB", "peak 1st MB", "peak MB", "target");
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
        p.start(QString::fromLocal8Bit(argv[0]), {QStringLiteral("--child"), path, QString::number(runs)});
        if (!p.waitForFinished(-1) || p.exitCode() != 0) {
            std::fprintf(stderr, "scrivlet-bench-load: the %d MB run failed\n", mb);
            return 1;
        }
        double readyMs = 0, saveMs = 0, layoutMs = 0;
        long baseKb = 0, firstKb = 0, endKb = 0;
        int blocks = 0, chars = 0;
        if (std::sscanf(p.readAllStandardOutput().constData(), "%lf %lf %lf %ld %ld %ld %d %d", &readyMs, &saveMs,
                        &layoutMs, &baseKb, &firstKb, &endKb, &blocks, &chars) != 8) {
            std::fprintf(stderr, "scrivlet-bench-load: unreadable result for %d MB\n", mb);
            return 1;
        }
        const char* verdict = "";
        if (mb == 10) {
            const bool met = readyMs < 1000 && firstKb < 200 * 1024;
            allMet = allMet && met;
            verdict = met ? "met" : "MISSED";
        }
        std::printf("%4d MB %10zu %8d %9.0f %10.0f %9.0f %12.1f %11.1f %9.1f %10s\n", mb, rtf.size(), blocks,
                    readyMs, layoutMs, saveMs, baseKb / 1024.0, firstKb / 1024.0, endKb / 1024.0, verdict);
        std::fflush(stdout);
    }
    std::printf("ready: LoadFile until the first screen is shown; layout: laying out the rest (Qt does it\n"
                "lazily in the background); peak 1st: after the first load into an empty control; peak: after\n"
                "all runs, when each reload briefly holds the old and the new document.\n");
    return allMet ? 0 : 1;
}
