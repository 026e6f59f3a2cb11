// scrivlet-bench-recovery: how long a crash-recovery copy holds up the
// user's thread, which is what a person typing would feel.
//
//   scrivlet-bench-recovery [--sizes 1,10,50] [--runs 5]
//
// For each size (MB of generated RTF: Chinese and ASCII mixed, a format
// change every 20 to 80 characters) the document is loaded into a shown
// control and a copy is written `runs` times. While each copy is taken and
// written, a 1 ms timer on the user's thread records the longest gap between
// its ticks: the longest pause the copy caused. For comparison the tool also
// prints how long writing the RTF on the user's thread would take.
#include "app/qtsetup.h"
#include "document/richtextbox.h"
#include "document/rtfexport.h"
#include "document/rtfsnapshot.h"
#include "files/recovery.h"
#include "benchsupport.h"
#include "gendoc.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using scrivlet::bench::median;

struct Figures {
    double longestPauseMs = 0;  // longest gap between 1 ms ticks
    double snapshotMs = 0;      // the part on the user's thread
    double doneMs = 0;          // until the copy is on disk
};

// One copy, with the user's thread watched by a 1 ms timer.
Figures measureOneCopy(files::Recovery& recovery, RichTextBox& box, const QString& copy) {
    Figures f;
    QEventLoop loop;
    QElapsedTimer clock;
    qint64 lastTick = 0;
    bool started = false;
    QTimer tick;
    tick.setInterval(1);
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        f.longestPauseMs = std::max(f.longestPauseMs, double(now - lastTick) / 1e6);
        lastTick = now;
        if (!started) {
            started = true;
            QElapsedTimer snap;
            snap.start();
            recovery.writeCopy(&box);
            f.snapshotMs = double(snap.nsecsElapsed()) / 1e6;
        } else if (QFile::exists(copy)) {
            f.doneMs = double(clock.nsecsElapsed()) / 1e6;
            loop.quit();
        }
    });
    clock.start();
    tick.start();
    loop.exec();
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes = {1, 10, 50};
    int runs = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QString flag = QString::fromLocal8Bit(argv[i]);
        if (flag == QStringLiteral("--runs"))
            runs = std::max(1, atoi(argv[i + 1]));
        else if (flag == QStringLiteral("--sizes")) {
            sizes.clear();
            for (const QString& s : QString::fromLocal8Bit(argv[i + 1]).split(QLatin1Char(',')))
                sizes.push_back(s.toInt());
        }
    }
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app::installChineseFontSubstitutions();

    std::printf("%-6s %-9s %-14s %-14s %-12s %-14s %s\n", "size", "chars", "pause median", "pause max", "snapshot",
                "copy on disk", "RTF on the user's thread");
    for (const int mb : sizes) {
        const std::string rtf = scrivlet::bench::generateRtf(std::size_t(mb) << 20, std::uint64_t(mb));
        const QString file = state.filePath(QStringLiteral("doc.rtf"));
        {
            QFile f(file);
            if (!f.open(QIODevice::WriteOnly) || f.write(rtf.data(), qint64(rtf.size())) != qint64(rtf.size()))
                return 1;
        }
        RichTextBox box;
        box.resize(800, 600);
        box.show();
        box.LoadFile(file);
        box.document()->setModified(true);
        files::Recovery recovery;
        recovery.watch(&box, [] { return QString(); });
        QApplication::processEvents();
        // A first copy makes the instance's folder.
        recovery.writeCopy(&box);
        recovery.waitForWrites();
        const QString copy = QDir(recovery.instanceFolder()).filePath(QStringLiteral("doc-1.rtf"));

        std::vector<double> pauses, snapshots, done;
        for (int r = 0; r < runs; ++r) {
            // Each run writes the copy afresh.
            recovery.forget(&box);
            recovery.waitForWrites();
            const Figures f = measureOneCopy(recovery, box, copy);
            pauses.push_back(f.longestPauseMs);
            snapshots.push_back(f.snapshotMs);
            done.push_back(f.doneMs);
        }
        QElapsedTimer sync;
        sync.start();
        const std::string direct = document::writeRtf(*box.document());
        const double syncMs = double(sync.nsecsElapsed()) / 1e6;
        std::printf("%3d MB %9lld %11.1f ms %11.1f ms %9.1f ms %11.1f ms %10.1f ms\n", mb,
                    static_cast<long long>(box.document()->characterCount()), median(pauses),
                    *std::max_element(pauses.begin(), pauses.end()), median(snapshots), median(done), syncMs);
        std::fflush(stdout);
    }
    return 0;
}
