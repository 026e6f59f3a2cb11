// scrivlet-bench-gui: the editor opening large documents in a real X display,
// as a user sees it.
//
//   scrivlet-bench-gui [--sizes 1,10,50] [--files A,B] [--runs 5] [--keys 20] [--timeout 600]
//
// It starts its own Xvfb (1280x1024), generates the documents (Chinese and
// ASCII mixed, a format change every 20 to 80 characters: the shared
// generator), and for every size and run starts a fresh process that goes
// through the program's own start-up (splash, settings, main window with
// document 1, maximised) and then opens the file the way File > Open does
// once its dialog has closed. --files adds files of any shape (--sizes ""
// for none of the generated ones); a run that does not finish within
// --timeout seconds is killed and reported. That process measures:
//   start-up  from this program starting it until the main window is exposed;
//   shown     from the open until the document's first screen is painted;
//   idle      from the open until the whole document is laid out;
//   late      the event loop, probed by a 5 ms timer, answering more than
//             50 ms late: the longest such wait and their total, from the
//             open until idle (load and background layout both count);
//   key       CPU time (all threads) per typed character, including the
//             repaint, at the start, middle and end of the document;
//   peak      the process's peak resident memory (VmHWM) after all of it.
// Figures are medians with min and max over the runs. Nothing is timed
// against a limit: the program only prints.
#include "app/frmmain.h"
#include "app/module1.h"
#include "app/qtsetup.h"
#include "document/activedocument.h"
#include "document/frmdocument.h"
#include "document/richtextbox.h"
#include "benchsupport.h"
#include "gendoc.h"
#include "platform/errors.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

using scrivlet::bench::median;
using scrivlet::bench::peakKb;

double monotonicMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Notes when a widget's window is first exposed, or a widget first painted,
// after `armed` is set.
class FirstEvent : public QObject {
public:
    FirstEvent(QEvent::Type type) : type_(type) {}
    bool armed = true;
    double at = -1;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (armed && at < 0 && e->type() == type_)
            at = monotonicMs();
        return QObject::eventFilter(watched, e);
    }

private:
    QEvent::Type type_;
};

bool laidOut(const RichTextBox& box) {
    const QTextLayout* last = box.document()->lastBlock().layout();
    return last && last->lineCount() > 0;
}

// CPU per key typed at a position, as the median over `keys` characters.
double cpuPerKey(RichTextBox& box, int position, int keys) {
    QTextCursor cursor = box.textCursor();
    cursor.setPosition(std::clamp(position, 0, box.document()->characterCount() - 1));
    box.setTextCursor(cursor);
    box.ensureCursorVisible();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    std::vector<double> perKey;
    for (int i = 0; i < keys; ++i) {
        const QString text(QChar(u'a' + i % 26));
        const int key = Qt::Key_A + i % 26;
        const double start = cpuMs();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(&box, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(&box, &release);
        QApplication::processEvents();  // the repaint the key asked for
        perKey.push_back(cpuMs() - start);
    }
    return median(perKey);
}

int child(const QString& path, double spawnedAt, int keys, int argc, char** argv) {
    // The program's own start-up, as main() runs it.
    QApplication application(argc, argv);
    app::setUpForChineseUser(application);
    platform::dispatch(Main);
    if (!MainForm)
        return 1;
    FirstEvent exposed(QEvent::Expose);
    MainForm->windowHandle()->installEventFilter(&exposed);
    if (MainForm->windowHandle()->isExposed())
        exposed.at = monotonicMs();
    while (exposed.at < 0 && monotonicMs() - spawnedAt < 30000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double startupMs = exposed.at - spawnedAt;
    MainForm->showMaximized();
    if (QMdiSubWindow* sub = qobject_cast<QMdiSubWindow*>(MainForm->ActiveForm()->parentWidget()))
        sub->showMaximized();
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();

    RichTextBox* box = &document::activeRtfText(MainForm->ActiveForm());
    FirstEvent painted(QEvent::Paint);
    painted.armed = false;
    box->viewport()->installEventFilter(&painted);

    // The probe: a 5 ms timer; a gap of more than 50 ms between two of its
    // ticks is a time the window could not answer.
    constexpr double Interval = 5, Late = 50;
    double openedAt = 0, openedCpu = 0, lastTick = 0, idleAt = -1, idleCpu = -1, longestLate = 0, totalLate = 0;
    QEventLoop loop;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(int(Interval));
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const double now = monotonicMs();
        const double gap = now - lastTick;
        if (gap > Late) {
            longestLate = std::max(longestLate, gap);
            totalLate += gap;
        }
        lastTick = now;
        if (painted.at >= 0 && laidOut(*box)) {
            idleAt = now;
            idleCpu = cpuMs();
            loop.quit();
        }
    });
    bool failed = false;
    QTimer::singleShot(0, [&] {
        openedAt = lastTick = monotonicMs();
        openedCpu = cpuMs();
        try {
            MainForm->openDocument(path);
        } catch (const platform::Error& e) {
            std::fprintf(stderr, "scrivlet-bench-gui: %s\n", e.what());
            failed = true;
            loop.quit();
            return;
        }
        painted.armed = true;
    });
    probe.start();
    QTimer::singleShot(300000, &loop, &QEventLoop::quit);
    loop.exec();
    probe.stop();
    if (failed || idleAt < 0)
        return 1;

    const int length = box->document()->characterCount();
    const double keyStart = cpuPerKey(*box, 0, keys);
    const double keyMiddle = cpuPerKey(*box, length / 2, keys);
    const double keyEnd = cpuPerKey(*box, length, keys);
    std::printf("%.1f %.1f %.1f %.1f %.1f %.2f %.2f %.2f %ld %d %.1f\n", startupMs, painted.at - openedAt,
                idleAt - openedAt, longestLate, totalLate, keyStart, keyMiddle, keyEnd, peakKb(), length,
                idleCpu - openedCpu);
    std::fflush(stdout);
    // Out without the exit handlers: they would write settings and ask about
    // the edited document.
    std::_Exit(0);
}

std::vector<int> parseSizes(const char* text) {
    std::vector<int> sizes;
    for (const char* p = text; p && *p; p = std::strchr(p, ',') ? std::strchr(p, ',') + 1 : nullptr)
        sizes.push_back(std::atoi(p));
    return sizes;
}

struct Figures {
    std::vector<double> startup, shown, idle, idleCpu, longest, total, keyStart, keyMiddle, keyEnd, peak;
};

QString stat(const std::vector<double>& v, const char* format) {
    if (v.empty())
        return QStringLiteral("-");
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    return QString::asprintf(format, median(v)) + QStringLiteral(" (") + QString::asprintf(format, *lo) +
           QStringLiteral("–") + QString::asprintf(format, *hi) + QStringLiteral(")");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "--child") == 0)
        return child(QString::fromLocal8Bit(argv[2]), std::atof(argv[3]), std::atoi(argv[4]), argc, argv);

    std::vector<int> sizes{1, 10, 50};
    QStringList files;
    int runs = 5, keys = 20, timeoutS = 600;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--sizes") == 0 && i + 1 < argc)
            sizes = parseSizes(argv[++i]);
        else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--keys") == 0 && i + 1 < argc)
            keys = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--files") == 0 && i + 1 < argc)
            files = QString::fromLocal8Bit(argv[++i]).split(u',', Qt::SkipEmptyParts);
        else if (std::strcmp(argv[i], "--timeout") == 0 && i + 1 < argc)
            timeoutS = std::max(1, std::atoi(argv[++i]));
        else {
            std::fprintf(stderr, "usage: scrivlet-bench-gui [--sizes 1,10,50] [--files A,B] [--runs 5] [--keys 20]"
                                 " [--timeout 600]\n");
            return 2;
        }
    }
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;

    // A private X display; Xvfb reports its number on the descriptor given.
    QProcess xvfb;
    xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-noreset"),
                                        QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-screen"),
                                        QStringLiteral("0"), QStringLiteral("1280x1024x24")});
    if (!xvfb.waitForStarted() || !xvfb.waitForReadyRead(10000)) {
        std::fprintf(stderr, "scrivlet-bench-gui: Xvfb did not start\n");
        return 1;
    }
    const QString display = QStringLiteral(":") + QString::fromLatin1(xvfb.readLine()).trimmed();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_CONFIG_DIRS"), dir.filePath(QStringLiteral("xdg")));
    QDir().mkpath(dir.filePath(QStringLiteral("config")));

    std::printf("File > Open in the program under Xvfb 1280x1024, maximised; median (min–max) of %d runs.\n", runs);
    std::printf("%-6s %-20s %-20s %-22s %-22s %-20s %-20s %-18s %-18s %-18s %-18s\n", "size", "start-up ms", "shown ms",
                "idle ms", "idle CPU ms", "longest late ms", "total late ms", "key start ms", "key middle ms",
                "key end ms", "peak MB");
    struct Case {
        QString label;
        QString path;
        bool generated;
    };
    std::vector<Case> cases;
    for (int mb : sizes) {
        const std::string rtf = scrivlet::bench::generateRtf(std::size_t(mb) * 1024 * 1024, std::uint64_t(mb));
        const QString path = dir.filePath(QStringLiteral("doc-%1mb.rtf").arg(mb));
        std::ofstream f(path.toStdString(), std::ios::binary);
        f.write(rtf.data(), std::streamsize(rtf.size()));
        cases.push_back({QStringLiteral("%1 MB").arg(mb, 3), path, true});
    }
    for (const QString& file : files)
        cases.push_back({QFileInfo(file).fileName(), QFileInfo(file).absoluteFilePath(), false});

    for (const Case& c : cases) {
        const QString& path = c.path;
        Figures fig;
        int chars = 0;
        for (int run = 0; run < runs; ++run) {
            QProcess p;
            p.setProcessEnvironment(env);
            p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            const double spawnedAt = monotonicMs();
            p.start(QString::fromLocal8Bit(argv[0]),
                    {QStringLiteral("--child"), path, QString::number(spawnedAt, 'f', 3), QString::number(keys)});
            double v[10];
            long peak = 0;
            if (!p.waitForFinished(timeoutS * 1000)) {
                p.kill();
                p.waitForFinished();
                std::fprintf(stderr, "scrivlet-bench-gui: %s run %d did not finish in %d s\n", qPrintable(c.label),
                             run + 1, timeoutS);
                continue;
            }
            if (p.exitCode() != 0 ||
                std::sscanf(p.readAllStandardOutput().constData(), "%lf %lf %lf %lf %lf %lf %lf %lf %ld %d %lf", &v[0],
                            &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &peak, &chars, &v[8]) != 11) {
                std::fprintf(stderr, "scrivlet-bench-gui: %s run %d failed\n", qPrintable(c.label), run + 1);
                continue;
            }
            fig.startup.push_back(v[0]);
            fig.shown.push_back(v[1]);
            fig.idle.push_back(v[2]);
            fig.idleCpu.push_back(v[8]);
            fig.longest.push_back(v[3]);
            fig.total.push_back(v[4]);
            fig.keyStart.push_back(v[5]);
            fig.keyMiddle.push_back(v[6]);
            fig.keyEnd.push_back(v[7]);
            fig.peak.push_back(peak / 1024.0);
        }
        std::printf("%-6s %-20s %-20s %-22s %-22s %-20s %-20s %-18s %-18s %-18s %-18s\n", qPrintable(c.label),
                    qPrintable(stat(fig.startup, "%.0f")), qPrintable(stat(fig.shown, "%.0f")),
                    qPrintable(stat(fig.idle, "%.0f")), qPrintable(stat(fig.idleCpu, "%.0f")),
                    qPrintable(stat(fig.longest, "%.0f")), qPrintable(stat(fig.total, "%.0f")),
                    qPrintable(stat(fig.keyStart, "%.1f")), qPrintable(stat(fig.keyMiddle, "%.1f")),
                    qPrintable(stat(fig.keyEnd, "%.1f")), qPrintable(stat(fig.peak, "%.0f")));
        std::fflush(stdout);
        if (c.generated)
            QFile::remove(path);
    }
    std::printf("idle CPU: CPU time of the whole process from the open until idle (what a busy machine\n"
                "does not inflate). late: gaps over 50 ms between ticks of a 5 ms timer, from the open until\n"
                "idle (0: none).\n"
                "key: CPU time of the whole process per typed character, its repaint included.\n");
    xvfb.terminate();
    xvfb.waitForFinished();
    return 0;
}
