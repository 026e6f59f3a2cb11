// scrivlet-bench-settings: what hostile settings files cost. Prints the
// median of 5 runs, in CPU time, for: reading a 50 MB hive, a FIFO and a link to
// /dev/zero (all refused unread); parsing hives of 0.25, 0.5 and 1 MB made of
// continuation lines, of sections and of deleted sections (the time should
// double with the size); and a write while another process holds the lock.
// Not a test: it prints figures.
#include "platform/registry/hive_format.h"
#include "platform/registry/hive_store.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <ctime>
#include <cstdio>
#include <functional>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform::registry;

namespace {

// Milliseconds of CPU time this thread used: the figure that does not
// depend on what else the machine is doing.
double cpuMs() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

double medianMs(const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
        const double start = cpuMs();
        work();
        times.push_back(cpuMs() - start);
    }
    std::sort(times.begin(), times.end());
    return times[2];
}

const QByteArray kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";

QByteArray continuationLines(qsizetype size) {
    QByteArray hive = kHeader + "[HKEY_CURRENT_USER\\A]\r\n\"Data\"=hex:00,\\\r\n";
    while (hive.size() < size)
        hive += "  01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18,\\\r\n";
    return hive + "  ff\r\n";
}

QByteArray sections(qsizetype size) {
    QByteArray hive = kHeader;
    for (int i = 0; hive.size() < size; ++i)
        hive += "[HKEY_CURRENT_USER\\A\\K" + QByteArray::number(i) + "]\r\n\"v\"=dword:00000001\r\n";
    return hive;
}

QByteArray deletedSections(qsizetype size) {
    QByteArray hive = kHeader;
    for (int i = 0; hive.size() < size / 2; ++i)
        hive += "[HKEY_CURRENT_USER\\A\\K" + QByteArray::number(i) + "]\r\n";
    for (int i = 0; hive.size() < size; ++i)
        hive += "[-HKEY_CURRENT_USER\\A\\K" + QByteArray::number(i) + "\\X]\r\n";
    return hive;
}

void put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

}  // namespace

int main() {
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    const QString hive = hivePath(Root::CurrentUser);
    QDir().mkpath(home.path() + "/scrivlet");
    std::fclose(stderr);  // the notes about refused hives are not figures

    QByteArray big = kHeader + "[HKEY_CURRENT_USER\\Software\\Korvane\\Scrivlet\\Settings]\r\n";
    while (big.size() < 50 * 1024 * 1024)
        big += "\"Filler\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15\r\n";
    put(hive, big);
    std::printf("read a 50 MB hive (refused):      %8.3f ms\n", medianMs([] { (void)readHive(Root::CurrentUser); }));
    QFile::remove(hive);
    ::mkfifo(QFile::encodeName(hive).constData(), 0644);
    std::printf("read a FIFO hive (refused):       %8.3f ms\n", medianMs([] { (void)readHive(Root::CurrentUser); }));
    QFile::remove(hive);
    QFile::link(QStringLiteral("/dev/zero"), hive);
    std::printf("read a link to /dev/zero:         %8.3f ms\n", medianMs([] { (void)readHive(Root::CurrentUser); }));
    QFile::remove(hive);

    const struct {
        const char* name;
        QByteArray (*make)(qsizetype);
    } shapes[] = {
        {"continuation lines", continuationLines}, {"sections", sections}, {"deleted sections", deletedSections}};
    for (const auto& shape : shapes) {
        double previous = 0;
        for (const qsizetype size : {256 * 1024, 512 * 1024, 1024 * 1024}) {
            const QByteArray bytes = shape.make(size);
            const double ms = medianMs([&] {
                HiveDocument doc(QStringLiteral("HKEY_CURRENT_USER"));
                doc.parse(bytes);
            });
            std::printf("parse %-18s %5lld KB: %8.2f ms", shape.name, static_cast<long long>(size / 1024), ms);
            if (previous > 0)
                std::printf("  (x%.2f for twice the size)", ms / previous);
            std::printf("\n");
            previous = ms;
        }
    }

    // A lock held by a live process: the write gives up after about a second.
    put(hive, kHeader);
    const pid_t holder = fork();
    if (holder == 0) {
        QLockFile lock(hive + QStringLiteral(".lock"));
        lock.tryLock(0);
        ::pause();
        _exit(0);
    }
    ::usleep(200000);
    const auto start = std::chrono::steady_clock::now();
    try {
        writeValue(Root::CurrentUser, QStringLiteral("A"), QStringLiteral("x"), Value::dword(1));
    } catch (...) {
    }
    std::printf("write while another process holds the lock: %.0f ms until it is reported\n",
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    return 0;
}
